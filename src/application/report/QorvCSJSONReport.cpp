#include "QorvCSJSONReport.h"

#include "QorvCSReportCupelController.h"
#include "QorvCSReportHistoryChart.h"

#include "foundation/Assert.h"
#include "foundation/Json.h"

#include <map>
#include <vector>

// A group or section under construction.
struct QorvCSJSONReport::Node {
    std::string title;
    qorv::Value::Array tables;
    std::vector<Node> sections;
    qorv::Value::Array history;

    qorv::Value value() const
    {
        qorv::Value::Array children;
        for (const auto& section : sections)
            children.push_back(section.value());
        qorv::Value::Dictionary node { { "title", title }, { "tables", tables }, { "sections", children } };
        if (!history.empty())
            node.emplace("history", history);
        return node;
    }
};

// Where the items go: a title opens a node in the current container, a subsection start makes the last titled
// node the container until its end. Only the container on top grows, so the pointers below it stay valid.
struct QorvCSJSONReport::State {
    Node root;
    std::vector<Node*> containers { &root };
    Node* titled = nullptr;
    std::shared_ptr<QorvCSReportCupelController> rules = QorvCSReportCupelController::cupelController();
};

namespace {

using Renderer = void (QorvCSJSONReport::*)(const QorvCSReportItem&, QorvCSJSONReport::State&);

const std::map<std::string, Renderer, std::less<>>& renderers()
{
    static const std::map<std::string, Renderer, std::less<>> table {
        { "QorvCSReportItem", &QorvCSJSONReport::jsonForReportItem },
        { "QorvCSReportSubSectionStart", &QorvCSJSONReport::jsonForReportSubSectionStart },
        { "QorvCSReportSubSectionEnd", &QorvCSJSONReport::jsonForReportSubSectionEnd },
        { "QorvCSReportTitle", &QorvCSJSONReport::jsonForReportTitle },
        { "QorvCSReportTable", &QorvCSJSONReport::jsonForReportTable },
        { "QorvCSReportHistoryChart", &QorvCSJSONReport::jsonForReportHistoryChart },
    };
    return table;
}

std::string_view typeName(const qorv::Value& value)
{
    switch (value.type()) {
    case qorv::Value::Type::String:
        return "string";
    case qorv::Value::Type::Integer:
        return "integer";
    case qorv::Value::Type::Real:
        return "real";
    case qorv::Value::Type::Boolean:
        return "boolean";
    case qorv::Value::Type::Date:
        return "date";
    case qorv::Value::Type::Data:
        return "data";
    case qorv::Value::Type::Array:
        return "array";
    case qorv::Value::Type::Dictionary:
        return "dictionary";
    case qorv::Value::Type::Null:
        break;
    }
    return "none";
}

qorv::Value optionalNumber(std::optional<double> value)
{
    return value ? qorv::Value(*value) : qorv::Value();
}

qorv::Value::Date dateFromEpoch(int64_t seconds)
{
    constexpr double referenceDate = 978307200; // 2001-01-01T00:00:00Z
    return { static_cast<double>(seconds) - referenceDate };
}

std::string_view stateName(QorvCSHistoryState state)
{
    switch (state) {
    case QorvCSHistoryState::Charging:
        return "charging";
    case QorvCSHistoryState::Discharging:
        return "discharging";
    case QorvCSHistoryState::Charged:
        return "charged";
    case QorvCSHistoryState::Idle:
        return "idle";
    case QorvCSHistoryState::Unknown:
        break;
    }
    return "unknown";
}

const std::string* stringEntry(const qorv::Value::Dictionary& record, std::string_view key)
{
    auto it = record.find(key);
    return it == record.end() ? nullptr : it->second.asString();
}

} // namespace

qorv::Value QorvCSJSONReport::asValue()
{
    State state;
    for (const auto& item : items()) {
        auto it = renderers().find(item->className());
        QorvAssert(it != renderers().end(), "%@ cannot render %@", className(), item->className());
        (this->*(it->second))(*item, state);
    }
    qorv::Value::Array groups;
    for (const auto& group : state.root.sections)
        groups.push_back(group.value());
    // Tables outside any titled group would otherwise be lost.
    if (!state.root.tables.empty())
        groups.push_back(state.root.value());
    return qorv::Value::Dictionary {
        { "schema", schemaVersion },
        { "application", "cellsheet" },
        { "version", m_about.version },
        { "computer", m_about.computer },
        { "date", m_about.date },
        { "sanitized", m_about.sanitized },
        { "groups", std::move(groups) },
    };
}

