#include "PowerManagement.h"

#include "SystemRoot.h"
#include "Text.h"

#include <algorithm>
#include <set>

namespace cellsheet::profiler {

namespace {

const Schema managementSchema {
    { "sppower_batteries_found" },
    { "sppower_system_power_source" },
    { "sppower_sleep_states" },
    { "sppower_suspend_mode" },
    { "sppower_hibernation_mode", DetailLevel::Full },
    { "sppower_platform_profile" },
    { "sppower_active_power_profile" },
    { "sppower_cpu_governor" },
    { "sppower_energy_performance_preference" },
    { "sppower_lid_close_action" },
    { "sppower_lid_close_action_external_power" },
    { "sppower_lid_close_action_docked" },
    { "sppower_idle_action" },
};

std::string english(std::string_view word)
{
    static const std::map<std::string_view, std::string_view> words {
        // /sys/power/state and mem_sleep
        { "freeze", "Suspend to idle" },
        { "standby", "Standby" },
        { "mem", "Suspend to RAM" },
        { "disk", "Hibernate" },
        { "s2idle", "Suspend to idle (s2idle)" },
        { "shallow", "Standby (S1)" },
        { "deep", "Deep sleep (S3)" },
        // logind actions
        { "ignore", "Nothing" },
        { "poweroff", "Power off" },
        { "reboot", "Restart" },
        { "halt", "Halt" },
        { "kexec", "Restart (kexec)" },
        { "suspend", "Suspend" },
        { "hibernate", "Hibernate" },
        { "hybrid-sleep", "Hybrid sleep" },
        { "suspend-then-hibernate", "Suspend, then hibernate" },
        { "lock", "Lock the screen" },
        { "factory-reset", "Factory reset" },
    };
    const auto found = words.find(word);
    return found == words.end() ? std::string(word) : std::string(found->second);
}

// A sysfs choice list with the current one in brackets ("s2idle [deep]"): the current one, then the others.
std::optional<std::string> currentOfChoices(const std::optional<std::string>& line, bool translate)
{
    if (!line)
        return std::nullopt;
    std::string current;
    std::vector<std::string> others;
    for (auto word : Text::split(*line, ' ')) {
        if (word.empty())
            continue;
        if (word.size() > 2 && word.front() == '[' && word.back() == ']')
            current
                = translate ? english(word.substr(1, word.size() - 2)) : std::string(word.substr(1, word.size() - 2));
        else
            others.push_back(translate ? english(word) : std::string(word));
    }
    if (current.empty())
        return std::nullopt;
    return others.empty() ? current : current + " (also available: " + Text::join(others, ", ") + ")";
}

// The distinct values of one attribute over every CPU frequency policy: "powersave", or "performance, powersave"
// when the policies differ.
std::optional<std::string> policyValues(const SystemRoot& root, std::string_view attribute)
{
    std::set<std::string> values;
    const std::string base = "/sys/devices/system/cpu/cpufreq";
    for (const auto& policy : root.list(base))
        if (policy.rfind("policy", 0) == 0)
            if (auto value = root.readLine(base + "/" + policy + "/" + std::string(attribute)))
                values.insert(*value);
    if (values.empty())
        return std::nullopt;
    return Text::join(std::vector<std::string>(values.begin(), values.end()), ", ");
}

std::optional<std::string> governor(const SystemRoot& root)
{
    auto governors = policyValues(root, "scaling_governor");
    if (!governors)
        return std::nullopt;
    if (auto driver = policyValues(root, "scaling_driver"))
        return *governors + " (" + *driver + " driver)";
    return governors;
}

// "[Section]" and "Key=Value" lines of an INI-style file (logind.conf, power-profiles-daemon's state); comments
// start with # or ;. Later keys replace earlier ones.
void readINI(const std::string& text, std::string_view section, std::map<std::string, std::string>& into)
{
    bool inSection = false;
    for (auto raw : Text::lines(text)) {
        const std::string_view line = Text::trim(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            inSection = line == "[" + std::string(section) + "]";
            continue;
        }
        const size_t equals = line.find('=');
        if (inSection && equals != std::string_view::npos)
            into[std::string(Text::trim(line.substr(0, equals)))] = std::string(Text::trim(line.substr(equals + 1)));
    }
}

// logind's [Login] settings as systemd reads them: logind.conf, then the drop-ins of every logind.conf.d in the
// order of their file names, a drop-in in /etc hiding one of the same name in /run or /usr/lib.
std::map<std::string, std::string> logindSettings(const SystemRoot& root)
{
    std::map<std::string, std::string> settings;
    for (const char* main : { "/usr/lib/systemd/logind.conf", "/etc/systemd/logind.conf" })
        if (auto text = root.read(main))
            readINI(*text, "Login", settings);
    std::map<std::string, std::string> dropIns; // file name → path, the first directory that has it wins
    for (const char* directory : { "/etc/systemd/logind.conf.d", "/run/systemd/logind.conf.d",
             "/usr/local/lib/systemd/logind.conf.d", "/usr/lib/systemd/logind.conf.d" })
        for (const auto& name : root.list(directory))
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".conf") == 0)
                dropIns.emplace(name, std::string(directory) + "/" + name);
    for (const auto& [name, path] : dropIns)
        if (auto text = root.read(path))
            readINI(*text, "Login", settings);
    return settings;
}

