#include "QorvCSPDFFinisher.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include "QorvCSModules.h"
#include "pdf/QorvCSPDFFinishingModule.h"

#include <array>
#include <cstdio>
#include <filesystem>

namespace {

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

std::string QorvCSPDFFinisher::finish(const std::string& path, const std::string& title, double bottomMargin)
{
    std::string reason;
    const auto finishing = reinterpret_cast<QorvCSPDFFinishFunction>(
        QorvCSModules::symbol(QORVCS_PDF_MODULE_NAME, QORVCS_PDF_FINISH_SYMBOL, reason));
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
