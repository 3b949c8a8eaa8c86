#pragma once

#include <cstddef>
#include <string_view>

namespace qorv {

// Finds the parts of free text that identify a machine on their own: hardware (MAC, Bluetooth) addresses, IP
// addresses and UUIDs. Each function gives the length of such a part starting at `at`, or 0; a part must end
// where a word or number ends.
class IdentifyingText {
public:
    enum class Kind { HardwareAddress, IPAddress, UUID };

    // The identifying part that starts a word at `at`, whatever its kind.
    static size_t tokenAt(std::string_view text, size_t at, Kind& kind);

    // "a4:c3:f0:11:22:33" or "a4-c3-f0-11-22-33".
    static size_t hardwareAddressAt(std::string_view text, size_t at);
    // 8-4-4-4-12 hex digits.
    static size_t uuidAt(std::string_view text, size_t at);
    // Four numbers up to 255; a longer dotted run (a version number such as 1.2.3.4.5) is not an address.
    static size_t ipv4At(std::string_view text, size_t at);
    // Hex groups of up to four digits joined by colons, with "::" or all eight groups, so that times and PCI
    // addresses such as 0000:00:1f.6 are not taken.
    static size_t ipv6At(std::string_view text, size_t at);

    // Whether text[at..] holds `count` hex digits.
    static bool hexRun(std::string_view text, size_t at, size_t count);
    // Nothing that continues a word or a number follows text[at..].
    static bool endsAt(std::string_view text, size_t at);
};

} // namespace qorv