std::string QorvCSJSONReport::asJSON()
{
    return qorv::Json::write(asValue());
}

void QorvCSJSONReport::jsonForReportItem(const QorvCSReportItem&, State&)
{ }

void QorvCSJSONReport::jsonForReportSubSectionStart(const QorvCSReportItem&, State& state)
{
    // A subsection without a title of its own continues its container.
    state.containers.push_back(state.titled ? state.titled : state.containers.back());
    state.titled = nullptr;
}

void QorvCSJSONReport::jsonForReportSubSectionEnd(const QorvCSReportItem&, State& state)
{
    if (state.containers.size() > 1)
        state.containers.pop_back();
    state.titled = nullptr;
}

void QorvCSJSONReport::jsonForReportTitle(const QorvCSReportItem& item, State& state)
{
    const auto* title = dynamic_cast<const QorvCSReportTitle*>(&item);
    QorvAssert(title != nullptr, "%@ cannot render %@ as a title", className(), item.className());
    auto& sections = state.containers.back()->sections;
    sections.push_back(Node { title->title(), {}, {}, {} });
    state.titled = &sections.back();
}

void QorvCSJSONReport::jsonForReportTable(const QorvCSReportItem& item, State& state)
{
    const auto* table = dynamic_cast<const QorvCSReportTable*>(&item);
    QorvAssert(table != nullptr, "%@ cannot render %@ as a table", className(), item.className());
    qorv::Value::Array rows;
    for (const auto& pair : *table->headingValuePairs()) {
        const qorv::Value::Dictionary result = state.rules->transform(QorvCSReportCupelController::recordForRow(pair));
        qorv::Value value = pair.value->value();
        if (value.isNull() && pair.value->raw())
            value = qorv::Value(*pair.value->raw());
        qorv::Value::Dictionary row {
            { "heading",
                stringEntry(result, "presentation heading") ? *stringEntry(result, "presentation heading")
                                                            : pair.heading->title() },
            { "text",
                stringEntry(result, "presentation value") ? *stringEntry(result, "presentation value")
                                                          : pair.value->label() },
            { "type", std::string(typeName(value)) },
            { "value", value },
        };
        if (pair.heading->raw())
            row.emplace("key", *pair.heading->raw());
        if (const std::string* more = stringEntry(result, "more"))
            row.emplace("more", *more);
        rows.emplace_back(std::move(row));
    }
    Node* target = state.titled ? state.titled : state.containers.back();
    target->tables.emplace_back(qorv::Value::Dictionary {
        { "summary", table->summary() }, { "caption", table->caption() }, { "rows", std::move(rows) } });
}

void QorvCSJSONReport::jsonForReportHistoryChart(const QorvCSReportItem& item, State& state)
{
    const auto* chartItem = dynamic_cast<const QorvCSReportHistoryChart*>(&item);
    QorvAssert(chartItem != nullptr, "%@ cannot render %@ as a history chart", className(), item.className());
    const QorvCSHistoryChart& chart = chartItem->chart();
    qorv::Value::Dictionary entry {
        { "kind", chart.kind == QorvCSHistoryChart::Kind::Activity ? "activity" : "wear" },
        { "title", chart.title },
        { "summary", chart.summary },
        { "from", dateFromEpoch(chart.from) },
        { "to", dateFromEpoch(chart.to) },
    };
    qorv::Value::Array series;
    if (chart.kind == QorvCSHistoryChart::Kind::Activity && chart.samples) {
        for (const auto& s : *chart.samples)
            series.emplace_back(qorv::Value::Dictionary { { "time", s.time }, { "percent", optionalNumber(s.percent) },
                { "watts", optionalNumber(s.watts) }, { "state", std::string(stateName(s.state)) } });
        entry.emplace("samples", std::move(series));
    } else if (chart.capacities) {
        for (const auto& c : *chart.capacities)
            series.emplace_back(qorv::Value::Dictionary { { "time", c.time }, { "full", optionalNumber(c.full) },
                { "design", optionalNumber(c.design) },
                { "cycles", c.cycles ? qorv::Value(*c.cycles) : qorv::Value() } });
        entry.emplace("capacities", std::move(series));
    }
    Node* target = state.titled ? state.titled : state.containers.back();
    target->history.emplace_back(std::move(entry));
}
