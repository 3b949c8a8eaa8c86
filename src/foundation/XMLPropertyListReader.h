#pragma once

#include "PropertyList.h"

#include <string_view>

namespace qorv {

// Reads the XML form of a property list with expat, building values while the document streams by: no
// intermediate tree, a bounded nesting depth, entities decoded in linear time. Lenient where the XML form has
// always been read leniently (an unreadable number reads 0, anything after the root value is ignored).
class XMLPropertyListReader {
public:
    // The deepest nesting of arrays and dictionaries accepted.
    static constexpr size_t maximumDepth = 512;

    static PropertyList::Result parse(std::string_view bytes);
};

} // namespace qorv
