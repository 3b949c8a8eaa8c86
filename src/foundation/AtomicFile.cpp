#include "AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qorv {

namespace {

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path with symbolic links in its last component followed (also to a target that does not exist yet).
std::string followLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0)
            return path;
        target.resize(static_cast<size_t>(n));
        path = target.front() == '/' ? target : directoryOf(path) + "/" + target;
    }
    return path; // a loop: opening it reports the error
}

// The process's file-creation mask, read without changing it (umask() would race with other threads).
mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

std::string writeInPlace(int fd, std::string_view bytes)
{
    std::string error = writeAll(fd, bytes);
    if (::close(fd) != 0 && error.empty())
        error = std::strerror(errno);
    return error;
}

std::string replace(const std::string& path, const struct stat* existing, std::string_view bytes)
{
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::string temporary = directoryOf(path) + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    std::string error;
    if (existing) {
        // The owner can only be kept by a privileged process or when it is us already; the mode always.
        if (::fchown(fd, existing->st_uid, existing->st_gid) != 0 && errno != EPERM)
            error = std::strerror(errno);
        if (error.empty() && ::fchmod(fd, existing->st_mode & 07777) != 0)
            error = std::strerror(errno);
    } else if (::fchmod(fd, 0666 & ~currentUmask()) != 0) {
        error = std::strerror(errno);
    }
    if (error.empty())
        error = writeAll(fd, bytes);
    if (error.empty() && ::fsync(fd) != 0)
        error = std::strerror(errno);
    if (::close(fd) != 0 && error.empty())
        error = std::strerror(errno);
    if (error.empty() && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = std::strerror(errno);
    if (!error.empty())
        ::unlink(temporary.c_str());
    return error;
}

} // namespace

std::string writeAll(int fd, std::string_view bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::strerror(errno);
        }
        written += static_cast<size_t>(n);
    }
    return {};
}

std::string writeFileAtomically(const std::string& requested, std::string_view bytes)
{
    const std::string path = followLinks(requested);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return std::strerror(errno);
        return replace(path, nullptr, bytes);
    }
    if (S_ISREG(st.st_mode))
        return replace(path, &st, bytes);
    if (S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    // A FIFO waits here for its reader, as it would for any program writing to it.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    struct stat opened;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
        // Replaced by a regular file since we looked: never write one in place.
        ::close(fd);
        return replace(path, &opened, bytes);
    }
    return writeInPlace(fd, bytes);
}

} // namespace qorv
