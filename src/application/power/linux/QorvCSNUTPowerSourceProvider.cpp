#include "QorvCSNUTPowerSourceProvider.h"

#include "QorvCSUPSDescription.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

QorvCSNUTPowerSourceProvider::QorvCSNUTPowerSourceProvider(
    std::vector<std::string> servers, std::chrono::milliseconds pollInterval, std::chrono::milliseconds connectTimeout)
    : m_servers(parsed(std::move(servers)))
    , m_pollInterval(std::max(pollInterval, std::chrono::milliseconds(1)))
    , m_connectTimeout(connectTimeout)
{
    m_readings.resize(m_servers.size());
}

QorvCSNUTPowerSourceProvider::Servers QorvCSNUTPowerSourceProvider::parsed(std::vector<std::string> servers)
{
    Servers out;
    for (auto& server : servers) {
        auto address = QorvCSNUTClient::parseAddress(server);
        if (!address)
            qorv::logOnce(qorv::format("UPS server \"%@\" is not a host or host:port; it is left out", server));
        out.emplace_back(std::move(server), std::move(address));
    }
    return out;
}

namespace {

// The window's choice of servers and the provider that follows it; main thread.
std::optional<std::vector<std::string>> chosenServers;
std::weak_ptr<QorvCSNUTPowerSourceProvider> followingProvider;

} // namespace

void QorvCSNUTPowerSourceProvider::chooseServers(std::optional<std::vector<std::string>> servers)
{
    chosenServers = std::move(servers);
    if (auto provider = followingProvider.lock())
        provider->setServers(configuredServers());
}

void QorvCSNUTPowerSourceProvider::setFollowingChoice(const std::shared_ptr<QorvCSNUTPowerSourceProvider>& provider)
{
    followingProvider = provider;
}

void QorvCSNUTPowerSourceProvider::setServers(std::vector<std::string> servers)
{
    qorv::RunLoop* runLoop = nullptr;
    std::function<void()> changed;
    {
        std::lock_guard lock(m_mutex);
        runLoop = m_runLoop;
        changed = m_changed;
    }
    // Cancelled readings end at once, so this joins threads that are about to finish.
    stop();
    bool hadUPSes = false;
    {
        std::lock_guard lock(m_readingMutex);
        for (const auto& server : m_readings)
            hadUPSes = hadUPSes || !server.empty();
        m_servers = parsed(std::move(servers));
        m_readings.assign(m_servers.size(), {});
        m_conditions.clear();
    }
    if (!runLoop)
        return;
    start(*runLoop, changed);
    if (hadUPSes && changed)
        runLoop->perform(changed);
}

std::vector<std::string> QorvCSNUTPowerSourceProvider::configuredServers()
{
    if (chosenServers)
        return *chosenServers;
    return bundleServers();
}

QorvCSNUTPowerSourceProvider::~QorvCSNUTPowerSourceProvider()
{
    stop();
}

std::vector<std::string> QorvCSNUTPowerSourceProvider::bundleServers()
{
    const qorv::Value* value = qorv::Bundle::main().objectForInfoDictionaryKey(QorvCSUPSServersKey);
    const qorv::Value::Array* array = value ? value->asArray() : nullptr;
    if (!array) {
        if (value)
            qorv::logOnce(qorv::format("%@ is not an array; reading localhost:3493", QorvCSUPSServersKey));
        return { "localhost:3493" };
    }
    std::vector<std::string> servers;
    for (const auto& entry : *array) {
        if (const std::string* text = entry.asString())
            servers.push_back(*text);
        else
            qorv::logOnce(qorv::format("%@ has an entry that is not a string; it is left out", QorvCSUPSServersKey));
    }
    return servers;
}

qorv::Value::Array QorvCSNUTPowerSourceProvider::powerSources(const std::set<std::string, std::less<>>&) const
{
    std::lock_guard lock(m_readingMutex);
    qorv::Value::Array sources;
    for (const auto& server : m_readings)
        for (const auto& ups : server)
            sources.emplace_back(QorvCSUPSDescription::describe(ups));
    return sources;
}

