#pragma once

#include "QorvCSNUTClient.h"
#include "QorvCSPowerSourceProvider.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

inline constexpr std::string_view QorvCSUPSServersKey = "QorvCSUPSServers";

// The UPSes that Network UPS Tools' upsd servers serve. A thread per server reads it at each poll (a server that
// does not answer delays only its own UPSes, never the window or the other servers); each change of a server's or a
// UPS's condition (refused, stale, back) is logged once.
class QorvCSNUTPowerSourceProvider : public QorvCSPowerSourceProvider {
public:
    // servers: "host[:port]" texts; see configuredServers().
    QorvCSNUTPowerSourceProvider(std::vector<std::string> servers, std::chrono::milliseconds pollInterval,
        std::chrono::milliseconds connectTimeout = std::chrono::seconds(2));
    ~QorvCSNUTPowerSourceProvider() override;

    // Info.plist's "QorvCSUPSServers" when it is an array (of which the entries that are not strings are left out,
    // logged), else ["localhost:3493"]. Main thread.
    static std::vector<std::string> configuredServers();

    qorv::Value::Array powerSources(const std::set<std::string, std::less<>>& kernelSupplies) const override;
    void start(qorv::RunLoop& runLoop, std::function<void()> changed) override;
    void stop() override;
    bool isAwaitingFirstReading() const override { return *m_awaiting > 0; }

private:
    // Reads one server and keeps its reading; whether that changed.
    bool readServer(size_t index, QorvCSNUTClient& client);
    void pollUntilStopped(size_t index, QorvCSNUTClient& client, const std::shared_ptr<std::atomic<size_t>>& awaiting,
        qorv::RunLoop& runLoop);
    void noteCondition(const std::string& subject, const std::string& condition);

    std::vector<std::pair<std::string, std::optional<QorvCSNUTClient::Address>>> m_servers;
    std::chrono::milliseconds m_pollInterval;
    std::chrono::milliseconds m_connectTimeout;

    mutable std::mutex m_readingMutex;
    std::vector<std::vector<QorvCSUPSReading>> m_readings; // per server
    std::map<std::string, std::string> m_conditions; // server or UPS → its last condition, "" when fine

    std::mutex m_mutex; // guards the thread's controls below
    std::condition_variable m_wake;
    bool m_stop = false;
    std::vector<std::shared_ptr<QorvCSNUTClient>> m_clients; // one per thread, cancelled by stop()
    std::function<void()> m_changed;
    std::vector<std::thread> m_threads;
    // Servers whose first reading since start() has not reached the run loop; shared with the tasks that say it has.
    // Replaced at each start and stop (run loop's thread).
    std::shared_ptr<std::atomic<size_t>> m_awaiting = std::make_shared<std::atomic<size_t>>(0);
};
