#include "ServedPowerSources.h"

#include "foundation/DBusConnection.h"
#include "foundation/PropertyList.h"
#include "linux/QorvCSNUTClient.h"

#include <cmath>
#include <sstream>

namespace cellsheet::profiler {

namespace {

using Variables = std::map<std::string, std::string>;
using qorv::Value;

std::string micro(double value)
{
    return std::to_string(std::llround(value * 1e6));
}

std::optional<double> numberOf(const Variables& v, const std::string& name)
{
    auto found = v.find(name);
    if (found == v.end())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(found->second.c_str(), &end);
    if (end == found->second.c_str() || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

ServedPowerSource fromNUT(const QorvCSUPSReading& ups)
{
    const Variables& v = ups.variables;
    auto textOf = [&](const char* name) {
        auto found = v.find(name);
        return found == v.end() ? std::string() : found->second;
    };
    ServedPowerSource source;
    source.servedBy = "Network UPS Tools (" + ups.name + "@" + ups.server + ")";
    source.name = !textOf("ups.model").empty() ? textOf("ups.model") : ups.name;
    auto& a = source.attributes;
    a["type"] = "UPS";
    if (v.count("nut.error")) {
        a["present"] = "0";
        return source;
    }
    std::istringstream words(textOf("ups.status"));
    std::set<std::string> status;
    for (std::string word; words >> word;)
        status.insert(word);
    const auto charge = numberOf(v, "battery.charge");
    const bool onBattery = status.count("OB") > 0;
    a["status"] = onBattery        ? "Discharging"
        : status.count("CHRG")     ? "Charging"
        : charge && *charge >= 100 ? "Full"
                                   : "Not charging";
    a["online"] = onBattery ? "0" : "1";
    if (charge)
        a["capacity"] = std::to_string(std::llround(*charge));
    if (auto runtime = numberOf(v, "battery.runtime"); runtime && onBattery)
        a["time_to_empty_now"] = std::to_string(std::llround(*runtime));
    if (auto volts = numberOf(v, "battery.voltage"))
        a["voltage_now"] = micro(*volts);
    if (auto celsius = numberOf(v, "battery.temperature"))
        a["temp"] = std::to_string(std::llround(*celsius * 10));
    for (const auto& [attribute, variable] : { std::pair { "manufacturer", "ups.mfr" }, { "model_name", "ups.model" },
             { "serial_number", "ups.serial" }, { "technology", "battery.type" } })
        if (!textOf(variable).empty())
            a[attribute] = textOf(variable);
    return source;
}

std::optional<ServedPowerSource> fromUPower(const Value::Dictionary& p, const std::set<std::string>& kernelSupplies)
{
    auto value = [&](const char* name) -> const Value* {
        auto found = p.find(name);
        return found == p.end() ? nullptr : &found->second;
    };
    auto textOf = [&](const char* name) {
        const Value* v = value(name);
        return v && v->asString() ? *v->asString() : std::string();
    };
    auto numberOfProperty = [&](const char* name) {
        const Value* v = value(name);
        return v ? v->asReal() : std::nullopt;
    };
    const std::string nativePath = textOf("NativePath");
    const auto kind = numberOfProperty("Type").value_or(0);
    // Line power is the kernel's adapter; a device the kernel has is described from the kernel.
    if (kind == 1 || kernelSupplies.count(nativePath)
        || kernelSupplies.count(nativePath.substr(nativePath.rfind('/') + 1)))
        return std::nullopt;
    ServedPowerSource source;
    source.servedBy = "UPower";
    source.device = true;
    source.name = !textOf("Model").empty() ? textOf("Model") : "Accessory";
    auto& a = source.attributes;
    a["type"] = "Battery";
    a["scope"] = "Device";
    const Value* present = value("IsPresent");
    a["present"] = present && present->asBoolean() && !*present->asBoolean() ? "0" : "1";
    static const char* states[]
        = { "Unknown", "Charging", "Discharging", "Not charging", "Full", "Not charging", "Discharging" };
    const auto state = static_cast<size_t>(numberOfProperty("State").value_or(0));
    a["status"] = state < std::size(states) ? states[state] : "Unknown";
    if (auto percentage = numberOfProperty("Percentage"))
        a["capacity"] = std::to_string(std::llround(*percentage));
    if (auto seconds = numberOfProperty("TimeToEmpty"); seconds && *seconds > 0)
        a["time_to_empty_now"] = std::to_string(std::llround(*seconds));
    if (auto seconds = numberOfProperty("TimeToFull"); seconds && *seconds > 0)
        a["time_to_full_now"] = std::to_string(std::llround(*seconds));
    for (const auto& [attribute, property] :
        { std::pair { "manufacturer", "Vendor" }, { "model_name", "Model" }, { "serial_number", "Serial" } })
        if (!textOf(property).empty())
            a[attribute] = textOf(property);
    return source;
}

Variables parseDummyFile(const std::string& text)
{
    Variables variables;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (!line.empty() && line[0] != '#' && colon != std::string::npos)
            variables[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return variables;
}

// UPower's devices through a private run loop, for at most `limit`.
std::vector<Value::Dictionary> liveUPowerDevices(std::chrono::milliseconds limit)
{
    qorv::RunLoop loop;
    auto bus = qorv::DBusConnection::openSystemBus(loop);
    if (!bus)
        return {};
    std::vector<Value::Dictionary> devices;
    size_t pending = 1;
    const char* service = "org.freedesktop.UPower";
    bus->callMethod(service, "/org/freedesktop/UPower", service, "EnumerateDevices", {}, limit,
        [&](const qorv::DBusConnection::Reply& reply) {
            --pending;
            const Value::Array* paths = reply.ok() && !reply.arguments.empty() ? reply.arguments[0].asArray() : nullptr;
            for (const auto& path : paths ? *paths : Value::Array {})
                if (path.asString()) {
                    ++pending;
                    bus->callMethod(service, *path.asString(), "org.freedesktop.DBus.Properties", "GetAll",
                        { "org.freedesktop.UPower.Device" }, limit, [&](const qorv::DBusConnection::Reply& device) {
                            --pending;
                            if (device.ok() && !device.arguments.empty() && device.arguments[0].asDictionary())
                                devices.push_back(*device.arguments[0].asDictionary());
                        });
                }
        });
    loop.runUntil([&] { return pending == 0; }, limit);
    return devices;
}

} // namespace

std::vector<ServedPowerSource> servedPowerSources(
    const SystemRoot& root, const std::set<std::string>& kernelSupplies, std::chrono::milliseconds limit)
{
    std::vector<ServedPowerSource> sources;
    std::vector<Value::Dictionary> upowerDevices;
    if (root.isFake()) {
        if (auto text = root.read("/fake/nut-ups"))
            sources.push_back(fromNUT({ "localhost:3493", "ups", "", parseDummyFile(*text) }));
        auto list = qorv::PropertyList::readFile(root.path("/fake/upower-devices.plist"), Value::Type::Dictionary);
        if (list)
            for (const auto& [path, properties] : *list.value.asDictionary())
                if (properties.asDictionary())
                    upowerDevices.push_back(*properties.asDictionary());
    } else {
        QorvCSNUTClient client(limit);
        const auto reading = client.read(*QorvCSNUTClient::parseAddress("localhost:3493"), "localhost:3493");
        for (const auto& ups : reading.upses)
            sources.push_back(fromNUT(ups));
        upowerDevices = liveUPowerDevices(limit);
    }
    for (const auto& properties : upowerDevices)
        if (auto source = fromUPower(properties, kernelSupplies))
            sources.push_back(std::move(*source));
    return sources;
}

} // namespace cellsheet::profiler
