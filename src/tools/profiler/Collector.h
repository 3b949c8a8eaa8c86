#pragma once

#include "Schema.h"

#include <chrono>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
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

    // A collector of devices (a list of things of one kind) tells so and describes one of its items in a line.
    // The inventory then presents the devices under one overview item with a line per device: a reader that
    // merges the top-level items into one table (as the application does) shows each device on its own row
    // instead of mixing their properties.
    virtual bool listsDevices() const { return false; }
    virtual std::string summary(const qorv::Value& item) const
    {
        (void)item;
        return {};
    }
};

// The texts of the keys an item has, joined with ", ".
std::string joinPresent(const qorv::Value& item, std::initializer_list<std::string_view> keys);

} // namespace cellsheet::profiler
