#include "Collectors.h"
#include "DeviceIdentity.h"
#include "HardwareDatabase.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema usbSchema {
    { "host_controller" },
    { "pci_device" },
    { "usb_bus_number" },
    { "manufacturer" },
    { "vendor_id" },
    { "product_id" },
    { "device_class" },
    { "device_speed" },
    { "usb_version" },
    { "bcd_device" },
    { "bus_power" },
    { "location_id" },
    { "driver", Level::Full },
    { "serial_num", Level::Basic },
};

const char* className(unsigned code)
{
    switch (code) {
    case 0x01:
        return "Audio";
    case 0x02:
        return "Communications";
    case 0x03:
        return "Human Interface Device";
    case 0x05:
        return "Physical Interface Device";
    case 0x06:
        return "Imaging";
    case 0x07:
        return "Printer";
    case 0x08:
        return "Mass Storage";
    case 0x09:
        return "Hub";
    case 0x0A:
        return "CDC Data";
    case 0x0B:
        return "Smart Card";
    case 0x0D:
        return "Content Security";
    case 0x0E:
        return "Video";
    case 0x0F:
        return "Personal Healthcare";
    case 0x10:
        return "Audio/Video";
    case 0x11:
        return "Billboard";
    case 0x12:
        return "USB Type-C Bridge";
    case 0xDC:
        return "Diagnostic Device";
    case 0xE0:
        return "Wireless Controller";
    case 0xEF:
        return "Miscellaneous Device";
    case 0xFE:
        return "Application Specific";
    case 0xFF:
        return "Vendor Specific";
    default:
        return nullptr;
    }
}

// sysfs "speed" is in Mb/s.
std::string speedName(std::string_view speed)
{
    if (speed == "1.5")
        return "Low Speed (1.5 Mb/s)";
    if (speed == "12")
        return "Full Speed (12 Mb/s)";
    if (speed == "480")
        return "High Speed (480 Mb/s)";
    const auto value = Text::parseUnsigned(speed);
    if (value && *value >= 5000)
        return std::string(*value >= 10000 ? "SuperSpeed+" : "SuperSpeed") + " ("
            + Units::dataRate(static_cast<double>(*value)) + ")";
    return std::string(speed) + " Mb/s";
}

// "1-2.3" is a child of "1-2", "1-2" of "usb1". Interfaces ("1-2:1.0") are not devices.
std::string parentOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        return name.substr(0, dot);
    const size_t dash = name.find('-');
    return dash == std::string::npos ? std::string() : "usb" + name.substr(0, dash);
}

struct Builder {
    const SystemRoot& root;
    const CollectorContext& context;
    std::map<std::string, std::vector<std::string>> children;

    Item item(const std::string& name)
    {
        const std::string base = "/sys/bus/usb/devices/" + name;
        const DeviceIdentity identity = DeviceIdentity::usb(root, *context.database, base);
        const bool rootHub = name.rfind("usb", 0) == 0;
        const auto version = root.readLine(base + "/version");
        // " 2.00" reads "2.0", "3.20" reads "3.2".
        std::string shortVersion = version ? Units::trimmedNumber(std::strtod(version->c_str(), nullptr), 2) : "";
        if (!shortVersion.empty() && shortVersion.find('.') == std::string::npos)
            shortVersion += ".0";
        std::string title = identity.model.value_or("USB Device");
        if (rootHub)
            title = "USB " + (shortVersion.empty() ? std::string() : shortVersion + " ") + "Bus " + name.substr(3);
        Item item(usbSchema, context.level, title);
        if (rootHub) {
            const DeviceIdentity controller = DeviceIdentity::of(root, *context.database, base + "/..");
            item.set("host_controller", controller.driver);
            item.set("pci_device", controller.model);
            item.set("usb_bus_number", root.readUnsigned(base + "/busnum"));
        } else {
            item.set("manufacturer", identity.vendor);
            if (identity.vendorID) {
                const auto names = context.database->usb(*identity.vendorID, *identity.productID);
                item.set(
                    "vendor_id", Text::hex4(*identity.vendorID) + (names.vendor ? " (" + *names.vendor + ")" : ""));
                item.set(
                    "product_id", Text::hex4(*identity.productID) + (names.model ? " (" + *names.model + ")" : ""));
            }
            auto code = root.readUnsigned(base + "/bDeviceClass", 16);
            if (!code || *code == 0 || *code == 0xEF)
                if (const auto interfaceCode = root.readUnsigned(base + "/" + name + ":1.0/bInterfaceClass", 16))
                    code = interfaceCode;
            if (code && className(unsigned(*code)))
                item.set("device_class", className(unsigned(*code)));
            // Binary-coded decimal "0510" is release 5.10.
            if (const auto bcd = root.readLine(base + "/bcdDevice"); bcd && bcd->size() == 4) {
                const std::string major = (*bcd)[0] == '0' ? bcd->substr(1, 1) : bcd->substr(0, 2);
                item.set("bcd_device", major + "." + bcd->substr(2));
            }
            if (const auto power = root.readLine(base + "/bMaxPower")) {
                std::string milliamperes = *power;
                if (milliamperes.size() > 2 && milliamperes.compare(milliamperes.size() - 2, 2, "mA") == 0)
                    milliamperes = milliamperes.substr(0, milliamperes.size() - 2) + " mA";
                item.set("bus_power", milliamperes);
            }
            item.set("location_id", name);
            std::vector<std::string> drivers;
            for (const auto& entry : root.list(base))
                if (entry.rfind(name + ":", 0) == 0)
                    if (auto driver = root.linkName(base + "/" + entry + "/driver"))
                        if (std::find(drivers.begin(), drivers.end(), *driver) == drivers.end())
                            drivers.push_back(std::move(*driver));
            item.set("driver", Text::join(drivers, ", "));
            item.set("serial_num", root.readLine(base + "/serial"));
        }
        if (const auto speed = root.readLine(base + "/speed"))
            item.set("device_speed", speedName(*speed));
        item.set("usb_version", shortVersion);
        for (const auto& child : children[name])
            item.add(this->item(child));
        return item;
    }
};

} // namespace

std::string_view USBCollector::dataType() const
{
    return "SPUSBDataType";
}

const Schema& USBCollector::schema() const
{
    return usbSchema;
}

void USBCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    Builder builder { root, context, {} };
    std::vector<std::string> buses;
    for (const auto& name : root.list("/sys/bus/usb/devices")) {
        if (name.find(':') != std::string::npos)
            continue;
        if (name.rfind("usb", 0) == 0)
            buses.push_back(name);
        else
            builder.children[parentOf(name)].push_back(name);
    }
    for (const auto& bus : buses)
        sink.add(builder.item(bus));
}

std::string USBCollector::summary(const qorv::Value& item) const
{
    // A bus: the devices on it, hubs and what hangs from them included, in tree order.
    std::vector<std::string> names;
    const auto collect = [&names](const qorv::Value& parent, const auto& self) -> void {
        if (const auto* children = parent.find("_items"))
            for (const auto& child : *children->asArray()) {
                names.push_back(child.find("_name")->description());
                self(child, self);
            }
    };
    collect(item, collect);
    const std::string speed = joinPresent(item, { "device_speed" });
    if (names.empty())
        return speed + (speed.empty() ? "" : ", ") + "no devices";
    return speed + (speed.empty() ? "" : ": ") + Text::join(names, ", ");
}

} // namespace cellsheet::profiler
