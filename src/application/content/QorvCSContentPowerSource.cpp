#include "QorvCSContentPowerSource.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <fstream>
#include <iterator>

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

    std::ifstream file(*path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const bool readable
        = type == "svg" ? bytes.find("<svg") != std::string::npos : bytes.starts_with("\x89PNG\r\n\x1a\n");
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

    // The dictionary keeps its keys in byte order, which is the order of the report's rows.
    for (const auto& [key, value] : *description) {
        auto text = rowText(value);
        if (!text)
            continue;
        auto heading = QorvCSReportTableHeading::headingWithTitle(localise(key));
        heading->setRaw(key);
        heading->setProvider(label());
        auto cell = QorvCSReportTableValue::valueWithLabel(*text);
        cell->setRaw(*text);
        cell->setValue(value);
        cell->setProvider(label());
        table->addHeading(std::move(heading), std::move(cell));
    }
    return items;
}

void QorvCSContentPowerSource::insertDebugValues(qorv::Value::Dictionary& values)
{
    if (m_powerSource)
        values["powerSource"] = m_powerSource->rawSource();
}
