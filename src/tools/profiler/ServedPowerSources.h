#pragma once

#include "SystemRoot.h"

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace cellsheet::profiler {

// A power source that a daemon serves rather than the kernel: a UPS of Network UPS Tools' upsd, or a device only
// UPower knows (a Bluetooth headset). Its readings are put in the kernel's terms (power_supply attribute names and
// units), so the power collector describes it as it describes a kernel supply.
struct ServedPowerSource {
    std::string name; // the model, or what the daemon calls it
    std::string servedBy; // "Network UPS Tools (ups@localhost:3493)", "UPower"
    bool device = false; // powers only itself (scope=Device)
    std::map<std::string, std::string, std::less<>> attributes;
};

// The UPSes of the local upsd (localhost:3493) and the devices of UPower on the system bus that the kernel does
// not have (kernelSupplies: their kernel names). Each daemon gets at most `limit`; one that is missing or silent
// gives nothing. A fake tree answers from fake/nut-ups (a dummy-ups data file of one UPS named "ups") and
// fake/upower-devices.plist (object path → UPower's properties).
std::vector<ServedPowerSource> servedPowerSources(
    const SystemRoot& root, const std::set<std::string>& kernelSupplies, std::chrono::milliseconds limit);

} // namespace cellsheet::profiler
