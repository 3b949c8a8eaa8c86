#include "Collectors.h"
#include "DeviceIdentity.h"
#include "SystemRoot.h"
#include "Text.h"

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema bluetoothSchema {
    { "controller_chipset" },
    { "controller_vendor" },
    { "controller_transport" },
    { "controller_vendorID" },
    { "controller_productID" },
    { "controller_state" },
    { "controller_driver", Level::Full },
};

std::string transportOf(const std::string& bus)
{
    if (bus == "USB" || bus == "PCI")
        return bus;
    if (bus == "serial" || bus == "serial-base" || bus == "tty")
        return "UART";
    if (bus == "sdio" || bus == "mmc")
        return "SDIO";
    return bus;
}

} // namespace

std::string_view BluetoothCollector::dataType() const
{
    return "SPBluetoothDataType";
}

const Schema& BluetoothCollector::schema() const
{
    return bluetoothSchema;
}

void BluetoothCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    for (const auto& controller : root.list("/sys/class/bluetooth")) {
        // "hci0:256" entries are connections, not controllers.
        if (controller.rfind("hci", 0) != 0 || controller.find(':') != std::string::npos)
            continue;
        const std::string base = "/sys/class/bluetooth/" + controller;
        const DeviceIdentity identity = DeviceIdentity::of(root, *context.database, base + "/device");
        Item item(bluetoothSchema, context.level, controller);
        item.set("controller_chipset", identity.model);
        item.set("controller_vendor", identity.vendor);
        item.set("controller_transport", transportOf(identity.bus));
        if (identity.vendorID) {
            item.set("controller_vendorID", Text::hex4(*identity.vendorID));
            item.set("controller_productID", Text::hex4(*identity.productID));
        }
        // The controller's radio switch is an rfkill device beneath it.
        for (const auto& entry : root.list(base)) {
            if (entry.rfind("rfkill", 0) != 0)
                continue;
            const auto hard = root.readUnsigned(base + "/" + entry + "/hard");
            const auto soft = root.readUnsigned(base + "/" + entry + "/soft");
            if (hard == 1u)
                item.set("controller_state", "Off (hardware switch)");
            else if (soft)
                item.set("controller_state", *soft ? "Off" : "On");
            break;
        }
        item.set("controller_driver", identity.driver);
        sink.add(item);
    }
}

std::string BluetoothCollector::summary(const qorv::Value& item) const
{
    return joinPresent(item, { "controller_chipset", "controller_transport", "controller_state" });
}

} // namespace cellsheet::profiler
