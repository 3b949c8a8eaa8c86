#include "Anonymizer.h"

#include "SystemRoot.h"
#include "Text.h"

#include <algorithm>
#include <cctype>

namespace cellsheet::profiler {

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

// Whether text[at..] holds `count` hex digits.
bool hexRun(std::string_view text, size_t at, size_t count)
{
    if (at + count > text.size())
        return false;
    return std::all_of(text.begin() + long(at), text.begin() + long(at + count), isHex);
}

// Nothing that continues a word or a number follows text[at..].
bool endsAt(std::string_view text, size_t at)
{
    return at >= text.size() || !isWordChar(text[at]);
}

// The length of a MAC or Bluetooth address at `at` ("a4:c3:f0:11:22:33", "a4-c3-f0-11-22-33"), else 0.
size_t macAt(std::string_view text, size_t at)
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

// The length of a UUID at `at` (8-4-4-4-12 hex digits), else 0.
size_t uuidAt(std::string_view text, size_t at)
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

// The length of an IPv4 address at `at` (four numbers up to 255), else 0. A longer dotted run (a version number
// such as 1.2.3.4.5) is not an address.
size_t ipv4At(std::string_view text, size_t at)
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

// The length of an IPv6 address at `at`: hex groups of up to four digits joined by colons, with "::" or all eight
// groups (so that times and PCI addresses such as 0000:00:1f.6 are not taken), else 0.
size_t ipv6At(std::string_view text, size_t at)
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

bool startsWith(std::string_view text, size_t at, std::string_view prefix)
{
    return text.substr(at, prefix.size()) == prefix;
}

// A path starts here: at the start of the text or after a character that cannot belong to a path before it.
bool pathStartsAt(std::string_view text, size_t at)
{
    if (at == 0)
        return true;
    const char before = text[at - 1];
    return before == ' ' || before == '(' || before == '"' || before == '\'' || before == ',' || before == ';'
        || before == '=' || before == ':';
}

// Mount points under the user's name: /media/<user>/X and /run/media/<user>/X are shown as X, /home/<user>/X as
// ~/X. Appends the rewritten start and returns where the rest of the path goes on, or 0 when no such path starts
// at `at`.
size_t userPathAt(std::string_view text, size_t at, std::string& result)
{
    for (std::string_view prefix : { "/run/media/", "/media/", "/home/" }) {
        if (!startsWith(text, at, prefix) || at + prefix.size() >= text.size())
            continue;
        const bool home = prefix == "/home/";
        const size_t slash = text.find('/', at + prefix.size());
        if (slash == std::string_view::npos) {
            result += home ? std::string_view("~") : prefix.substr(0, prefix.size() - 1);
            return text.size();
        }
        result += home ? std::string_view("~/") : std::string_view();
        return slash + 1;
    }
    return 0;
}

constexpr std::string_view addressPlaceholder = "[address]";

} // namespace

Anonymizer::Anonymizer(std::vector<std::string> hostNames)
{
    for (auto& name : hostNames)
        if (name.size() >= 2 && name != "localhost" && name != "localhost.localdomain")
            m_hostNames.push_back(std::move(name));
}

Anonymizer Anonymizer::forRoot(const SystemRoot& root)
{
    std::vector<std::string> names;
    if (auto hostName = root.readLine("/proc/sys/kernel/hostname")) {
        names.push_back(*hostName);
        // The short name as well, which volume groups and prompts use.
        if (const size_t dot = hostName->find('.'); dot != std::string::npos)
            names.push_back(hostName->substr(0, dot));
    }
    const auto machineInfo = Text::keyValues(root.read("/etc/machine-info").value_or(""));
    if (const auto pretty = machineInfo.find("PRETTY_HOSTNAME"); pretty != machineInfo.end())
        names.push_back(Text::clean(pretty->second));
    return Anonymizer(std::move(names));
}

