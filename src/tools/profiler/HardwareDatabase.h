#pragma once

#include "IdsFile.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct udev;
struct udev_hwdb;

namespace cellsheet::profiler {

class SystemRoot;

// Vendor, model and class names for bus identifiers. On the running system it asks udev's hardware database
// (a mapped binary tree, so a look-up costs microseconds) and falls back to the ids files; in a fake tree it
// reads only the ids files under the tree (usr/share/hwdata or usr/share/misc). Thread-safe.
class HardwareDatabase {
public:
    explicit HardwareDatabase(const SystemRoot& root);
    ~HardwareDatabase();
    HardwareDatabase(const HardwareDatabase&) = delete;
    HardwareDatabase& operator=(const HardwareDatabase&) = delete;

    struct Names {
        std::optional<std::string> vendor;
        std::optional<std::string> model;
    };
    Names pci(uint16_t vendor, uint16_t device);
    Names usb(uint16_t vendor, uint16_t product);
    // "Network controller" / "Ethernet controller" style names of a PCI class; subclass first when known.
    std::optional<std::string> pciClass(uint8_t base, uint8_t sub);
    // The company behind a three-letter EDID / ACPI manufacturer code ("DEL" is "Dell Inc.").
    std::optional<std::string> pnpVendor(std::string_view code);

private:
    // The system's hardware database first, then the ids file; the caller holds the lock.
    Names names(const char* modalias, IdsFile& ids, uint16_t vendor, uint16_t device);

    std::optional<std::string> hwdbProperty(const std::string& modalias, std::string_view key);
    std::string idsPath(std::string_view name) const;

    std::mutex m_mutex;
    udev* m_udev = nullptr;
    udev_hwdb* m_hwdb = nullptr;
    std::unique_ptr<IdsFile> m_pciIds;
    std::unique_ptr<IdsFile> m_usbIds;
    std::string m_pnpPath;
};

} // namespace cellsheet::profiler
