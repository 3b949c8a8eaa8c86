#include "SmbiosMemoryDevice.h"

#include "Text.h"

#include <vector>

namespace cellsheet::profiler {

namespace {

const char* memoryType(uint8_t type)
{
    switch (type) {
    case 0x0F:
        return "SDRAM";
    case 0x12:
        return "DDR";
    case 0x13:
        return "DDR2";
    case 0x14:
        return "DDR2 FB-DIMM";
    case 0x18:
        return "DDR3";
    case 0x1A:
        return "DDR4";
    case 0x1B:
        return "LPDDR";
    case 0x1C:
        return "LPDDR2";
    case 0x1D:
        return "LPDDR3";
    case 0x1E:
        return "LPDDR4";
    case 0x1F:
        return "Logical non-volatile device";
    case 0x20:
        return "HBM";
    case 0x21:
        return "HBM2";
    case 0x22:
        return "DDR5";
    case 0x23:
        return "LPDDR5";
    case 0x24:
        return "HBM3";
    default:
        return "";
    }
}

const char* formFactorName(uint8_t factor)
{
    switch (factor) {
    case 0x03:
        return "SIMM";
    case 0x09:
        return "DIMM";
    case 0x0B:
        return "Row of chips";
    case 0x0D:
        return "SODIMM";
    case 0x0F:
        return "FB-DIMM";
    case 0x10:
        return "Die";
    case 0x11:
        return "CAMM";
    default:
        return "";
    }
}

} // namespace

std::optional<SmbiosMemoryDevice> SmbiosMemoryDevice::parse(std::string_view raw)
{
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(raw[at]); };
    const auto word = [&](size_t at) { return static_cast<uint16_t>(byte(at) | byte(at + 1) << 8); };
    if (raw.size() < 0x15 || byte(0) != 17)
        return std::nullopt;
    const size_t length = byte(1);
    if (length < 0x15 || length > raw.size())
        return std::nullopt;

    // The strings follow the formatted area, each ended by a zero byte; string 0 means "none".
    std::vector<std::string> strings;
    for (size_t at = length; at < raw.size() && raw[at] != '\0';) {
        const size_t end = raw.find('\0', at);
        const size_t stop = end == std::string_view::npos ? raw.size() : end;
        strings.push_back(Text::clean(raw.substr(at, stop - at)));
        at = stop + 1;
    }
    const auto text = [&](size_t offset) -> std::string {
        if (offset >= length)
            return {};
        const uint8_t index = byte(offset);
        if (index == 0 || index > strings.size() || Text::isPlaceholder(strings[index - 1]))
            return {};
        return strings[index - 1];
    };

    SmbiosMemoryDevice device;
    const uint16_t size = word(0x0C);
    if (size == 0x7FFF && length >= 0x20)
        device.sizeBytes = uint64_t(static_cast<uint32_t>(word(0x1C) | uint32_t(word(0x1E)) << 16) & 0x7FFFFFFF) << 20;
    else if (size != 0xFFFF)
        device.sizeBytes = (size & 0x8000) ? uint64_t(size & 0x7FFF) << 10 : uint64_t(size) << 20;
    device.formFactor = formFactorName(byte(0x0E));
    device.locator = text(0x10);
    device.bankLocator = text(0x11);
    device.type = memoryType(byte(0x12));
    if (length >= 0x17)
        device.speed = word(0x15);
    device.manufacturer = text(0x17);
    device.serialNumber = text(0x18);
    device.partNumber = text(0x1A);
    return device;
}

} // namespace cellsheet::profiler
