#pragma once

#include "QorvCSHTMLReportState.h"
#include "QorvCSReport.h"

#include "foundation/Color.h"

#include <optional>
#include <string>
#include <vector>

// Renders a report as one HTML document through the templates resource "QorvCSHTMLReport.plist".
class QorvCSHTMLReport : public QorvCSReport {
public:
    using QorvCSReport::QorvCSReport;

    static std::shared_ptr<QorvCSHTMLReport> reportForExport(bool forExport)
    {
        return std::make_shared<QorvCSHTMLReport>(forExport);
    }
    std::string_view className() const override { return "QorvCSHTMLReport"; }

    std::string asHTML();

    std::string htmlForReportItem(const QorvCSReportItem& item, QorvCSHTMLReportState& state);
    std::string htmlForReportSubSectionStart(const QorvCSReportItem& item, QorvCSHTMLReportState& state);
    std::string htmlForReportSubSectionEnd(const QorvCSReportItem& item, QorvCSHTMLReportState& state);
    std::string htmlForReportTitle(const QorvCSReportItem& item, QorvCSHTMLReportState& state);
    std::string htmlForReportTable(const QorvCSReportItem& item, QorvCSHTMLReportState& state);

    // QorvCSHTMLReportUtilities
    static std::string escapeString(std::string_view text);

    // The system's alternating row background colours; the shell sets them from its palette.
    static void setAlternatingRowBackgroundColors(std::vector<qorv::Color> colors);
    static const std::vector<qorv::Color>& alternatingRowBackgroundColors();
};
