#include "QorvCSPowerSupply.h"

#include "QorvBatteryReadings.h"
#include "foundation/Format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

using qorv::Value;

std::optional<std::string_view> QorvCSPowerSupply::attribute(std::string_view file) const
{
    return QorvBatteryReadings(attributes).text(file);
}

std::optional<int64_t> QorvCSPowerSupply::integer(std::string_view file) const
{
    return QorvBatteryReadings(attributes).integer(file);
}

int64_t QorvCSPowerSupplyDescription::powerSourceID(std::string_view sysPath)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : sysPath) {
        hash ^= c;
        hash *= 16777619u;
    }
    return static_cast<int64_t>(hash & 0x7fffffffu);
}

namespace {

// Supply types that bring power from outside, including the USB types of kernels before 4.19.
bool isAdapterType(const QorvCSPowerSupply& supply)
{
    static constexpr std::string_view types[]
        = { "Mains", "USB", "Wireless", "USB_DCP", "USB_CDP", "USB_ACA", "USB_C", "USB_PD", "USB_PD_DRP", "BrickID" };
    auto type = supply.attribute("type");
    return type && std::find(std::begin(types), std::end(types), *type) != std::end(types);
}

bool powersSystem(const QorvCSPowerSupply& supply)
{
    return supply.attribute("scope") != std::string_view("Device");
}

// online is 1, or 2 for a programmable (USB PD) supply.
bool isOnline(const QorvCSPowerSupply& supply)
{
    return supply.integer("online").value_or(0) > 0;
}

bool isExternalPower(const QorvCSPowerSupply& supply)
{
    return isAdapterType(supply) && powersSystem(supply) && isOnline(supply);
}

// Whole number nearest to numerator / denominator (both of the same sign scale); nullopt for a zero denominator.
std::optional<int64_t> ratio(double numerator, double denominator)
{
    if (denominator == 0)
        return std::nullopt;
    return std::llround(numerator / denominator);
}

// Capacity in mAh from charge_<suffix> (µAh), or from energy_<suffix> (µWh) at the design voltage (µV).
std::optional<int64_t> milliampHours(const QorvCSPowerSupply& s, std::string_view suffix)
{
    if (auto charge = s.integer(qorv::format("charge_%@", suffix)))
        return ratio(static_cast<double>(*charge), 1000);
    auto energy = s.integer(qorv::format("energy_%@", suffix));
    auto voltage = s.integer("voltage_min_design");
    if (!voltage)
        voltage = s.integer("voltage_max_design");
    if (!energy || !voltage)
        return std::nullopt;
    return ratio(1000.0 * static_cast<double>(*energy), static_cast<double>(*voltage));
}

// "88 % (50.2 of 57.0 Wh)": the full-charge capacity as a share of the design capacity, with both figures.
std::optional<std::string> healthFigure(const QorvBatteryReadings& r)
{
    const auto wear = r.fullOverDesign();
    if (!wear)
        return std::nullopt;
    const double full = static_cast<double>(*r.amount("full")), design = static_cast<double>(*r.amount("full_design"));
    const long long percent = std::min<long long>(100, std::llround(*wear * 100));
    char text[96];
    if (r.reportsEnergy())
        std::snprintf(text, sizeof text, "%lld %% (%.1f of %.1f Wh)", percent, full / 1e6, design / 1e6);
    else
        std::snprintf(text, sizeof text, "%lld %% (%lld of %lld mAh)", percent, std::llround(full / 1000),
            std::llround(design / 1000));
    return std::string(text);
}

// The files a key of the description already states, so that no fact appears twice.
using Covered = std::set<std::string, std::less<>>;

void addCapacity(Value::Dictionary& d, const QorvCSPowerSupply& s, const QorvBatteryReadings& r, Covered& covered)
{
    std::optional<int64_t> capacity = s.integer("capacity");
    if (!capacity) {
        auto now = r.amount("now");
        auto full = r.amount("full");
        if (now && full && *full > 0)
            capacity = ratio(100.0 * static_cast<double>(*now), static_cast<double>(*full));
    }
    if (capacity) {
        d["Current Capacity"] = *capacity;
        // A level ("Normal", "Low") says less than the figure beside it.
        covered.insert({ "capacity", "capacity_level" });
    }
    if (auto threshold = s.integer("charge_control_end_threshold"); threshold && *threshold > 0 && *threshold <= 100) {
        d["Max Capacity"] = *threshold;
        covered.insert("charge_control_end_threshold");
    }
    if (auto design = milliampHours(s, "full_design")) {
        d["DesignCapacity"] = *design;
        covered.insert({ "charge_full_design", "energy_full_design" });
    }
    if (auto nominal = milliampHours(s, "full")) {
        d["Nominal Capacity"] = *nominal;
        covered.insert({ "charge_full", "energy_full" });
    }
    if (auto figure = healthFigure(r))
        d["BatteryHealthMaximumCapacity"] = *figure;
    // The warning level in the battery's own unit (alarm is µWh or µAh); 0 means none is set.
    if (auto alarm = s.integer("alarm"); alarm && *alarm > 0) {
        char text[48];
        if (r.reportsEnergy())
            std::snprintf(text, sizeof text, "%.2f Wh", static_cast<double>(*alarm) / 1e6);
        else
            std::snprintf(text, sizeof text, "%lld mAh", std::llround(static_cast<double>(*alarm) / 1000));
        d["Alarm Capacity"] = std::string(text);
    }
    covered.insert("alarm");
}

// Minutes: positive, 0 when the estimate does not apply, −1 while the system works one out; no key when the
// battery gives nothing to estimate from.
void addTimes(Value::Dictionary& d, const QorvBatteryReadings& r, Covered& covered)
{
    const auto toEmpty = r.minutesToEmpty();
    const auto toFull = r.minutesToFull();
    if (toEmpty)
        d["Time to Empty"] = *toEmpty;
    if (toFull)
        d["Time to Full Charge"] = *toFull;
    if (toEmpty || toFull)
        covered.insert({ "time_to_empty_now", "time_to_empty_avg", "time_to_full_now", "time_to_full_avg" });
}

void addElectrical(Value::Dictionary& d, const QorvCSPowerSupply& s, std::string_view status, Covered& covered)
{
    auto voltage = s.integer("voltage_now");
    if (voltage) {
        d["Voltage"] = *ratio(static_cast<double>(*voltage), 1000);
        covered.insert("voltage_now");
    }
    // The kernel's sign (positive into the battery) when it gives the current; a current worked out from the
    // power takes its sign from the status.
    if (auto microamps = s.integer("current_now")) {
        d["Current"] = *ratio(static_cast<double>(*microamps), 1000);
        covered.insert("current_now");
    } else if (auto power = s.integer("power_now"); power && voltage && *voltage != 0) {
        const int64_t milliamps = *ratio(1000.0 * std::abs(static_cast<double>(*power)), static_cast<double>(*voltage));
        d["Current"] = status == "Discharging" ? -milliamps : milliamps;
    }
    if (auto tenths = s.integer("temp")) {
        d["Temperature"] = static_cast<double>(*tenths) / 10.0;
        covered.insert("temp");
    }
}

void addRawAttributes(Value::Dictionary& d, const QorvCSPowerSupply& s, const Covered& covered)
{
    for (const auto& [file, contents] : s.attributes)
        if (!covered.count(file))
            d.emplace(file, contents);
}

// A Bluetooth device's address in a supply's name: "hid-00:1f:20:aa:bb:cc-battery".
bool namesBluetoothAddress(std::string_view name)
{
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (size_t start = 0; start + 17 <= name.size(); ++start) {
        bool address = true;
        for (size_t i = 0; i < 17 && address; ++i)
            address = i % 3 == 2 ? name[start + i] == ':' || name[start + i] == '_' : hex(name[start + i]);
        if (address)
            return true;
    }
    return false;
}

std::string transportType(const QorvCSPowerSupply& s)
{
    if (s.onBluetooth || namesBluetoothAddress(s.name))
        return "Bluetooth";
    return s.onUSB ? "USB" : "Internal";
}

std::string powerSourceState(const QorvCSPowerSupply& s, bool externalPower)
{
    const auto status = s.attribute("status");
    if (s.integer("present").value_or(1) == 0)
        return "Off Line";
    if (!powersSystem(s)) // a mouse or headset: only its own cable powers it
        return status == std::string_view("Charging") || status == std::string_view("Full") ? "AC Power"
                                                                                            : "Battery Power";
    if (s.attribute("type") == std::string_view("UPS")) {
        // A desktop's UPS is usually the only supply the kernel knows: it is on mains unless it says otherwise.
        const bool onMains = s.attribute("online") ? isOnline(s) : status != std::string_view("Discharging");
        return onMains ? "AC Power" : "Battery Power";
    }
    return externalPower ? "AC Power" : "Battery Power";
}

Value::Dictionary describeSource(const QorvCSPowerSupply& s, bool externalPower, int& systemBatteries)
{
    Value::Dictionary d;
    Covered covered { "type", "status", "present", "scope" };
    const QorvBatteryReadings r(s.attributes);
    const std::string_view type = s.attribute("type").value_or("");
    const auto model = s.attribute("model_name");
    d["Power Source ID"] = QorvCSPowerSupplyDescription::powerSourceID(s.sysPath);
    if (!powersSystem(s) || type == "UPS") {
        d["Type"] = powersSystem(s) ? "UPS" : "Accessory Source";
        d["Name"] = std::string(model.value_or(s.name));
        covered.insert("model_name");
    } else {
        d["Type"] = "InternalBattery";
        d["Name"] = qorv::format("InternalBattery-%d", systemBatteries++);
    }
    d["Transport Type"] = transportType(s);

    const bool present = s.integer("present").value_or(1) != 0;
    const auto status = s.attribute("status");
    d["Is Present"] = present;
    d["Power Source State"] = powerSourceState(s, externalPower);
    if (type == "UPS" && powersSystem(s))
        covered.insert("online"); // the UPS's own mains input is its power source state
    if (status && present) {
        d["Is Charging"] = *status == "Charging";
        d["Is Charged"] = *status == "Full";
    }
    addTimes(d, r, covered);
    addCapacity(d, s, r, covered);
    addElectrical(d, s, status.value_or(""), covered);
    if (auto serial = s.attribute("serial_number")) {
        d["Hardware Serial Number"] = std::string(*serial);
        covered.insert("serial_number");
    }
    // The kernel's word is part of the condition; "Unknown" alone tells the reader nothing.
    if (auto health = r.condition())
        d["BatteryHealth"] = *health;
    covered.insert("health");
    if (auto cycles = s.integer("cycle_count"); cycles && *cycles > 0) {
        d["Cycle Count"] = *cycles;
        covered.insert("cycle_count");
    }
    addRawAttributes(d, s, covered);
    return d;
}

// The active entry of a list such as "C [PD] PD_PPS", or the whole text when none is marked.
std::string_view activeEntry(std::string_view list)
{
    const auto open = list.find('[');
    const auto close = list.find(']', open);
    if (open == std::string_view::npos || close == std::string_view::npos)
        return list;
    return list.substr(open + 1, close - open - 1);
}

std::string familyCode(const QorvCSPowerSupply& s)
{
    const std::string_view type = s.attribute("type").value_or("");
    if (type == "USB_PD" || type == "USB_PD_DRP")
        return "USB-C PD";
    if (type == "USB_C")
        return "USB-C";
    if (type.starts_with("USB_") || type == "BrickID")
        return "USB";
    if (type != "USB")
        return std::string(type);
    const std::string_view usbType = activeEntry(s.attribute("usb_type").value_or(""));
    if (usbType.starts_with("PD"))
        return "USB-C PD";
    if (usbType == "C")
        return "USB-C";
    return "USB";
}

// Watts to one decimal, from millionths of a watt.
double watts(double microwatts)
{
    return std::round(microwatts / 1e5) / 10.0;
}

// How much an online supply says about the power it delivers: a negotiated limit or a rated voltage and current
// (a USB-C PD contract) beats a bare "online" flag (the ACPI "AC" supply beside it).
int contractDetail(const QorvCSPowerSupply& s)
{
    if (s.integer("input_power_limit").value_or(0) > 0)
        return 3;
    if (s.integer("voltage_max").value_or(s.integer("voltage_max_design").value_or(0)) > 0
        && s.integer("current_max").value_or(0) > 0)
        return 2;
    if (s.integer("voltage_now") || s.integer("current_now"))
        return 1;
    return 0;
}

Value::Dictionary describeAdapter(const QorvCSPowerSupply& s)
{
    Value::Dictionary d;
    Covered covered { "type", "scope" };
    auto take = [&](std::string_view key, std::string_view file) {
        if (auto value = s.attribute(file)) {
            d[std::string(key)] = std::string(*value);
            covered.insert(std::string(file));
        }
    };
    take("Name", "model_name");
    d["FamilyCode"] = familyCode(s);
    take("SerialNumber", "serial_number");
    take("Manufacturer", "manufacturer");
    // The negotiated limit when the kernel knows it, else the rated maximum.
    if (auto limit = s.integer("input_power_limit"); limit && *limit > 0) {
        d["Watts"] = watts(static_cast<double>(*limit));
        d["Watts Source"] = "input_power_limit";
        covered.insert("input_power_limit");
    } else if (auto volts = s.integer("voltage_max") ? s.integer("voltage_max") : s.integer("voltage_max_design"),
               amps = s.integer("current_max");
               volts && amps) {
        d["Watts"] = watts(static_cast<double>(*volts) * static_cast<double>(*amps) / 1e6);
        d["Watts Source"] = s.integer("voltage_max") ? "voltage_max × current_max" : "voltage_max_design × current_max";
    }
    for (const auto& [key, files] :
        { std::pair<std::string, std::array<const char*, 2>> { "Current", { "current_max", "current_now" } },
            { "Voltage", { "voltage_max", "voltage_now" } } })
        for (const char* file : files)
            if (auto micro = s.integer(file)) {
                d[key] = *ratio(static_cast<double>(*micro), 1000);
                covered.insert(file);
                break;
            }
    d["Description"] = s.name;
    addRawAttributes(d, s, covered);
    return d;
}

} // namespace

