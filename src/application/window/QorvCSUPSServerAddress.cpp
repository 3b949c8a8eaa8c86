#include "QorvCSUPSServerAddress.h"

#include <charconv>

namespace {

bool isHostName(std::string_view host)
{
    if (host.empty() || host.size() > 253)
        return false;
    if (host.back() == '.') // the fully qualified form
        host.remove_suffix(1);
    size_t start = 0;
    while (start <= host.size()) {
        const size_t end = std::min(host.find('.', start), host.size());
        const std::string_view label = host.substr(start, end - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (const char c : label)
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'))
                return false;
        start = end + 1;
    }
    return true;
}

bool isIPv6(std::string_view host)
{
    if (host.size() < 2 || host.find(':') == std::string_view::npos)
        return false;
    for (const char c : host)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.'))
            return false;
    return true;
}

} // namespace

QorvCSUPSServerAddress::Problem QorvCSUPSServerAddress::check(std::string_view text)
{
    if (text.empty())
        return Problem::empty;
    if (text.find('/') != std::string_view::npos) // a URL, not a server
        return Problem::badHost;
    std::string_view port;
    bool hasPort = false;
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos || !isIPv6(text.substr(1, close - 1)))
            return Problem::badHost;
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return Problem::badHost;
        hasPort = !rest.empty();
        port = hasPort ? rest.substr(1) : rest;
    } else {
        const size_t colon = text.find(':');
        if (!isHostName(text.substr(0, colon)))
            return Problem::badHost;
        hasPort = colon != std::string_view::npos;
        if (hasPort)
            port = text.substr(colon + 1);
    }
    if (hasPort) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
            return Problem::badPort;
    }
    return Problem::none;
}
