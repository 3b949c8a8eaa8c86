#include "QorvCSContentSystemProfileDataType.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <algorithm>
#include <fstream>

namespace {

const QorvCSSystemProfilerDataType& checked(const QorvCSContentSystemProfileDataType::DataTypePointer& aDataType)
{
    QorvParameterAssert(aDataType);
    return *aDataType;
}

// The text a value shows: strings as they are, numbers in decimal, booleans as 1 or 0; nothing for other kinds.
std::optional<std::string> displayText(const qorv::Value& value)
{
    switch (value.type()) {
    case qorv::Value::Type::String:
        return *value.asString();
    case qorv::Value::Type::Boolean:
    case qorv::Value::Type::Integer:
    case qorv::Value::Type::Real:
        return value.description();
    default:
        return std::nullopt;
    }
}

// A value of os-release's shell-like syntax: unquoted, or in single or double quotes with backslash escapes.
std::string unquoted(std::string_view text)
{
    if (text.size() < 2 || (text.front() != '"' && text.front() != '\''))
        return std::string(text);
    const char quote = text.front();
    std::string result;
    for (size_t i = 1; i < text.size() && text[i] != quote; ++i) {
        if (text[i] == '\\' && quote == '"' && i + 1 < text.size())
            ++i;
        result += text[i];
    }
    return result;
}

std::string logoNameIn(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        constexpr std::string_view key = "LOGO=";
        if (line.starts_with(key))
            return unquoted(std::string_view(line).substr(key.size()));
    }
    return {};
}

} // namespace

QorvCSContentSystemProfileDataType::QorvCSContentSystemProfileDataType(DataTypePointer aDataType)
    : QorvCSContent(checked(aDataType).dataType(), checked(aDataType).name())
{
    setDataType(std::move(aDataType));
}

QorvCSContentSystemProfileDataType::~QorvCSContentSystemProfileDataType()
{
    setDataType(nullptr);
}

QorvCSReportItemList QorvCSContentSystemProfileDataType::itemsForReport(QorvCSReport&)
{
    const auto records = m_dataType ? m_dataType->orderedItems() : qorv::Value::Array {};
    if (records.empty())
        return {};
    auto table = QorvCSReportTable::tableWithSummary(
        localise(qorv::format("%@.%@", label(), QorvCSContentSystemProfileDataTypeSummary)),
        localise(qorv::format("%@.%@", label(), QorvCSContentSystemProfileDataTypeCaption)));
    QorvCSReportItemList items { QorvCSReportTitle::titleWithText(localisedLabel()), table };
    table->reserveRows(records.size());
    for (const auto& record : records) {
        const auto* name = record.find(QorvCSSystemProfilerDataTypeItemName);
        const auto* value = record.find(QorvCSSystemProfilerDataTypeItemValue);
        auto text = value ? displayText(*value) : std::nullopt;
        if (!name || !name->asString() || !text)
            continue;
        auto row = QorvCSReportTablePair::pairWithTitleAndLabel(localise(*name->asString()), localise(*text));
        row.heading->setRaw(*name->asString());
        row.heading->setProvider(providerLabel());
        row.value->setRaw(std::move(text));
        row.value->setValue(*value);
        row.value->setProvider(providerLabel());
        table->addHeadingAndValue(std::move(row));
    }
    return items;
}

std::string QorvCSContentSystemProfileDataType::localise(std::string_view text) const
{
    std::string localised = QorvCSContent::localise(text);
    if (localised == text)
        std::replace(localised.begin(), localised.end(), '_', ' ');
    return localised;
}

namespace {

// Each kind of inventory by its icon: a name from the desktop's icon theme and the bundled drawing used when the
// theme has none. Kinds not listed show the computer.
struct DataTypeIcon {
    std::string_view dataType, themeName, bundled;
};
constexpr DataTypeIcon dataTypeIcons[] = {
    { "SPMemoryDataType", "media-memory", "memory" },
    { "SPStorageDataType", "drive-harddisk", "disk" },
    { "SPNVMeDataType", "drive-harddisk", "disk" },
    { "SPSerialATADataType", "drive-harddisk", "disk" },
    { "SPNetworkDataType", "network-wired", "network" },
    { "SPEthernetDataType", "network-wired", "network" },
    { "SPPCIDataType", "cpu", "pci" },
    { "SPUSBDataType", "media-removable", "usb" },
    { "SPDisplaysDataType", "video-display", "display" },
    { "SPAudioDataType", "audio-card", "audio" },
    { "SPBluetoothDataType", "bluetooth", "bluetooth" },
    { "SPCameraDataType", "camera-web", "camera" },
    { "SPPowerDataType", "battery", "power-source" },
};

} // namespace

const qorv::Image& QorvCSContentSystemProfileDataType::image()
{
    if (QorvCSContent::image().isNull()) {
        const auto& bundle = qorv::Bundle::main();
        qorv::Image chosen;
        const std::string dataType = m_dataType ? m_dataType->dataType() : std::string();
        const auto icon = std::find_if(std::begin(dataTypeIcons), std::end(dataTypeIcons),
            [&](const DataTypeIcon& entry) { return entry.dataType == dataType; });
        if (dataType == QorvCSContentSystemProfileDataTypeSoftware) {
            chosen.themeName = operatingSystemLogoName();
            chosen.path = bundle.pathForResource("system-folder", "svg").value_or(std::string());
        } else if (icon != std::end(dataTypeIcons)) {
            chosen.themeName = icon->themeName;
            chosen.path = bundle.pathForResource(icon->bundled, "svg").value_or(std::string());
        } else {
            chosen.themeName = "computer";
            chosen.path = bundle.pathForResource("computer", "svg").value_or(std::string());
        }
        setImage(std::move(chosen));
    }
    return QorvCSContent::image();
}

void QorvCSContentSystemProfileDataType::insertDebugValues(qorv::Value::Dictionary& values)
{
    if (m_dataType)
        values["dataType"] = m_dataType->rawDataType();
}

std::string QorvCSContentSystemProfileDataType::operatingSystemLogoName(const std::string& path)
{
    if (!path.empty())
        return logoNameIn(path);
    std::string name = logoNameIn("/etc/os-release");
    if (name.empty() && !std::ifstream("/etc/os-release"))
        name = logoNameIn("/usr/lib/os-release");
    return name;
}
