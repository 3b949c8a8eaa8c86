#pragma once

#include "QorvCSPowerAdapter.h"
#include "QorvCSPowerSource.h"
#include "QorvCSPowerSourceBridge.h"

#include "foundation/KeyValueObserving.h"
#include "foundation/NotificationCenter.h"

#include <memory>
#include <mutex>
#include <vector>

// Keeps the current power sources and adapter. It refreshes once when made and again on every notice from any
// bridge; each refresh replaces both values with new objects and announces "sources", then "powerAdapter",
// whether or not anything changed. Main thread only (the getters may be read from any thread).
class QorvCSPowerSourceController : public qorv::Observable {
public:
    using Sources = std::vector<std::shared_ptr<QorvCSPowerSource>>;

    QorvCSPowerSourceController();
    ~QorvCSPowerSourceController() override;
    QorvCSPowerSourceController(const QorvCSPowerSourceController&) = delete;
    QorvCSPowerSourceController& operator=(const QorvCSPowerSourceController&) = delete;

    virtual std::string_view className() const { return "QorvCSPowerSourceController"; }

    void bridgeDidNotify(const qorv::Notification& notification);
    void refresh();

    // Made on first use.
    const std::shared_ptr<QorvCSPowerSourceBridge>& bridge();
    void setBridge(std::shared_ptr<QorvCSPowerSourceBridge> bridge);
    // Whether the bridge's service still awaits a source's first reading (false without a bridge).
    bool isAwaitingFirstReading() const { return m_bridge && m_bridge->isAwaitingFirstReading(); }

    // In the bridge's order; empty, never null.
    std::shared_ptr<const Sources> sources() const;
    void setSources(std::shared_ptr<const Sources> sources);
    // Null when no adapter is described.
    std::shared_ptr<QorvCSPowerSource> powerAdapter() const;
    void setPowerAdapter(std::shared_ptr<QorvCSPowerSource> powerAdapter);

private:
    std::shared_ptr<QorvCSPowerSourceBridge> m_bridge;
    mutable std::mutex m_mutex; // guards the two observed values, which are read whole
    std::shared_ptr<const Sources> m_sources;
    std::shared_ptr<QorvCSPowerSource> m_powerAdapter;
};
