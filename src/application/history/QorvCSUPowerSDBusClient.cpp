#include "QorvCSUPowerSDBusClient.h"

#include <chrono>

using qorv::Value;

namespace {

constexpr const char* service = "org.freedesktop.UPower";
constexpr const char* deviceInterface = "org.freedesktop.UPower.Device";
constexpr std::chrono::milliseconds callTimeout(2000);

// The first argument of a reply, when there is one.
const Value* first(const std::optional<std::vector<Value>>& arguments)
{
    return arguments && !arguments->empty() ? &arguments->front() : nullptr;
}

} // namespace

std::unique_ptr<QorvCSUPowerSDBusClient> QorvCSUPowerSDBusClient::system()
{
    std::unique_ptr<QorvCSUPowerSDBusClient> client(new QorvCSUPowerSDBusClient);
    client->m_bus = qorv::DBusConnection::openSystemBus(client->m_runLoop);
    if (!client->m_bus)
        return nullptr;
    return client;
}

QorvCSUPowerSDBusClient::QorvCSUPowerSDBusClient() = default;
QorvCSUPowerSDBusClient::~QorvCSUPowerSDBusClient() = default;

std::optional<std::vector<Value>> QorvCSUPowerSDBusClient::call(const std::string& path, const std::string& interface,
    const std::string& member, const std::string& signature, const std::vector<Value>& arguments)
{
    // Shared with the handler, which outlives this call should the reply come after the wait.
    auto reply = std::make_shared<std::optional<qorv::DBusConnection::Reply>>();
    if (!m_bus
        || !m_bus->callMethod(service, path, interface, member, signature, arguments, callTimeout,
            [reply](const qorv::DBusConnection::Reply& r) { *reply = r; }))
        return std::nullopt;
    // sd-bus answers a silent daemon with NoReply at the time limit; the margin only guards against a lost timer.
    m_runLoop.runUntil([&] { return reply->has_value() || !m_bus->isOpen(); }, callTimeout + std::chrono::seconds(1));
    if (!*reply || !(*reply)->ok())
        return std::nullopt;
    return std::move((*reply)->arguments);
}

std::vector<QorvCSUPowerHistoryClient::Device> QorvCSUPowerSDBusClient::devices()
{
    std::vector<Device> result;
    const auto listed = call("/org/freedesktop/UPower", service, "EnumerateDevices", "", {});
    const auto* paths = first(listed) ? first(listed)->asArray() : nullptr;
    if (!paths)
        return result;
    for (const auto& path : *paths) {
        if (!path.asString())
            continue;
        const auto all = call(*path.asString(), "org.freedesktop.DBus.Properties", "GetAll", "s", { deviceInterface });
        const auto* properties = first(all) ? first(all)->asDictionary() : nullptr;
        if (!properties)
            continue;
        Device device;
        device.path = *path.asString();
        // A property of an unexpected type keeps its default.
        auto property = [&](const char* key) -> const Value* {
            auto found = properties->find(key);
            return found == properties->end() ? nullptr : &found->second;
        };
        if (const Value* type = property("Type"); type && type->asUnsigned() && *type->asUnsigned() <= UINT32_MAX)
            device.type = static_cast<uint32_t>(*type->asUnsigned());
        if (const Value* supply = property("PowerSupply"); supply && supply->asBoolean())
            device.powerSupply = *supply->asBoolean();
        for (auto [key, field] : { std::pair { "Vendor", &device.vendor }, std::pair { "Model", &device.model },
                 std::pair { "Serial", &device.serial } })
            if (const Value* text = property(key); text && text->asString())
                *field = *text->asString();
        result.push_back(std::move(device));
    }
    return result;
}

std::vector<QorvCSUPowerHistoryClient::Point> QorvCSUPowerSDBusClient::history(
    const std::string& path, std::string_view kind, uint32_t timespan, uint32_t resolution)
{
    std::vector<Point> points;
    const auto reply
        = call(path, deviceInterface, "GetHistory", "suu", { std::string(kind), Value(timespan), Value(resolution) });
    const auto* records = first(reply) ? first(reply)->asArray() : nullptr;
    if (!records)
        return points;
    // Each record is (time u, value d, state u); reading stops at one that is not.
    for (const auto& record : *records) {
        const auto* fields = record.asArray();
        if (!fields || fields->size() != 3)
            break;
        const auto time = (*fields)[0].asUnsigned();
        const auto value = (*fields)[1].asReal();
        const auto state = (*fields)[2].asUnsigned();
        if (!time || !value || !state || *time > UINT32_MAX || *state > UINT32_MAX)
            break;
        points.push_back({ static_cast<int64_t>(*time), *value, static_cast<uint32_t>(*state) });
    }
    return points;
}
