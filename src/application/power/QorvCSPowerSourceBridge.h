#pragma once

#include "QorvCSPowerSourceService.h"

#include "foundation/RunLoop.h"
#include "foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view QorvCSPowerSourceBridgeNotificationSourcesDidChange
    = "QorvCSPowerSourceBridgeNotificationSourcesDidChange";

// The only class that talks to the system's power-source service. It reads the power-source and adapter
// descriptions afresh on every call, lets diagnostic files among the resources replace either reading, and turns
// the service's change notices into "QorvCSPowerSourceBridgeNotificationSourcesDidChange" (object: the bridge).
// Main thread only.
class QorvCSPowerSourceBridge {
public:
    // Reads the system's service and schedules its change source on the main run loop.
    QorvCSPowerSourceBridge();
    // Reads the given service instead (another system's, or a benchmark's).
    explicit QorvCSPowerSourceBridge(std::shared_ptr<QorvCSPowerSourceService> service);
    virtual ~QorvCSPowerSourceBridge();
    QorvCSPowerSourceBridge(const QorvCSPowerSourceBridge&) = delete;
    QorvCSPowerSourceBridge& operator=(const QorvCSPowerSourceBridge&) = delete;

    virtual std::string_view className() const { return "QorvCSPowerSourceBridge"; }

    // Path of the resource "<class name><suffix>.plist", or nullopt.
    std::optional<std::string> debugPathFor(std::string_view suffix) const;
    // The array of the "PowerSources" file; nullopt when absent, unreadable or not an array.
    std::optional<qorv::Value::Array> debugPowerSources() const;
    // The dictionary of the "PowerAdapter" file; null when absent, unreadable or not a dictionary.
    qorv::Value debugPowerAdapter() const;

    // The run loop the change source is scheduled on (not owned; the main run loop outlives every bridge).
    qorv::RunLoop* runLoop() const { return m_runLoop; }
    // Does not move an installed change source; set it before installing one.
    void setRunLoop(qorv::RunLoop* runLoop) { m_runLoop = runLoop; }

    const std::shared_ptr<QorvCSPowerSourceChangeSource>& powerSourceLoop() const { return m_powerSourceLoop; }
    // Unschedules and releases the held source, then holds and schedules the new one. The same source again
    // changes nothing.
    void setPowerSourceLoop(std::shared_ptr<QorvCSPowerSourceChangeSource> powerSourceLoop);

    // The power-source descriptions: the diagnostic file's array when there is one, else the system's. Never
    // null; empty when there are none.
    qorv::Value::Array rawPowerSources() const;
    // The adapter description: the diagnostic file's dictionary when there is one, else the system's; null when
    // no adapter is known.
    qorv::Value rawPowerAdapter() const;
    // Both, from one reading of the system (the change source's own when it has just read it).
    QorvCSPowerSourceService::Descriptions rawDescriptions() const;

    const std::shared_ptr<QorvCSPowerSourceService>& service() const { return m_service; }
    // Whether the service has a source that has not been read once yet (see QorvCSPowerSourceService).
    bool isAwaitingFirstReading() const { return m_service && m_service->isAwaitingFirstReading(); }

private:
    qorv::RunLoop* m_runLoop = nullptr;
    std::shared_ptr<QorvCSPowerSourceChangeSource> m_powerSourceLoop;
    std::shared_ptr<QorvCSPowerSourceService> m_service;
};

// The change source's callback; context is the bridge. Posts the notification, then logs "notified: %p".
void QorvCSPowerSourceBridgeCallback(void* context);
