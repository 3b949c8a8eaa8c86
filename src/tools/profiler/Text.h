#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler {

// Small text helpers for the kernel's and firmware's strings.
namespace Text {

// Without leading and trailing white space.
std::string_view trim(std::string_view text);

// One displayable line: valid UTF-8 (each invalid byte becomes U+FFFD), control characters turned into spaces,
// runs of spaces collapsed, trimmed. Firmware and device strings are not trustworthy, and a property list
// must never carry bytes that XML cannot hold.
std::string clean(std::string_view text);

// The value a firmware vendor left as a placeholder ("To be filled by O.E.M.", "Default string", ...), or empty.
bool isPlaceholder(std::string_view text);

std::vector<std::string_view> split(std::string_view text, char separator);
std::vector<std::string_view> lines(std::string_view text);
std::string join(const std::vector<std::string>& parts, std::string_view separator);

// Unsigned decimal, or hexadecimal with base 16 (an optional "0x" prefix is accepted). Surrounding white space
// is ignored; anything else that is not a digit makes it fail.
std::optional<uint64_t> parseUnsigned(std::string_view text, int base = 10);
std::optional<int64_t> parseInteger(std::string_view text);

// KEY=VALUE lines (os-release, uevent, udev database): quotes around a value are removed.
std::map<std::string, std::string, std::less<>> keyValues(std::string_view text, char separator = '=');
// "key : value" lines (/proc/meminfo, one block of /proc/cpuinfo), up to the first blank line.
std::map<std::string, std::string, std::less<>> colonValues(std::string_view text);

// "0x8086" for 0x8086 (four hex digits).
std::string hex4(unsigned value);

// Orders "card2" before "card10" and "sda" before "sdb".
bool naturalLess(std::string_view a, std::string_view b);

} // namespace Text

} // namespace cellsheet::profiler
