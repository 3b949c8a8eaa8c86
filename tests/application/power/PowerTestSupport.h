#pragma once

#include "FakePowerSupplies.h"

#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace power_test {

using namespace std::chrono_literals;

// Typical sysfs readings of the supplies the tests plug in (units as the kernel gives them).
inline FakePowerSupplies::Attributes laptopBattery()
{
    return { { "type", "Battery" }, { "status", "Discharging" }, { "present", "1" }, { "technology", "Li-ion" },
        { "cycle_count", "153" }, { "voltage_min_design", "11400000" }, { "voltage_now", "11820000" },
        { "power_now", "9450000" }, { "energy_full_design", "57000000" }, { "energy_full", "51300000" },
        { "energy_now", "39672000" }, { "capacity", "77" }, { "capacity_level", "Normal" },
        { "model_name", "5B10W13930" }, { "manufacturer", "SMP" }, { "serial_number", "1234" } };
}

inline FakePowerSupplies::Attributes mainsAdapter(const std::string& online = "1")
{
    return { { "type", "Mains" }, { "online", online } };
}

inline FakePowerSupplies::Attributes usbPDAdapter()
{
    return { { "type", "USB" }, { "usb_type", "C [PD] PD_PPS" }, { "online", "1" }, { "voltage_max", "20000000" },
        { "current_max", "3250000" }, { "voltage_now", "20000000" }, { "current_now", "3000000" },
        { "scope", "Unknown" } };
}

// Resource directories for one test: a private folder searched before the build's resources, holding an
// Info.plist with a short poll interval and no UPS servers, and whatever diagnostic files the test writes.
class TestResources {
public:
    explicit TestResources(double pollSeconds = 0.05)
    {
        char pattern[] = "/tmp/cellsheet-power-XXXXXX";
        m_directory = mkdtemp(pattern);
        writePlist("Info.plist",
            qorv::Value(qorv::Value::Dictionary { { "QorvCSPowerSourceBridgePollInterval", pollSeconds },
                // Only the fake supplies: no UPS server of the machine the tests run on.
                { "QorvCSUPSServers", qorv::Value::Array {} } }));
        qorv::Bundle::main().setResourceDirectories({ m_directory, CELLSHEET_BUILD_RESOURCES });
    }
    ~TestResources()
    {
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
        std::error_code ec;
        std::filesystem::remove_all(m_directory, ec);
    }
    TestResources(const TestResources&) = delete;
    TestResources& operator=(const TestResources&) = delete;

    void writePlist(const std::string& name, const qorv::Value& value)
    {
        ASSERT_EQ(qorv::PropertyList::writeXMLFile(m_directory + "/" + name, value), "");
        reload();
    }
    void writeFile(const std::string& name, const std::string& contents)
    {
        std::filesystem::create_directories(std::filesystem::path(m_directory + "/" + name).parent_path());
        std::ofstream(m_directory + "/" + name) << contents;
        reload();
    }
    const std::string& directory() const { return m_directory; }

private:
    // The bundle caches Info.plist and tables; setting the directories again drops the caches.
    void reload() { qorv::Bundle::main().setResourceDirectories({ m_directory, CELLSHEET_BUILD_RESOURCES }); }

    std::string m_directory;
};

// Counts the notifications of one name while it lives.
class NotificationCounter {
public:
    explicit NotificationCounter(std::string_view name)
    {
        qorv::NotificationCenter::defaultCenter().addObserver(
            this, [this](const qorv::Notification& n) { m_objects.push_back(n.object); }, std::string(name));
    }
    ~NotificationCounter() { qorv::NotificationCenter::defaultCenter().removeObserver(this); }
    NotificationCounter(const NotificationCounter&) = delete;
    NotificationCounter& operator=(const NotificationCounter&) = delete;

    size_t count() const { return m_objects.size(); }
    const std::vector<const void*>& objects() const { return m_objects; }

private:
    std::vector<const void*> m_objects;
};

// Runs the main run loop for the given time (whatever happens).
inline void runMainLoopFor(std::chrono::milliseconds duration)
{
    qorv::RunLoop::main().runUntil([] { return false; }, duration);
}

// Runs the main run loop until done() or a generous limit.
inline bool runMainLoopUntil(const std::function<bool()>& done)
{
    return qorv::RunLoop::main().runUntil(done, 5s);
}

} // namespace power_test
