#include "Collectors.h"
#include "DeviceIdentity.h"
#include "Edid.h"
#include "HardwareDatabase.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema displaysSchema {
    { "sppci_model" },
    { "spdisplays_vendor" },
    { "spdisplays_vendor-id" },
    { "spdisplays_device-id" },
    { "sppci_bus" },
    { "spdisplays_vram" },
    { "spdisplays_driver" },
    { "spdisplays_displays" },
    { "spdisplays_ndrvs" },
    { "spdisplays_resolution" },
    { "spdisplays_connection_type" },
    { "spdisplays_builtin" },
    { "spdisplays_display_size" },
    { "spdisplays_display_manufacturer" },
    { "spdisplays_display-product-id", Level::Full },
    { "spdisplays_display-year", Level::Full },
    { "spdisplays_display-serial-number", Level::Basic },
};

struct Connector {
    const char* name;
    bool builtIn;
};

// Connector names as DRM spells them in "card0-HDMI-A-1".
Connector connectorOf(std::string_view type)
{
    static const std::pair<std::string_view, Connector> known[] = { { "eDP", { "Internal (eDP)", true } },
        { "LVDS", { "Internal (LVDS)", true } }, { "DSI", { "Internal (DSI)", true } }, { "HDMI-A", { "HDMI", false } },
        { "HDMI-B", { "HDMI", false } }, { "DP", { "DisplayPort", false } }, { "DVI-D", { "DVI", false } },
        { "DVI-I", { "DVI", false } }, { "DVI-A", { "DVI", false } }, { "VGA", { "VGA", false } },
        { "Virtual", { "Virtual", false } }, { "USB", { "USB", false } }, { "Composite", { "Composite", false } },
        { "SVIDEO", { "S-Video", false } }, { "DPI", { "DPI", false } }, { "Writeback", { "Writeback", false } } };
    for (const auto& [prefix, connector] : known)
        if (type == prefix)
            return connector;
    return { "Other", false };
}

// "1920x1080" from the modes list reads "1920 x 1080".
std::string resolution(std::string_view mode)
{
    const size_t x = mode.find('x');
    if (x == std::string_view::npos)
        return std::string(mode);
    std::string_view height = mode.substr(x + 1);
    height = height.substr(0, height.find_first_not_of("0123456789"));
    return std::string(mode.substr(0, x)) + " x " + std::string(height);
}

std::optional<Item> display(
    const SystemRoot& root, const CollectorContext& context, const std::string& card, const std::string& connectorName)
{
    const std::string base = "/sys/class/drm/" + connectorName;
    if (root.readLine(base + "/status") != "connected")
        return std::nullopt;
    // "card0-HDMI-A-1": the type is between the card's name and the final index.
    std::string type = connectorName.substr(card.size() + 1);
    type = type.substr(0, type.rfind('-'));
    const Connector connector = connectorOf(type);
    const auto edid = Edid::parse(root.read(base + "/edid", 32 * 1024).value_or(""));

    std::string name = connector.builtIn ? "Built-in Display" : "Display";
    if (edid && !edid->name.empty())
        name = edid->name;
    Item item(displaysSchema, context.level, name);
    const auto modes = root.read(base + "/modes", 64 * 1024);
    if (modes && !Text::lines(*modes).empty())
        item.set("spdisplays_resolution", resolution(Text::trim(Text::lines(*modes).front())));
    else if (edid && edid->preferredWidth > 0)
        item.set("spdisplays_resolution",
            std::to_string(edid->preferredWidth) + " x " + std::to_string(edid->preferredHeight));
    item.set("spdisplays_connection_type", connector.name);
    item.set("spdisplays_builtin", connector.builtIn ? "Yes" : "No");
    if (edid) {
        if (const double inches = edid->diagonalInches(); inches > 0)
            item.set("spdisplays_display_size", Units::trimmedNumber(inches, 1) + " inches");
        item.set("spdisplays_display_manufacturer",
            context.database->pnpVendor(edid->manufacturer).value_or(edid->manufacturer));
        item.set("spdisplays_display-product-id", Text::hex4(edid->productCode));
        if (edid->year)
            item.set("spdisplays_display-year", edid->year);
        if (!edid->serialText.empty())
            item.set("spdisplays_display-serial-number", edid->serialText);
        else if (edid->serialNumber)
            item.set("spdisplays_display-serial-number", std::to_string(edid->serialNumber));
    }
    return item;
}

