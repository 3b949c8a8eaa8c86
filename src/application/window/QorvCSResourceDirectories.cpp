#include "QorvCSResourceDirectories.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::vector<std::string> QorvCSResourceDirectories(
    const std::vector<std::string>& overlays, const std::string& executablePath, const std::string& builtDirectory)
{
    std::vector<std::string> directories = overlays;
    if (const char* override = std::getenv("CELLSHEET_RESOURCE_DIR"); override && *override) {
        directories.emplace_back(override);
        return directories;
    }
    std::error_code ec;
    // The install keeps the relative layout of its GNU directories wherever it is put (another prefix, DESTDIR).
    const fs::path installed
        = (fs::path(executablePath).parent_path() / CELLSHEET_RESOURCES_FROM_BINDIR).lexically_normal();
    if (!executablePath.empty() && fs::is_regular_file(installed / "Info.plist", ec))
        directories.push_back(installed.string());
    else
        directories.push_back(builtDirectory);
    return directories;
}
