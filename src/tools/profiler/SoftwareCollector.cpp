#include "Collectors.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

#include <cmath>
#include <pwd.h>
#include <vector>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema softwareSchema {
    { "os_version" },
    { "os_build", Level::Full },
    { "kernel_version" },
    { "kernel_build", Level::Full },
    { "architecture" },
    { "boot_volume" },
    { "boot_mode" },
    { "secure_boot" },
    { "local_host_name", Level::Basic },
    { "host_name", Level::Basic },
    { "user_name", Level::Basic },
    { "uptime" },
    { "boot_time" },
};

std::optional<std::string> osVersion(const std::map<std::string, std::string, std::less<>>& release)
{
    if (const auto found = release.find("PRETTY_NAME"); found != release.end() && !found->second.empty())
        return Text::clean(found->second);
    const auto name = release.find("NAME");
    if (name == release.end())
        return std::nullopt;
    const auto version = release.find("VERSION");
    return Text::clean(name->second + (version != release.end() ? " " + version->second : ""));
}

std::optional<std::string> userName(const SystemRoot& root)
{
    const uid_t uid = root.userID();
    std::string login, gecos;
    if (root.isFake()) {
        const std::string passwd = root.read("/etc/passwd", 1024 * 1024).value_or("");
        for (std::string_view line : Text::lines(passwd)) {
            const auto fields = Text::split(line, ':');
            if (fields.size() >= 5 && Text::parseUnsigned(fields[2]) == uid) {
                login = std::string(fields[0]);
                gecos = std::string(fields[4]);
                break;
            }
        }
    } else {
        // getpwuid_r, not a passwd file read: users can come from a directory service.
        std::vector<char> buffer(16384);
        passwd entry {};
        passwd* found = nullptr;
        if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
            login = found->pw_name ? found->pw_name : "";
            gecos = found->pw_gecos ? found->pw_gecos : "";
        }
    }
    if (login.empty())
        return std::nullopt;
    // The full name is the first comma-separated GECOS field.
    const std::string fullName = Text::clean(Text::split(gecos, ',').front());
    return fullName.empty() ? Text::clean(login) : fullName + " (" + Text::clean(login) + ")";
}

// The device mounted at "/".
std::optional<std::string> bootVolume(const SystemRoot& root)
{
    std::optional<std::string> device;
    const std::string mounts = root.read("/proc/mounts", 1024 * 1024).value_or("");
    for (std::string_view line : Text::lines(mounts)) {
        const auto fields = Text::split(line, ' ');
        if (fields.size() >= 3 && fields[1] == "/" && fields[0] != "rootfs")
            device = Text::clean(fields[0]); // the last mount on "/" is the one in effect
    }
    return device;
}

} // namespace

std::string_view SoftwareCollector::dataType() const
{
    return "SPSoftwareDataType";
}

const Schema& SoftwareCollector::schema() const
{
    return softwareSchema;
}

void SoftwareCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    Item item(softwareSchema, context.level, "os_overview");

    auto release = root.read("/etc/os-release");
    if (!release)
        release = root.read("/usr/lib/os-release");
    const auto os = Text::keyValues(release.value_or(""));
    item.set("os_version", osVersion(os));
    if (const auto build = os.find("BUILD_ID"); build != os.end())
        item.set("os_build", Text::clean(build->second));

    const auto type = root.readLine("/proc/sys/kernel/ostype");
    const auto kernelRelease = root.readLine("/proc/sys/kernel/osrelease");
    if (kernelRelease)
        item.set("kernel_version", type.value_or("Linux") + " " + *kernelRelease);
    item.set("kernel_build", root.readLine("/proc/sys/kernel/version"));
    item.set("architecture", root.readLine("/proc/sys/kernel/arch"));
    item.set("boot_volume", bootVolume(root));

    // Booted through UEFI exactly when the firmware's EFI interface is there.
    const bool uefi = root.isDirectory("/sys/firmware/efi");
    item.set("boot_mode", uefi ? "UEFI" : "BIOS");
    if (uefi) {
        // The variable is four bytes of attributes and one byte of value.
        const auto secureBoot
            = root.read("/sys/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d2-aa0d-00e098032b8c", 64);
        if (secureBoot && secureBoot->size() >= 5)
            item.set("secure_boot", (*secureBoot)[4] == 1 ? "Enabled" : "Disabled");
    }

    if (item.wants("local_host_name")) {
        const auto hostName = root.readLine("/proc/sys/kernel/hostname");
        const auto machineInfo = Text::keyValues(root.read("/etc/machine-info").value_or(""));
        std::optional<std::string> pretty;
        if (const auto found = machineInfo.find("PRETTY_HOSTNAME"); found != machineInfo.end())
            if (std::string name = Text::clean(found->second); !name.empty())
                pretty = std::move(name);
        item.set("local_host_name", pretty ? pretty : hostName);
        if (pretty && hostName && pretty != hostName)
            item.set("host_name", hostName);
        item.set("user_name", userName(root));
    }

    if (const auto uptime = root.readLine("/proc/uptime")) {
        char* end = nullptr;
        const double seconds = std::strtod(uptime->c_str(), &end);
        if (end != uptime->c_str() && seconds >= 0 && std::isfinite(seconds))
            item.set("uptime", Units::duration(static_cast<uint64_t>(seconds)));
    }
    const std::string stat = root.read("/proc/stat", 1024 * 1024).value_or("");
    for (std::string_view line : Text::lines(stat)) {
        if (line.rfind("btime ", 0) == 0) {
            if (const auto bootTime = Text::parseInteger(line.substr(6)))
                item.set("boot_time", Units::localDateTime(*bootTime));
            break;
        }
    }
    sink.add(item);
}

} // namespace cellsheet::profiler
