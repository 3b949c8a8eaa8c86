#pragma once

#include "Value.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace qorv {

// One argument of a Cocoa-style format: an object (shown by %@), a number or a pointer (%p).
class FormatArgument {
public:
    FormatArgument(const Value& v)
        : m_value(v)
    { }
    FormatArgument(std::string_view s)
        : m_value(Value(s))
    { }
    FormatArgument(const std::string& s)
        : m_value(Value(s))
    { }
    FormatArgument(const char* s)
        : m_value(Value(s))
    { }
    FormatArgument(int i)
        : m_value(Value(i))
    { }
    FormatArgument(long i)
        : m_value(Value(i))
    { }
    FormatArgument(long long i)
        : m_value(Value(i))
    { }
    FormatArgument(unsigned i)
        : m_value(Value(i))
    { }
    FormatArgument(unsigned long i)
        : m_value(Value(i))
    { }
    FormatArgument(unsigned long long i)
        : m_value(Value(i))
    { }
    FormatArgument(double d)
        : m_value(Value(d))
    { }
    FormatArgument(const void* p)
        : m_pointer(p)
        , m_isPointer(true)
    { }

    const Value& value() const { return m_value; }
    const void* pointer() const { return m_pointer; }
    bool isPointer() const { return m_isPointer; }

private:
    Value m_value;
    const void* m_pointer = nullptr;
    bool m_isPointer = false;
};

// Fills a Cocoa-style format: %@ (object), %d %i %ld %lld %u %lu %x %X %o %c %f %g %e %s with flags, width and
// precision, %p, %%, and positional %1$@. Missing arguments show as "(null)"; a conversion that does not fit
// its argument shows the argument as %@ would. Never undefined behaviour, whatever the format text.
std::string format(std::string_view fmt, std::initializer_list<FormatArgument> args);

inline std::string format(std::string_view fmt)
{
    return format(fmt, {});
}

template <typename... Args> std::string format(std::string_view fmt, const Args&... args)
{
    return format(fmt, { FormatArgument(args)... });
}

// Counts the arguments a format consumes (the highest position used); -1 when it has a malformed conversion.
int formatArgumentCount(std::string_view fmt);

} // namespace qorv
