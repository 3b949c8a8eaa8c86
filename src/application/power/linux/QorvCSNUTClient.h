#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One UPS as an upsd server lists it, with every variable it serves (NUT's names: "battery.charge", "ups.status").
struct QorvCSUPSReading {
    std::string server; // "host:port" as configured
    std::string name; // the UPS's name on that server, "myups"
    std::string description; // upsd's description of it, may be empty
    std::map<std::string, std::string> variables;

    bool operator==(const QorvCSUPSReading&) const = default;
};

// A client of Network UPS Tools' upsd, through NUT's own libupsclient. Blocking: use it off the main thread. Each
// step is bounded (the connection by connectTimeout, every reply by libupsclient's few-second network timeout),
// and cancel() from another thread ends a reading at once, so a server that accepts and never answers holds up
// nobody for long.
class QorvCSNUTClient {
public:
    struct Address {
        std::string host;
        uint16_t port = 3493;
        bool operator==(const Address&) const = default;
    };
    // "host", "host:port", "[v6 address]:port"; nullopt for an empty host or a port outside 1–65535.
    static std::optional<Address> parseAddress(std::string_view text);

    // What one reading of a server gave: its UPSes, or a failure in words ("Connection refused").
    struct Result {
        std::vector<QorvCSUPSReading> upses;
        std::optional<std::string> error;
        bool refused = false; // nothing listens there (the usual case of a desktop without a UPS)
    };

    // Result::error after cancel().
    static constexpr std::string_view cancelled = "Cancelled";

    explicit QorvCSNUTClient(std::chrono::milliseconds connectTimeout = std::chrono::seconds(2));
    QorvCSNUTClient(const QorvCSNUTClient&) = delete;
    QorvCSNUTClient& operator=(const QorvCSNUTClient&) = delete;

    // Connects, lists the server's UPSes and their variables, disconnects. A UPS whose variables cannot be read
    // (its driver is not connected, its data is stale) is listed with a single variable "nut.error" saying why.
    Result read(const Address& address, const std::string& label);
    // Ends the reading under way (if any) and every later one. Any thread.
    void cancel();

private:
    std::chrono::milliseconds m_connectTimeout;
    std::mutex m_mutex; // guards the two below
    int m_activeFd = -1;
    bool m_cancelled = false;
};