void QorvCSNUTPowerSourceProvider::noteCondition(const std::string& subject, const std::string& condition)
{
    auto [entry, added] = m_conditions.try_emplace(subject, "");
    if (entry->second == condition)
        return;
    entry->second = condition;
    if (!condition.empty())
        qorv::log(qorv::format("%@: %@", subject, condition));
    else if (!added)
        qorv::log(qorv::format("%@: read again", subject));
}

bool QorvCSNUTPowerSourceProvider::readServer(size_t index, QorvCSNUTClient& client)
{
    const auto& [label, address] = m_servers[index];
    auto result = client.read(*address, label);
    if (result.error == std::optional<std::string>(QorvCSNUTClient::cancelled))
        return false;
    std::lock_guard lock(m_readingMutex);
    // Nobody listening where nobody ever answered is a computer without a UPS server, not a problem.
    if (!(result.refused && !m_conditions.count("UPS server " + label)))
        noteCondition("UPS server " + label, result.error.value_or(""));
    for (const auto& ups : result.upses) {
        auto problem = ups.variables.find("nut.error");
        noteCondition(qorv::format("UPS %@@%@", ups.name, label),
            problem != ups.variables.end() ? problem->second : std::string());
    }
    if (result.upses == m_readings[index])
        return false;
    m_readings[index] = std::move(result.upses);
    return true;
}

void QorvCSNUTPowerSourceProvider::start(qorv::RunLoop& runLoop, std::function<void()> changed)
{
    std::lock_guard lock(m_mutex);
    if (!m_threads.empty())
        return;
    m_stop = false;
    m_changed = std::move(changed);
    m_runLoop = &runLoop;
    // One thread per server, so one that does not answer delays only its own UPSes.
    // A counter of this start's own, so that a notice of an earlier start still queued cannot count it down.
    size_t servers = 0;
    for (const auto& server : m_servers)
        servers += server.second ? 1 : 0;
    m_awaiting = std::make_shared<std::atomic<size_t>>(servers);
    for (size_t i = 0; i < m_servers.size(); ++i)
        if (m_servers[i].second) {
            m_clients.push_back(std::make_shared<QorvCSNUTClient>(m_connectTimeout));
            m_threads.emplace_back([this, i, client = m_clients.back(), awaiting = m_awaiting, &runLoop] {
                pollUntilStopped(i, *client, awaiting, runLoop);
            });
        }
}

void QorvCSNUTPowerSourceProvider::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_threads.empty()) {
            // Started with no server to read, or not started.
            m_changed = nullptr;
            m_runLoop = nullptr;
            return;
        }
        m_stop = true;
        for (const auto& client : m_clients)
            client->cancel();
    }
    m_wake.notify_all();
    for (auto& thread : m_threads)
        thread.join();
    std::lock_guard lock(m_mutex);
    m_threads.clear();
    m_clients.clear();
    m_awaiting = std::make_shared<std::atomic<size_t>>(0);
    m_changed = nullptr;
    m_runLoop = nullptr;
}

void QorvCSNUTPowerSourceProvider::pollUntilStopped(
    size_t index, QorvCSNUTClient& client, const std::shared_ptr<std::atomic<size_t>>& awaiting, qorv::RunLoop& runLoop)
{
    for (bool first = true;; first = false) {
        const bool changed = readServer(index, client);
        if (changed || first) {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            try {
                runLoop.perform([changed, first, notify = m_changed, awaiting] {
                    if (first)
                        --*awaiting;
                    if (changed && notify)
                        notify();
                });
            } catch (...) {
                // No notice this time (out of memory); the next change brings one.
                if (first)
                    --*awaiting;
            }
        }
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, m_pollInterval, [this] { return m_stop; }))
            return;
    }
}