Item graphicsItem(const SystemRoot& root, const CollectorContext& context, const DeviceIdentity& identity,
    const std::string& fallbackName)
{
    Item item(displaysSchema, context.level, identity.model.value_or(fallbackName));
    item.set("sppci_model", identity.model);
    if (identity.vendor)
        item.set("spdisplays_vendor", *identity.vendor);
    if (identity.vendorID) {
        item.set("spdisplays_vendor-id", Text::hex4(*identity.vendorID));
        item.set("spdisplays_device-id", Text::hex4(*identity.productID));
    }
    if (identity.bus == "PCI") {
        // Graphics on the processor's die sits on the root bus; a card sits behind a bridge.
        const size_t devices = static_cast<size_t>(std::count(identity.path.begin(), identity.path.end(), ':'));
        item.set("sppci_bus", devices > 3 ? "PCIe" : "Built-In");
        // amdgpu tells its memory size; other drivers do not.
        if (const auto vram = root.readUnsigned(identity.path + "/mem_info_vram_total"); vram && *vram > 0)
            item.set("spdisplays_vram", Units::binaryBytes(*vram));
    } else if (!identity.bus.empty()) {
        item.set("sppci_bus", identity.bus);
    }
    item.set("spdisplays_driver", identity.driver);
    return item;
}

} // namespace

std::string_view DisplaysCollector::dataType() const
{
    return "SPDisplaysDataType";
}

const Schema& DisplaysCollector::schema() const
{
    return displaysSchema;
}

void DisplaysCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    const auto entries = root.list("/sys/class/drm");
    std::set<std::string> seenDevices;
    for (const auto& card : entries) {
        if (card.rfind("card", 0) != 0 || card.find('-') != std::string::npos)
            continue;
        const DeviceIdentity identity
            = DeviceIdentity::of(root, *context.database, "/sys/class/drm/" + card + "/device");
        if (!identity.path.empty())
            seenDevices.insert(identity.path);
        Item item = graphicsItem(root, context, identity, identity.driver.value_or("Graphics Device"));
        qorv::Value::Array displays;
        std::vector<std::string> summary;
        for (const auto& connector : entries) {
            if (connector.rfind(card + "-", 0) != 0)
                continue;
            if (auto shown = display(root, context, card, connector)) {
                const qorv::Value value = shown->value();
                const auto* resolutionText = value.find("spdisplays_resolution");
                summary.push_back(value.find("_name")->description()
                    + (resolutionText ? " (" + resolutionText->description() + ")" : ""));
                displays.push_back(value);
            }
        }
        // The nested list keeps the reference tool's shape; the summary is for readers that show text only.
        item.set("spdisplays_displays", Text::join(summary, ", "));
        if (!displays.empty())
            item.set("spdisplays_ndrvs", qorv::Value(std::move(displays)));
        sink.add(item);
    }
    // Display controllers that no DRM driver has claimed.
    for (const auto& slot : root.list("/sys/bus/pci/devices")) {
        const std::string path = root.canonical("/sys/bus/pci/devices/" + slot).value_or("");
        const auto classCode = root.readUnsigned("/sys/bus/pci/devices/" + slot + "/class", 16);
        if (path.empty() || !classCode || (*classCode >> 16) != 0x03 || seenDevices.count(path))
            continue;
        sink.add(graphicsItem(root, context, DeviceIdentity::pci(root, *context.database, path), "Display Controller"));
    }
}

std::string DisplaysCollector::summary(const qorv::Value& item) const
{
    const std::string device = joinPresent(item, { "spdisplays_vendor", "spdisplays_vram" });
    const std::string displays = joinPresent(item, { "spdisplays_displays" });
    return device + (device.empty() || displays.empty() ? "" : "; ") + (displays.empty() ? "" : "displays " + displays);
}

} // namespace cellsheet::profiler
