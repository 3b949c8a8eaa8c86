#pragma once

#include "Collector.h"

namespace cellsheet::profiler {

// The machine's power state and power-management settings, for SPPowerDataType: whether a battery was found and
// what the machine runs on, the sleep states, the platform profile, the CPU frequency governor and
// energy-performance preference, power-profiles-daemon's active profile and logind's lid and idle actions.
// Written whether or not the machine has a power supply, so a desktop's report still says something about power.
class PowerManagement {
public:
    static const Schema& schema();

    // Adds one settings item (see Item::markAsSettings): `batteries` is the number of system batteries and UPSes
    // found, `onAC` whether an adapter is online (a machine without a battery runs on mains power regardless).
    static void collect(const CollectorContext& context, int batteries, bool onAC, ItemSink& sink);
};

} // namespace cellsheet::profiler
