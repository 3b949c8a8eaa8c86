#pragma once

#include "QorvCSNUTClient.h"

#include "foundation/Value.h"

#include <string>
#include <string_view>

// Turns a UPS's NUT variables into a description in the key vocabulary the kernel's supplies use ("Current
// Capacity", "Power Source State", "Time to Empty", ...), plus keys of its own for what only a UPS has (load, output
// power, self-test result), followed by every other variable under its NUT name.
class QorvCSUPSDescription {
public:
    static qorv::Value::Dictionary describe(const QorvCSUPSReading& reading);
    // "OB LB" → "On battery, low battery"; a word NUT may add later is kept as it is.
    static std::string statusWords(std::string_view status);
};
