#include "QorvCSPDFFinisher.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include "pdf/QorvCSPDFFinishingModule.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include <dlfcn.h>

namespace {

struct Module {
    std::mutex lock;
    std::string directory = CELLSHEET_BUILD_MODULES;
    QorvCSPDFFinishFunction finish = nullptr; // once loaded, the module stays
};

Module& module()
{
    static Module shared;
    return shared;
}

// The module's entry point, loaded on first use; nullptr with the reason in error when it cannot be.
QorvCSPDFFinishFunction loadModule(std::string& error)
{
    Module& m = module();
    std::lock_guard guard(m.lock);
    if (m.finish)
        return m.finish;
    const std::string path = (std::filesystem::path(m.directory) / QORVCS_PDF_MODULE_NAME).string();
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = qorv::format("its module could not be loaded: %@", reason ? reason : path.c_str());
        return nullptr;
    }
    auto entry = reinterpret_cast<QorvCSPDFFinishFunction>(::dlsym(handle, QORVCS_PDF_FINISH_SYMBOL));
    if (!entry) {
        ::dlclose(handle);
        error = qorv::format("its module %@ has no entry point %@", path, QORVCS_PDF_FINISH_SYMBOL);
        return nullptr;
    }
    m.finish = entry;
    return entry;
}

// Each page's footer in the report's language, handed to the module page by page.
struct Footers {
    std::string pageFormat = qorv::Bundle::main().localizedString("QorvCSPDFFinisher.PageFormat", "Page %ld of %ld");
    std::string text;

    static const char* footer(void* context, long page, long count) noexcept
    {
        auto* self = static_cast<Footers*>(context);
        try {
            self->text = qorv::format(self->pageFormat, int64_t(page), int64_t(count));
            return self->text.c_str();
        } catch (...) {
            return nullptr;
        }
    }
};

} // namespace

void QorvCSPDFFinisher::setModuleDirectory(const std::string& directory)
{
    Module& m = module();
    std::lock_guard guard(m.lock);
    if (directory != m.directory)
        m.finish = nullptr; // the module already loaded from elsewhere stays mapped but is no longer used
    m.directory = directory;
}

std::string QorvCSPDFFinisher::moduleDirectory()
{
    Module& m = module();
    std::lock_guard guard(m.lock);
    return m.directory;
}

std::string QorvCSPDFFinisher::finish(const std::string& path, const std::string& title, double bottomMargin)
{
    std::string reason;
    QorvCSPDFFinishFunction finishing = loadModule(reason);
    if (!finishing)
        return qorv::format("the PDF file could not be finished: %@", reason);
    const std::string temporary = path + ".finishing";
    Footers footers;
    std::array<char, 1024> error {};
    if (finishing(path.c_str(), temporary.c_str(), title.c_str(), bottomMargin, &Footers::footer, &footers,
            error.data(), error.size())
        != 0) {
        std::remove(temporary.c_str());
        return qorv::format("the PDF file could not be finished: %@", std::string(error.data()));
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        return qorv::format("the PDF file could not be replaced: %@", ec.message());
    }
    return {};
}
