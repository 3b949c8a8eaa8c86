#include "Anonymizer.h"

#include "SystemRoot.h"
#include "Text.h"
#include "foundation/IdentifyingText.h"
#include "foundation/ValueRewrite.h"

#include <algorithm>
#include <cctype>

namespace cellsheet::profiler {

using qorv::IdentifyingText;

namespace {

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
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
    if (startsWith(name, 0, "luks-") && IdentifyingText::uuidAt(name, 5) == name.size() - 5)
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
            if ((startsWith(text, at, "enx") || startsWith(text, at, "wlx"))
                && IdentifyingText::hexRun(text, at + 3, 12) && IdentifyingText::endsAt(text, at + 15)) {
                result += text[at] == 'e' ? "USB Ethernet" : "USB Wi-Fi";
                at += 15;
                continue;
            }
            if (startsWith(text, at, "hid-") && IdentifyingText::hardwareAddressAt(text, at + 4)
                && startsWith(text, at + 21, "-battery")) {
                result += "Bluetooth Device Battery";
                at += 29;
                continue;
            }
            if (startsWith(text, at, "luks-") && IdentifyingText::uuidAt(text, at + 5)) {
                result += "luks";
                at += 5 + IdentifyingText::uuidAt(text, at + 5);
                continue;
            }
            IdentifyingText::Kind kind {};
            if (const size_t length = IdentifyingText::tokenAt(text, at, kind)) {
                result += kind == IdentifyingText::Kind::UUID ? "[UUID]" : "[address]";
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
    return qorv::rewriteLeaves(value, [this](const qorv::Value& leaf) {
        const auto* string = leaf.asString();
        return string ? qorv::Value(text(*string)) : leaf;
    });
}

} // namespace cellsheet::profiler
