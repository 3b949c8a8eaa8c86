#include "QorvCSPowerSourceController.h"

QorvCSPowerSourceController::QorvCSPowerSourceController()
{
    qorv::NotificationCenter::defaultCenter().addObserver(
        this, [this](const qorv::Notification& n) { bridgeDidNotify(n); },
        std::string(QorvCSPowerSourceBridgeNotificationSourcesDidChange));
    try {
        setSources(std::make_shared<const Sources>());
        refresh();
    } catch (...) {
        // No destructor runs for a half-made object; leave no registration behind.
        qorv::NotificationCenter::defaultCenter().removeObserver(this);
        throw;
    }
}

QorvCSPowerSourceController::~QorvCSPowerSourceController()
{
    qorv::NotificationCenter::defaultCenter().removeObserver(this);
    setBridge(nullptr);
    setSources(nullptr);
    setPowerAdapter(nullptr);
}

void QorvCSPowerSourceController::bridgeDidNotify(const qorv::Notification&)
{
    refresh();
}

void QorvCSPowerSourceController::refresh()
{
    // One reading for both values: the system is read once per change.
    auto descriptions = bridge()->rawDescriptions();
    auto newSources = std::make_shared<Sources>();
    for (auto& description : descriptions.powerSources)
        newSources->push_back(QorvCSPowerSource::powerSourceWithRawSource(std::move(description)));
    setSources(std::move(newSources));

    qorv::Value& adapter = descriptions.powerAdapter;
    setPowerAdapter(adapter.isNull() ? nullptr : QorvCSPowerAdapter::powerSourceWithRawSource(std::move(adapter)));
}

const std::shared_ptr<QorvCSPowerSourceBridge>& QorvCSPowerSourceController::bridge()
{
    if (!m_bridge)
        setBridge(std::make_shared<QorvCSPowerSourceBridge>());
    return m_bridge;
}

void QorvCSPowerSourceController::setBridge(std::shared_ptr<QorvCSPowerSourceBridge> bridge)
{
    if (bridge != m_bridge)
        m_bridge = std::move(bridge);
}

std::shared_ptr<const QorvCSPowerSourceController::Sources> QorvCSPowerSourceController::sources() const
{
    std::lock_guard lock(m_mutex);
    return m_sources;
}

void QorvCSPowerSourceController::setSources(std::shared_ptr<const Sources> sources)
{
    {
        std::lock_guard lock(m_mutex);
        m_sources = std::move(sources);
    }
    didChangeValueForKey("sources");
}

std::shared_ptr<QorvCSPowerSource> QorvCSPowerSourceController::powerAdapter() const
{
    std::lock_guard lock(m_mutex);
    return m_powerAdapter;
}

void QorvCSPowerSourceController::setPowerAdapter(std::shared_ptr<QorvCSPowerSource> powerAdapter)
{
    {
        std::lock_guard lock(m_mutex);
        m_powerAdapter = std::move(powerAdapter);
    }
    didChangeValueForKey("powerAdapter");
}
