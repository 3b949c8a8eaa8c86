#include "QorvCSUPowerPowerSourceProvider.h"

#include "QorvCSPowerSupply.h"

#include <cmath>

using qorv::Value;

namespace {

constexpr const char* service = "org.freedesktop.UPower";
constexpr const char* managerPath = "/org/freedesktop/UPower";
constexpr const char* deviceInterface = "org.freedesktop.UPower.Device";
constexpr const char* devicesPath = "/org/freedesktop/UPower/devices";

// UPower's device kinds (UpDeviceKind), in its order.
constexpr const char* kinds[] = { "Unknown", "Line Power", "Battery", "UPS", "Monitor", "Mouse", "Keyboard", "PDA",
    "Phone", "Media Player", "Tablet", "Computer", "Game Controller", "Pen", "Touchpad", "Modem", "Network Device",
    "Headset", "Speakers", "Headphones", "Video Device", "Audio Device", "Remote Control", "Printer", "Scanner",
    "Camera", "Wearable", "Toy", "Bluetooth Device" };
enum : uint64_t { kindLinePower = 1, kindBattery = 2, kindUPS = 3 };
// UpDeviceState.
enum : uint64_t { stateCharging = 1, stateDischarging = 2, stateFull = 4, statePendingCharge = 5 };

const Value* property(const Value::Dictionary& properties, const char* name)
{
    auto found = properties.find(name);
    return found == properties.end() ? nullptr : &found->second;
}

std::string text(const Value::Dictionary& properties, const char* name)
{
    const Value* value = property(properties, name);
    return value && value->asString() ? *value->asString() : std::string();
}

std::optional<double> number(const Value::Dictionary& properties, const char* name)
{
    const Value* value = property(properties, name);
    return value ? value->asReal() : std::nullopt;
}

bool flag(const Value::Dictionary& properties, const char* name, bool fallback)
{
    const Value* value = property(properties, name);
    const bool* b = value ? value->asBoolean() : nullptr;
    return b ? *b : fallback;
}

} // namespace

QorvCSUPowerPowerSourceProvider::QorvCSUPowerPowerSourceProvider(std::chrono::milliseconds callTimeout)
    : m_callTimeout(callTimeout)
{ }

QorvCSUPowerPowerSourceProvider::~QorvCSUPowerPowerSourceProvider()
{
    stop();
}

Value QorvCSUPowerPowerSourceProvider::describe(const std::string& objectPath, const Value::Dictionary& p)
{
    const uint64_t kind = static_cast<uint64_t>(number(p, "Type").value_or(0));
    if (kind == kindLinePower)
        return {};
    const std::string kindName = kind < std::size(kinds) ? kinds[kind] : kinds[0];
    const std::string nativePath = text(p, "NativePath");
    const std::string model = text(p, "Model");
    Value::Dictionary d;
    d["Power Source ID"]
        = QorvCSPowerSupplyDescription::powerSourceID("upower:" + (nativePath.empty() ? objectPath : nativePath));
    d["Type"] = kind == kindUPS && flag(p, "PowerSupply", false) ? "UPS" : "Accessory Source";
    d["Name"] = model.empty() ? kindName : model;
    if (nativePath.starts_with("/org/bluez/"))
        d["Transport Type"] = "Bluetooth";
    const bool present = flag(p, "IsPresent", true);
    const uint64_t state = static_cast<uint64_t>(number(p, "State").value_or(0));
    d["Is Present"] = present;
    d["Power Source State"] = !present                                                ? "Off Line"
        : state == stateCharging || state == stateFull || state == statePendingCharge ? "AC Power"
                                                                                      : "Battery Power";
    if (present && state != 0) {
        d["Is Charging"] = state == stateCharging;
        d["Is Charged"] = state == stateFull;
    }
    if (auto percentage = number(p, "Percentage"); percentage && present)
        d["Current Capacity"] = static_cast<int64_t>(std::llround(*percentage));
    // Seconds, 0 when UPower has no estimate.
    if (auto seconds = number(p, "TimeToEmpty"); seconds && *seconds > 0 && state == stateDischarging)
        d["Time to Empty"] = static_cast<int64_t>(std::llround(*seconds / 60));
    if (auto seconds = number(p, "TimeToFull"); seconds && *seconds > 0 && state == stateCharging)
        d["Time to Full Charge"] = static_cast<int64_t>(std::llround(*seconds / 60));
    if (auto volts = number(p, "Voltage"); volts && *volts > 0)
        d["Voltage"] = static_cast<int64_t>(std::llround(*volts * 1000));
    if (auto celsius = number(p, "Temperature"); celsius && *celsius != 0)
        d["Temperature"] = *celsius;
    if (auto cycles = number(p, "ChargeCycles"); cycles && *cycles > 0)
        d["Cycle Count"] = static_cast<int64_t>(*cycles);
    if (auto serial = text(p, "Serial"); !serial.empty())
        d["Hardware Serial Number"] = serial;
    if (auto vendor = text(p, "Vendor"); !vendor.empty())
        d["Manufacturer"] = vendor;
    if (!model.empty())
        d["Model"] = model;
    d["Kind"] = kindName;
    if (auto icon = text(p, "IconName"); !icon.empty())
        d["Icon"] = icon;
    return Value(std::move(d));
}

