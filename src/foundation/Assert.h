#pragma once

#include "Format.h"

#include <stdexcept>
#include <string>

namespace qorv {

// A broken invariant or a programming error. what() is exactly the formatted message.
class AssertionFailure : public std::logic_error {
public:
    explicit AssertionFailure(const std::string& message)
        : std::logic_error(message)
    { }
};

[[noreturn]] void raiseAssertion(std::string message);

} // namespace qorv

// QorvAssert(condition, "format %@", args...): raises qorv::AssertionFailure with the formatted message.
#define QorvAssert(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::qorv::raiseAssertion(::qorv::format(__VA_ARGS__));                                                       \
    } while (0)

// QorvParameterAssert(aName): "Invalid parameter not satisfying: aName".
#define QorvParameterAssert(condition)                                                                                 \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::qorv::raiseAssertion(::qorv::format("Invalid parameter not satisfying: %@", #condition));                \
    } while (0)
