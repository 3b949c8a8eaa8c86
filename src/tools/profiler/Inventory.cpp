#include "Inventory.h"

#include "Anonymizer.h"
#include "Collectors.h"
#include "HardwareDatabase.h"
#include "SystemRoot.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <optional>
#include <thread>

namespace cellsheet::profiler {

namespace {

// Shared between the runner and one collector thread; whichever lets go last frees it.
struct Job {
    std::shared_ptr<const Collector> collector;
    CollectorContext context;
    ItemSink sink;
    std::mutex mutex;
    std::condition_variable finishedCondition;
    bool finished = false;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point ended;
    std::chrono::system_clock::time_point endedAt;
};

void work(const std::shared_ptr<Job>& job)
{
    try {
        job->collector->collect(job->context, job->sink);
    } catch (const std::exception& error) {
        // One data type failing must not cost the others; what it finished is kept.
        std::fprintf(
            stderr, "cellsheet-profiler: %s: %s\n", std::string(job->collector->dataType()).c_str(), error.what());
    }
    std::lock_guard lock(job->mutex);
    job->finished = true;
    job->ended = std::chrono::steady_clock::now();
    job->endedAt = std::chrono::system_clock::now();
    job->finishedCondition.notify_all();
}

// "SPNetworkDataType" gives "network_overview".
std::string overviewName(std::string_view dataType)
{
    std::string name(dataType);
    if (name.rfind("SP", 0) == 0)
        name.erase(0, 2);
    if (const size_t at = name.rfind("DataType"); at != std::string::npos)
        name.erase(at);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + "_overview";
}

// The devices of a data type under one overview item with a line per device, keyed by the device's name.
// The lines are described after the data type's own properties, in the order of the devices.
void presentDevices(const Collector& collector, qorv::Value::Array& items, qorv::Value& properties)
{
    qorv::Value::Dictionary overview { { "_name", overviewName(collector.dataType()) } };
    auto& descriptions = *properties.asDictionary();
    // A settings item (Item::markAsSettings) is no device: its properties become rows of the overview itself,
    // in the item's own order, after the devices' lines.
    qorv::Value::Array devices;
    std::vector<std::pair<std::string, std::string>> settings; // (order, key)
    for (const auto& item : items) {
        const qorv::Value* order = item.find("_settings");
        if (!order) {
            devices.push_back(item);
            continue;
        }
        for (const auto& [key, value] : *item.asDictionary()) {
            if (key.empty() || key.front() == '_')
                continue;
            const qorv::Value* description = order->find(key);
            const qorv::Value* position = description ? description->find("_order") : nullptr;
            settings.emplace_back(position ? position->description() : std::string("999"), key);
            overview.insert_or_assign(key, value);
        }
    }
    std::sort(settings.begin(), settings.end());
    overview.emplace("_items", devices);
    size_t row = 0;
    for (const auto& item : devices) {
        std::string name = item.find("_name") ? item.find("_name")->description() : std::string();
        while (!name.empty() && name.front() == '_')
            name.erase(0, 1); // a leading underscore would hide the line
        if (name.empty())
            name = "Device";
        std::string key = name;
        for (int copy = 2; overview.count(key) || descriptions.count(key); ++copy)
            key = name + " (" + std::to_string(copy) + ")";
        std::string line = collector.summary(item);
        if (line.empty() || row >= 900) // three-digit orders run out after 900 lines
            continue;
        overview.emplace(key, std::move(line));
        descriptions.emplace(key, qorv::Value::Dictionary { { "_order", std::to_string(100 + row++) } });
    }
    for (const auto& [position, key] : settings)
        descriptions.insert_or_assign(
            key, qorv::Value::Dictionary { { "_order", std::to_string(100 + std::min<size_t>(row++, 899)) } });
    items = qorv::Value::Array { qorv::Value(std::move(overview)) };
}

qorv::Value::Date dateOf(std::chrono::system_clock::time_point time)
{
    // Property-list dates count from 2001-01-01 00:00:00 UTC, 978307200 seconds after the Unix epoch.
    const double unix = std::chrono::duration<double>(time.time_since_epoch()).count();
    return qorv::Value::Date { unix - 978307200.0 };
}

} // namespace

Inventory::Inventory(std::shared_ptr<const SystemRoot> root, DetailLevel level, std::chrono::milliseconds budget)
    : m_root(std::move(root))
    , m_database(std::make_shared<HardwareDatabase>(*m_root))
    , m_level(level)
    , m_budget(budget)
{ }

const std::vector<std::shared_ptr<const Collector>>& Inventory::collectors()
{
    static const std::vector<std::shared_ptr<const Collector>> all = allCollectors();
    return all;
}

std::shared_ptr<const Collector> Inventory::collectorFor(std::string_view dataType)
{
    for (const auto& collector : collectors())
        if (collector->dataType() == dataType)
            return collector;
    return nullptr;
}

qorv::Value Inventory::run(const std::vector<std::shared_ptr<const Collector>>& chosen)
{
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + m_budget;
    std::vector<std::shared_ptr<Job>> jobs;
    std::vector<std::thread> threads;
    for (const auto& collector : chosen) {
        auto job = std::make_shared<Job>();
        job->collector = collector;
        job->context = CollectorContext { m_root, m_database, m_level, deadline };
        job->started = std::chrono::steady_clock::now();
        threads.emplace_back([job] { work(job); });
        jobs.push_back(std::move(job));
    }

    // Every collector's output passes through here, so mini's promise is kept in one place whatever a collector
    // puts in its names.
    const std::optional<Anonymizer> anonymizer
        = m_level == DetailLevel::Mini ? std::optional(Anonymizer::forRoot(*m_root)) : std::nullopt;
    qorv::Value::Array dataTypes;
    for (size_t i = 0; i < jobs.size(); ++i) {
        Job& job = *jobs[i];
        bool finished = false;
        {
            std::unique_lock lock(job.mutex);
            finished = job.finishedCondition.wait_until(lock, deadline, [&] { return job.finished; });
        }
        if (finished) {
            threads[i].join();
        } else {
            threads[i].detach();
            m_leftWorkBehind = true;
        }
        qorv::Value::Array items = job.sink.items();
        if (items.empty())
            continue;
        if (anonymizer)
            items = *anonymizer->value(qorv::Value(std::move(items))).asArray();
        qorv::Value properties = job.collector->schema().propertiesFor(items);
        if (job.collector->listsDevices())
            presentDevices(*job.collector, items, properties);
        const auto ended = finished ? job.ended : std::chrono::steady_clock::now();
        const auto endedAt = finished ? job.endedAt : std::chrono::system_clock::now();
        qorv::Value::Dictionary dataType {
            { "_dataType", std::string(job.collector->dataType()) },
            { "_detailLevel", std::string(nameOf(m_level)) },
            { "_items", items },
            { "_properties", properties },
            { "_timeStamp", dateOf(endedAt) },
            { "_SPCompletionInterval", std::chrono::duration<double>(ended - job.started).count() },
        };
        if (!finished)
            dataType.emplace("_timedOut", true);
        dataTypes.emplace_back(std::move(dataType));
    }
    return dataTypes;
}

} // namespace cellsheet::profiler