std::string setting(const std::map<std::string, std::string>& settings, const std::string& key, std::string fallback)
{
    const auto found = settings.find(key);
    return found == settings.end() || found->second.empty() ? fallback : found->second;
}

// power-profiles-daemon keeps its active profile in its state file; the profile only holds while it runs.
std::optional<std::string> activePowerProfile(const SystemRoot& root)
{
    bool running = false;
    for (const auto& entry : root.list("/proc")) {
        if (entry.empty() || !std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        if (root.readLine("/proc/" + entry + "/comm") == "power-profiles-daemon") {
            running = true;
            break;
        }
    }
    if (!running)
        return std::nullopt;
    std::map<std::string, std::string> state;
    if (auto text = root.read("/var/lib/power-profiles-daemon/state.ini"))
        readINI(*text, "State", state);
    const auto profile = state.find("Profile");
    return profile == state.end() || profile->second.empty() ? std::optional<std::string>("balanced")
                                                             : std::optional(profile->second);
}

} // namespace

const Schema& PowerManagement::schema()
{
    return managementSchema;
}

void PowerManagement::collect(const CollectorContext& context, int batteries, bool onAC, ItemSink& sink)
{
    const SystemRoot& root = *context.root;
    Item item(managementSchema, context.level, "Power Management");
    item.set("sppower_batteries_found", batteries == 0 ? std::string("None") : std::to_string(batteries));
    item.set("sppower_system_power_source", onAC || batteries == 0 ? "AC Power" : "Battery Power");

    if (auto states = root.readLine("/sys/power/state")) {
        std::vector<std::string> words;
        for (auto word : Text::split(*states, ' '))
            if (!word.empty())
                words.push_back(english(word));
        item.set("sppower_sleep_states", Text::join(words, ", "));
    }
    item.set("sppower_suspend_mode", currentOfChoices(root.readLine("/sys/power/mem_sleep"), true));
    item.set("sppower_hibernation_mode", currentOfChoices(root.readLine("/sys/power/disk"), false));
    if (auto profile = root.readLine("/sys/firmware/acpi/platform_profile")) {
        std::string text = *profile;
        if (auto choices = root.readLine("/sys/firmware/acpi/platform_profile_choices"))
            text += " (choices: "
                + Text::join(
                    [&] {
                        std::vector<std::string> words;
                        for (auto word : Text::split(*choices, ' '))
                            if (!word.empty())
                                words.emplace_back(word);
                        return words;
                    }(),
                    ", ")
                + ")";
        item.set("sppower_platform_profile", text);
    }
    item.set("sppower_active_power_profile", activePowerProfile(root));
    item.set("sppower_cpu_governor", governor(root));
    item.set("sppower_energy_performance_preference", policyValues(root, "energy_performance_preference"));

    const auto logind = logindSettings(root);
    const std::string lid = setting(logind, "HandleLidSwitch", "suspend");
    item.set("sppower_lid_close_action", english(lid));
    item.set("sppower_lid_close_action_external_power", english(setting(logind, "HandleLidSwitchExternalPower", lid)));
    item.set("sppower_lid_close_action_docked", english(setting(logind, "HandleLidSwitchDocked", "ignore")));
    const std::string idle = setting(logind, "IdleAction", "ignore");
    item.set("sppower_idle_action",
        idle == "ignore" ? english(idle) : english(idle) + " after " + setting(logind, "IdleActionSec", "30min"));

    item.markAsSettings();
    sink.add(item);
}

} // namespace cellsheet::profiler
