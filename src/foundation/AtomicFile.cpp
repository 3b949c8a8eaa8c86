#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qorv {

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

std::string writeFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string temporary = path + ".part-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::strerror(errno);
    std::string error = writeAll(fd, bytes);
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

} // namespace qorv
