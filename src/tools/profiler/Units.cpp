#include "Units.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace cellsheet::profiler::Units {

std::string trimmedNumber(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

namespace {

std::string scaled(uint64_t bytes, double base)
{
    // Powers of 1024 carry their own names (GiB): read as GB they would be 7 % off.
    static const char* const decimalUnits[] = { "bytes", "KB", "MB", "GB", "TB", "PB", "EB" };
    static const char* const binaryUnits[] = { "bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB" };
    const auto& units = base == 1024.0 ? binaryUnits : decimalUnits;
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    // Step up while the rounded value would reach the next unit, so 1023.999 KB reads "1 MB".
    while (unit + 1 < std::size(units) && std::round(value * 100) / 100 >= base) {
        value /= base;
        ++unit;
    }
    return trimmedNumber(value, unit == 0 ? 0 : 2) + " " + units[unit];
}

} // namespace

std::string decimalBytes(uint64_t bytes)
{
    return scaled(bytes, 1000.0);
}

std::string binaryBytes(uint64_t bytes)
{
    return scaled(bytes, 1024.0);
}

std::string frequency(uint64_t kilohertz)
{
    char buffer[64];
    if (kilohertz >= 1000000)
        std::snprintf(buffer, sizeof buffer, "%.2f GHz", static_cast<double>(kilohertz) / 1e6);
    else
        std::snprintf(buffer, sizeof buffer, "%s MHz", trimmedNumber(static_cast<double>(kilohertz) / 1e3).c_str());
    return buffer;
}

std::string dataRate(double megabitsPerSecond)
{
    if (megabitsPerSecond >= 1000)
        return trimmedNumber(megabitsPerSecond / 1000) + " Gb/s";
    return trimmedNumber(megabitsPerSecond) + " Mb/s";
}

std::string duration(uint64_t seconds)
{
    const uint64_t days = seconds / 86400, hours = seconds / 3600 % 24, minutes = seconds / 60 % 60;
    std::vector<std::string> parts;
    const auto add = [&](uint64_t count, const char* unit) {
        parts.push_back(std::to_string(count) + " " + unit + (count == 1 ? "" : "s"));
    };
    if (days)
        add(days, "day");
    if (days || hours)
        add(hours, "hour");
    if (seconds >= 60)
        add(minutes, "minute");
    else
        add(seconds, "second");
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string localDateTime(int64_t unixSeconds)
{
    const auto time = static_cast<std::time_t>(unixSeconds);
    std::tm parts {};
    if (!localtime_r(&time, &parts))
        return {};
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &parts);
    return buffer;
}

std::string percent(double value)
{
    return trimmedNumber(value, 0) + "%";
}

} // namespace cellsheet::profiler::Units
