#include "QorvCSComputerName.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Values in machine-info follow shell quoting: "..." or '...' or bare, with backslash escapes in double quotes.
std::string unquote(const std::string& raw)
{
    if (raw.size() >= 2 && raw.front() == '\'' && raw.back() == '\'')
        return raw.substr(1, raw.size() - 2);
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
        std::string out;
        for (size_t i = 1; i + 1 < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 2 < raw.size())
                ++i;
            out += raw[i];
        }
        return out;
    }
    return raw;
}

} // namespace

std::string QorvCSComputerName(const std::string& machineInfoPath)
{
    std::ifstream in(machineInfoPath);
    std::string line;
    while (std::getline(in, line)) {
        const std::string prefix = "PRETTY_HOSTNAME=";
        if (line.rfind(prefix, 0) == 0) {
            std::string name = unquote(line.substr(prefix.size()));
            if (!name.empty())
                return name;
        }
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0)
        return host;
    return {};
}

std::optional<std::string> QorvCSPrivateTemporaryDirectory(std::string& error, const std::string& base)
{
    std::string directory;
    if (!base.empty()) {
        directory = base + "/cellsheet";
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        directory = std::string(runtime) + "/cellsheet";
    } else {
        directory = "/tmp/cellsheet-" + std::to_string(::getuid());
    }
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        error = directory + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st { };
    if (::lstat(directory.c_str(), &st) != 0) {
        error = directory + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // Someone else may have made the name first in a shared directory: use it only if it is really ours.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        error = directory + ": exists and is not a directory owned by this user";
        return std::nullopt;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(directory.c_str(), 0700) != 0) {
        error = directory + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return directory;
}
