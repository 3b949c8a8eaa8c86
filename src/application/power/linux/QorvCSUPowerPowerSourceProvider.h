#pragma once

#include "QorvCSPowerSourceProvider.h"

#include "foundation/DBusConnection.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// The devices the desktop's UPower daemon knows on the system bus, for those the kernel's power_supply class does
// not have (Bluetooth headsets, game controllers and mice reporting through BlueZ). Everything runs on the run
// loop through sd-bus without waiting: the devices are enumerated when UPower appears, then followed by its
// DeviceAdded, DeviceRemoved and PropertiesChanged signals; UPower going away empties the list. Without a system
// bus or without UPower it reports nothing and logs nothing.
class QorvCSUPowerPowerSourceProvider : public QorvCSPowerSourceProvider,
                                        public std::enable_shared_from_this<QorvCSUPowerPowerSourceProvider> {
public:
    // callTimeout: how long a call to UPower may take before it counts as unanswered.
    explicit QorvCSUPowerPowerSourceProvider(std::chrono::milliseconds callTimeout = std::chrono::seconds(5));
    ~QorvCSUPowerPowerSourceProvider() override;

    qorv::Value::Array powerSources(const std::set<std::string, std::less<>>& kernelSupplies) const override;
    void start(qorv::RunLoop& runLoop, std::function<void()> changed) override;
    void stop() override;
    bool isAwaitingFirstReading() const override { return m_awaiting > 0; }

    // One device's description from its UPower properties, or null for what is not a power source of its own
    // (line power, whose adapter the kernel describes).
    static qorv::Value describe(const std::string& objectPath, const qorv::Value::Dictionary& properties);

private:
    void connect();
    void enumerate();
    // initial: one of the devices the enumeration found, awaited by isAwaitingFirstReading().
    void readDevice(const std::string& path, bool initial = false);
    void forgetDevice(const std::string& path);
    void mergeProperties(const std::string& path, const qorv::Value::Dictionary& changed);
    void forgetAll();
    void changed();

    std::chrono::milliseconds m_callTimeout;
    qorv::RunLoop* m_runLoop = nullptr;
    std::function<void()> m_changed;
    std::shared_ptr<qorv::DBusConnection> m_bus;
    size_t m_awaiting = 0; // the first enumeration's calls not yet answered
    uint64_t m_generation = 0; // replies to calls of an earlier UPower instance or connection are dropped

    mutable std::mutex m_mutex; // guards m_devices, read by powerSources() from any thread
    std::map<std::string, qorv::Value::Dictionary> m_devices; // object path → properties
};
