#include "QorvCSUPowerSDBusClient.h"

#include <systemd/sd-bus.h>

#include <cstring>

namespace {

constexpr const char* service = "org.freedesktop.UPower";
constexpr const char* deviceInterface = "org.freedesktop.UPower.Device";

// Owns a message or an error for one call.
struct Reply {
    sd_bus_message* message = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~Reply()
    {
        sd_bus_message_unref(message);
        sd_bus_error_free(&error);
    }
};

// Reads one a{sv} entry's variant into out when its type is the expected one; skips it otherwise.
template <typename T> bool readVariant(sd_bus_message* m, char type, T* out)
{
    char found = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(m, &found, &contents) < 0 || !contents || contents[0] != type || contents[1])
        return sd_bus_message_skip(m, "v") >= 0;
    const char signature[2] = { type, 0 };
    return sd_bus_message_enter_container(m, 'v', signature) >= 0 && sd_bus_message_read_basic(m, type, out) >= 0
        && sd_bus_message_exit_container(m) >= 0;
}

} // namespace

std::unique_ptr<QorvCSUPowerSDBusClient> QorvCSUPowerSDBusClient::system()
{
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0)
        return nullptr;
    sd_bus_set_method_call_timeout(bus, 2'000'000);
    return std::make_unique<QorvCSUPowerSDBusClient>(bus);
}

QorvCSUPowerSDBusClient::QorvCSUPowerSDBusClient(sd_bus* bus)
    : m_bus(bus)
{ }

QorvCSUPowerSDBusClient::~QorvCSUPowerSDBusClient()
{
    sd_bus_flush_close_unref(m_bus);
}

std::vector<QorvCSUPowerHistoryClient::Device> QorvCSUPowerSDBusClient::devices()
{
    std::vector<Device> result;
    std::vector<std::string> paths;
    {
        Reply reply;
        if (sd_bus_call_method(m_bus, service, "/org/freedesktop/UPower", service, "EnumerateDevices", &reply.error,
                &reply.message, "")
            < 0)
            return result;
        if (sd_bus_message_enter_container(reply.message, 'a', "o") < 0)
            return result;
        const char* path = nullptr;
        while (sd_bus_message_read_basic(reply.message, 'o', &path) > 0)
            paths.emplace_back(path);
    }
    for (const auto& path : paths) {
        Reply reply;
        if (sd_bus_call_method(m_bus, service, path.c_str(), "org.freedesktop.DBus.Properties", "GetAll", &reply.error,
                &reply.message, "s", deviceInterface)
            < 0)
            continue;
        sd_bus_message* m = reply.message;
        if (sd_bus_message_enter_container(m, 'a', "{sv}") < 0)
            continue;
        Device device;
        device.path = path;
        bool ok = true;
        while (ok && sd_bus_message_enter_container(m, 'e', "sv") > 0) {
            const char* key = nullptr;
            ok = sd_bus_message_read_basic(m, 's', &key) >= 0;
            const char* text = nullptr;
            int flag = 0;
            if (!ok) {
                break;
            } else if (!std::strcmp(key, "Type")) {
                ok = readVariant(m, 'u', &device.type);
            } else if (!std::strcmp(key, "PowerSupply")) {
                ok = readVariant(m, 'b', &flag);
                device.powerSupply = flag != 0;
            } else if (!std::strcmp(key, "Vendor") || !std::strcmp(key, "Model") || !std::strcmp(key, "Serial")) {
                ok = readVariant(m, 's', &text);
                std::string& field = key[0] == 'V' ? device.vendor : key[0] == 'M' ? device.model : device.serial;
                field = text ? text : "";
            } else {
                ok = sd_bus_message_skip(m, "v") >= 0;
            }
            ok = ok && sd_bus_message_exit_container(m) >= 0;
        }
        if (ok)
            result.push_back(std::move(device));
    }
    return result;
}

std::vector<QorvCSUPowerHistoryClient::Point> QorvCSUPowerSDBusClient::history(
    const std::string& path, std::string_view kind, uint32_t timespan, uint32_t resolution)
{
    std::vector<Point> points;
    Reply reply;
    const std::string type(kind);
    if (sd_bus_call_method(m_bus, service, path.c_str(), deviceInterface, "GetHistory", &reply.error, &reply.message,
            "suu", type.c_str(), timespan, resolution)
        < 0)
        return points;
    if (sd_bus_message_enter_container(reply.message, 'a', "(udu)") < 0)
        return points;
    uint32_t time = 0, state = 0;
    double value = 0;
    while (sd_bus_message_read(reply.message, "(udu)", &time, &value, &state) > 0)
        points.push_back({ static_cast<int64_t>(time), value, state });
    return points;
}