std::string Anonymizer::mapperName(std::string_view name) const
{
    if (startsWith(name, 0, "luks-") && uuidAt(name, 5) == name.size() - 5)
        return "luks";
    // The Debian installer names the volume group "<host>-vg"; device mapper doubles the dash.
    if (const size_t vg = name.find("--vg-"); vg != std::string_view::npos)
        return "vg-" + std::string(name.substr(vg + 5));
    std::string rewritten(name);
    for (const auto& host : m_hostNames) {
        for (size_t at = rewritten.find(host); at != std::string::npos; at = rewritten.find(host, at)) {
            size_t length = host.size();
            if (startsWith(rewritten, at + length, "--"))
                length += 2;
            else if (at > 0 && (rewritten[at - 1] == '_' || rewritten[at - 1] == '-'))
                --at, ++length;
            rewritten.erase(at, length);
        }
    }
    return text(rewritten);
}

std::string Anonymizer::text(std::string_view text) const
{
    for (const auto& host : m_hostNames)
        if (text == host)
            return "[host name]";
    std::string result;
    result.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const bool wordStart = at == 0 || !isWordChar(text[at - 1]);
        if (pathStartsAt(text, at)) {
            if (const size_t next = userPathAt(text, at, result)) {
                at = next;
                continue;
            }
            if (startsWith(text, at, "/dev/mapper/")) {
                const size_t name = at + 12;
                size_t end = name;
                while (end < text.size() && text[end] != ' ' && text[end] != ',' && text[end] != ')')
                    ++end;
                result += "/dev/mapper/" + mapperName(text.substr(name, end - name));
                at = end;
                continue;
            }
        }
        if (wordStart) {
            // A device-mapper name without its directory ("x1carbon--vg-home" as a device name).
            const size_t end = std::min(text.find_first_of(" ,)", at), text.size());
            if (text.substr(at, end - at).find("--vg-") != std::string_view::npos) {
                result += mapperName(text.substr(at, end - at));
                at = end;
                continue;
            }
            if ((startsWith(text, at, "enx") || startsWith(text, at, "wlx")) && hexRun(text, at + 3, 12)
                && endsAt(text, at + 15)) {
                result += text[at] == 'e' ? "USB Ethernet" : "USB Wi-Fi";
                at += 15;
                continue;
            }
            if (startsWith(text, at, "hid-") && macAt(text, at + 4) && startsWith(text, at + 21, "-battery")) {
                result += "Bluetooth Device Battery";
                at += 29;
                continue;
            }
            if (startsWith(text, at, "luks-") && uuidAt(text, at + 5)) {
                result += "luks";
                at += 5 + uuidAt(text, at + 5);
                continue;
            }
            if (const size_t length = uuidAt(text, at)) {
                result += "[UUID]";
                at += length;
                continue;
            }
            if (const size_t length = macAt(text, at)) {
                result += addressPlaceholder;
                at += length;
                continue;
            }
            if (const size_t length = (at == 0 || text[at - 1] != '.') ? ipv4At(text, at) : 0) {
                result += addressPlaceholder;
                at += length;
                continue;
            }
            if (const size_t length = ipv6At(text, at)) {
                result += addressPlaceholder;
                at += length;
                continue;
            }
        }
        result += text[at++];
    }
    return result;
}

qorv::Value Anonymizer::value(const qorv::Value& value) const
{
    if (const auto* string = value.asString())
        return qorv::Value(text(*string));
    if (const auto* array = value.asArray()) {
        qorv::Value::Array rewritten;
        rewritten.reserve(array->size());
        for (const auto& entry : *array)
            rewritten.push_back(this->value(entry));
        return qorv::Value(std::move(rewritten));
    }
    if (const auto* dictionary = value.asDictionary()) {
        qorv::Value::Dictionary rewritten;
        for (const auto& [key, entry] : *dictionary) {
            // Two names may rewrite alike ("USB Ethernet" twice); neither may be lost.
            const std::string name = text(key);
            std::string unique = name;
            for (int copy = 2; rewritten.count(unique); ++copy)
                unique = name + " (" + std::to_string(copy) + ")";
            rewritten.emplace(std::move(unique), this->value(entry));
        }
        return qorv::Value(std::move(rewritten));
    }
    return value;
}

} // namespace cellsheet::profiler
