#pragma once

#include "foundation/Value.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One device of the kernel's power_supply class as read from sysfs: its attribute files and where it sits.
// Units are the kernel's: µV, µA, µAh, µWh, µW, tenths of °C, percent, seconds.
struct QorvCSPowerSupply {
    std::string name; // kernel name, "BAT0", "AC", "ucsi-source-psy-USBC000:001"
    std::string sysPath; // "/sys/devices/.../power_supply/BAT0"
    bool onUSB = false; // a USB device is among its ancestors
    bool onBluetooth = false; // a Bluetooth controller or uhid (Bluetooth HID) is among its ancestors
    std::map<std::string, std::string, std::less<>> attributes; // file name → contents, trailing newline removed

    bool operator==(const QorvCSPowerSupply&) const = default;

    // The file's contents, or nullopt when the file is missing or empty.
    std::optional<std::string_view> attribute(std::string_view file) const;
    // The file's contents as a whole decimal integer, or nullopt.
    std::optional<int64_t> integer(std::string_view file) const;
};

// Turns power_supply readings into descriptions in the key vocabulary the rest of the application (rule files,
// translations, diagnostic files) shares across systems, each followed by every attribute file of the supply
// under its own name. No key is made up where the kernel gives no value.
class QorvCSPowerSupplyDescription {
public:
    // One dictionary per battery or UPS, in the given order (which should be kernel-name order, so that
    // "InternalBattery-<n>" counts as the kernel does).
    static qorv::Value::Array powerSources(const std::vector<QorvCSPowerSupply>& supplies);
    // The online mains, USB or wireless supply that powers the system (scope not "Device") and carries the power
    // contract (a USB-C PD charger rather than the ACPI "AC" flag beside it), naming any other online one; or null.
    static qorv::Value powerAdapter(const std::vector<QorvCSPowerSupply>& supplies);

    // A stable, positive identifier for a device path (32-bit FNV-1a, top bit cleared).
    static int64_t powerSourceID(std::string_view sysPath);
};
