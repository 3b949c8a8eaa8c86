#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cellsheet::profiler {

// What a display says about itself in its EDID base block (VESA E-EDID 1.3/1.4).
struct Edid {
    std::string manufacturer; // three-letter PNP code, "DEL"
    uint16_t productCode = 0;
    uint32_t serialNumber = 0; // 0 when not given
    std::string name; // display product name descriptor
    std::string serialText; // display serial number descriptor
    int year = 0; // of manufacture (or model year)
    int widthCentimetres = 0;
    int heightCentimetres = 0;
    int preferredWidth = 0; // first detailed timing, pixels
    int preferredHeight = 0;

    // nullopt when the bytes are not an EDID base block.
    static std::optional<Edid> parse(std::string_view bytes);
    // Diagonal in inches, rounded to a tenth; 0 when the size is not given.
    double diagonalInches() const;
};

} // namespace cellsheet::profiler
