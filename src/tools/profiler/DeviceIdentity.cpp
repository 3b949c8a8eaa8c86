#include "DeviceIdentity.h"

#include "HardwareDatabase.h"
#include "SystemRoot.h"

namespace cellsheet::profiler {

DeviceIdentity DeviceIdentity::pci(const SystemRoot& root, HardwareDatabase& database, const std::string& path)
{
    DeviceIdentity identity;
    identity.bus = "PCI";
    identity.path = path;
    const auto vendor = root.readUnsigned(path + "/vendor", 16);
    const auto device = root.readUnsigned(path + "/device", 16);
    if (vendor && device && *vendor <= 0xFFFF && *device <= 0xFFFF) {
        identity.vendorID = static_cast<uint16_t>(*vendor);
        identity.productID = static_cast<uint16_t>(*device);
        auto names = database.pci(*identity.vendorID, *identity.productID);
        identity.vendor = std::move(names.vendor);
        identity.model = std::move(names.model);
    }
    identity.driver = root.linkName(path + "/driver");
    return identity;
}

DeviceIdentity DeviceIdentity::usb(const SystemRoot& root, HardwareDatabase& database, const std::string& path)
{
    DeviceIdentity identity;
    identity.bus = "USB";
    identity.path = path;
    const auto vendor = root.readUnsigned(path + "/idVendor", 16);
    const auto product = root.readUnsigned(path + "/idProduct", 16);
    if (vendor && product && *vendor <= 0xFFFF && *product <= 0xFFFF) {
        identity.vendorID = static_cast<uint16_t>(*vendor);
        identity.productID = static_cast<uint16_t>(*product);
        auto names = database.usb(*identity.vendorID, *identity.productID);
        identity.vendor = std::move(names.vendor);
        identity.model = std::move(names.model);
    }
    // The product is named as the device names itself (as the reference tool does); the company as the
    // database names it, since device strings for it are often generic ("Generic", "Linux 6.5 xhci-hcd").
    if (auto manufacturer = root.readLine(path + "/manufacturer"); manufacturer && !identity.vendor)
        identity.vendor = std::move(manufacturer);
    if (auto productName = root.readLine(path + "/product"))
        identity.model = std::move(productName);
    identity.driver = root.linkName(path + "/driver");
    return identity;
}

DeviceIdentity DeviceIdentity::of(const SystemRoot& root, HardwareDatabase& database, std::string_view devicePath)
{
    DeviceIdentity identity;
    const auto canonical = root.canonical(devicePath);
    if (!canonical)
        return identity;
    const auto ownDriver = root.linkName(std::string(devicePath) + "/driver");
    std::string path = *canonical;
    std::optional<std::string> firstBus;
    std::string firstPath;
    // Walk up to the first PCI or USB device; interfaces of a USB device have no idVendor and are passed over.
    while (path.size() > 1 && path.rfind("/sys/devices", 0) == 0) {
        const auto subsystem = root.linkName(path + "/subsystem");
        if (subsystem == "pci") {
            identity = pci(root, database, path);
            break;
        }
        if (subsystem == "usb" && root.exists(path + "/idVendor")) {
            identity = usb(root, database, path);
            break;
        }
        if (subsystem && !firstBus) {
            firstBus = subsystem;
            firstPath = path;
        }
        path.erase(path.rfind('/'));
    }
    if (identity.bus.empty() && firstBus) {
        identity.bus = *firstBus;
        identity.path = firstPath;
    }
    if (ownDriver)
        identity.driver = ownDriver;
    return identity;
}

} // namespace cellsheet::profiler
