#pragma once

#include "Value.h"

#include <string>
#include <string_view>

namespace qorv {

// Reading and writing property lists (XML or binary in, XML out).
class PropertyList {
public:
    struct Result {
        Value value; // null on failure
        std::string error; // a one-line reason when value is null
        explicit operator bool() const { return !value.isNull(); }
    };

    // Parses XML or binary property-list bytes.
    static Result parse(std::string_view bytes);
    // Reads and parses a file.
    static Result readFile(const std::string& path);
    // Reads a file whose root must be of the given type; anything else is an error.
    static Result readFile(const std::string& path, Value::Type requiredRoot);

    // The XML form with the standard header. Null values inside containers are left out.
    static std::string toXML(const Value& value);
    // Writes the XML form through a temporary file renamed into place, so a reader never sees half a file.
    // Returns an empty string on success, else the reason.
    static std::string writeXMLFile(const std::string& path, const Value& value);
};

const char* typeName(Value::Type type);

} // namespace qorv
