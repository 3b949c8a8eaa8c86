#include "Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace cellsheet::profiler::Text {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Length of the valid UTF-8 sequence at text[i], or 0 when it is not one.
size_t sequenceLength(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    size_t length = 0;
    uint32_t minimum = 0;
    uint32_t code = 0;
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    // C1 control characters are as unwelcome as C0 ones.
    if (code >= 0x80 && code < 0xA0)
        return 0;
    return length;
}

} // namespace

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string clean(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || c == ' ') {
            pendingSpace = !out.empty();
            ++i;
            continue;
        }
        if (pendingSpace) {
            out += ' ';
            pendingSpace = false;
        }
        const size_t length = sequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

bool isPlaceholder(std::string_view text)
{
    static constexpr std::string_view placeholders[] = { "to be filled by o.e.m.", "default string",
        "system product name", "system manufacturer", "system version", "not specified", "not applicable", "none",
        "n/a", "na", "0123456789", "123456789", "1234567890", "type1productconfigid", "invalid", "o.e.m.", "oem", "x.x",
        "unknown", "base board product name", "base board version", "chassis version", "sku", "default", "empty",
        "serial number", "system serial number", "chassis serial number", "base board serial number" };
    const std::string_view trimmed = trim(text);
    if (trimmed.empty())
        return true;
    std::string lowered(trimmed);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (std::all_of(lowered.begin(), lowered.end(), [](char c) { return c == '0' || c == 'f' || c == '-'; }))
        return true; // all zeros, all FF: an unset serial or UUID
    return std::find(std::begin(placeholders), std::end(placeholders), lowered) != std::end(placeholders);
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> result = split(text, '\n');
    if (!result.empty() && result.back().empty())
        result.pop_back();
    return result;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty())
            out += separator;
        out += part;
    }
    return out;
}

std::optional<uint64_t> parseUnsigned(std::string_view text, int base)
{
    text = trim(text);
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty())
        return std::nullopt;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int64_t> parseInteger(std::string_view text)
{
    text = trim(text);
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::map<std::string, std::string, std::less<>> keyValues(std::string_view text, char separator)
{
    std::map<std::string, std::string, std::less<>> values;
    for (std::string_view line : lines(text)) {
        line = trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        const size_t at = line.find(separator);
        if (at == std::string_view::npos || at == 0)
            continue;
        std::string_view value = trim(line.substr(at + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        values.insert_or_assign(std::string(trim(line.substr(0, at))), std::string(value));
    }
    return values;
}

std::map<std::string, std::string, std::less<>> colonValues(std::string_view text)
{
    std::map<std::string, std::string, std::less<>> values;
    for (std::string_view line : lines(text)) {
        if (trim(line).empty())
            break;
        const size_t at = line.find(':');
        if (at == std::string_view::npos)
            continue;
        values.emplace(std::string(trim(line.substr(0, at))), std::string(trim(line.substr(at + 1))));
    }
    return values;
}

std::string hex4(unsigned value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04x", value & 0xFFFFu);
    return buffer;
}

bool naturalLess(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = std::isdigit(static_cast<unsigned char>(a[i]));
        const bool digitB = std::isdigit(static_cast<unsigned char>(b[j]));
        if (digitA && digitB) {
            size_t endA = i, endB = j;
            while (endA < a.size() && a[endA] == '0')
                ++endA;
            while (endB < b.size() && b[endB] == '0')
                ++endB;
            size_t startA = endA, startB = endB;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA])))
                ++endA;
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB])))
                ++endB;
            const std::string_view numberA = a.substr(startA, endA - startA);
            const std::string_view numberB = b.substr(startB, endB - startB);
            if (numberA.size() != numberB.size())
                return numberA.size() < numberB.size();
            if (numberA != numberB)
                return numberA < numberB;
            i = endA, j = endB;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i, ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;
}

} // namespace cellsheet::profiler::Text
