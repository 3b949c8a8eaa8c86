#pragma once

#include "QorvCSUPowerHistory.h"

#include "foundation/DBusConnection.h"
#include "foundation/RunLoop.h"

#include <memory>
#include <optional>

// UPower's devices and history over the system bus. Every failure (no bus, no UPower, a device that went) reads as
// nothing; a call waits at most two seconds. The client has a run loop of its own that it runs while it waits, so
// it may be used from any one thread (the history recorder's) without touching the main run loop.
class QorvCSUPowerSDBusClient : public QorvCSUPowerHistoryClient {
public:
    // The system bus ($DBUS_SYSTEM_BUS_ADDRESS when set), or null when it cannot be reached.
    static std::unique_ptr<QorvCSUPowerSDBusClient> system();

    ~QorvCSUPowerSDBusClient() override;
    QorvCSUPowerSDBusClient(const QorvCSUPowerSDBusClient&) = delete;
    QorvCSUPowerSDBusClient& operator=(const QorvCSUPowerSDBusClient&) = delete;

    std::vector<Device> devices() override;
    std::vector<Point> history(
        const std::string& path, std::string_view kind, uint32_t timespan, uint32_t resolution) override;

private:
    QorvCSUPowerSDBusClient();
    // The reply's arguments, or nullopt on an error, a time-out or a call that could not be made.
    std::optional<std::vector<qorv::Value>> call(const std::string& path, const std::string& interface,
        const std::string& member, const std::string& signature, const std::vector<qorv::Value>& arguments);

    qorv::RunLoop m_runLoop;
    // After the run loop, so that it leaves the loop before the loop goes.
    std::shared_ptr<qorv::DBusConnection> m_bus;
};