Value::Array QorvCSUPowerPowerSourceProvider::powerSources(
    const std::set<std::string, std::less<>>& kernelSupplies) const
{
    std::lock_guard lock(m_mutex);
    Value::Array sources;
    for (const auto& [path, properties] : m_devices) {
        // A device the kernel describes appears once, from the kernel, which says more.
        const std::string nativePath = text(properties, "NativePath");
        if (!nativePath.empty() && kernelSupplies.count(nativePath))
            continue;
        if (Value description = describe(path, properties); !description.isNull())
            sources.push_back(std::move(description));
    }
    return sources;
}

void QorvCSUPowerPowerSourceProvider::start(qorv::RunLoop& runLoop, std::function<void()> changedCallback)
{
    if (m_runLoop)
        return;
    m_runLoop = &runLoop;
    m_changed = std::move(changedCallback);
    connect();
}

void QorvCSUPowerPowerSourceProvider::stop()
{
    if (!m_runLoop)
        return;
    ++m_generation;
    m_awaiting = 0;
    m_bus.reset();
    m_changed = nullptr;
    m_runLoop = nullptr;
    std::lock_guard lock(m_mutex);
    m_devices.clear();
}

void QorvCSUPowerPowerSourceProvider::changed()
{
    if (m_changed)
        m_changed();
}

void QorvCSUPowerPowerSourceProvider::connect()
{
    std::weak_ptr<QorvCSUPowerPowerSourceProvider> weak = weak_from_this();
    // No system bus (a container, a minimal session): nothing to follow, and nothing worth a log line. The bus is
    // started with the system, so it is not looked for again.
    m_bus = qorv::DBusConnection::openSystemBus(*m_runLoop);
    if (!m_bus)
        return;
    ++m_generation;
    m_bus->setClosedHandler([weak] {
        auto self = weak.lock();
        if (!self || !self->m_runLoop)
            return;
        // The bus itself went away: what UPower said no longer holds.
        self->forgetAll();
        self->m_runLoop->perform([weak] {
            if (auto again = weak.lock())
                again->m_bus.reset();
        });
    });
    m_bus->addMatch(std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                                "member='NameOwnerChanged',arg0='")
            + service + "'",
        [weak](const qorv::DBusConnection::Signal& signal) {
            auto self = weak.lock();
            if (!self || signal.arguments.size() < 3)
                return;
            const std::string* owner = signal.arguments[2].asString();
            self->forgetAll();
            if (owner && !owner->empty())
                self->enumerate();
        });
    m_bus->addMatch(
        std::string("type='signal',sender='") + service + "',interface='" + service + "',path='" + managerPath + "'",
        [weak](const qorv::DBusConnection::Signal& signal) {
            auto self = weak.lock();
            if (!self || signal.arguments.empty() || !signal.arguments[0].asString())
                return;
            if (signal.member == "DeviceAdded")
                self->readDevice(*signal.arguments[0].asString());
            else if (signal.member == "DeviceRemoved")
                self->forgetDevice(*signal.arguments[0].asString());
        });
    m_bus->addMatch(std::string("type='signal',sender='") + service
            + "',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',path_namespace='" + devicesPath
            + "'",
        [weak](const qorv::DBusConnection::Signal& signal) {
            auto self = weak.lock();
            if (!self || signal.arguments.size() < 2 || signal.arguments[0].asString() == nullptr
                || *signal.arguments[0].asString() != deviceInterface)
                return;
            const Value::Dictionary* changed = signal.arguments[1].asDictionary();
            const Value::Array* invalidated = signal.arguments.size() > 2 ? signal.arguments[2].asArray() : nullptr;
            if (invalidated && !invalidated->empty())
                self->readDevice(signal.path);
            else if (changed)
                self->mergeProperties(signal.path, *changed);
        });
    enumerate();
}

