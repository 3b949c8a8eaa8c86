#pragma once

#include "QorvCSPowerSourceService.h"
#include "linux/QorvCSPowerSupply.h"

#include <chrono>
#include <map>
#include <memory>
#include <vector>

struct udev;

inline constexpr std::string_view QorvCSPowerSourceBridgePollIntervalKey = "QorvCSPowerSourceBridgePollInterval";

// The kernel's power_supply class, enumerated with libudev. Changes arrive two ways: the udev monitor's socket
// (plugging, unplugging, status changes) and a poll, because the kernel sends no event for most changes of
// charge; the poll notifies only when a reading actually changed.
class QorvCSLinuxPowerSourceService : public QorvCSPowerSourceService,
                                      public std::enable_shared_from_this<QorvCSLinuxPowerSourceService> {
public:
    // pollInterval: how often the change source compares readings; see defaultPollInterval().
    explicit QorvCSLinuxPowerSourceService(std::chrono::milliseconds pollInterval = defaultPollInterval());
    ~QorvCSLinuxPowerSourceService() override;
    QorvCSLinuxPowerSourceService(const QorvCSLinuxPowerSourceService&) = delete;
    QorvCSLinuxPowerSourceService& operator=(const QorvCSLinuxPowerSourceService&) = delete;

    // Info.plist's "QorvCSPowerSourceBridgePollInterval" (seconds) when it is a positive number, else 5 s.
    static std::chrono::milliseconds defaultPollInterval();
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }

    // Every power_supply device, sorted by kernel name. Empty when udev cannot be used.
    std::vector<QorvCSPowerSupply> powerSupplies() const;

    qorv::Value::Array copyPowerSourceDescriptions() override;
    qorv::Value copyExternalPowerAdapterDetails() override;
    std::shared_ptr<QorvCSPowerSourceChangeSource> createChangeSource(
        QorvCSPowerSourceChangeSource::Callback callback, void* context) override;

    struct udev* udevContext() const { return m_udev; }

private:
    struct udev* m_udev = nullptr;
    std::chrono::milliseconds m_pollInterval;
    struct Connection {
        bool onUSB = false; // a USB device is among its ancestors
        bool onBluetooth = false; // a Bluetooth controller or uhid is among its ancestors
    };
    mutable std::map<std::string, Connection> m_connections; // device path → where it hangs
};
