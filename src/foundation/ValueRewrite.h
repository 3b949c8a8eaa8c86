#pragma once

#include "foundation/Value.h"

#include <functional>

namespace qorv {

// A copy of a value with every leaf (anything but an array or dictionary) and every dictionary key passed through
// `rewrite`. Keys that rewrite alike stay distinct ("name", "name (2)"), so no entry is lost; a key whose rewrite
// is not a string keeps its text.
Value rewriteLeaves(const Value& value, const std::function<Value(const Value&)>& rewrite);

} // namespace qorv
