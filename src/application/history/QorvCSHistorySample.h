#pragma once

#include <cstdint>
#include <optional>

// What a power source was doing at one moment.
enum class QorvCSHistoryState : int {
    Unknown = 0,
    Charging = 1,
    Discharging = 2,
    Charged = 3, // full and on external power
    Idle = 4, // on external power, neither charging nor full (a charge limit, a paused charge)
};

// One reading of a power source. Times are seconds since the epoch (UTC).
struct QorvCSHistorySample {
    int64_t time = 0;
    std::optional<double> percent; // charge, 0–100
    std::optional<double> watts; // rate of charge or discharge, never negative; the state says which
    QorvCSHistoryState state = QorvCSHistoryState::Unknown;

    bool operator==(const QorvCSHistorySample&) const = default;
};

// A battery's capacity on one day. Capacities are in mAh, as the descriptions give them.
struct QorvCSHistoryCapacity {
    int64_t time = 0;
    std::optional<double> full;
    std::optional<double> design;
    std::optional<int64_t> cycles;

    bool operator==(const QorvCSHistoryCapacity&) const = default;
};
