#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace cellsheet::profiler {

// Where the collectors read the machine from: the running system, or a fake tree whose directory prefixes every
// absolute path read (/sys, /proc, /etc, /run, /dev, /usr/share) for tests. The few facts that do not come from
// files (file-system space, interface addresses, the user id) come from small text files under "fake/" in a fake
// tree.
//
// Every read is bounded: only regular files are read, opened without blocking, up to a size limit. A file that
// is missing, unreadable, not a regular file or empty reads as nullopt. Thread-safe: it holds no mutable state.
class SystemRoot {
public:
    // The running system.
    SystemRoot();
    // A fake tree at `directory`.
    explicit SystemRoot(std::string directory);

    bool isFake() const { return !m_prefix.empty(); }
    // The path to open for an absolute system path.
    std::string path(std::string_view absolute) const;

    // The bytes of a regular file, at most `limit` of them.
    std::optional<std::string> read(std::string_view path, size_t limit = 64 * 1024) const;
    // The first line, cleaned for display (see Text::clean); nullopt when that leaves nothing.
    std::optional<std::string> readLine(std::string_view path) const;
    // A whole-file number (sysfs attribute), decimal or, with base 16, hexadecimal.
    std::optional<uint64_t> readUnsigned(std::string_view path, int base = 10) const;
    std::optional<int64_t> readInteger(std::string_view path) const;

    // Entry names of a directory in natural order ("card2" before "card10"), without "." and "..".
    std::vector<std::string> list(std::string_view directory) const;
    bool exists(std::string_view path) const;
    bool isDirectory(std::string_view path) const;
    // The last component of a symbolic link's target ("e1000e" for .../driver), or nullopt.
    std::optional<std::string> linkName(std::string_view path) const;
    // The path with every symbolic link resolved, as a system path (without the fake tree's prefix).
    std::optional<std::string> canonical(std::string_view path) const;

    struct FileSystemSpace {
        uint64_t totalBytes = 0;
        uint64_t freeBytes = 0; // available to an unprivileged user
    };
    // statvfs() of a mount point; a fake tree answers from fake/statvfs ("mountpoint total free" per line).
    std::optional<FileSystemSpace> fileSystemSpace(std::string_view mountPoint) const;

    struct InterfaceAddress {
        std::string interface;
        bool ipv6 = false;
        std::string address; // "192.168.1.10/24", "2001:db8::1/64"
    };
    // getifaddrs(); a fake tree answers from fake/ifaddrs ("interface address/prefix" per line).
    std::vector<InterfaceAddress> interfaceAddresses() const;

    // The real user id; a fake tree answers from fake/uid, else 1000.
    uid_t userID() const;

private:
    std::string m_prefix;
};

} // namespace cellsheet::profiler
