#include "QorvCSUPSDescription.h"

#include "QorvCSPowerSupply.h"
#include "foundation/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <vector>

using qorv::Value;

namespace {

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto start = text.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        const auto end = std::min(text.find(' '), text.size());
        result.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return result;
}

class Variables {
public:
    explicit Variables(const std::map<std::string, std::string>& variables)
        : m_variables(variables)
    { }

    // The variable's text, marking it as stated by a key.
    std::optional<std::string> take(std::string_view name)
    {
        auto found = m_variables.find(std::string(name));
        if (found == m_variables.end() || found->second.empty())
            return std::nullopt;
        m_covered.insert(found->first);
        return found->second;
    }
    // The variable as a number; a text that is not one is left for the raw listing.
    std::optional<double> number(std::string_view name)
    {
        auto found = m_variables.find(std::string(name));
        if (found == m_variables.end())
            return std::nullopt;
        double value = 0;
        const std::string& text = found->second;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
            return std::nullopt;
        m_covered.insert(found->first);
        return value;
    }
    void cover(std::string_view name) { m_covered.insert(std::string(name)); }
    void addRest(Value::Dictionary& d) const
    {
        for (const auto& [name, value] : m_variables)
            if (!m_covered.count(name))
                d.emplace(name, value);
    }

private:
    const std::map<std::string, std::string>& m_variables;
    std::set<std::string> m_covered;
};

std::string withUnit(double value, const char* unit, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %s", decimals, value, unit);
    return text;
}

} // namespace

std::string QorvCSUPSDescription::statusWords(std::string_view status)
{
    static const std::map<std::string_view, std::string_view> known = { { "OL", "on line" }, { "OB", "on battery" },
        { "LB", "low battery" }, { "HB", "high battery" }, { "RB", "replace battery" }, { "CHRG", "charging" },
        { "DISCHRG", "discharging" }, { "BYPASS", "on bypass" }, { "CAL", "calibrating" }, { "OFF", "output off" },
        { "OVER", "overloaded" }, { "TRIM", "trimming high input voltage" }, { "BOOST", "boosting low input voltage" },
        { "FSD", "forced shutdown" }, { "ALARM", "alarm" }, { "TEST", "testing" } };
    std::string text;
    for (auto word : words(status)) {
        auto found = known.find(word);
        if (!text.empty())
            text += ", ";
        text += found != known.end() ? found->second : word;
    }
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

Value::Dictionary QorvCSUPSDescription::describe(const QorvCSUPSReading& reading)
{
    Value::Dictionary d;
    Variables v(reading.variables);
    const std::string address = qorv::format("%@@%@", reading.name, reading.server);
    d["Power Source ID"] = QorvCSPowerSupplyDescription::powerSourceID("nut:" + address);
    d["Type"] = "UPS";
    std::optional<std::string> model = v.take("ups.model");
    if (auto deviceModel = v.take("device.model"); !model)
        model = deviceModel;
    d["Name"] = model.value_or(reading.name);
    const auto driver = v.take("driver.name");
    d["Transport Type"] = driver ? qorv::format("Network UPS Tools (%@)", *driver) : std::string("Network UPS Tools");
    d["UPS Server"] = address;
    if (!reading.description.empty() && reading.description != "Description unavailable")
        d["UPS Description"] = reading.description;

    // The server knows the UPS but has no live data for it (its driver is gone, or its data are stale).
    if (auto problem = v.take("nut.error")) {
        d["Is Present"] = false;
        d["Power Source State"] = "Off Line";
        d["UPS Problem"] = *problem;
        v.addRest(d);
        return d;
    }

    const auto status = v.take("ups.status").value_or("");
    const auto flags = words(status);
    auto has = [&](std::string_view flag) { return std::find(flags.begin(), flags.end(), flag) != flags.end(); };
    const bool onBattery = has("OB");
    d["Is Present"] = true;
    d["Power Source State"] = has("OFF") ? "Off Line" : onBattery ? "Battery Power" : "AC Power";
    if (!status.empty())
        d["UPS Status"] = statusWords(status);
    const auto charge = v.number("battery.charge");
    if (charge)
        d["Current Capacity"] = static_cast<int64_t>(std::llround(*charge));
    if (has("CHRG") || has("DISCHRG") || has("OL") || onBattery) {
        d["Is Charging"] = has("CHRG");
        if (charge)
            d["Is Charged"] = !onBattery && !has("CHRG") && *charge >= 100;
    }
    // On battery the runtime is the time left; on line it is what a power cut would leave.
    if (auto runtime = v.number("battery.runtime"); runtime && *runtime >= 0)
        d[onBattery ? "Time to Empty" : "Runtime on Battery"] = static_cast<int64_t>(std::llround(*runtime / 60));
    if (auto load = v.number("ups.load"))
        d["UPS Load"] = static_cast<int64_t>(std::llround(*load));
    if (auto power = v.number("ups.realpower"))
        d["Output Power"] = withUnit(*power, "W", 0);
    if (auto nominal = v.number("ups.realpower.nominal"))
        d["Nominal Output Power"] = withUnit(*nominal, "W", 0);
    if (auto input = v.number("input.voltage"))
        d["Input Voltage"] = withUnit(*input, "V", 1);
    if (auto output = v.number("output.voltage"))
        d["Output Voltage"] = withUnit(*output, "V", 1);
    if (auto volts = v.number("battery.voltage"))
        d["Voltage"] = static_cast<int64_t>(std::llround(*volts * 1000)); // mV, as the kernel's batteries
    if (auto celsius = v.number("battery.temperature"))
        d["Temperature"] = *celsius;
    std::optional<std::string> manufacturer = v.take("ups.mfr");
    if (auto deviceMfr = v.take("device.mfr"); !manufacturer)
        manufacturer = deviceMfr;
    if (manufacturer)
        d["Manufacturer"] = *manufacturer;
    std::optional<std::string> serial = v.take("ups.serial");
    if (auto deviceSerial = v.take("device.serial"); !serial)
        serial = deviceSerial;
    if (serial)
        d["Hardware Serial Number"] = *serial;
    if (auto date = v.take("battery.date"))
        d["Battery Installed"] = *date;
    if (auto date = v.take("battery.mfr.date"))
        d["Battery Manufactured"] = *date;
    if (auto result = v.take("ups.test.result"))
        d["Self-Test Result"] = *result;
    v.addRest(d);
    return d;
}