Value::Array QorvCSPowerSupplyDescription::powerSources(const std::vector<QorvCSPowerSupply>& supplies)
{
    bool externalPower = false;
    for (const auto& supply : supplies)
        externalPower = externalPower || isExternalPower(supply);
    Value::Array sources;
    int systemBatteries = 0;
    for (const auto& supply : supplies) {
        const auto type = supply.attribute("type");
        if (type == std::string_view("Battery") || type == std::string_view("UPS"))
            sources.emplace_back(describeSource(supply, externalPower, systemBatteries));
    }
    return sources;
}

Value QorvCSPowerSupplyDescription::powerAdapter(const std::vector<QorvCSPowerSupply>& supplies)
{
    const QorvCSPowerSupply* chosen = nullptr;
    for (const auto& s : supplies)
        if (isExternalPower(s) && (!chosen || contractDetail(s) > contractDetail(*chosen)))
            chosen = &s;
    if (!chosen)
        return {};
    auto d = describeAdapter(*chosen);
    // The others that are online too, "Mains (AC)", so the reader knows the chosen one is not alone.
    std::string others;
    for (const auto& s : supplies)
        if (&s != chosen && isExternalPower(s))
            others += qorv::format(others.empty() ? "%@ (%@)" : ", %@ (%@)", familyCode(s), s.name);
    if (!others.empty())
        d["Other Online Supplies"] = others;
    return Value(std::move(d));
}
