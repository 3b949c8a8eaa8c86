#pragma once

#include "PropertyList.h"

#include <string_view>

namespace qorv {

// Reads the binary form of a property list through libplist, after checking its object table first: libplist
// recurses without a bound, follows shared objects again and again, and aborts on a NUL in a dictionary key.
class BinaryPropertyListReader {
public:
    static PropertyList::Result parse(std::string_view bytes);
};

} // namespace qorv
