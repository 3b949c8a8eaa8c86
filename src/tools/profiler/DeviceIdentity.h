#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cellsheet::profiler {

class HardwareDatabase;
class SystemRoot;

// The bus device behind a class device (a network interface, a sound card, a DRM card...): the nearest PCI or
// USB device up its sysfs path, with identifiers and the names the hardware database gives them. USB devices
// fall back to their own manufacturer and product strings.
struct DeviceIdentity {
    std::string bus; // "PCI", "USB", or the subsystem name of another parent ("platform", "virtio"...); empty if none
    std::string path; // sysfs path of that device
    std::optional<uint16_t> vendorID;
    std::optional<uint16_t> productID;
    std::optional<std::string> vendor;
    std::optional<std::string> model;
    std::optional<std::string> driver; // driver bound to the class device's own parent device

    // For the device directory `devicePath` (e.g. "/sys/class/net/eth0/device").
    static DeviceIdentity of(const SystemRoot& root, HardwareDatabase& database, std::string_view devicePath);
    // For a PCI device directory.
    static DeviceIdentity pci(const SystemRoot& root, HardwareDatabase& database, const std::string& path);
    // For a USB device directory (not an interface).
    static DeviceIdentity usb(const SystemRoot& root, HardwareDatabase& database, const std::string& path);
};

} // namespace cellsheet::profiler
