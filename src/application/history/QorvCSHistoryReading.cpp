#include "QorvCSHistoryReading.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace {

// Serials some firmware gives every battery alike, which identify nothing.
bool identifies(std::string_view serial)
{
    const bool blank = std::all_of(serial.begin(), serial.end(),
        [](unsigned char c) { return std::isspace(c) || c == '0' || c == '-' || c == '.'; });
    return !blank && serial != "Unknown" && serial != "unknown" && serial != "N/A";
}

} // namespace

std::optional<std::string> QorvCSHistoryReading::text(std::string_view key) const
{
    auto it = m_description.find(key);
    if (it == m_description.end())
        return std::nullopt;
    if (const std::string* s = it->second.asString()) {
        std::string trimmed = *s;
        trimmed.erase(trimmed.find_last_not_of(" \t\n") + 1);
        trimmed.erase(0, trimmed.find_first_not_of(" \t\n"));
        if (!trimmed.empty())
            return trimmed;
        return std::nullopt;
    }
    if (it->second.asInteger() || it->second.asReal())
        return it->second.description();
    return std::nullopt;
}

std::optional<double> QorvCSHistoryReading::number(std::string_view key) const
{
    auto it = m_description.find(key);
    if (it == m_description.end())
        return std::nullopt;
    if (const bool* b = it->second.asBoolean())
        return *b ? 1.0 : 0.0;
    std::optional<double> value = it->second.asReal();
    if (const std::string* s = it->second.asString()) {
        // Attribute files that no key states arrive as text ("12345678").
        char* end = nullptr;
        const double parsed = std::strtod(s->c_str(), &end);
        if (end != s->c_str() && *end == '\0')
            value = parsed;
    }
    if (value && !std::isfinite(*value))
        return std::nullopt;
    return value;
}

std::string QorvCSHistoryReading::identity() const
{
    const std::string manufacturer = text("manufacturer").value_or(text("Manufacturer").value_or(""));
    std::string model = text("model_name").value_or("");
    const std::string type = text("Type").value_or("");
    // A UPS or an accessory is named after its model.
    if (model.empty() && type != "InternalBattery")
        model = text("Name").value_or("");
    auto serial = text("Hardware Serial Number");
    if (!serial)
        serial = text("SerialNumber");
    if (serial && identifies(*serial))
        return "serial\x1f" + manufacturer + "\x1f" + model + "\x1f" + *serial;
    const std::string name = text("Name").value_or("");
    if (model.empty() && name.empty())
        return {};
    return "model\x1f" + type + "\x1f" + manufacturer + "\x1f" + model + "\x1f" + name;
}

std::optional<QorvCSHistorySample> QorvCSHistoryReading::sample(int64_t time) const
{
    auto percent = number("Current Capacity");
    if (!percent)
        return std::nullopt;
    QorvCSHistorySample s;
    s.time = time;
    s.percent = std::clamp(*percent, 0.0, 100.0);
    if (auto microwatts = number("power_now"))
        s.watts = std::abs(*microwatts) / 1e6;
    else if (auto millivolts = number("Voltage"), milliamps = number("Current"); millivolts && milliamps)
        s.watts = std::abs(*millivolts * *milliamps) / 1e6;

    const std::string state = text("Power Source State").value_or("");
    if (number("Is Charging").value_or(0) != 0)
        s.state = QorvCSHistoryState::Charging;
    else if (number("Is Charged").value_or(0) != 0)
        s.state = QorvCSHistoryState::Charged;
    else if (state == "Battery Power")
        s.state = QorvCSHistoryState::Discharging;
    else if (state == "AC Power")
        s.state = QorvCSHistoryState::Idle;
    // A battery that is not drawn from or charged has no rate worth drawing.
    if (s.state == QorvCSHistoryState::Charged || s.state == QorvCSHistoryState::Idle)
        s.watts = s.watts.value_or(0);
    return s;
}

std::optional<QorvCSHistoryCapacity> QorvCSHistoryReading::capacity(int64_t time) const
{
    QorvCSHistoryCapacity c;
    c.time = time;
    c.full = number("Nominal Capacity");
    c.design = number("DesignCapacity");
    if (auto cycles = number("Cycle Count"); cycles && *cycles > 0)
        c.cycles = static_cast<int64_t>(*cycles);
    if (c.full && *c.full <= 0)
        c.full.reset();
    if (c.design && *c.design <= 0)
        c.design.reset();
    if (!c.full && !c.design)
        return std::nullopt;
    return c;
}
