#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler {

// One of the hardware identification lists (pci.ids, usb.ids): vendor lines "8086  Intel Corporation", device
// lines "\t1234  Name", and at the end class lines "C 02  Network controller" with "\t00  Ethernet controller".
// The file is mapped, not read, and indexed by vendor on the first look-up: a few hundred microseconds, paid
// only when a name is needed.
class IdsFile {
public:
    explicit IdsFile(std::string path);
    ~IdsFile();
    IdsFile(const IdsFile&) = delete;
    IdsFile& operator=(const IdsFile&) = delete;

    std::optional<std::string> vendor(uint16_t vendor);
    std::optional<std::string> device(uint16_t vendor, uint16_t device);
    // Class and subclass names (pci.ids "C" section).
    std::optional<std::string> deviceClass(uint8_t base);
    std::optional<std::string> deviceSubclass(uint8_t base, uint8_t sub);

private:
    bool open();
    // Where the vendor's line starts, or nullopt when the file has no such vendor.
    std::optional<size_t> vendorOffset(uint16_t vendor);
    // The text of the block that starts at the line `offset` (up to the next top-level line).
    std::string_view block(size_t offset) const;
    std::optional<std::string> child(size_t offset, unsigned id, int digits) const;

    std::string m_path;
    bool m_opened = false;
    const char* m_data = nullptr;
    size_t m_size = 0;
    std::vector<std::pair<uint16_t, size_t>> m_vendors; // sorted by id
    std::vector<std::pair<uint8_t, size_t>> m_classes;
};

} // namespace cellsheet::profiler
