#pragma once

#include "Schema.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string_view>

namespace cellsheet::profiler {

class HardwareDatabase;
class SystemRoot;

// What a collector works with. The shared pointers keep the root and the database alive for a collector that
// outlives its run (one abandoned at the end of the time budget).
struct CollectorContext {
    std::shared_ptr<const SystemRoot> root;
    std::shared_ptr<HardwareDatabase> database;
    DetailLevel level = DetailLevel::Full;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();

    bool expired() const { return std::chrono::steady_clock::now() >= deadline; }
};

// The finished items of one collector run. Thread-safe, so the runner can take the items finished so far while
// a collector is stuck in a slow read.
class ItemSink {
public:
    void add(const Item& item)
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(item.value());
    }
    qorv::Value::Array items() const
    {
        std::lock_guard lock(m_mutex);
        return m_items;
    }

private:
    mutable std::mutex m_mutex;
    qorv::Value::Array m_items;
};

// Gathers one data type. Implementations are stateless: collect() may run on any thread.
class Collector {
public:
    virtual ~Collector() = default;
    virtual std::string_view dataType() const = 0;
    virtual const Schema& schema() const = 0;
    virtual void collect(const CollectorContext& context, ItemSink& sink) const = 0;
};

} // namespace cellsheet::profiler
