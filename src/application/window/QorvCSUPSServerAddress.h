#pragma once

#include <string_view>

// Whether a text names an upsd server the way a person may type it: a host name, an IPv4 address or a bracketed
// IPv6 address, with an optional ":port" (1–65535). Nothing else: no spaces, no URL, no bare IPv6 address (its
// last group would read as a port).
class QorvCSUPSServerAddress {
public:
    enum class Problem {
        none,
        empty,
        badHost, // a character or label a host name cannot have, or an unclosed "["
        badPort, // not a number in 1–65535
    };
    static Problem check(std::string_view text);
    static bool isValid(std::string_view text) { return check(text) == Problem::none; }

    // More servers than this are not a household's or an office's; a longer stored list is not ours.
    static constexpr size_t maximumServers = 16;
};
