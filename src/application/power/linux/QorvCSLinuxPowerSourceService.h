#pragma once

#include "QorvCSPowerSourceService.h"
#include "linux/QorvCSPowerSupply.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct udev;

inline constexpr std::string_view QorvCSPowerSourceBridgePollIntervalKey = "QorvCSPowerSourceBridgePollInterval";

// The kernel's power_supply class, enumerated with libudev. Changes arrive two ways: the udev monitor's socket
// (plugging, unplugging, status changes) and a poll, because the kernel sends no event for most changes of
// charge; the poll notifies only when a reading actually changed. The change source reads on a thread of its own
// (a slow embedded controller must not hold up the window) and hands the reading that showed the change to the
// next copyDescriptions(), so each change is read once.
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

    // Every power_supply device, sorted by kernel name. Empty when udev cannot be used. Any thread.
    std::vector<QorvCSPowerSupply> powerSupplies() const;
    // How many times the supplies were read (for tests and benchmarks).
    unsigned long readCount() const { return m_readCount; }

    qorv::Value::Array copyPowerSourceDescriptions() override;
    qorv::Value copyExternalPowerAdapterDetails() override;
    Descriptions copyDescriptions() override;
    // The reading the change source handed over, or a fresh one.
    std::vector<QorvCSPowerSupply> takeReading();
    // Keeps a reading for the next copyDescriptions() (the change source's, made on its thread).
    void handOver(std::vector<QorvCSPowerSupply> supplies);
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
    mutable std::mutex m_readMutex; // libudev's context is not thread-safe: one reading at a time
    mutable std::map<std::string, Connection> m_connections; // device path → where it hangs
    mutable std::atomic<unsigned long> m_readCount { 0 };
    std::mutex m_handOverMutex;
    std::optional<std::vector<QorvCSPowerSupply>> m_handedOver;
};
