#include "QorvCSResourceDirectories.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The install keeps the relative layout of its GNU directories wherever it is put (another prefix, DESTDIR).
fs::path installed(const std::string& executablePath, const char* fromBindir)
{
    return (fs::path(executablePath).parent_path() / fromBindir).lexically_normal();
}

bool isInstalled(const std::string& executablePath)
{
    std::error_code ec;
    return !executablePath.empty()
        && fs::is_regular_file(installed(executablePath, CELLSHEET_RESOURCES_FROM_BINDIR) / "Info.plist", ec);
}

} // namespace

std::vector<std::string> QorvCSResourceDirectories(
    const std::vector<std::string>& overlays, const std::string& executablePath, const std::string& builtDirectory)
{
    std::vector<std::string> directories = overlays;
    if (const char* override = std::getenv("CELLSHEET_RESOURCE_DIR"); override && *override) {
        directories.emplace_back(override);
        return directories;
    }
    directories.push_back(isInstalled(executablePath)
            ? installed(executablePath, CELLSHEET_RESOURCES_FROM_BINDIR).string()
            : builtDirectory);
    return directories;
}

std::string QorvCSModuleDirectory(const std::string& executablePath, const std::string& builtDirectory)
{
    return isInstalled(executablePath) ? installed(executablePath, CELLSHEET_MODULES_FROM_BINDIR).string()
                                       : builtDirectory;
}
