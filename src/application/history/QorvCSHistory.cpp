#include "QorvCSHistory.h"
#include "QorvCSUPowerSDBusClient.h"

#include <mutex>

namespace {

std::mutex sharedMutex;
std::shared_ptr<QorvCSHistory> sharedHistory;

} // namespace

QorvCSHistory::QorvCSHistory(std::shared_ptr<QorvCSHistoryStore> store, std::unique_ptr<QorvCSHistoryRecorder> recorder)
    : m_store(std::move(store))
    , m_recorder(std::move(recorder))
{ }

std::shared_ptr<QorvCSHistory> QorvCSHistory::forRecording(const std::string& path)
{
    auto store = std::make_shared<QorvCSHistoryStore>(path, QorvCSHistoryStore::Mode::ReadWrite);
    std::unique_ptr<QorvCSHistoryRecorder> recorder;
    if (store->isOpen()) {
        QorvCSHistoryRecorder::Options options;
        // What UPower recorded before us, when it runs; off the main thread, as the daemon may be slow to answer.
        options.atStart = [](QorvCSHistoryStore& into, int64_t now) {
            if (auto upower = QorvCSUPowerSDBusClient::system())
                QorvCSUPowerHistory::import(*upower, into, now);
        };
        recorder = std::make_unique<QorvCSHistoryRecorder>(store, std::move(options));
    }
    return std::make_shared<QorvCSHistory>(std::move(store), std::move(recorder));
}

std::shared_ptr<QorvCSHistory> QorvCSHistory::forReading(const std::string& path)
{
    return std::make_shared<QorvCSHistory>(
        std::make_shared<QorvCSHistoryStore>(path, QorvCSHistoryStore::Mode::ReadOnly), nullptr);
}

std::shared_ptr<QorvCSHistory> QorvCSHistory::shared()
{
    std::lock_guard lock(sharedMutex);
    return sharedHistory;
}

void QorvCSHistory::setShared(std::shared_ptr<QorvCSHistory> history)
{
    std::lock_guard lock(sharedMutex);
    sharedHistory = std::move(history);
}
