#pragma once

#include "foundation/Value.h"

#include <string>

namespace cellsheet::profiler {

// The inventory as JSON, in the same shape as the property list: dates become ISO 8601 strings in UTC, binary
// data becomes base64 text, and numbers that JSON cannot hold (infinities, NaN) become null.
class JsonOutput {
public:
    static std::string write(const qorv::Value& inventory);
};

} // namespace cellsheet::profiler
