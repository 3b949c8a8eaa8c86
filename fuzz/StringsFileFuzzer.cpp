// Localisation tables ("key" = "value"; with comments): any text parses or gives a line-numbered reason.
#include "foundation/Bundle.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto table = qorv::parseStringsFile(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!table && error.rfind("line ", 0) != 0)
        std::abort();
    return 0;
}
