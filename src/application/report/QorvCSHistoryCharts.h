#pragma once

#include "QorvCSReportHistoryChart.h"

#include "application/history/QorvCSHistory.h"
#include "foundation/Value.h"

// The history charts of one power source, as report items: charge and rate over the last 24 hours and 7 days,
// and full capacity as % of design over all recorded time, each limited to the history's shown days. Texts come
// from the localisation tables.
class QorvCSHistoryCharts {
public:
    // Nothing for a source the history has no samples or capacities of. `now` in seconds since the epoch; the charts
    // end at drawnUntil(now).
    static QorvCSReportItemList itemsForSource(
        const QorvCSHistory& history, const qorv::Value::Dictionary& description, int64_t now);
    // The end of the minute (the recorder's sample interval) that holds `now`. Charts drawn up to it come out byte for
    // byte the same all through that minute unless a sample arrives, so an update that adds none leaves them as
    // they were.
    static int64_t drawnUntil(int64_t now);

    // The text alternatives: "Charge between 23 % and 98 %; 7.5 W on average while discharging".
    static std::string activitySummary(const std::vector<QorvCSHistorySample>& samples);
    // "Lost 4 % of design capacity since March; 62 cycles"; `now` decides whether the month needs its year.
    static std::string wearSummary(const std::vector<QorvCSHistoryCapacity>& capacities, int64_t now);
};
