#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cellsheet::profiler {

// One SMBIOS "Memory Device" structure (type 17), as the kernel exposes it in
// /sys/firmware/dmi/entries/17-N/raw: a formatted area followed by its numbered strings.
struct SmbiosMemoryDevice {
    std::string locator; // "DIMM A1", "ChannelA-DIMM0"
    std::string bankLocator;
    uint64_t sizeBytes = 0; // 0 for an empty slot
    std::string type; // "DDR4"
    std::string formFactor; // "SODIMM"
    uint32_t speed = 0; // MT/s, 0 when unknown
    std::string manufacturer;
    std::string serialNumber;
    std::string partNumber;

    // nullopt when the bytes are not a type 17 structure or are cut short.
    static std::optional<SmbiosMemoryDevice> parse(std::string_view raw);
};

} // namespace cellsheet::profiler
