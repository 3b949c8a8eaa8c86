// Cocoa-style formats: any format text, against arguments of every kind, fills without undefined behaviour.
#include "foundation/Format.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const qorv::Value list = qorv::Value::array({ "a", 1, 2.5 });
    const int local = 0;
    const std::string result = qorv::format(text,
        { "string", -42, 4294967295u, 1e300, -0.0, list, qorv::Value(), static_cast<const void*>(&local),
            qorv::Value(qorv::Value::Date { 1e12 }), 9223372036854775807LL });
    (void)result;
    return 0;
}
