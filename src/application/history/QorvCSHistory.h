#pragma once

#include "QorvCSHistoryRecorder.h"
#include "QorvCSHistoryStore.h"

#include <memory>
#include <optional>

// The application's history: the store the report reads and, in the window, the recorder that fills it. One per
// process, set up by the shell; without one the report has no history charts.
class QorvCSHistory {
public:
    QorvCSHistory(std::shared_ptr<QorvCSHistoryStore> store, std::unique_ptr<QorvCSHistoryRecorder> recorder);
    ~QorvCSHistory();
    QorvCSHistory(const QorvCSHistory&) = delete;
    QorvCSHistory& operator=(const QorvCSHistory&) = delete;

    // The window records into the user's history file; the command line only reads it and never creates one.
    // One process records at a time ("<path>.lock"): a second window only reads, so no sample is taken twice.
    static std::shared_ptr<QorvCSHistory> forRecording(const std::string& path = QorvCSHistoryStore::defaultPath());
    static std::shared_ptr<QorvCSHistory> forReading(const std::string& path = QorvCSHistoryStore::defaultPath());

    static std::shared_ptr<QorvCSHistory> shared();
    static void setShared(std::shared_ptr<QorvCSHistory> history);

    const std::shared_ptr<QorvCSHistoryStore>& store() const { return m_store; }
    // Null when this history only reads.
    QorvCSHistoryRecorder* recorder() const { return m_recorder.get(); }

    // How many days back the report shows; nullopt: every chart's full span.
    std::optional<int64_t> shownDays() const { return m_shownDays; }
    void setShownDays(std::optional<int64_t> days) { m_shownDays = days; }

private:
    std::shared_ptr<QorvCSHistoryStore> m_store;
    int m_recordingLock = -1; // released after the recorder has written its last batch
    std::unique_ptr<QorvCSHistoryRecorder> m_recorder;
    std::optional<int64_t> m_shownDays;
};
