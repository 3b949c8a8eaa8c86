#pragma once

#include <string>
#include <vector>

// The resource directories in search order: each --resources directory as given, then the application's own:
// $CELLSHEET_RESOURCE_DIR when set, else <executable>/../share/cellsheet (the install's datadir relative
// to its bindir) when installed, else builtDirectory
// (the build tree's generated resources).
std::vector<std::string> QorvCSResourceDirectories(
    const std::vector<std::string>& overlays, const std::string& executablePath, const std::string& builtDirectory);
