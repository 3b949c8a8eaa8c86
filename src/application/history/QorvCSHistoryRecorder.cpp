#include "QorvCSHistoryRecorder.h"
#include "QorvCSHistoryReading.h"

#include <ctime>

QorvCSHistoryRecorder::QorvCSHistoryRecorder(std::shared_ptr<QorvCSHistoryStore> store, Options options, Clock clock)
    : m_store(std::move(store))
    , m_options(options)
    , m_clock(clock ? std::move(clock) : Clock([] { return static_cast<int64_t>(std::time(nullptr)); }))
    , m_lastWrite(std::chrono::steady_clock::now())
{
    m_thread = std::thread([this] { run(); });
}

QorvCSHistoryRecorder::~QorvCSHistoryRecorder()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    std::unique_lock lock(m_mutex);
    writePending(lock);
}

void QorvCSHistoryRecorder::update(qorv::Value::Array descriptions)
{
    std::lock_guard lock(m_mutex);
    m_latest = std::move(descriptions);
}

void QorvCSHistoryRecorder::sampleNow()
{
    std::unique_lock lock(m_mutex);
    takeSample(lock);
}

void QorvCSHistoryRecorder::flush()
{
    std::unique_lock lock(m_mutex);
    writePending(lock);
}

void QorvCSHistoryRecorder::run()
{
    if (m_options.atStart)
        m_options.atStart(*m_store, m_clock());
    std::unique_lock lock(m_mutex);
    auto next = std::chrono::steady_clock::now() + m_options.sampleInterval;
    while (!m_stop) {
        if (m_wake.wait_until(lock, next, [this] { return m_stop; }))
            break;
        next += m_options.sampleInterval;
        // After a suspend the steady clock has not moved on, but a late wake-up must not sample in a burst.
        if (const auto now = std::chrono::steady_clock::now(); next < now)
            next = now + m_options.sampleInterval;
        takeSample(lock);
        if (m_pending.samples.size() >= m_options.batchLimit
            || std::chrono::steady_clock::now() - m_lastWrite >= m_options.flushInterval)
            writePending(lock);
    }
}

void QorvCSHistoryRecorder::takeSample(std::unique_lock<std::mutex>&)
{
    const int64_t now = m_clock();
    for (const auto& value : m_latest) {
        const auto* description = value.asDictionary();
        if (!description)
            continue;
        const QorvCSHistoryReading reading(*description);
        const std::string identity = reading.identity();
        if (identity.empty())
            continue;
        auto sample = reading.sample(now);
        if (!sample)
            continue;
        m_pending.samples.push_back({ identity, *sample });
        auto last = m_lastCapacity.find(identity);
        if (last == m_lastCapacity.end())
            last = m_lastCapacity.emplace(identity, m_store->lastCapacityTime(identity).value_or(INT64_MIN)).first;
        if (last->second != INT64_MIN && now - last->second < capacityInterval)
            continue;
        if (auto capacity = reading.capacity(now)) {
            m_pending.capacities.push_back({ identity, *capacity });
            last->second = now;
        }
    }
}

void QorvCSHistoryRecorder::writePending(std::unique_lock<std::mutex>& lock)
{
    m_lastWrite = std::chrono::steady_clock::now();
    QorvCSHistoryStore::Batch batch = std::move(m_pending);
    m_pending = {};
    const int64_t now = m_clock();
    const bool thin = now - m_lastThin >= thinInterval;
    if (thin)
        m_lastThin = now;
    // The main thread's updates need not wait for the disk.
    lock.unlock();
    if (!batch.empty())
        m_store->write(batch);
    if (thin)
        m_store->thin(now);
    lock.lock();
}
