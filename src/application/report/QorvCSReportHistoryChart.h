#pragma once

#include "QorvCSReportItems.h"

#include "application/history/QorvCSHistorySample.h"

#include <memory>
#include <string>
#include <vector>

// What one history chart shows. Times are seconds since the epoch. The renderer remembers charts by all of these
// fields (sameDrawing): a new one must be compared there too.
struct QorvCSHistoryChart {
    enum class Kind {
        Activity, // charge % and rate (W) over [from, to), charging and discharging shaded
        Wear, // full capacity as % of design over [from, to), with cycle counts
    };
    Kind kind = Kind::Activity;
    std::string title;
    // The text alternative: one line that says what the chart shows ("Lost 4 % of design capacity since March").
    std::string summary;
    int64_t from = 0;
    int64_t to = 0;
    std::shared_ptr<const std::vector<QorvCSHistorySample>> samples;
    std::shared_ptr<const std::vector<QorvCSHistoryCapacity>> capacities;
    // Texts of the legend and axes, localised: "Charge", "Rate", "Charging", "Discharging", "cycles".
    std::vector<std::string> labels;
    // Time labels: short weekday names (Sunday first) and short month names (January first).
    std::vector<std::string> weekdays;
    std::vector<std::string> months;

    // The longest time between two samples that still draws a line: longer means the machine was asleep or off.
    // Samples are thinned with age, so older ones may lie further apart.
    static int64_t gapLimit(int64_t age);
};

// A history chart in a report: below its power source's table, drawn by QorvCSHistoryChartRenderer.
class QorvCSReportHistoryChart : public QorvCSReportItem {
public:
    explicit QorvCSReportHistoryChart(QorvCSHistoryChart chart)
        : m_chart(std::move(chart))
    { }
    static std::shared_ptr<QorvCSReportHistoryChart> itemWithChart(QorvCSHistoryChart chart)
    {
        return std::make_shared<QorvCSReportHistoryChart>(std::move(chart));
    }
    std::string_view className() const override { return "QorvCSReportHistoryChart"; }
    const QorvCSHistoryChart& chart() const { return m_chart; }

private:
    QorvCSHistoryChart m_chart;
};
