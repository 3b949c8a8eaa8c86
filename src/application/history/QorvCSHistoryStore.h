#pragma once

#include "QorvCSHistorySample.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class QorvCSSQLiteDatabase;
class QorvCSSQLiteStatement;

// The power sources' history in one SQLite file: samples per source, thinned with age, and capacity rows kept for
// years. A file that is damaged or is not ours is moved aside (logged) and a new one started; one written by a
// newer version is left alone and the store stays closed. Every member is safe to call from any thread.
class QorvCSHistoryStore {
public:
    enum class Mode {
        ReadWrite, // creates the file and its folder (0700) when missing, the file 0600
        ReadOnly, // reads an existing file, never creates, moves or changes one
    };

    // Full resolution for two days, one sample per 10 minutes to a week, one per hour to 90 days, then none.
    static constexpr int64_t fullResolutionAge = 48 * 3600;
    static constexpr int64_t tenMinuteAge = 7 * 24 * 3600;
    static constexpr int64_t hourlyAge = 90 * 24 * 3600;
    // Capacity rows older than this are dropped.
    static constexpr int64_t capacityAge = int64_t(10) * 366 * 24 * 3600;

    // "$XDG_STATE_HOME/cellsheet/history.sqlite", or under "~/.local/state" when the variable is unset or not
    // absolute; empty when neither gives a folder.
    static std::string defaultPath();

    QorvCSHistoryStore(std::string path, Mode mode);
    ~QorvCSHistoryStore();
    QorvCSHistoryStore(const QorvCSHistoryStore&) = delete;
    QorvCSHistoryStore& operator=(const QorvCSHistoryStore&) = delete;

    const std::string& path() const { return m_path; }
    // False when the file could not be opened or made; every read is then empty and every write is dropped.
    bool isOpen() const;

    struct Batch {
        struct Sample {
            std::string source; // the source's identity (QorvCSHistoryIdentity)
            QorvCSHistorySample sample;
        };
        struct Capacity {
            std::string source;
            QorvCSHistoryCapacity capacity;
        };
        std::vector<Sample> samples;
        std::vector<Capacity> capacities;
        bool empty() const { return samples.empty() && capacities.empty(); }
    };
    // Writes the whole batch in one transaction: after a crash either all of it is there or none. False (logged)
    // when it could not be written.
    bool write(const Batch& batch);

    // Applies the age limits above as of `now`.
    void thin(int64_t now);

    // The source's samples with from <= time < to, in time order.
    std::vector<QorvCSHistorySample> samples(const std::string& source, int64_t from, int64_t to) const;
    // The source's capacity rows in time order.
    std::vector<QorvCSHistoryCapacity> capacities(const std::string& source) const;
    // When the source's latest capacity row was written, if any.
    std::optional<int64_t> lastCapacityTime(const std::string& source) const;

private:
    bool open(bool moveAsideWhenBroken);
    void createSchema();
    int64_t sourceRow(const std::string& identity);
    // Runs a query under the lock: bind fills its parameters, row reads each result row. A failure is logged once.
    void query(std::string_view sql, const std::function<void(QorvCSSQLiteStatement&)>& bind,
        const std::function<void(const QorvCSSQLiteStatement&)>& row) const;

    std::string m_path;
    Mode m_mode;
    mutable std::mutex m_mutex;
    std::unique_ptr<QorvCSSQLiteDatabase> m_db;
};
