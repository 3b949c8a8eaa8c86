#pragma once

#include "Collector.h"
#include "foundation/Value.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler {

class HardwareDatabase;
class SystemRoot;

// Runs collectors and assembles their data-type dictionaries: "_dataType", "_items", "_properties",
// "_timeStamp", "_SPCompletionInterval" (seconds), "_detailLevel". Each collector runs on a thread of its own, so
// the collectors overlap and none can hold the others up; whatever has not finished when the time budget ends is
// left running detached, and its data type carries the items it finished and "_timedOut". A data type without
// items is left out. The devices of a collector that lists devices go under one overview item
// ("network_overview") that also holds a line per device, named as the device.
class Inventory {
public:
    Inventory(
        std::shared_ptr<const SystemRoot> root, DetailLevel level, std::chrono::milliseconds budget = defaultBudget());

    static constexpr std::chrono::milliseconds defaultBudget() { return std::chrono::milliseconds(3000); }

    // Every collector, in the order of a full inventory.
    static const std::vector<std::shared_ptr<const Collector>>& collectors();
    static std::shared_ptr<const Collector> collectorFor(std::string_view dataType);

    // The array of data-type dictionaries for these collectors, in their order.
    qorv::Value run(const std::vector<std::shared_ptr<const Collector>>& collectors);
    qorv::Value run() { return run(collectors()); }

    // True once a run has left a collector behind; the process should then end with _exit() rather than run
    // destructors under a thread that is still reading.
    bool leftWorkBehind() const { return m_leftWorkBehind; }

private:
    std::shared_ptr<const SystemRoot> m_root;
    std::shared_ptr<HardwareDatabase> m_database;
    DetailLevel m_level;
    std::chrono::milliseconds m_budget;
    bool m_leftWorkBehind = false;
};

} // namespace cellsheet::profiler
