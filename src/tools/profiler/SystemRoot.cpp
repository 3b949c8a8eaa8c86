#include "SystemRoot.h"

#include "Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace cellsheet::profiler {

namespace {

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

int prefixLength(const std::string& netmask, bool ipv6)
{
    unsigned char bytes[16] = {};
    if (::inet_pton(ipv6 ? AF_INET6 : AF_INET, netmask.c_str(), bytes) != 1)
        return -1;
    int bits = 0;
    for (size_t i = 0; i < (ipv6 ? 16u : 4u); ++i)
        bits += __builtin_popcount(bytes[i]);
    return bits;
}

} // namespace

SystemRoot::SystemRoot() = default;

SystemRoot::SystemRoot(std::string directory)
{
    char resolved[PATH_MAX];
    m_prefix = ::realpath(directory.c_str(), resolved) ? std::string(resolved) : std::move(directory);
    while (m_prefix.size() > 1 && m_prefix.back() == '/')
        m_prefix.pop_back();
    if (m_prefix == "/")
        m_prefix.clear();
}

std::string SystemRoot::path(std::string_view absolute) const
{
    return m_prefix + std::string(absolute);
}

std::optional<std::string> SystemRoot::read(std::string_view systemPath, size_t limit) const
{
    // O_NONBLOCK: a FIFO or device node must never stall the tool; fstat then refuses anything but a file.
    FileDescriptor file { ::open(path(systemPath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY) };
    if (file.fd < 0)
        return std::nullopt;
    struct stat status { };
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::string bytes;
    // sysfs and procfs report a size of 4096 or 0 whatever they hold; real files know their size.
    bytes.resize(std::min<size_t>(limit, status.st_size > 4096 ? static_cast<size_t>(status.st_size) + 1 : 4096));
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() >= limit)
                break;
            bytes.resize(std::min(limit, bytes.size() * 2));
        }
        const ssize_t count = ::read(file.fd, bytes.data() + used, bytes.size() - used);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt; // sysfs signals an unavailable value with a read error
        if (count == 0)
            break;
        used += static_cast<size_t>(count);
    }
    bytes.resize(used);
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

std::optional<std::string> SystemRoot::readLine(std::string_view systemPath) const
{
    const auto bytes = read(systemPath, 4096);
    if (!bytes)
        return std::nullopt;
    const std::string_view text = *bytes;
    std::string line = Text::clean(text.substr(0, text.find('\n')));
    if (line.empty())
        return std::nullopt;
    return line;
}

std::optional<uint64_t> SystemRoot::readUnsigned(std::string_view systemPath, int base) const
{
    const auto bytes = read(systemPath, 256);
    return bytes ? Text::parseUnsigned(*bytes, base) : std::nullopt;
}

std::optional<int64_t> SystemRoot::readInteger(std::string_view systemPath) const
{
    const auto bytes = read(systemPath, 256);
    return bytes ? Text::parseInteger(*bytes) : std::nullopt;
}

std::vector<std::string> SystemRoot::list(std::string_view directory) const
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(path(directory).c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), Text::naturalLess);
    return names;
}

bool SystemRoot::exists(std::string_view systemPath) const
{
    return ::access(path(systemPath).c_str(), F_OK) == 0;
}

bool SystemRoot::isDirectory(std::string_view systemPath) const
{
    struct stat status { };
    return ::stat(path(systemPath).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<std::string> SystemRoot::linkName(std::string_view systemPath) const
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path(systemPath).c_str(), target, sizeof target - 1);
    if (length <= 0)
        return std::nullopt;
    std::string_view text(target, static_cast<size_t>(length));
    while (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    const size_t slash = text.rfind('/');
    std::string name(slash == std::string_view::npos ? text : text.substr(slash + 1));
    if (name.empty() || name == "..")
        return std::nullopt;
    return name;
}

std::optional<std::string> SystemRoot::canonical(std::string_view systemPath) const
{
    char resolved[PATH_MAX];
    if (!::realpath(path(systemPath).c_str(), resolved))
        return std::nullopt;
    std::string result = resolved;
    if (!m_prefix.empty()) {
        // A link that leaves the fake tree is not part of the machine.
        if (result.compare(0, m_prefix.size(), m_prefix) != 0
            || (result.size() > m_prefix.size() && result[m_prefix.size()] != '/'))
            return std::nullopt;
        result = result.size() == m_prefix.size() ? std::string(1, '/') : result.substr(m_prefix.size());
    }
    return result;
}

std::optional<SystemRoot::FileSystemSpace> SystemRoot::fileSystemSpace(std::string_view mountPoint) const
{
    if (isFake()) {
        const std::string text = read("/fake/statvfs").value_or("");
        // The mount point may hold spaces: the two numbers are the last two fields.
        for (std::string_view line : Text::lines(text)) {
            line = Text::trim(line);
            const size_t second = line.rfind(' ');
            const size_t first = second == std::string_view::npos || second == 0 ? std::string_view::npos
                                                                                 : line.rfind(' ', second - 1);
            if (first == std::string_view::npos || line.substr(0, first) != mountPoint)
                continue;
            const auto total = Text::parseUnsigned(line.substr(first + 1, second - first - 1));
            const auto free = Text::parseUnsigned(line.substr(second + 1));
            if (total && free)
                return FileSystemSpace { *total, *free };
        }
        return std::nullopt;
    }
    struct statvfs status { };
    if (::statvfs(std::string(mountPoint).c_str(), &status) != 0 || status.f_blocks == 0)
        return std::nullopt;
    const uint64_t unit = status.f_frsize ? status.f_frsize : status.f_bsize;
    return FileSystemSpace { uint64_t(status.f_blocks) * unit, uint64_t(status.f_bavail) * unit };
}

std::vector<SystemRoot::InterfaceAddress> SystemRoot::interfaceAddresses() const
{
    std::vector<InterfaceAddress> addresses;
    if (isFake()) {
        const std::string text = read("/fake/ifaddrs").value_or("");
        for (std::string_view line : Text::lines(text)) {
            const auto fields = Text::split(Text::trim(line), ' ');
            if (fields.size() == 2)
                addresses.push_back(
                    { std::string(fields[0]), fields[1].find(':') != std::string_view::npos, std::string(fields[1]) });
        }
        return addresses;
    }
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_name)
            continue;
        const int family = entry->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6)
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        char mask[INET6_ADDRSTRLEN] = {};
        const void* address = family == AF_INET
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr)
            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr)->sin6_addr);
        if (!::inet_ntop(family, address, text, sizeof text))
            continue;
        std::string formatted = text;
        if (entry->ifa_netmask) {
            const void* netmask = family == AF_INET
                ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr)
                : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(entry->ifa_netmask)->sin6_addr);
            if (::inet_ntop(family, netmask, mask, sizeof mask)) {
                const int bits = prefixLength(mask, family == AF_INET6);
                if (bits >= 0) {
                    formatted += '/';
                    formatted += std::to_string(bits);
                }
            }
        }
        addresses.push_back({ entry->ifa_name, family == AF_INET6, std::move(formatted) });
    }
    ::freeifaddrs(list);
    return addresses;
}

uid_t SystemRoot::userID() const
{
    if (isFake())
        return static_cast<uid_t>(readUnsigned("/fake/uid").value_or(1000));
    return ::getuid();
}

} // namespace cellsheet::profiler
