#include "Collectors.h"
#include "PowerManagement.h"
#include "QorvBatteryReadings.h"
#include "ServedPowerSources.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

#include <algorithm>
#include <cmath>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

// The values use the vocabulary of the application's power-source descriptions ("InternalBattery", "AC Power",
// "Battery Power", "Off Line", "Good"/"Fair"/"Poor"), so the inventory and the power report agree.
const Schema powerSchema {
    { "sppower_type" },
    { "sppower_kernel_name" },
    { "sppower_served_by" },
    { "sppower_power_source_state" },
    { "sppower_battery_installed" },
    { "sppower_battery_status" },
    { "sppower_battery_is_charging" },
    { "sppower_battery_fully_charged" },
    { "sppower_battery_state_of_charge" },
    { "sppower_battery_time_remaining" },
    { "sppower_battery_time_to_full" },
    { "sppower_battery_health" },
    { "sppower_battery_health_maximum_capacity" },
    { "sppower_battery_full_charge_capacity" },
    { "sppower_battery_design_capacity" },
    { "sppower_battery_cycle_count" },
    { "sppower_battery_power" },
    { "sppower_current_voltage" },
    { "sppower_current_amperage" },
    { "sppower_battery_temperature" },
    { "sppower_battery_technology" },
    { "sppower_battery_manufacturer" },
    { "sppower_battery_device_name" },
    { "sppower_battery_serial_number", Level::Basic },
    { "sppower_battery_charger_connected" },
    { "sppower_ac_charger_family" },
    { "sppower_ac_charger_watts" },
    { "sppower_ac_charger_voltage", Level::Full },
    { "sppower_ac_charger_current", Level::Full },
    { "sppower_ac_charger_name" },
    { "sppower_ac_charger_manufacturer" },
    { "sppower_ac_charger_serial_number", Level::Basic },
};

using Attributes = std::map<std::string, std::string, std::less<>>;

// All properties of a supply in one read of "uevent" (POWER_SUPPLY_CAPACITY=85 ...), keyed without the prefix
// and in lower case like the attribute files; the files themselves when uevent cannot be read.
Attributes attributesOf(const SystemRoot& root, const std::string& base)
{
    Attributes attributes;
    if (const auto uevent = root.read(base + "/uevent")) {
        for (auto& [key, value] : Text::keyValues(*uevent)) {
            if (key.rfind("POWER_SUPPLY_", 0) != 0)
                continue;
            std::string name = key.substr(13);
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            attributes.emplace(std::move(name), Text::clean(value));
        }
        if (!attributes.empty())
            return attributes;
    }
    for (const auto& name : root.list(base))
        if (name != "uevent")
            if (auto value = root.readLine(base + "/" + name))
                attributes.emplace(name, std::move(*value));
    return attributes;
}

std::optional<std::string> text(const Attributes& attributes, std::string_view key)
{
    const auto found = attributes.find(key);
    if (found == attributes.end() || Text::isPlaceholder(found->second))
        return std::nullopt;
    return found->second;
}

std::optional<int64_t> number(const Attributes& attributes, std::string_view key)
{
    const auto found = attributes.find(key);
    return found == attributes.end() ? std::nullopt : Text::parseInteger(found->second);
}

// As the power report reads a UPS: on mains unless it says it is not.
bool upsOnMains(const Attributes& attributes)
{
    if (const auto online = number(attributes, "online"))
        return *online != 0;
    return text(attributes, "status") != std::optional<std::string>("Discharging");
}

bool isAdapterType(const std::string& type)
{
    return type == "Mains" || type == "USB" || type == "Wireless";
}

// The readable family an adapter's name is built from: "Mains", "USB-C PD", "USB", "Wireless".
std::string familyOf(const Attributes& attributes, const std::string& type)
{
    if (type != "USB")
        return type;
    // usb_type lists the possible types with the active one in brackets: "C [PD] PD_PPS".
    const std::string usbType = text(attributes, "usb_type").value_or("");
    const size_t open = usbType.find('['), close = usbType.find(']');
    const std::string active
        = open != std::string::npos && close > open ? usbType.substr(open + 1, close - open - 1) : "";
    if (active == "PD" || active == "PD_PPS" || active == "PD_DRP")
        return "USB-C PD";
    if (active == "C")
        return "USB-C";
    return "USB";
}

