#pragma once

#include <map>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

// Fake power_supply devices that libudev (and so the code under test) sees as real, through umockdev's testbed.
// The test binary runs with umockdev's preload library (see PowerTestMain.cpp). One testbed at a time.
class FakePowerSupplies {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    FakePowerSupplies();
    ~FakePowerSupplies();
    FakePowerSupplies(const FakePowerSupplies&) = delete;
    FakePowerSupplies& operator=(const FakePowerSupplies&) = delete;

    // True when sysfs and the udev monitor are redirected to testbeds in this process.
    static bool available();

    // Adds a device and returns its sysfs path. parent: a path returned earlier, or empty.
    std::string addDevice(const std::string& subsystem, const std::string& name, const Attributes& attributes,
        const std::string& parent = {});
    std::string addSupply(const std::string& name, const Attributes& attributes, const std::string& parent = {})
    {
        return addDevice("power_supply", name, attributes, parent);
    }
    // Every device of a umockdev description file (tests/data/power), as umockdev-record writes them.
    void addFromFile(const std::string& path);
    // A USB device to hang supplies from.
    std::string addUSBDevice(const std::string& name);

    void setAttribute(const std::string& path, const std::string& name, const std::string& value);
    void remove(const std::string& path);
    // Sends a uevent ("add", "remove", "change") for the device to udev monitors.
    void uevent(const std::string& path, const std::string& action);

private:
    UMockdevTestbed* m_testbed;
};