void QorvCSUPowerPowerSourceProvider::enumerate()
{
    if (!m_bus)
        return;
    m_awaiting = 1;
    std::weak_ptr<QorvCSUPowerPowerSourceProvider> weak = weak_from_this();
    const uint64_t generation = m_generation;
    // Fails with ServiceUnknown when UPower is not running; NameOwnerChanged says when it starts.
    const bool sent = m_bus->callMethod(service, managerPath, service, "EnumerateDevices", {}, m_callTimeout,
        [weak, generation](const qorv::DBusConnection::Reply& reply) {
            auto self = weak.lock();
            if (!self || self->m_generation != generation)
                return;
            if (reply.ok() && !reply.arguments.empty())
                if (const Value::Array* paths = reply.arguments[0].asArray())
                    for (const auto& path : *paths)
                        if (const std::string* text = path.asString())
                            self->readDevice(*text, true);
            self->m_awaiting = self->m_awaiting > 0 ? self->m_awaiting - 1 : 0;
        });
    if (!sent)
        m_awaiting = 0;
}

void QorvCSUPowerPowerSourceProvider::readDevice(const std::string& path, bool initial)
{
    if (!m_bus)
        return;
    if (initial)
        ++m_awaiting;
    std::weak_ptr<QorvCSUPowerPowerSourceProvider> weak = weak_from_this();
    const uint64_t generation = m_generation;
    const bool sent = m_bus->callMethod(service, path, "org.freedesktop.DBus.Properties", "GetAll", { deviceInterface },
        m_callTimeout, [weak, generation, path, initial](const qorv::DBusConnection::Reply& reply) {
            auto self = weak.lock();
            if (!self || self->m_generation != generation)
                return;
            const Value::Dictionary* properties
                = reply.ok() && !reply.arguments.empty() ? reply.arguments[0].asDictionary() : nullptr;
            bool different = false;
            if (properties) {
                std::lock_guard lock(self->m_mutex);
                auto& device = self->m_devices[path];
                different = device != *properties;
                device = *properties;
            }
            // Counted down before the notice, so whoever reacts to it sees the reading complete.
            if (initial && self->m_awaiting > 0)
                --self->m_awaiting;
            if (different)
                self->changed();
        });
    if (!sent && initial && m_awaiting > 0)
        --m_awaiting;
}

void QorvCSUPowerPowerSourceProvider::forgetDevice(const std::string& path)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_devices.erase(path))
            return;
    }
    changed();
}

void QorvCSUPowerPowerSourceProvider::mergeProperties(
    const std::string& path, const Value::Dictionary& changedProperties)
{
    {
        std::lock_guard lock(m_mutex);
        auto device = m_devices.find(path);
        if (device == m_devices.end())
            return;
        bool different = false;
        for (const auto& [name, value] : changedProperties) {
            auto& slot = device->second[name];
            different = different || slot != value;
            slot = value;
        }
        if (!different)
            return;
    }
    changed();
}

void QorvCSUPowerPowerSourceProvider::forgetAll()
{
    ++m_generation; // the calls under way were made to what is gone
    m_awaiting = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_devices.empty())
            return;
        m_devices.clear();
    }
    changed();
}
