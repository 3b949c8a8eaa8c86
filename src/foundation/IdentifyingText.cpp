#include "IdentifyingText.h"

#include <algorithm>
#include <cctype>

namespace qorv {

namespace {

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool IdentifyingText::hexRun(std::string_view text, size_t at, size_t count)
{
    if (at + count > text.size())
        return false;
    return std::all_of(text.begin() + long(at), text.begin() + long(at + count), isHex);
}

bool IdentifyingText::endsAt(std::string_view text, size_t at)
{
    return at >= text.size() || !isWordChar(text[at]);
}

size_t IdentifyingText::hardwareAddressAt(std::string_view text, size_t at)
{
    if (!hexRun(text, at, 2) || at + 17 > text.size())
        return 0;
    const char separator = text[at + 2];
    if (separator != ':' && separator != '-')
        return 0;
    for (size_t group = 1; group < 6; ++group)
        if (text[at + group * 3 - 1] != separator || !hexRun(text, at + group * 3, 2))
            return 0;
    return endsAt(text, at + 17) ? 17 : 0;
}

size_t IdentifyingText::uuidAt(std::string_view text, size_t at)
{
    size_t position = at;
    for (size_t length : { 8, 4, 4, 4, 12 }) {
        if (position != at) {
            if (position >= text.size() || text[position] != '-')
                return 0;
            ++position;
        }
        if (!hexRun(text, position, length))
            return 0;
        position += length;
    }
    return endsAt(text, position) ? position - at : 0;
}

size_t IdentifyingText::ipv4At(std::string_view text, size_t at)
{
    size_t position = at;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.')
                return 0;
            ++position;
        }
        size_t digits = 0;
        unsigned number = 0;
        while (position < text.size() && isDigit(text[position]) && digits < 4) {
            number = number * 10 + unsigned(text[position] - '0');
            ++position;
            ++digits;
        }
        if (digits == 0 || digits > 3 || number > 255)
            return 0;
    }
    if (position < text.size() && (isWordChar(text[position]) || text[position] == '.'))
        return 0;
    return position - at;
}

size_t IdentifyingText::ipv6At(std::string_view text, size_t at)
{
    size_t position = at;
    size_t colons = 0;
    size_t groupLength = 0;
    size_t digits = 0;
    bool compressed = false;
    while (position < text.size() && (isHex(text[position]) || text[position] == ':')) {
        if (text[position] == ':') {
            ++colons;
            if (position + 1 < text.size() && text[position + 1] == ':') {
                if (compressed)
                    return 0;
                compressed = true;
            }
            groupLength = 0;
        } else if (++groupLength > 4) {
            return 0;
        } else {
            ++digits;
        }
        ++position;
    }
    if (digits == 0 || colons < 2 || colons > 7 || (!compressed && colons != 7) || !endsAt(text, position))
        return 0;
    return position - at;
}

size_t IdentifyingText::tokenAt(std::string_view text, size_t at, Kind& kind)
{
    if (at > 0 && isWordChar(text[at - 1]))
        return 0;
    if (const size_t length = uuidAt(text, at)) {
        kind = Kind::UUID;
        return length;
    }
    if (const size_t length = hardwareAddressAt(text, at)) {
        kind = Kind::HardwareAddress;
        return length;
    }
    if (const size_t length = (at == 0 || text[at - 1] != '.') ? ipv4At(text, at) : 0) {
        kind = Kind::IPAddress;
        return length;
    }
    if (const size_t length = ipv6At(text, at)) {
        kind = Kind::IPAddress;
        return length;
    }
    return 0;
}

} // namespace qorv