// onAC: whether the system runs on an adapter; nullopt for a peripheral's battery, which powers only itself.
void addBattery(Item& item, const Attributes& attributes, std::optional<bool> onAC, bool isUPS)
{
    const bool present = number(attributes, "present").value_or(1) != 0;
    const std::string status = text(attributes, "status").value_or("Unknown");
    item.set("sppower_battery_installed", present ? "Yes" : "No");
    if (!present) {
        item.set("sppower_power_source_state", "Off Line");
        return;
    }
    const bool discharging = status == "Discharging";
    if (isUPS || onAC)
        item.set("sppower_power_source_state", (isUPS ? !discharging : *onAC) ? "AC Power" : "Battery Power");
    item.set("sppower_battery_status", status);
    item.set("sppower_battery_is_charging", status == "Charging" ? "Yes" : "No");
    item.set("sppower_battery_fully_charged", status == "Full" ? "Yes" : "No");

    // Energy in µWh or charge in µAh, whichever the driver reports.
    const bool energy = attributes.count("energy_full") > 0;
    const auto now = number(attributes, energy ? "energy_now" : "charge_now");
    const auto full = number(attributes, energy ? "energy_full" : "charge_full");
    const auto design = number(attributes, energy ? "energy_full_design" : "charge_full_design");
    auto capacity = number(attributes, "capacity");
    if (!capacity && now && full && *full > 0)
        capacity = static_cast<int64_t>(std::llround(100.0 * double(*now) / double(*full)));
    if (capacity)
        item.set("sppower_battery_state_of_charge", Units::percent(double(*capacity)));

    // Condition and estimates are read as the power report reads them, so the two agree.
    const QorvBatteryReadings readings(attributes);
    if (const auto toEmpty = readings.minutesToEmpty(); toEmpty && *toEmpty > 0)
        item.set("sppower_battery_time_remaining", QorvBatteryReadings::clockText(*toEmpty));
    if (const auto toFull = readings.minutesToFull(); toFull && *toFull > 0)
        item.set("sppower_battery_time_to_full", QorvBatteryReadings::clockText(*toFull));

    std::optional<double> ratio;
    if (full && design && *design > 0 && *full > 0)
        ratio = double(*full) / double(*design);
    item.set("sppower_battery_health", readings.condition());
    if (ratio)
        item.set("sppower_battery_health_maximum_capacity", Units::percent(std::min(*ratio, 1.0) * 100));
    const auto amount = [&](int64_t micro) {
        return energy ? Units::trimmedNumber(double(micro) / 1e6) + " Wh" : std::to_string(micro / 1000) + " mAh";
    };
    if (full && *full > 0)
        item.set("sppower_battery_full_charge_capacity", amount(*full));
    if (design && *design > 0)
        item.set("sppower_battery_design_capacity", amount(*design));
    if (const auto cycles = number(attributes, "cycle_count"); cycles && *cycles > 0)
        item.set("sppower_battery_cycle_count", *cycles); // 0 means the count is unknown
    if (const auto power = number(attributes, "power_now"); power && *power != 0)
        item.set("sppower_battery_power", Units::trimmedNumber(double(std::llabs(*power)) / 1e6) + " W");
    if (const auto voltage = number(attributes, "voltage_now")) // mV, as the reference tool keeps it
        item.set("sppower_current_voltage", static_cast<int64_t>(std::llround(double(*voltage) / 1000)));
    // mA with the kernel's sign (positive into the battery), as the power report shows it
    if (const auto current = number(attributes, "current_now"))
        item.set("sppower_current_amperage", static_cast<int64_t>(std::llround(double(*current) / 1000)));
    if (const auto temperature = number(attributes, "temp"))
        item.set("sppower_battery_temperature", Units::trimmedNumber(double(*temperature) / 10, 1) + " °C");
    item.set("sppower_battery_technology", text(attributes, "technology"));
    item.set("sppower_battery_manufacturer", text(attributes, "manufacturer"));
    item.set("sppower_battery_device_name", text(attributes, "model_name"));
    item.set("sppower_battery_serial_number", text(attributes, "serial_number"));
}

void addAdapter(Item& item, const Attributes& attributes, const std::string& type)
{
    item.set("sppower_battery_charger_connected", number(attributes, "online").value_or(0) ? "Yes" : "No");
    item.set("sppower_ac_charger_family", familyOf(attributes, type));
    const auto limit = number(attributes, "input_power_limit");
    const auto voltage = number(attributes, "voltage_max");
    const auto current = number(attributes, "current_max");
    if (limit && *limit > 0)
        item.set("sppower_ac_charger_watts", Units::trimmedNumber(double(*limit) / 1e6, 1) + " W");
    else if (voltage && current && *voltage > 0 && *current > 0)
        item.set("sppower_ac_charger_watts",
            Units::trimmedNumber(double(*voltage) * double(*current) / 1e12, 1) + " W (rated)");
    if (voltage && *voltage > 0)
        item.set("sppower_ac_charger_voltage", Units::trimmedNumber(double(*voltage) / 1e6, 1) + " V");
    if (current && *current > 0)
        item.set("sppower_ac_charger_current", Units::trimmedNumber(double(*current) / 1e6, 2) + " A");
    item.set("sppower_ac_charger_name", text(attributes, "model_name"));
    item.set("sppower_ac_charger_manufacturer", text(attributes, "manufacturer"));
    item.set("sppower_ac_charger_serial_number", text(attributes, "serial_number"));
}

} // namespace

