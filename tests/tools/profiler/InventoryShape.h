#pragma once

#include "foundation/Value.h"

#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler::testing {

// The problems that make `inventory` differ from the shape a reader of the system profiler's output expects:
// an array of dictionaries with "_dataType" (string), "_items" (array of dictionaries, each with a "_name"
// string, nested "_items" alike), "_properties" (dictionaries with a three-digit "_order" string, one for
// every key used in the items), "_timeStamp" (date) and "_SPCompletionInterval" (real). Empty when it fits.
std::vector<std::string> shapeProblems(const qorv::Value& inventory);

// The data type dictionary of that name in an inventory, or null.
const qorv::Value* dataType(const qorv::Value& inventory, std::string_view name);
// The first item of a data type (or null), and a property of it as text ("" when missing).
const qorv::Value* firstItem(const qorv::Value& inventory, std::string_view name);
std::string property(const qorv::Value* item, std::string_view key);

} // namespace cellsheet::profiler::testing
