#pragma once

#include "QorvCSReport.h"

#include "foundation/Value.h"

#include <cstdint>
#include <string>

class QorvCSReportCupelController;

// Renders a report as JSON for tools: the included groups and sections by title and, per table row, the heading,
// the value with its type, the text after the rules (without markup) and the "more" text. The shape is documented
// in docs/json.md and docs/json-schema.json; schemaVersion changes whenever a reader would have to change.
class QorvCSJSONReport : public QorvCSReport {
public:
    static constexpr int64_t schemaVersion = 1;

    // What the document says about itself.
    struct About {
        std::string computer;
        std::string version; // the application's
        qorv::Value::Date date; // when the report was made
        bool sanitized = false; // serials, addresses and names are masked
    };

    explicit QorvCSJSONReport(About about)
        : QorvCSReport(true)
        , m_about(std::move(about))
    { }
    std::string_view className() const override { return "QorvCSJSONReport"; }

    qorv::Value asValue();
    std::string asJSON();

    struct Node;
    struct State;
    void jsonForReportItem(const QorvCSReportItem& item, State& state);
    void jsonForReportSubSectionStart(const QorvCSReportItem& item, State& state);
    void jsonForReportSubSectionEnd(const QorvCSReportItem& item, State& state);
    void jsonForReportTitle(const QorvCSReportItem& item, State& state);
    void jsonForReportTable(const QorvCSReportItem& item, State& state);
    void jsonForReportHistoryChart(const QorvCSReportItem& item, State& state);

private:
    About m_about;
};
