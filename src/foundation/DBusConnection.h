#pragma once

#include "RunLoop.h"
#include "Value.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace qorv {

// A connection to a D-Bus bus through sd-bus (libsystemd), dispatched on a RunLoop: the run loop watches the bus's
// one file descriptor and a timer for sd-bus's next time limit. Nothing here waits for the bus: calls and matches
// are asynchronous, every call has a time limit, and replies, errors and signals arrive as callbacks on the run
// loop's thread. Use it from that thread only.
class DBusConnection : public std::enable_shared_from_this<DBusConnection> {
public:
    // The system bus ($DBUS_SYSTEM_BUS_ADDRESS, else the standard socket), or null when there is none to reach.
    // error, when given, receives why.
    static std::shared_ptr<DBusConnection> openSystemBus(RunLoop& runLoop, std::string* error = nullptr);
    ~DBusConnection();
    DBusConnection(const DBusConnection&) = delete;
    DBusConnection& operator=(const DBusConnection&) = delete;

    // The reply's arguments, each read with readValue(); or the error's name and message.
    struct Reply {
        std::vector<Value> arguments;
        std::optional<std::string> errorName; // "org.freedesktop.DBus.Error.ServiceUnknown", ".NoReply" on time-out
        std::string errorMessage;
        bool ok() const { return !errorName; }
    };
    using ReplyHandler = std::function<void(const Reply&)>;
    // Calls a method with string arguments. Returns false when the call could not be queued (the connection is
    // closed); otherwise the handler runs once, with the reply or the error, at the latest after timeout.
    bool callMethod(const std::string& destination, const std::string& path, const std::string& interface,
        const std::string& member, const std::vector<std::string>& arguments, std::chrono::milliseconds timeout,
        ReplyHandler handler);
    // The same with arguments of basic types: signature gives each argument's D-Bus type ("suu"), and each
    // argument must fit it (text for s, o and g; a boolean for b; a number in range for the others). Returns false
    // as well when they do not.
    bool callMethod(const std::string& destination, const std::string& path, const std::string& interface,
        const std::string& member, const std::string& signature, const std::vector<Value>& arguments,
        std::chrono::milliseconds timeout, ReplyHandler handler);

    // A signal as it arrived: where from and its arguments.
    struct Signal {
        std::string path;
        std::string interface;
        std::string member;
        std::vector<Value> arguments;
    };
    using SignalHandler = std::function<void(const Signal&)>;
    using MatchId = uint64_t;
    // Follows the signals a match rule selects ("type='signal',sender='org.freedesktop.UPower'"). 0 on failure.
    MatchId addMatch(const std::string& rule, SignalHandler handler);
    void removeMatch(MatchId id);

    // Called once when the bus goes away (its daemon stopped); the connection is then closed.
    void setClosedHandler(std::function<void()> handler) { m_closedHandler = std::move(handler); }
    bool isOpen() const { return m_bus != nullptr; }

    // The next complete value of a message (a basic value, an array, a dictionary with basic keys, a structure as an
    // array, a variant as its contents), or nullopt when there is none or it cannot be read.
    static std::optional<Value> readValue(sd_bus_message* message);
    // Every remaining argument of a message.
    static std::vector<Value> readArguments(sd_bus_message* message);

private:
    DBusConnection(sd_bus* bus, RunLoop& runLoop);
    void attach();
    void dispatch();
    void scheduleTimer();
    void close();

    sd_bus* m_bus;
    RunLoop& m_runLoop;
    RunLoop::Id m_source = 0;
    RunLoop::Id m_timer = 0;
    std::map<MatchId, sd_bus_slot*> m_matches;
    MatchId m_nextMatch = 1;
    std::function<void()> m_closedHandler;
};

} // namespace qorv
