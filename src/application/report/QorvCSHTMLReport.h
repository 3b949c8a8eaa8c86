#pragma once

#include "QorvCSHTMLReportState.h"
#include "QorvCSReport.h"
#include "QorvCSReportPalette.h"

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
    std::string htmlForReportHistoryChart(const QorvCSReportItem& item, QorvCSHTMLReportState& state);

    // QorvCSHTMLReportUtilities
    static std::string escapeString(std::string_view text);
    // Appends the escaped text to out, as out += escapeString(text) does.
    static void appendEscaped(std::string& out, std::string_view text);

    // The system's alternating row background colours; the shell sets them from its palette.
    static void setAlternatingRowBackgroundColors(std::vector<qorv::Color> colors);
    static const std::vector<qorv::Color>& alternatingRowBackgroundColors();

    // The screen's other colours ("[[textColor]]", "[[linkColor]]", ... in the top template); the shell sets
    // them from its palette. The export rendering ignores both and fills every colour, the row colours too,
    // from QorvCSReportPalette::printPalette(): paper and PDF are dark on white whatever the desktop's theme.
    static void setPalette(const QorvCSReportPalette& palette);
    static QorvCSReportPalette palette();

    // A text for "[[name]]" in the top template (the computer's name in the printed header), escaped when
    // filled in. Placeholders that a template does not use are ignored.
    void setTemplateValue(const std::string& name, const std::string& text);

    // Lets this report and other take the rows a table was rendered to by either, when the rules are the same: for
    // two renderings of the same items (the screen's and the export's), whose rows do not change in between.
    void shareRenderedRowsWith(QorvCSHTMLReport& other);

    // Takes each history chart drawn before as it was last drawn, without drawing it: for a document that must
    // reach the page at once, its charts to follow.
    void setChartsAsLastDrawn(bool asLastDrawn) { m_chartsAsLastDrawn = asLastDrawn; }
    // Whether a chart taken as last drawn was drawn from other data than it now has.
    bool chartsBehind() const { return m_chartsBehind; }

private:
    std::string filledTop(std::string top) const;
    // What htmlForReportTable gives, appended to html.
    void appendTable(std::string& html, const QorvCSReportItem& item, QorvCSHTMLReportState& state);

    struct RenderedTables;
    std::shared_ptr<RenderedTables> m_renderedTables;

    std::vector<std::pair<std::string, std::string>> m_templateValues;
    bool m_chartsAsLastDrawn = false;
    bool m_chartsBehind = false;
};
