#pragma once

#include "foundation/Value.h"

#include <string>

namespace qorv {

// A value as JSON text, indented by two spaces and ending in a newline: dates become ISO 8601 strings in UTC,
// binary data becomes base64 text, numbers that JSON cannot hold (infinities, NaN) become null, and bytes that
// are not UTF-8 become U+FFFD, so the output always parses.
class Json {
public:
    static std::string write(const Value& value);
};

} // namespace qorv
