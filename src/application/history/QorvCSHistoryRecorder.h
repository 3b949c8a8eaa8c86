#pragma once

#include "QorvCSHistoryStore.h"

#include "foundation/Value.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// Records the power sources into a history store on a thread of its own: a sample of each source once per sample
// interval, its capacity at most once a day, written in batches (so a crash loses at most the last one) and the
// store thinned once an hour. The application hands it each new set of descriptions; it keeps only the latest.
class QorvCSHistoryRecorder {
public:
    struct Options {
        std::chrono::milliseconds sampleInterval { std::chrono::minutes(1) };
        std::chrono::milliseconds flushInterval { std::chrono::minutes(5) };
        size_t batchLimit = 256; // samples; a fuller batch is written at once
        // Run once on the recorder's thread before the first sample (the import of UPower's history), with the
        // store and the clock's time.
        std::function<void(QorvCSHistoryStore& store, int64_t now)> atStart;
    };
    // Seconds since the epoch; the system clock unless a test gives another.
    using Clock = std::function<int64_t()>;

    static constexpr int64_t capacityInterval = 24 * 3600;
    static constexpr int64_t thinInterval = 3600;

    QorvCSHistoryRecorder(std::shared_ptr<QorvCSHistoryStore> store, Options options, Clock clock = {});
    // Stops the thread and writes what is pending.
    ~QorvCSHistoryRecorder();
    QorvCSHistoryRecorder(const QorvCSHistoryRecorder&) = delete;
    QorvCSHistoryRecorder& operator=(const QorvCSHistoryRecorder&) = delete;

    // The descriptions as they are now (one dictionary per source). Cheap; any thread.
    void update(qorv::Value::Array descriptions);
    // Takes a sample now rather than at the next interval (for tests and benchmarks).
    void sampleNow();
    // Writes the pending batch and returns once it is written.
    void flush();

    const std::shared_ptr<QorvCSHistoryStore>& store() const { return m_store; }

private:
    void run();
    void takeSample(std::unique_lock<std::mutex>& lock);
    void writePending(std::unique_lock<std::mutex>& lock);

    std::shared_ptr<QorvCSHistoryStore> m_store;
    Options m_options;
    Clock m_clock;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    qorv::Value::Array m_latest;
    QorvCSHistoryStore::Batch m_pending;
    std::map<std::string, int64_t> m_lastCapacity; // identity → time of its latest capacity row
    int64_t m_lastThin = 0;
    std::chrono::steady_clock::time_point m_lastWrite;
    std::thread m_thread;
};
