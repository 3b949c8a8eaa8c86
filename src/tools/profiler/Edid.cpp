#include "Edid.h"

#include "Text.h"

#include <cmath>

namespace cellsheet::profiler {

std::optional<Edid> Edid::parse(std::string_view bytes)
{
    static constexpr unsigned char header[] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };
    if (bytes.size() < 128)
        return std::nullopt;
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(bytes[at]); };
    for (size_t i = 0; i < sizeof header; ++i)
        if (byte(i) != header[i])
            return std::nullopt;

    Edid edid;
    // Three letters of five bits each, 1 = 'A', big-endian.
    const unsigned code = unsigned(byte(8)) << 8 | byte(9);
    for (int shift : { 10, 5, 0 }) {
        const unsigned letter = code >> shift & 0x1F;
        if (letter < 1 || letter > 26)
            return std::nullopt;
        edid.manufacturer += static_cast<char>('A' + letter - 1);
    }
    edid.productCode = static_cast<uint16_t>(byte(10) | byte(11) << 8);
    edid.serialNumber
        = uint32_t(byte(12)) | uint32_t(byte(13)) << 8 | uint32_t(byte(14)) << 16 | uint32_t(byte(15)) << 24;
    if (byte(17) > 0)
        edid.year = 1990 + byte(17);
    edid.widthCentimetres = byte(21);
    edid.heightCentimetres = byte(22);

    for (size_t at = 54; at + 18 <= 126; at += 18) {
        if (byte(at) != 0 || byte(at + 1) != 0) {
            // A detailed timing: the first one is the preferred mode.
            if (edid.preferredWidth == 0) {
                edid.preferredWidth = byte(at + 2) | (byte(at + 4) & 0xF0) << 4;
                edid.preferredHeight = byte(at + 5) | (byte(at + 7) & 0xF0) << 4;
            }
            continue;
        }
        // A display descriptor: text of up to 13 bytes, ended by a line feed.
        std::string_view text = bytes.substr(at + 5, 13);
        text = text.substr(0, text.find('\n'));
        if (byte(at + 3) == 0xFC)
            edid.name = Text::clean(text);
        else if (byte(at + 3) == 0xFF)
            edid.serialText = Text::clean(text);
    }
    return edid;
}

double Edid::diagonalInches() const
{
    if (widthCentimetres == 0 || heightCentimetres == 0)
        return 0;
    const double diagonal = std::hypot(widthCentimetres, heightCentimetres) / 2.54;
    return std::round(diagonal * 10) / 10;
}

} // namespace cellsheet::profiler
