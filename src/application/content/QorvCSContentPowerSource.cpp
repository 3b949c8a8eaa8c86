#include "QorvCSContentPowerSource.h"

#include "QorvCSHistoryCharts.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/RegularFile.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <set>
#include <vector>

namespace {

const QorvCSPowerSource& checked(const std::shared_ptr<QorvCSPowerSource>& aPowerSource)
{
    QorvParameterAssert(aPowerSource);
    return *aPowerSource;
}

// A row's text: strings as they are, numbers in decimal, booleans as 1 or 0; nothing for containers, dates
// and data.
std::optional<std::string> rowText(const qorv::Value& value)
{
    switch (value.type()) {
    case qorv::Value::Type::String:
    case qorv::Value::Type::Integer:
    case qorv::Value::Type::Real:
    case qorv::Value::Type::Boolean:
        return value.description();
    default:
        return std::nullopt;
    }
}

// The reader's facts in reading order: state, charge, time, health, then the electrical readings. Keys not listed
// follow in byte order; identifiers that exist for the program come last.
constexpr std::string_view readerOrder[] = { "Power Source State", "Is Present", "Is Charging", "Is Charged",
    "Current Capacity", "capacity_level", "Max Capacity", "charge_control_start_threshold", "charge_behaviour",
    "Time to Empty", "Time to Full Charge", "BatteryHealth", "BatteryHealthMaximumCapacity", "Nominal Capacity",
    "DesignCapacity", "Cycle Count", "cycle_count", "Alarm Capacity", "FamilyCode", "Watts", "Watts Source", "online",
    "Other Online Supplies", "Voltage", "Current", "Temperature", "Type", "Transport Type", "Manufacturer",
    "manufacturer", "model_name", "technology", "Hardware Serial Number", "SerialNumber", "serial_number" };
constexpr std::string_view programOrder[] = { "Name", "Description", "Power Source ID" };

size_t rankOf(std::string_view key)
{
    constexpr size_t listed = std::size(readerOrder);
    for (size_t i = 0; i < listed; ++i)
        if (readerOrder[i] == key)
            return i;
    for (size_t i = 0; i < std::size(programOrder); ++i)
        if (programOrder[i] == key)
            return listed + 1 + i;
    return listed;
}

// An attribute file without a text of its own reads as words: "charge_term_current" → "Charge term current".
std::string readableFileName(std::string_view file)
{
    std::string words(file);
    if (words.empty() || !std::all_of(words.begin(), words.end(), [](unsigned char c) {
            return std::islower(c) || std::isdigit(c) || c == '_';
        }))
        return words;
    std::replace(words.begin(), words.end(), '_', ' ');
    words[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(words[0])));
    return words;
}

} // namespace

QorvCSContentPowerSource::QorvCSContentPowerSource(std::shared_ptr<QorvCSPowerSource> aPowerSource)
    : QorvCSContent(checked(aPowerSource).uniqueID().description(), checked(aPowerSource).name())
{
    setPowerSource(std::move(aPowerSource));
}

QorvCSContentPowerSource::~QorvCSContentPowerSource()
{
    setPowerSource(nullptr);
}

std::shared_ptr<QorvCSContentPowerSource> QorvCSContentPowerSource::contentWithPowerSource(
    std::shared_ptr<QorvCSPowerSource> aPowerSource)
{
    QorvParameterAssert(aPowerSource);
    return std::make_shared<QorvCSContentPowerSource>(std::move(aPowerSource));
}

qorv::Image QorvCSContentPowerSource::imageResource(std::string_view name, std::string_view className)
{
    const auto& bundle = qorv::Bundle::main();
    std::string type = "svg";
    auto path = bundle.pathForResource(name, type);
    if (!path)
        path = bundle.pathForResource(name, type = "png");
    QorvAssert(path.has_value(), "%@ missing image resource.", className);

    std::string bytes, error;
    const bool readable = qorv::readRegularFile(*path, bytes, error, size_t(16) << 20)
        && (type == "svg" ? bytes.find("<svg") != std::string::npos : bytes.starts_with("\x89PNG\r\n\x1a\n"));
    QorvAssert(readable, "%@ malformed image resource.", className);
    return qorv::Image { {}, *path };
}

const qorv::Image& QorvCSContentPowerSource::image()
{
    if (QorvCSContent::image().isNull())
        setImage(imageResource("power-source", className()));
    return QorvCSContent::image();
}

QorvCSReportItemList QorvCSContentPowerSource::itemsForReport(QorvCSReport&)
{
    QorvCSReportItemList items;
    const qorv::Value::Dictionary* description = m_powerSource ? m_powerSource->rawSource().asDictionary() : nullptr;
    if (!description || description->empty())
        return items;
    items.push_back(QorvCSReportTitle::titleWithText(localisedLabel()));

    const auto& bundle = qorv::Bundle::main();
    auto table = QorvCSReportTable::tableWithSummary(
        localise(qorv::format(bundle.localizedString("QorvCSContentPowerSource.SummaryFormat"), label())),
        localise(qorv::format(bundle.localizedString("QorvCSContentPowerSource.CaptionFormat"), label())));
    items.push_back(table);

    std::vector<std::pair<std::string_view, const qorv::Value*>> rows;
    for (const auto& [key, value] : *description)
        rows.emplace_back(key, &value);
    // The dictionary gives byte order; a stable sort by rank keeps it within a rank.
    std::stable_sort(
        rows.begin(), rows.end(), [](const auto& a, const auto& b) { return rankOf(a.first) < rankOf(b.first); });
    std::optional<std::string> sourceType;
    if (auto type = description->find("Type"); type != description->end() && type->second.asString())
        sourceType = *type->second.asString();
    std::set<std::string> headings;
    table->reserveRows(rows.size());
    for (const auto& [key, value] : rows) {
        auto text = rowText(*value);
        if (!text)
            continue;
        std::string title = localise(key);
        if (title == key)
            title = readableFileName(key);
        // Diagnostic files written before a key took over an attribute file hold both: tell them apart.
        if (!headings.insert(title).second)
            title = qorv::format("%@ (%@)", title, key);
        auto row = QorvCSReportTablePair::pairWithTitleAndLabel(std::move(title), *text);
        row.heading->setRaw(std::string(key));
        row.heading->setProvider(providerLabel());
        row.value->setRaw(std::move(text));
        row.value->setValue(*value);
        row.value->setProvider(providerLabel());
        row.value->setSourceType(sourceType);
        table->addHeadingAndValue(std::move(row));
    }
    // The source's history, when the application keeps one, below its table.
    if (auto history = QorvCSHistory::shared()) {
        auto charts = QorvCSHistoryCharts::itemsForSource(*history, *description, std::time(nullptr));
        items.insert(items.end(), charts.begin(), charts.end());
    }
    return items;
}

void QorvCSContentPowerSource::insertDebugValues(qorv::Value::Dictionary& values)
{
    if (m_powerSource)
        values["powerSource"] = m_powerSource->rawSource();
}
