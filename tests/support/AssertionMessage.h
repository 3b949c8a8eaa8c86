#pragma once

#include "foundation/Assert.h"

#include <functional>
#include <string>

// The message of the assertion that call raises, or "(no assertion)".
inline std::string assertionMessage(const std::function<void()>& call)
{
    try {
        call();
    } catch (const qorv::AssertionFailure& failure) {
        return failure.what();
    }
    return "(no assertion)";
}
