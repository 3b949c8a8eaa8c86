#pragma once

#include <cstdint>
#include <string>

namespace cellsheet::profiler {

// The readable forms of quantities, in the style of the reference tool ("16 GB", "2.40 GHz", "500.11 GB").
namespace Units {

// A number with at most `decimals` decimals, trailing zeros removed ("2.5", "16", "750.16").
std::string trimmedNumber(double value, int decimals = 2);

// Storage sizes in powers of 1000: "500.11 GB", "209.7 MB", "512 bytes".
std::string decimalBytes(uint64_t bytes);
// Memory and cache sizes in powers of 1024, with binary unit names: "16 GiB", "1.25 MiB", "48 KiB".
std::string binaryBytes(uint64_t bytes);
// A frequency given in kHz: "2.80 GHz" (always two decimals) or "800 MHz".
std::string frequency(uint64_t kilohertz);
// A data rate given in Mb/s: "1 Gb/s", "2.5 Gb/s", "100 Mb/s", "1.5 Mb/s".
std::string dataRate(double megabitsPerSecond);
// A duration: "3 days, 4 hours, 12 minutes"; "42 seconds" under a minute.
std::string duration(uint64_t seconds);
// Local date and time "2024-05-01 09:12" for seconds since the Unix epoch.
std::string localDateTime(int64_t unixSeconds);
// "85%".
std::string percent(double value);

} // namespace Units

} // namespace cellsheet::profiler
