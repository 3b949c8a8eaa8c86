// Localisation tables ("key" = "value"; with comments): any text parses to clean text or gives a line-numbered
// reason.
#include "foundation/Bundle.h"
#include "foundation/CleanText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto table = qorv::parseStringsFile(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!table && error.rfind("line ", 0) != 0)
        std::abort();
    for (const auto& [key, value] : table ? *table : decltype(table)::value_type {})
        if (!qorv::isCleanText(key) || !qorv::isCleanText(value))
            std::abort();
    return 0;
}
