#include "QorvCSPowerSupply.h"

#include "foundation/Format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

using qorv::Value;

std::optional<std::string_view> QorvCSPowerSupply::attribute(std::string_view file) const
{
    auto it = attributes.find(file);
    if (it == attributes.end() || it->second.empty())
        return std::nullopt;
    return std::string_view(it->second);
}

std::optional<int64_t> QorvCSPowerSupply::integer(std::string_view file) const
{
    auto text = attribute(file);
    if (!text)
        return std::nullopt;
    int64_t result = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), result);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return result;
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

bool isAdapterType(const QorvCSPowerSupply& supply)
{
    auto type = supply.attribute("type");
    return type && (*type == "Mains" || *type == "USB" || *type == "Wireless");
}

bool powersSystem(const QorvCSPowerSupply& supply)
{
    return supply.attribute("scope") != std::string_view("Device");
}

bool isOnline(const QorvCSPowerSupply& supply)
{
    return supply.integer("online").value_or(0) != 0;
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

// Remaining minutes for amount (µWh or µAh) at rate (µW or µA), −1 when the rate is unknown or zero.
int64_t minutesAt(std::optional<int64_t> amount, std::optional<int64_t> rate)
{
    if (!amount || !rate || *rate == 0 || *amount < 0)
        return -1;
    return std::llround(60.0 * static_cast<double>(*amount) / std::abs(static_cast<double>(*rate)));
}

// A battery reports either energy (µWh, with power in µW) or charge (µAh, with current in µA); readings of the
// two families are never mixed.
bool reportsEnergy(const QorvCSPowerSupply& s)
{
    return s.attribute("energy_now") || s.attribute("energy_full");
}

std::optional<int64_t> energyOrCharge(const QorvCSPowerSupply& s, std::string_view suffix)
{
    return s.integer(qorv::format(reportsEnergy(s) ? "energy_%@" : "charge_%@", suffix));
}

std::optional<int64_t> rateFor(const QorvCSPowerSupply& s)
{
    return reportsEnergy(s) ? s.integer("power_now") : s.integer("current_now");
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

// The kernel's health when it knows it; else the reference platform's rule on full versus design capacity.
std::optional<std::string> batteryHealth(const QorvCSPowerSupply& s)
{
    if (auto health = s.attribute("health"); health && *health != "Unknown")
        return std::string(*health);
    auto full = energyOrCharge(s, "full");
    auto design = energyOrCharge(s, "full_design");
    if (!full || !design || *design <= 0)
        return std::nullopt;
    const double fraction = static_cast<double>(*full) / static_cast<double>(*design);
    if (fraction >= 0.8)
        return "Good";
    if (fraction >= 0.5)
        return "Fair";
    return "Poor";
}

void addCapacity(Value::Dictionary& d, const QorvCSPowerSupply& s)
{
    std::optional<int64_t> capacity = s.integer("capacity");
    if (!capacity) {
        auto now = energyOrCharge(s, "now");
        auto full = energyOrCharge(s, "full");
        if (now && full)
            capacity = ratio(100.0 * static_cast<double>(*now), static_cast<double>(*full));
    }
    if (capacity) {
        d["Current Capacity"] = *capacity;
        d["Max Capacity"] = 100;
    }
    if (auto design = milliampHours(s, "full_design"))
        d["DesignCapacity"] = *design;
    if (auto nominal = milliampHours(s, "full"))
        d["Nominal Capacity"] = *nominal;
}

// Minutes; −1 while unknown, 0 when the battery is not draining (or not charging) at all.
void addTimes(Value::Dictionary& d, const QorvCSPowerSupply& s, std::string_view status)
{
    int64_t toEmpty = 0;
    if (status == "Discharging") {
        if (auto seconds = s.integer("time_to_empty_now"); seconds && *seconds > 0)
            toEmpty = *seconds / 60;
        else
            toEmpty = minutesAt(energyOrCharge(s, "now"), rateFor(s));
    }
    int64_t toFull = 0;
    if (status == "Charging") {
        auto now = energyOrCharge(s, "now");
        auto full = energyOrCharge(s, "full");
        if (auto seconds = s.integer("time_to_full_now"); seconds && *seconds > 0)
            toFull = *seconds / 60;
        else
            toFull = minutesAt(now && full ? std::optional<int64_t>(*full - *now) : std::nullopt, rateFor(s));
    }
    d["Time to Empty"] = toEmpty;
    d["Time to Full Charge"] = toFull;
}

void addElectrical(Value::Dictionary& d, const QorvCSPowerSupply& s, std::string_view status)
{
    auto voltage = s.integer("voltage_now");
    if (voltage)
        d["Voltage"] = *ratio(static_cast<double>(*voltage), 1000);
    std::optional<int64_t> current;
    if (auto microamps = s.integer("current_now"))
        current = ratio(std::abs(static_cast<double>(*microamps)), 1000);
    else if (auto power = s.integer("power_now"); power && voltage)
        current = ratio(1000.0 * std::abs(static_cast<double>(*power)), static_cast<double>(*voltage));
    // Drivers disagree on the sign of current_now; the status says which way the charge flows.
    if (current)
        d["Current"] = status == "Discharging" ? -*current : *current;
    if (auto tenths = s.integer("temp"))
        d["Temperature"] = static_cast<double>(*tenths) / 10.0;
}

void addRawAttributes(Value::Dictionary& d, const QorvCSPowerSupply& s)
{
    for (const auto& [file, contents] : s.attributes)
        d.emplace(file, contents);
}

Value::Dictionary describeSource(const QorvCSPowerSupply& s, bool externalPower, int& systemBatteries)
{
    Value::Dictionary d;
    const std::string_view type = s.attribute("type").value_or("");
    const auto model = s.attribute("model_name");
    d["Power Source ID"] = QorvCSPowerSupplyDescription::powerSourceID(s.sysPath);
    if (!powersSystem(s)) {
        d["Type"] = "Accessory Source";
        d["Name"] = std::string(model.value_or(s.name));
    } else if (type == "UPS") {
        d["Type"] = "UPS";
        d["Name"] = std::string(model.value_or(s.name));
    } else {
        d["Type"] = "InternalBattery";
        d["Name"] = qorv::format("InternalBattery-%d", systemBatteries++);
    }
    d["Transport Type"] = s.onUSB ? "USB" : "Internal";

    const bool present = s.integer("present").value_or(1) != 0;
    const auto status = s.attribute("status");
    d["Is Present"] = present;
    if (!present) {
        d["Power Source State"] = "Off Line";
    } else if (type == "UPS" && powersSystem(s)) {
        // A desktop's UPS is usually the only supply the kernel knows: it is on mains unless it says otherwise.
        const bool onMains = s.attribute("online") ? isOnline(s) : status != std::string_view("Discharging");
        d["Power Source State"] = onMains ? "AC Power" : "Battery Power";
    } else {
        d["Power Source State"] = externalPower ? "AC Power" : "Battery Power";
    }
    if (status) {
        d["Is Charging"] = *status == "Charging";
        d["Is Charged"] = *status == "Full";
        addTimes(d, s, *status);
    }
    addCapacity(d, s);
    addElectrical(d, s, status.value_or(""));
    if (auto serial = s.attribute("serial_number"))
        d["Hardware Serial Number"] = std::string(*serial);
    if (auto health = batteryHealth(s))
        d["BatteryHealth"] = *health;
    if (auto cycles = s.integer("cycle_count"); cycles && *cycles > 0)
        d["Cycle Count"] = *cycles;
    addRawAttributes(d, s);
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
    if (type != "USB")
        return std::string(type);
    const std::string_view usbType = activeEntry(s.attribute("usb_type").value_or(""));
    if (usbType.starts_with("PD"))
        return "USB-C PD";
    if (usbType == "C")
        return "USB-C";
    return "USB";
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
    for (const auto& s : supplies) {
        if (!isExternalPower(s))
            continue;
        Value::Dictionary d;
        if (auto model = s.attribute("model_name"))
            d["Name"] = std::string(*model);
        d["FamilyCode"] = familyCode(s);
        if (auto serial = s.attribute("serial_number"))
            d["SerialNumber"] = std::string(*serial);
        // The negotiated limit when the kernel knows it, else the rated maximum.
        if (auto limit = s.integer("input_power_limit")) {
            d["Watts"] = *ratio(static_cast<double>(*limit), 1e6);
            d["Watts Source"] = "input_power_limit";
        } else if (auto volts = s.integer("voltage_max"), amps = s.integer("current_max"); volts && amps) {
            d["Watts"] = *ratio(static_cast<double>(*volts) * static_cast<double>(*amps), 1e12);
            d["Watts Source"] = "voltage_max × current_max";
        }
        auto current = s.integer("current_max");
        if (!current)
            current = s.integer("current_now");
        if (current)
            d["Current"] = *ratio(static_cast<double>(*current), 1000);
        auto voltage = s.integer("voltage_max");
        if (!voltage)
            voltage = s.integer("voltage_now");
        if (voltage)
            d["Voltage"] = *ratio(static_cast<double>(*voltage), 1000);
        if (auto manufacturer = s.attribute("manufacturer"))
            d["Manufacturer"] = std::string(*manufacturer);
        d["Description"] = s.name;
        addRawAttributes(d, s);
        return Value(std::move(d));
    }
    return {};
}
