#pragma once

#include "foundation/Value.h"

#include <string>

namespace cellsheet::profiler {

// The inventory as an XML property list, written by the foundation's property-list writer.
class PropertyListOutput {
public:
    static std::string write(const qorv::Value& inventory);
};

} // namespace cellsheet::profiler
