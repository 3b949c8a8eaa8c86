#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// What the attribute files of one power_supply battery say about its condition and its time estimates. The
// application's power report and cellsheet-profiler's inventory both read batteries through this class, so the
// same battery reads the same in both. Units are the kernel's: µWh, µW, µAh, µA, µV, seconds.
class QorvBatteryReadings {
public:
    // Attribute file name → contents without the trailing newline.
    using Attributes = std::map<std::string, std::string, std::less<>>;

    // Minutes of an estimate that does not apply (not discharging, or not charging).
    static constexpr int64_t notApplicable = 0;
    // Minutes of an estimate the system has not worked out yet.
    static constexpr int64_t calculating = -1;

    explicit QorvBatteryReadings(const Attributes& attributes)
        : m_attributes(attributes)
    { }

    // The file's contents, or nullopt when the file is missing or empty.
    std::optional<std::string_view> text(std::string_view file) const;
    // The file's contents as a whole decimal integer, or nullopt.
    std::optional<int64_t> integer(std::string_view file) const;

    // True when the battery counts energy (energy_* in µWh, power_now in µW) rather than charge (charge_* in µAh).
    bool reportsEnergy() const;
    // energy_<suffix> or charge_<suffix>, whichever family the battery reports.
    std::optional<int64_t> amount(std::string_view suffix) const;
    // Full-charge capacity as a fraction of the design capacity (0.88), or nullopt when either is unknown.
    std::optional<double> fullOverDesign() const;

    // The battery's condition: a fault the kernel reports ("Overheat", "Dead", ...) first, then wear (full ÷ design
    // at least 80 % "Good", at least 60 % "Fair", else "Poor"), then the kernel's own word; nullopt when unknown.
    std::optional<std::string> condition() const;
    // Whether a kernel health word names a fault rather than "no fault known" ("Good", "Unknown", and the charger's
    // normal "Warm" and "Cool" temperature bands are not faults).
    static bool isFault(std::string_view kernelHealth);

    // Estimates in whole minutes: a positive figure, notApplicable, calculating, or nullopt when the battery gives
    // nothing to estimate from (no status, not present, no time files, no charge and rate).
    std::optional<int64_t> minutesToEmpty() const;
    std::optional<int64_t> minutesToFull() const;

    // The nearest whole minute; any positive time is at least one minute.
    static int64_t minutesFromSeconds(double seconds);
    // "2 h 35 min", "45 min", as the report writes an estimate.
    static std::string clockText(int64_t minutes);

private:
    // direction: "empty" or "full".
    std::optional<int64_t> estimate(std::string_view direction) const;

    const Attributes& m_attributes;
};
