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

    // The servers chosen through chooseServers() when there is a choice, else Info.plist's "QorvCSUPSServers" when
    // it is an array (of which the entries that are not strings are left out, logged), else ["localhost:3493"].
    // Main thread.
    static std::vector<std::string> configuredServers();
    // Info.plist's list alone, as above.
    static std::vector<std::string> bundleServers();
    // Replaces Info.plist's list (nullopt: back to it), and switches the system service's provider to the result.
    // Main thread.
    static void chooseServers(std::optional<std::vector<std::string>> servers);
    // The provider that follows chooseServers(); the system service's. Held weakly.
    static void setFollowingChoice(const std::shared_ptr<QorvCSNUTPowerSourceProvider>& provider);

    // Reads these servers from now on: the old ones' threads stop (their readings under way are cancelled) and,
    // when started, the new ones' start; the UPSes of the old servers leave at once. The run loop's thread.
    void setServers(std::vector<std::string> servers);

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

    using Servers = std::vector<std::pair<std::string, std::optional<QorvCSNUTClient::Address>>>;
    static Servers parsed(std::vector<std::string> servers);

    Servers m_servers;
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
    qorv::RunLoop* m_runLoop = nullptr; // while started
    std::vector<std::thread> m_threads;
    // Servers whose first reading since start() has not reached the run loop; shared with the tasks that say it has.
    // Replaced at each start and stop (run loop's thread).
    std::shared_ptr<std::atomic<size_t>> m_awaiting = std::make_shared<std::atomic<size_t>>(0);
};
