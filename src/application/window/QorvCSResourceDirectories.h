#pragma once

#include <string>
#include <vector>

// The resource directories in search order: each --resources directory as given, then the application's own:
// $CELLSHEET_RESOURCE_DIR when set, else <executable>/../share/cellsheet (the install's datadir relative
// to its bindir) when installed, else builtDirectory
// (the build tree's generated resources).
std::vector<std::string> QorvCSResourceDirectories(
    const std::vector<std::string>& overlays, const std::string& executablePath, const std::string& builtDirectory);

// The folder of the modules the application loads when it needs them: <executable>/../lib/cellsheet (the install's
// private library folder relative to its bindir) when the executable is installed (its resources are installed
// beside it), else builtDirectory. An installed program never falls back on a build tree.
std::string QorvCSModuleDirectory(const std::string& executablePath, const std::string& builtDirectory);
