#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qorv {

bool readRegularFile(const std::string& path, std::string& bytes, std::string& error, size_t limit)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    struct stat st { };
    bool ok = false;
    if (::fstat(fd, &st) != 0) {
        error = std::string("read error: ") + std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
    } else if (static_cast<unsigned long long>(st.st_size) > limit) {
        error = "larger than " + std::to_string(limit >> 20) + " MB";
    } else {
        bytes.clear();
        bytes.reserve(static_cast<size_t>(st.st_size));
        char buffer[65536];
        ok = true;
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = std::string("read error: ") + std::strerror(errno);
                ok = false;
                break;
            }
            if (n == 0)
                break;
            // A file that grows while it is read still stops at the limit.
            if (bytes.size() + static_cast<size_t>(n) > limit) {
                error = "larger than " + std::to_string(limit >> 20) + " MB";
                ok = false;
                break;
            }
            bytes.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return ok;
}

} // namespace qorv
