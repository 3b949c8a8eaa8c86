#include "CleanText.h"

#include <cstdint>

namespace qorv {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

struct Character {
    size_t length; // bytes taken
    bool clean; // false: replaced, as one character
};

// The character at text[i]; an invalid sequence is taken one byte at a time.
Character characterAt(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return { 1, lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' };
    size_t length;
    uint32_t codePoint;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
    } else {
        return { 1, false };
    }
    if (i + length > text.size())
        return { 1, false };
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return { 1, false };
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3Fu);
    }
    const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    const bool c1Control = codePoint >= 0x80 && codePoint <= 0x9F;
    if (overlong || surrogate || codePoint > 0x10FFFF)
        return { 1, false };
    return { length, !c1Control && codePoint != 0xFFFE && codePoint != 0xFFFF };
}

} // namespace

bool isCleanText(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) >= 0x20 && static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const Character c = characterAt(text, i);
        if (!c.clean)
            return false;
        i += c.length;
    }
    return true;
}

std::string cleanText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Character c = characterAt(text, i);
        if (c.clean)
            out.append(text.substr(i, c.length));
        else
            out += replacementCharacter;
        i += c.length;
    }
    return out;
}

} // namespace qorv
