#pragma once

#include "QorvCSUPowerHistory.h"

#include <memory>

struct sd_bus;

// UPower's devices and history over the system bus, with sd-bus. Every failure (no bus, no UPower, a device
// that went) reads as nothing; a call waits at most two seconds.
class QorvCSUPowerSDBusClient : public QorvCSUPowerHistoryClient {
public:
    // The system bus ($DBUS_SYSTEM_BUS_ADDRESS when set), or null when it cannot be reached.
    static std::unique_ptr<QorvCSUPowerSDBusClient> system();

    explicit QorvCSUPowerSDBusClient(sd_bus* bus);
    ~QorvCSUPowerSDBusClient() override;
    QorvCSUPowerSDBusClient(const QorvCSUPowerSDBusClient&) = delete;
    QorvCSUPowerSDBusClient& operator=(const QorvCSUPowerSDBusClient&) = delete;

    std::vector<Device> devices() override;
    std::vector<Point> history(
        const std::string& path, std::string_view kind, uint32_t timespan, uint32_t resolution) override;

private:
    sd_bus* m_bus;
};