std::string_view PowerCollector::dataType() const
{
    return "SPPowerDataType";
}

const Schema& PowerCollector::schema() const
{
    return powerSchema;
}

void PowerCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    struct Supply {
        std::string name;
        Attributes attributes;
        std::string type;
        bool device = false; // scope=Device: a peripheral's own battery, not the system's power
    };
    std::vector<Supply> supplies;
    for (const auto& name : root.list("/sys/class/power_supply")) {
        Supply supply { name, attributesOf(root, "/sys/class/power_supply/" + name), {}, false };
        supply.type = text(supply.attributes, "type").value_or("");
        supply.device = text(supply.attributes, "scope") == "Device";
        supplies.push_back(std::move(supply));
    }
    bool onAC = false;
    for (const auto& supply : supplies) {
        if (isAdapterType(supply.type) && !supply.device && number(supply.attributes, "online").value_or(0) != 0)
            onAC = true;
        // A desktop on a UPS that is on mains is on mains, though no adapter supply says so.
        if (supply.type == "UPS" && !supply.device && upsOnMains(supply.attributes))
            onAC = true;
    }

    int batteryNumber = 0;
    for (const auto& supply : supplies) {
        const auto model = text(supply.attributes, "model_name");
        std::string name, type;
        if (supply.device) {
            name = model.value_or(supply.name), type = "Accessory Source";
        } else if (supply.type == "Battery") {
            name = "InternalBattery-" + std::to_string(batteryNumber++), type = "InternalBattery";
        } else if (supply.type == "UPS") {
            name = model.value_or(supply.name), type = "UPS";
        } else if (isAdapterType(supply.type)) {
            name = model.value_or("Power Adapter"), type = "Power Adapter";
        } else {
            continue;
        }
        Item item(powerSchema, context.level, name);
        item.set("sppower_type", type);
        item.set("sppower_kernel_name", supply.name);
        if (type == "Power Adapter")
            addAdapter(item, supply.attributes, supply.type);
        else
            addBattery(item, supply.attributes, supply.device ? std::nullopt : std::optional(onAC), type == "UPS");
        sink.add(item);
    }
    // UPSes of Network UPS Tools and UPower's devices beyond the kernel's, each daemon for at most two seconds.
    std::set<std::string> kernelNames;
    for (const auto& supply : supplies)
        kernelNames.insert(supply.name);
    auto batteries = std::count_if(supplies.begin(), supplies.end(),
        [](const Supply& s) { return !s.device && (s.type == "Battery" || s.type == "UPS"); });
    for (const auto& served : servedPowerSources(root, kernelNames, std::chrono::seconds(2))) {
        Item item(powerSchema, context.level, served.name);
        item.set("sppower_type", served.device ? "Accessory Source" : "UPS");
        item.set("sppower_served_by", served.servedBy);
        addBattery(item, served.attributes, std::nullopt, !served.device);
        sink.add(item);
        if (!served.device) {
            ++batteries;
            onAC = onAC || upsOnMains(served.attributes);
        }
    }
    // Said on every machine, a desktop without any supply too: the power state and power-management settings.
    PowerManagement::collect(context, static_cast<int>(batteries), onAC, sink);
}

std::string PowerCollector::summary(const qorv::Value& item) const
{
    if (const auto* type = item.find("sppower_type"); type && type->description() == "Power Adapter") {
        const auto* connected = item.find("sppower_battery_charger_connected");
        const bool isConnected = connected && connected->description() == "Yes";
        const std::string text = joinPresent(item, { "sppower_ac_charger_family", "sppower_ac_charger_watts" });
        return text + (text.empty() ? "" : ", ") + (isConnected ? "connected" : "not connected");
    }
    std::string text = joinPresent(
        item, { "sppower_battery_state_of_charge", "sppower_battery_status", "sppower_power_source_state" });
    if (const auto* health = item.find("sppower_battery_health"))
        text += (text.empty() ? "" : ", ") + std::string("condition ") + health->description();
    return text;
}

} // namespace cellsheet::profiler
