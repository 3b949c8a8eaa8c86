#include "QorvCSReportFileCache.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

bool QorvCSReportReadFile(const std::string& path, std::string& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "read error";
        return false;
    }
    bytes = std::move(buffer).str();
    return true;
}
