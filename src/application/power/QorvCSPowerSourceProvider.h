#pragma once

#include "foundation/RunLoop.h"
#include "foundation/Value.h"

#include <functional>
#include <set>
#include <string>

// A source of power-source descriptions beside the kernel's (a UPS server, a desktop power daemon). It reads on
// its own schedule, without ever blocking the run loop it reports to, and keeps its last reading.
class QorvCSPowerSourceProvider {
public:
    virtual ~QorvCSPowerSourceProvider() = default;

    // The descriptions of the last reading (empty before the first), leaving out the devices the kernel already
    // describes: kernelSupplies holds the kernel name and the sysfs path of each of its power supplies. Any thread.
    virtual qorv::Value::Array powerSources(const std::set<std::string, std::less<>>& kernelSupplies) const = 0;

    // Follows the source until stop(): calls changed() on runLoop after each reading that differs from the one
    // before. Starting a started provider changes nothing.
    virtual void start(qorv::RunLoop& runLoop, std::function<void()> changed) = 0;
    // Stops following; no call of changed() comes after it returns. Quick even when the source hangs.
    virtual void stop() = 0;
    // Started, and not yet read once (the notice of the first reading, if it changed anything, has not yet run on
    // the run loop). Run loop's thread.
    virtual bool isAwaitingFirstReading() const = 0;
};
