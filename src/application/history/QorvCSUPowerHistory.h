#pragma once

#include "QorvCSHistoryStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What the history needs from UPower (org.freedesktop.UPower on the system bus): its devices and each device's
// GetHistory. One implementation talks to the daemon (QorvCSUPowerSDBusClient); tests give their own.
class QorvCSUPowerHistoryClient {
public:
    struct Device {
        std::string path; // the device's object path
        uint32_t type = 0; // UPower's kind: 2 is a battery
        bool powerSupply = false; // powers the system
        std::string vendor, model, serial; // as the kernel's manufacturer, model_name and serial_number give them
    };
    struct Point {
        int64_t time = 0; // seconds since the epoch
        double value = 0; // percent for "charge", watts for "rate"
        uint32_t state = 0; // UPower's device state: 1 charging, 2 discharging, 3 empty, 4 full, 5/6 pending
    };

    virtual ~QorvCSUPowerHistoryClient() = default;
    // Empty when UPower does not run.
    virtual std::vector<Device> devices() = 0;
    // kind: "charge" or "rate"; the points of the last `timespan` seconds, at most `resolution` of them.
    virtual std::vector<Point> history(
        const std::string& path, std::string_view kind, uint32_t timespan, uint32_t resolution)
        = 0;
};

// Fills the history with what UPower recorded before we did, so a battery has a history from the first start.
class QorvCSUPowerHistory {
public:
    static constexpr uint32_t timespan = 7 * 24 * 3600;
    static constexpr uint32_t resolution = 2000;
    // A UPower point this close to one of our own samples adds nothing.
    static constexpr int64_t covered = 90;
    // The rate point read with a charge point may be this far from it.
    static constexpr int64_t rateDistance = 300;

    // Writes, for each of the client's system batteries that has a serial number, the charge points of the last
    // week that our own samples do not cover, with the nearest rate. Importing again adds nothing new. Returns how
    // many samples were written.
    static size_t import(QorvCSUPowerHistoryClient& client, QorvCSHistoryStore& store, int64_t now);
};
