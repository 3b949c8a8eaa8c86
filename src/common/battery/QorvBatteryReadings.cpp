#include "QorvBatteryReadings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

std::optional<std::string_view> QorvBatteryReadings::text(std::string_view file) const
{
    auto it = m_attributes.find(file);
    if (it == m_attributes.end() || it->second.empty())
        return std::nullopt;
    return std::string_view(it->second);
}

std::optional<int64_t> QorvBatteryReadings::integer(std::string_view file) const
{
    auto contents = text(file);
    if (!contents)
        return std::nullopt;
    int64_t result = 0;
    auto [end, error] = std::from_chars(contents->data(), contents->data() + contents->size(), result);
    if (error != std::errc() || end != contents->data() + contents->size())
        return std::nullopt;
    return result;
}

bool QorvBatteryReadings::reportsEnergy() const
{
    return text("energy_now") || text("energy_full");
}

std::optional<int64_t> QorvBatteryReadings::amount(std::string_view suffix) const
{
    std::string file(reportsEnergy() ? "energy_" : "charge_");
    return integer(file.append(suffix));
}

std::optional<double> QorvBatteryReadings::fullOverDesign() const
{
    const auto full = amount("full");
    const auto design = amount("full_design");
    if (!full || !design || *full <= 0 || *design <= 0)
        return std::nullopt;
    return static_cast<double>(*full) / static_cast<double>(*design);
}

bool QorvBatteryReadings::isFault(std::string_view kernelHealth)
{
    return kernelHealth != "Unknown" && kernelHealth != "Good" && kernelHealth != "Warm" && kernelHealth != "Cool";
}

std::optional<std::string> QorvBatteryReadings::condition() const
{
    const auto kernel = text("health");
    if (kernel && isFault(*kernel))
        return std::string(*kernel);
    if (const auto wear = fullOverDesign())
        return *wear >= 0.8 ? "Good" : *wear >= 0.6 ? "Fair" : "Poor";
    if (kernel && *kernel != "Unknown")
        return std::string(*kernel);
    return std::nullopt;
}

int64_t QorvBatteryReadings::minutesFromSeconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return std::max<int64_t>(1, std::llround(seconds / 60.0));
}

std::string QorvBatteryReadings::clockText(int64_t minutes)
{
    if (minutes < 60)
        return std::to_string(minutes) + " min";
    return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

std::optional<int64_t> QorvBatteryReadings::estimate(std::string_view direction) const
{
    const auto status = text("status");
    if (!status || integer("present").value_or(1) == 0)
        return std::nullopt;
    const bool toEmpty = direction == "empty";
    if (*status != (toEmpty ? "Discharging" : "Charging"))
        return notApplicable;
    const std::string prefix = std::string("time_to_") + std::string(direction);
    bool hasMeans = false;
    for (const char* suffix : { "_now", "_avg" }) {
        const auto seconds = integer(prefix + suffix);
        hasMeans = hasMeans || seconds.has_value();
        // Smart batteries say 65535 (minutes, or that many minutes in seconds) for "no estimate".
        if (seconds && *seconds > 0 && *seconds != 65535 && *seconds != 65535 * 60)
            return minutesFromSeconds(static_cast<double>(*seconds));
    }
    // Energy at the power when the battery gives its power, else charge at the current (smart batteries give
    // both families but no power).
    const bool energy = reportsEnergy() && (text("power_now") || !text("charge_now"));
    const std::string family = energy ? "energy_" : "charge_";
    const auto now = integer(family + "now");
    const auto full = integer(family + "full");
    const auto rate = integer(energy ? "power_now" : "current_now");
    if (!now || (!toEmpty && !full) || !rate)
        return hasMeans ? std::optional<int64_t>(calculating) : std::nullopt;
    const double remaining
        = toEmpty ? static_cast<double>(*now) : static_cast<double>(std::max<int64_t>(0, *full - *now));
    if (*rate == 0)
        return calculating;
    return std::max<int64_t>(1, minutesFromSeconds(3600.0 * remaining / std::abs(static_cast<double>(*rate))));
}

std::optional<int64_t> QorvBatteryReadings::minutesToEmpty() const
{
    return estimate("empty");
}

std::optional<int64_t> QorvBatteryReadings::minutesToFull() const
{
    return estimate("full");
}
