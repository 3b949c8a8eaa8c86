#include "QorvCSHistory.h"
#include "QorvCSUPowerSDBusClient.h"

#include "foundation/Format.h"
#include "foundation/Log.h"

#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::mutex sharedMutex;
std::shared_ptr<QorvCSHistory> sharedHistory;

} // namespace

QorvCSHistory::QorvCSHistory(std::shared_ptr<QorvCSHistoryStore> store, std::unique_ptr<QorvCSHistoryRecorder> recorder)
    : m_store(std::move(store))
    , m_recorder(std::move(recorder))
{ }

QorvCSHistory::~QorvCSHistory()
{
    m_recorder.reset();
    if (m_recordingLock >= 0)
        ::close(m_recordingLock);
}

std::shared_ptr<QorvCSHistory> QorvCSHistory::forRecording(const std::string& path)
{
    auto store = std::make_shared<QorvCSHistoryStore>(path, QorvCSHistoryStore::Mode::ReadWrite);
    std::unique_ptr<QorvCSHistoryRecorder> recorder;
    int lock = -1;
    if (store->isOpen()) {
        lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
            ::close(lock);
            lock = -1;
            qorv::log(qorv::format("another cellsheet records the history in %@; this one only reads it", path));
        }
    }
    if (lock >= 0) {
        QorvCSHistoryRecorder::Options options;
        // What UPower recorded before us, when it runs; off the main thread, as the daemon may be slow to answer.
        options.atStart = [](QorvCSHistoryStore& into, int64_t now) {
            if (auto upower = QorvCSUPowerSDBusClient::system())
                QorvCSUPowerHistory::import(*upower, into, now);
        };
        recorder = std::make_unique<QorvCSHistoryRecorder>(store, std::move(options));
    }
    auto history = std::make_shared<QorvCSHistory>(std::move(store), std::move(recorder));
    history->m_recordingLock = lock;
    return history;
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
