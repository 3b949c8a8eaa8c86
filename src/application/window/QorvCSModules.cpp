#include "QorvCSModules.h"

#include "foundation/Format.h"

#include <filesystem>
#include <map>
#include <mutex>

#include <dlfcn.h>

namespace {

struct Modules {
    std::mutex lock;
    std::string directory = CELLSHEET_BUILD_MODULES;
    std::map<std::string, void*> loaded; // by path; a loaded module is never closed
};

Modules& modules()
{
    static Modules shared;
    return shared;
}

} // namespace

void QorvCSModules::setDirectory(const std::string& directory)
{
    Modules& m = modules();
    std::lock_guard guard(m.lock);
    m.directory = directory;
}

std::string QorvCSModules::directory()
{
    Modules& m = modules();
    std::lock_guard guard(m.lock);
    return m.directory;
}

void* QorvCSModules::symbol(const char* module, const char* symbol, std::string& error)
{
    Modules& m = modules();
    std::lock_guard guard(m.lock);
    const std::string path = (std::filesystem::path(m.directory) / module).string();
    void*& handle = m.loaded[path];
    if (!handle)
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        m.loaded.erase(path);
        const char* reason = ::dlerror();
        error = qorv::format("its module could not be loaded: %@", reason ? reason : path.c_str());
        return nullptr;
    }
    void* address = ::dlsym(handle, symbol);
    if (!address)
        error = qorv::format("its module %@ has no entry point %@", path, symbol);
    return address;
}
