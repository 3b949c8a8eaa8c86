#include "DBusConnection.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>

namespace qorv {

namespace {

struct CallContext {
    DBusConnection::ReplyHandler handler;
};

struct MatchContext {
    DBusConnection::SignalHandler handler;
};

int onReply(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto* context = static_cast<CallContext*>(userdata);
    DBusConnection::Reply reply;
    if (const sd_bus_error* error = sd_bus_message_get_error(message)) {
        reply.errorName = error->name ? error->name : "org.freedesktop.DBus.Error.Failed";
        reply.errorMessage = error->message ? error->message : "";
    } else {
        reply.arguments = DBusConnection::readArguments(message);
    }
    if (context->handler)
        context->handler(reply);
    return 0;
}

int onSignal(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto* context = static_cast<MatchContext*>(userdata);
    DBusConnection::Signal signal;
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    signal.path = text(sd_bus_message_get_path(message));
    signal.interface = text(sd_bus_message_get_interface(message));
    signal.member = text(sd_bus_message_get_member(message));
    signal.arguments = DBusConnection::readArguments(message);
    if (context->handler)
        context->handler(signal);
    return 0;
}

template <typename T> void destroy(void* userdata)
{
    delete static_cast<T*>(userdata);
}

template <typename T> std::optional<Value> readBasic(sd_bus_message* message, char type)
{
    T value {};
    if (sd_bus_message_read_basic(message, type, &value) <= 0)
        return std::nullopt;
    if constexpr (std::is_same_v<T, const char*>)
        return Value(std::string(value ? value : ""));
    else if constexpr (std::is_same_v<T, double>)
        return Value(value);
    else if constexpr (std::is_unsigned_v<T>)
        return Value(static_cast<unsigned long long>(value));
    else
        return Value(static_cast<long long>(value));
}

// The element signature inside "{...}".
std::string entrySignature(const char* contents)
{
    std::string s = contents ? contents : "";
    if (s.size() >= 2 && s.front() == '{' && s.back() == '}')
        return s.substr(1, s.size() - 2);
    return s;
}

template <typename T> int appendAs(sd_bus_message* message, char type, T value)
{
    return sd_bus_message_append_basic(message, type, &value);
}

// Appends value as a basic D-Bus value of the given type; negative when it does not fit.
int appendBasic(sd_bus_message* message, char type, const Value& value)
{
    const auto* text = value.asString();
    const auto* flag = value.asBoolean();
    const auto integer = value.isNumber() ? value.asInteger() : std::nullopt;
    const auto unsignedInteger = value.isNumber() ? value.asUnsigned() : std::nullopt;
    const int64_t whole = integer.value_or(0);
    const uint64_t natural = unsignedInteger.value_or(0);
    auto upTo = [&](uint64_t highest) { return unsignedInteger && natural <= highest; };
    auto between = [&](int64_t lowest, int64_t highest) { return integer && whole >= lowest && whole <= highest; };
    switch (type) {
    case 's':
    case 'o':
    case 'g':
        return text ? sd_bus_message_append_basic(message, type, text->c_str()) : -EINVAL;
    case 'b':
        return flag ? appendAs<int>(message, type, *flag) : -EINVAL;
    case 'd':
        return value.isNumber() ? appendAs(message, type, *value.asReal()) : -EINVAL;
    case 'y':
        return upTo(UINT8_MAX) ? appendAs<uint8_t>(message, type, natural) : -ERANGE;
    case 'q':
        return upTo(UINT16_MAX) ? appendAs<uint16_t>(message, type, natural) : -ERANGE;
    case 'u':
        return upTo(UINT32_MAX) ? appendAs<uint32_t>(message, type, natural) : -ERANGE;
    case 't':
        return unsignedInteger ? appendAs<uint64_t>(message, type, natural) : -ERANGE;
    case 'n':
        return between(INT16_MIN, INT16_MAX) ? appendAs<int16_t>(message, type, whole) : -ERANGE;
    case 'i':
        return between(INT32_MIN, INT32_MAX) ? appendAs<int32_t>(message, type, whole) : -ERANGE;
    case 'x':
        return integer ? appendAs<int64_t>(message, type, whole) : -ERANGE;
    default:
        return -EINVAL;
    }
}

uint64_t monotonicMicroseconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

} // namespace

std::shared_ptr<DBusConnection> DBusConnection::openSystemBus(RunLoop& runLoop, std::string* error)
{
    sd_bus* bus = nullptr;
    // Connecting to a local socket does not wait for the daemon; sd-bus sends its greeting asynchronously.
    const int r = sd_bus_open_system(&bus);
    if (r < 0) {
        if (error)
            *error = std::strerror(-r);
        return nullptr;
    }
    std::shared_ptr<DBusConnection> connection(new DBusConnection(bus, runLoop));
    connection->attach();
    return connection;
}

DBusConnection::DBusConnection(sd_bus* bus, RunLoop& runLoop)
    : m_bus(bus)
    , m_runLoop(runLoop)
{ }

DBusConnection::~DBusConnection()
{
    m_closedHandler = nullptr;
    close();
}

void DBusConnection::attach()
{
    std::weak_ptr<DBusConnection> weak = weak_from_this();
    m_source = m_runLoop.addSource(sd_bus_get_fd(m_bus), [weak] {
        if (auto self = weak.lock())
            self->dispatch();
    });
    scheduleTimer();
}

void DBusConnection::close()
{
    if (!m_bus)
        return;
    if (m_source)
        m_runLoop.removeSource(m_source);
    if (m_timer)
        m_runLoop.removeTimer(m_timer);
    m_source = m_timer = 0;
    for (auto& [id, slot] : m_matches)
        sd_bus_slot_unref(slot);
    m_matches.clear();
    // No flush: a hung daemon must not hold up the caller. Pending calls' handlers are dropped with their slots.
    sd_bus_close_unref(m_bus);
    m_bus = nullptr;
}

void DBusConnection::dispatch()
{
    if (!m_bus)
        return;
    auto keep = shared_from_this(); // a handler may release the last other reference
    int r = 0;
    while (m_bus && (r = sd_bus_process(m_bus, nullptr)) > 0) { }
    if (!m_bus)
        return;
    if (r < 0) {
        close();
        if (auto handler = std::move(m_closedHandler))
            handler();
        return;
    }
    scheduleTimer();
}

void DBusConnection::scheduleTimer()
{
    if (!m_bus)
        return;
    if (m_timer)
        m_runLoop.removeTimer(m_timer);
    m_timer = 0;
    uint64_t due = UINT64_MAX;
    sd_bus_get_timeout(m_bus, &due);
    std::chrono::milliseconds delay(0);
    // A message that could not be written at once waits for the socket: come back soon rather than watch for POLLOUT.
    if (sd_bus_get_events(m_bus) & POLLOUT)
        delay = std::chrono::milliseconds(10);
    else if (due == UINT64_MAX)
        return;
    else if (const uint64_t now = monotonicMicroseconds(); due > now)
        delay = std::chrono::milliseconds((due - now + 999) / 1000);
    std::weak_ptr<DBusConnection> weak = weak_from_this();
    m_timer = m_runLoop.addTimer(delay, false, [weak] {
        if (auto self = weak.lock()) {
            self->m_timer = 0;
            self->dispatch();
        }
    });
}

bool DBusConnection::callMethod(const std::string& destination, const std::string& path, const std::string& interface,
    const std::string& member, const std::vector<std::string>& arguments, std::chrono::milliseconds timeout,
    ReplyHandler handler)
{
    return callMethod(destination, path, interface, member, std::string(arguments.size(), 's'),
        std::vector<Value>(arguments.begin(), arguments.end()), timeout, std::move(handler));
}

bool DBusConnection::callMethod(const std::string& destination, const std::string& path, const std::string& interface,
    const std::string& member, const std::string& signature, const std::vector<Value>& arguments,
    std::chrono::milliseconds timeout, ReplyHandler handler)
{
    if (!m_bus || signature.size() != arguments.size())
        return false;
    sd_bus_message* message = nullptr;
    if (sd_bus_message_new_method_call(
            m_bus, &message, destination.c_str(), path.c_str(), interface.c_str(), member.c_str())
        < 0)
        return false;
    for (size_t i = 0; i < arguments.size(); ++i)
        if (appendBasic(message, signature[i], arguments[i]) < 0) {
            sd_bus_message_unref(message);
            return false;
        }
    auto* context = new CallContext { std::move(handler) };
    sd_bus_slot* slot = nullptr;
    const uint64_t usec = static_cast<uint64_t>(std::max<int64_t>(1, timeout.count())) * 1000u;
    const int r = sd_bus_call_async(m_bus, &slot, message, onReply, context, usec);
    sd_bus_message_unref(message);
    if (r < 0) {
        delete context;
        return false;
    }
    // The slot frees the context with itself, after the reply or with the connection.
    sd_bus_slot_set_destroy_callback(slot, destroy<CallContext>);
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    scheduleTimer();
    return true;
}

DBusConnection::MatchId DBusConnection::addMatch(const std::string& rule, SignalHandler handler)
{
    if (!m_bus)
        return 0;
    auto* context = new MatchContext { std::move(handler) };
    sd_bus_slot* slot = nullptr;
    // Asynchronous: the synchronous form waits for the bus daemon's answer.
    if (sd_bus_add_match_async(m_bus, &slot, rule.c_str(), onSignal, nullptr, context) < 0) {
        delete context;
        return 0;
    }
    sd_bus_slot_set_destroy_callback(slot, destroy<MatchContext>);
    const MatchId id = m_nextMatch++;
    m_matches[id] = slot;
    scheduleTimer();
    return id;
}

void DBusConnection::removeMatch(MatchId id)
{
    auto found = m_matches.find(id);
    if (found == m_matches.end())
        return;
    sd_bus_slot_unref(found->second);
    m_matches.erase(found);
}

std::optional<Value> DBusConnection::readValue(sd_bus_message* message)
{
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(message, &type, &contents) <= 0)
        return std::nullopt;
    switch (type) {
    case 'y':
        return readBasic<uint8_t>(message, type);
    case 'b': {
        int value = 0;
        if (sd_bus_message_read_basic(message, type, &value) <= 0)
            return std::nullopt;
        return Value(value != 0);
    }
    case 'n':
        return readBasic<int16_t>(message, type);
    case 'q':
        return readBasic<uint16_t>(message, type);
    case 'i':
    case 'h':
        return readBasic<int32_t>(message, type);
    case 'u':
        return readBasic<uint32_t>(message, type);
    case 'x':
        return readBasic<int64_t>(message, type);
    case 't':
        return readBasic<uint64_t>(message, type);
    case 'd':
        return readBasic<double>(message, type);
    case 's':
    case 'o':
    case 'g':
        return readBasic<const char*>(message, type);
    case 'v': {
        if (sd_bus_message_enter_container(message, 'v', contents) <= 0)
            return std::nullopt;
        auto inner = readValue(message);
        sd_bus_message_exit_container(message);
        return inner;
    }
    case 'a': {
        if (sd_bus_message_enter_container(message, 'a', contents) <= 0)
            return std::nullopt;
        std::optional<Value> result;
        if (contents && contents[0] == '{') {
            const std::string entry = entrySignature(contents);
            Value::Dictionary dictionary;
            while (sd_bus_message_enter_container(message, 'e', entry.c_str()) > 0) {
                auto key = readValue(message);
                auto value = readValue(message);
                sd_bus_message_exit_container(message);
                if (!key || !value)
                    break;
                dictionary[key->asString() ? *key->asString() : key->description()] = std::move(*value);
            }
            result = Value(std::move(dictionary));
        } else {
            Value::Array array;
            while (sd_bus_message_at_end(message, 0) == 0) {
                auto item = readValue(message);
                if (!item)
                    break;
                array.push_back(std::move(*item));
            }
            result = Value(std::move(array));
        }
        sd_bus_message_exit_container(message);
        return result;
    }
    case 'r': {
        if (sd_bus_message_enter_container(message, 'r', contents) <= 0)
            return std::nullopt;
        Value::Array fields;
        while (sd_bus_message_at_end(message, 0) == 0) {
            auto field = readValue(message);
            if (!field)
                break;
            fields.push_back(std::move(*field));
        }
        sd_bus_message_exit_container(message);
        return Value(std::move(fields));
    }
    default:
        sd_bus_message_skip(message, nullptr);
        return std::nullopt;
    }
}

std::vector<Value> DBusConnection::readArguments(sd_bus_message* message)
{
    std::vector<Value> arguments;
    while (sd_bus_message_at_end(message, 0) == 0) {
        auto value = readValue(message);
        if (!value)
            break;
        arguments.push_back(std::move(*value));
    }
    return arguments;
}

} // namespace qorv
