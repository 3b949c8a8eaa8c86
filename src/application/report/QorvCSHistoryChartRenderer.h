#pragma once

#include "QorvCSReportHistoryChart.h"
#include "QorvCSReportPalette.h"

#include <string>

// Draws a history chart as inline SVG (a figure with its text alternative as caption): axes with time labels,
// one path per series, breaks where no samples were taken, charging and discharging shaded. The colours follow
// the palette; the print palette gives black on white with dashes to tell the series apart.
class QorvCSHistoryChartRenderer {
public:
    QorvCSHistoryChartRenderer(const QorvCSReportPalette& palette, bool forPrint);

    // idPrefix makes the chart's element ids unique in its document. Times are labelled in the local time zone.
    // The last few charts drawn are remembered by everything they were drawn from: drawing one again from the same
    // samples (an update that added none) costs a comparison. With behind given, a chart drawn before under idPrefix in
    // these colours is not drawn again: its last drawing comes back, and *behind says whether that was drawn from
    // other data than the chart's.
    std::string html(const QorvCSHistoryChart& chart, const std::string& idPrefix, bool* behind = nullptr) const;

private:
    struct Colors {
        std::string text, rule, charge, rate, charging, discharging, wear;
        double shade; // opacity of the shaded bands
        bool dashes;
        bool operator==(const Colors&) const = default;
    };
    std::string draw(const QorvCSHistoryChart& chart, const std::string& idPrefix) const;
    std::string activity(const QorvCSHistoryChart& chart) const;
    std::string wear(const QorvCSHistoryChart& chart) const;

    Colors m_colors;
};
