// The application's own rule set, rendered row by row as the report shows it.
#include "QorvCSReportCupelController.h"
#include "ReportTestSupport.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

using qorv::Value;
using reporttest::ResourceDirectory;
using reporttest::Row;

namespace {

const std::string shippedResources = CELLSHEET_SOURCE_RESOURCES;

struct Case {
    Row row;
    std::string cell; // the value cell's markup before any "more" button
    std::string more; // a phrase of the longer explanation, or empty when there is none
    std::vector<std::string> files; // the rule files that shape this row (each one must change it)
    std::string language = "en"; // the language the report is read in
    std::string heading = ""; // the heading cell, when a rule rewrites it
};

std::string acronym(const std::string& title, const std::string& text)
{
    return "<acronym title=\"" + QorvCSHTMLReport::escapeString(title) + "\">" + text + "</acronym>";
}

const std::string volt = acronym("Volt: electrical pressure", "V");
const std::string ampere = acronym("Ampere: electric current", "A");
const std::string ampereHour = acronym("Ampere-hour: a battery's charge; one ampere for one hour", "Ah");
const std::string wattHour = acronym("Watt-hour: energy; a 50 Wh battery can supply 50 watts for one hour", "Wh");
const std::string watt = acronym("Watt: power, the rate at which energy flows", "W");
const std::string milliampereHour
    = acronym("Milliampere-hour: a battery's charge; 1,000 mAh supply one ampere for an hour", "mAh");
const std::string gigabyte = acronym("Gigabyte: a thousand million bytes", "GB");
const std::string gigabyteDe = acronym("Gigabyte: eine Milliarde Byte", "GB");

const std::vector<Case>& cases()
{
    static const std::vector<Case> all {
        // Kernel attribute files in millionths, as decimals in everyday units.
        { { "voltage_now", "12788000" }, "12.79 " + volt, "",
            { "990-kind-sysfs-quantity", "870-sysfs-voltage", "110-glossary-find", "100-glossary-explain" } },
        { { "voltage_min_design", "500" }, "0.00 " + volt, "", { "870-sysfs-voltage" } },
        // Conversions round: up from a third decimal of 5, through runs of 9s, keeping the sign.
        { { "voltage_now", "11999000" }, "12.00 " + volt, "",
            { "859-decimal-round-up", "858-decimal-round-up-split", "857-decimal-round-up-add",
                "856-decimal-rounded" } },
        { { "Voltage", "11995" }, "12.00 " + volt, "", {} },
        { { "voltage_now", "12345000" }, "12.35 " + volt, "", {} },
        { { "energy_full", "995000" }, "1.00 " + wattHour, "Compare it with the design capacity", {} },
        { { "current_now", "-99995000" }, "-100.00 " + ampere, "negative while it discharges", {} },
        { { "power_now", "8994999" }, "8.99 " + watt, "", {} },
        { { "current_now", "-1500000" }, "-1.50 " + ampere, "positive while the battery charges",
            { "869-sysfs-current", "640-more-current-sign" } },
        { { "constant_charge_current_max", "3000000" }, "3.00 " + ampere, "", { "990-kind-sysfs-quantity" } },
        { { "precharge_current", "256000" }, "0.26 " + ampere, "", {} },
        { { "charge_full", "4500000" }, "4.50 " + ampereHour, "holds today when it is fully charged",
            { "868-sysfs-charge", "669-more-full-capacity" } },
        { { "charge_full_design", "5000000" }, "5.00 " + ampereHour, "held when it was new",
            { "670-more-design-capacity" } },
        { { "energy_now", "57020000" }, "57.02 " + wattHour, "", { "867-sysfs-energy", "860-decimal-two-places" } },
        { { "energy_full", "500000" }, "0.50 " + wattHour, "Compare it with the design capacity",
            { "860-decimal-two-places" } },
        { { "energy_full_design", "123456789012" }, "123456.79 " + wattHour, "held when it was new", {} },
        { { "power_now", "8500000" }, "8.50 " + watt, "", { "866-sysfs-power" } },
        { { "temp", "312" }, "31.2 °C", "", { "855-sysfs-temperature" } },
        { { "temp", "-15" }, "-1.5 °C", "", {} },
        { { "temp", "5" }, "0.5 °C", "", { "854-sysfs-temperature-below-one" } },
        { { "voltage_now", "unknown" }, "unknown", "", {} },
        // The bridge's own keys in milli-units and whole units.
        { { "Voltage", "12788" }, "12.79 " + volt, "", { "865-millivolts", "978-kind-millivolts" } },
        // The inventory's battery readings read as the power report's.
        { { "sppower_current_voltage", "12788", "InternalBattery-0" }, "12.79 " + volt, "", {} },
        { { "sppower_current_amperage", "-1234", "InternalBattery-0" }, "-1.23 " + ampere,
            "negative while it discharges", {} },
        { { "Current", "-1234" }, "-1.23 " + ampere, "For an adapter it is what the adapter supplies",
            { "864-milliamps", "977-kind-milliamps" } },
        { { "Current", "0" }, "0.00 " + ampere, "negative while it discharges", {} },
        // Battery capacities the system gives in milliampere-hours keep their unit.
        { { "DesignCapacity", "3692" }, "3692 " + milliampereHour, "held when it was new",
            { "981-kind-milliampere-hours", "862-milliampere-hours" } },
        { { "Nominal Capacity", "3249" }, "3249 " + milliampereHour, "holds today when it is fully charged", {} },
        { { "Temperature", "31" }, "31 °C", "", { "850-celsius" } },
        { { "Watts", "65", "USB-C PD Adapter" }, "65 " + watt, "", { "845-watts" } },
        { { "Current Capacity", "85" }, "85 %", "How full the battery is now",
            { "983-kind-percent", "840-percent", "630-more-charge-level" } },
        { { "charge_control_start_threshold", "40" }, "40 %",
            "starts charging only when its charge falls below this level", { "660-more-charge-start-threshold" } },
        { { "charge_control_end_threshold", "80" }, "80 %", "stops charging at this level",
            { "659-more-charge-end-threshold" } },
        { { "Max Capacity", "80" }, "80 %", "stops charging at this level", {} },
        // Minutes as hours and minutes.
        { { "Time to Empty", "155" }, "2 h 35 min", "An estimate from the present rate",
            { "985-kind-minutes", "785-minutes-clock", "784-minutes-read-clock", "650-more-time-estimates" } },
        { { "Time to Full Charge", "-1" }, "Calculating…", "reads \"Calculating…\" until", { "790-minutes-unknown" } },
        { { "Time to Empty", "5" }, "5 min", "An estimate", {} },
        // Each thousand minutes has its own table, up to the last the clock tells.
        { { "Time to Empty", "1234" }, "20 h 34 min", "An estimate", { "785-minutes-clock-1000" } },
        { { "Time to Full Charge", "2005" }, "33 h 25 min", "An estimate", { "785-minutes-clock-2000" } },
        { { "Time to Empty", "3599" }, "59 h 59 min", "An estimate", { "785-minutes-clock-3000" } },
        { { "Runtime on Battery", "4060" }, "67 h 40 min", "if the mains failed now", { "785-minutes-clock-4000" } },
        { { "Time to Empty", "5999" }, "99 h 59 min", "An estimate", { "785-minutes-clock-5000" } },
        { { "Time to Empty", "0" }, "Not discharging", "when it does not apply", { "780-minutes-not-discharging" } },
        // A UPS served by Network UPS Tools.
        { { "UPS Status", "On battery, discharging" },
            "On battery, discharging: the computer runs on the "
                + acronym("Uninterruptible power supply: a battery unit that keeps the computer running through a "
                          "power cut",
                    "UPS")
                + "&#x27;s battery",
            "the mains supply has failed", { "751-state-ups-on-battery", "653-more-ups-status" } },
        { { "UPS Status", "On line, charging" }, "On line, charging", "What the UPS reports", {} },
        // Its flags in German, wherever "on battery" stands; a flag the tables lack leaves them as they are.
        { { "UPS Status", "On line, charging" }, "Netzbetrieb, lädt", "Was die USV",
            { "758-ups-status-table", "757-ups-status-words", "752-ups-status" }, "de" },
        { { "UPS Status", "On battery, discharging, low battery" },
            "Akkubetrieb, entlädt, Akku schwach: Der Computer läuft über den Akku der USV", "„Akku schwach“",
            { "751-state-ups-on-battery" }, "de" },
        { { "UPS Status", "Alarm, on battery, boosting low input voltage, overloaded, replace battery" },
            "Alarm, Akkubetrieb, hebt niedrige Eingangsspannung an, überlastet, Akku ersetzen: Der Computer läuft über "
            "den Akku der USV",
            "Was die USV", {}, "de" },
        { { "UPS Status", "On battery, ECO" }, "Akkubetrieb, ECO: Der Computer läuft über den Akku der USV",
            "Was die USV", { "753-state-ups-on-battery-unlisted" }, "de" },
        { { "UPS Status", "On line, ECO" }, "On line, ECO", "Was die USV", {}, "de" },
        { { "UPS Load", "23" }, "23 %", "rated power", { "654-more-ups-load", "983-kind-percent" } },
        { { "Self-Test Result", "Done and passed" }, "Bestanden", "„Kein Test gestartet“", {}, "de" },
        { { "ups.beeper.status", "enabled" }, "aktiviert", "", {}, "de" },
        { { "Type", "UPS", "Back-UPS ES 700" }, "USV", "", {}, "de" },
        { { "battery.voltage.nominal", "12.0" }, "12,0", "", { "986-kind-ups-figure", "213-decimal-mark-ups-figure" },
            "de" },
        { { "battery.voltage.nominal", "12.0" }, "12.0", "", {} },
        { { "driver.version", "2.8.0" }, "2.8.0", "", {}, "de" },

        { { "Runtime on Battery", "95" }, "1 h 35 min", "if the mains failed now",
            { "655-more-ups-runtime", "985-kind-minutes" } },
        { { "Battery Installed", "2021-03-14" }, "2021-03-14", "three to five years", { "656-more-ups-battery-date" } },
        { { "Self-Test Result", "Done and warning" }, "Done and warning", "needs replacing",
            { "657-more-ups-self-test" } },
        { { "Time to Full Charge", "0" }, "Not charging", "An estimate", { "781-minutes-not-charging" } },
        { { "Time to Empty", "60" }, "1 h 0 min", "An estimate", {} },
        { { "Time to Full Charge", "5999" }, "99 h 59 min", "An estimate", {} },
        { { "Time to Full Charge", "6000" }, "More than 99 h", "An estimate", { "783-minutes-beyond-clock" } },
        // Flags and codes in words.
        { { "Is Charging", "1" }, "Yes", "", { "984-kind-yes-no", "770-yes" } },
        { { "Is Present", "0" }, "No", "", { "769-no" } },
        { { "authentic", "1" }, "Yes", "", {} },
        // The kernel's bracketed lists in words.
        { { "charge_behaviour", "[auto] inhibit-charge force-discharge" },
            "Charges normally; also possible: hold the charge, run from the battery while plugged in",
            "What the battery does while the computer is plugged in",
            { "779-bracketed-list-split", "778-bracketed-list-table", "777-bracketed-list-words",
                "776-bracketed-list-others", "692-more-charge-behaviour", "795-kind-bracketed-list" } },
        { { "charge_behaviour", "auto [inhibit-charge]" },
            "Holds the charge (does not charge while plugged in); also possible: charge normally",
            "What the battery does", {} },
        { { "charge_behaviour", "[auto]" }, "Charges normally", "What the battery does",
            { "775-bracketed-list-alone" } },
        { { "charge_behaviour", "[auto] long-life" }, "[auto] long-life", "What the battery does", {} },
        { { "online", "2", "USB-C PD Adapter" }, "Yes (programmable)", "", { "771-online-programmable" } },
        { { "online", "1", "AC" }, "Yes", "", {} },
        { { "Type", "InternalBattery" }, "Internal battery", "", { "760-type-internal-battery" } },
        { { "Type", "Accessory Source", "Keyboard" }, "Battery of a connected device", "", { "759-type-accessory" } },
        { { "Type", "UPS", "Back-UPS ES 700" },
            acronym("Uninterruptible power supply: a battery unit that keeps the computer running through a power cut",
                "UPS"),
            "", {} },
        { { "Power Source State", "AC Power" },
            acronym("Alternating current: mains electricity", "AC") + " Power (plugged in)", "",
            { "750-state-ac-power" } },
        { { "Power Source State", "Battery Power" }, "Battery Power (not plugged in)", "",
            { "749-state-battery-power" } },
        // A UPS on battery has not been unplugged: the mains has failed.
        { { "Power Source State", "Battery Power", "InternalBattery-0", "UPS" },
            acronym("Uninterruptible power supply: a battery unit that keeps the computer running through a power cut",
                "UPS")
                + " Battery Power (the mains supply has failed)",
            "", { "747-state-ups-battery-power" } },
        { { "Power Source State", "Off Line" }, "Off line (not present)", "", { "748-state-off-line" } },
        { { "cycle_count", "0" }, "Not reported", "two half charges make one",
            { "740-cycle-count-unknown", "680-more-cycle-count" } },
        { { "Cycle Count", "312" }, "312", "built for 300 to 1,000 cycles", {} },
        { { "BatteryHealth", "Good" }, "Good", "at least 80 % of the charge it held when new",
            { "690-more-battery-health" } },
        { { "BatteryHealth", "Poor" }, "Poor", "at least 80 %", {} },
        { { "BatteryHealth", "Overheat" }, "Overheat", "have the battery checked", {} },
        // Read in German: the templates are translated whole, numbers take a decimal comma, codes stay codes.
        { { "BatteryHealth", "Fair" }, "Ausreichend", "mindestens 80 %",
            { "763-health-words-table", "762-health-words" }, "de" },
        { { "BatteryHealth", "Overheat" }, "Overheat", "den Akku prüfen", {}, "de" },
        { { "Time to Full Charge", "-1" }, "Wird berechnet …", "„Wird berechnet …“", {}, "de" },
        { { "Time to Empty", "155" }, "2 h 35 min", "Eine Schätzung", {}, "de" },
        { { "voltage_now", "12788000" }, "12,79 " + acronym("Volt: elektrische Spannung", "V"), "", {}, "de" },
        { { "Is Charging", "1" }, "Ja", "", {}, "de" },
        { { "Transport Type", "Internal" }, "Eingebaut", "", { "761-transport-internal" }, "de" },
        { { "Transport Type", "Internal" }, "Internal", "", {} },
        { { "sppower_lid_close_action", "Suspend", "power_overview" }, "Bereitschaft", "Deckel",
            { "987-kind-power-word", "766-power-words-table", "765-power-words" }, "de" },
        { { "sppower_batteries_found", "None", "power_overview" }, "Keine", "Stromausfall", {}, "de" },
        { { "sppower_idle_action", "Suspend after 15min", "power_overview" }, "Suspend after 15min", "nicht benutzt",
            {}, "de" },
        { { "charge_behaviour", "[auto] inhibit-charge force-discharge" },
            "Lädt normal; auch möglich: Ladung halten, am Netz vom Akku laufen", "am Netz ist", {}, "de" },
        { { "charge_behaviour", "[auto]" }, "Lädt normal", "am Netz ist", {}, "de" },
        { { "BatteryHealthMaximumCapacity", "88 % (50.2 of 57.0 Wh)" },
            "88 % of design capacity (50.2 of 57.0 " + wattHour + ")",
            "at 80 % or more the battery is in good condition",
            { "746-health-capacity-energy", "691-more-health-capacity" } },
        { { "BatteryHealthMaximumCapacity", "88 % (50.2 of 57.0 Wh)" },
            "88 % der Nennkapazität (50,2 von 57,0 "
                + acronym("Wattstunde: Energie; ein 50-Wh-Akku kann eine Stunde lang 50 Watt liefern", "Wh") + ")",
            "Wie viel der Akku heute", { "746-health-capacity-energy" }, "de" },
        { { "BatteryHealthMaximumCapacity", "90 % (5400 of 6000 mAh)" },
            "90 % der Nennkapazität (5400 von 6000 "
                + acronym(
                    "Milliamperestunde: die Ladung eines Akkus; 1.000 mAh liefern eine Stunde lang ein Ampere", "mAh")
                + ")",
            "Wie viel der Akku heute", { "745-health-capacity" }, "de" },
        { { "health", "Overheat" }, "Overheat", "let it cool down", { "689-more-kernel-health" } },
        { { "Transport Type", "USB" }, acronym("Universal Serial Bus", "USB"), "", {} },
        { { "technology", "Li-ion" }, acronym("Lithium-ion battery", "Li-ion"), "", {} },
        { { "usb_type", "C [PD] PD_PPS", "ucsi-source-psy-USBC000:001" },
            acronym("Universal Serial Bus", "USB") + " Power Delivery; also possible: "
                + acronym("Universal Serial Bus", "USB") + "-C, programmable supply (PPS)",
            "", {} },
        { { "Watts Source", "input_power_limit" }, "The limit agreed with the charger", "", { "744-watts-source" } },
        { { "Watts Source", "voltage_max × current_max" }, "The charger&#x27;s rated voltage × rated current", "",
            { "743-watts-source-rated" } },
        // Letters that only look like an abbreviation stay as they are.
        { { "ethernet_address", "AC:DE:48:00:11:22", "en0" }, "AC:DE:48:00:11:22", "", {} },
        { { "machine_model", "MACBOOK", "hardware_overview" }, "MACBOOK", "", {} },
        { { "FamilyCode", "USB-C PD", "USB-C PD Adapter" }, acronym("Universal Serial Bus", "USB") + "-C PD", "", {} },
        // The inventory.
        { { "size_in_bytes", "249661751296", "disk0s2" }, "249.66 " + gigabyte, "",
            { "982-kind-bytes", "832-size-GB" } },
        { { "free_space_in_bytes", "512", "Macintosh HD" }, "512 bytes", "", { "835-size-bytes" } },
        { { "size_in_bytes", "1536", "EFI" }, "1.53 " + acronym("Kilobyte: a thousand bytes", "KB"), "",
            { "834-size-KB" } },
        { { "size_in_bytes", "1048576", "BIOS boot" }, "1.04 " + acronym("Megabyte: a million bytes", "MB"), "",
            { "833-size-MB" } },
        { { "size_in_bytes", "2000398934016", "disk1" }, "2.00 " + acronym("Terabyte: a million million bytes", "TB"),
            "", { "831-size-TB" } },
        { { "size_in_bytes", "1000000000000000", "array" }, "1.00 PB", "", { "830-size-PB" } },
        // Memory sizes are binary and say so; disk sizes stay decimal.
        { { "physical_memory", "16 GiB", "hardware_overview" },
            "16 " + acronym("Gibibyte: 1,073,741,824 bytes (1024 × 1024 × 1024), about 1.07 GB", "GiB"), "", {} },
        { { "l2_cache_core", "1.25 MiB", "hardware_overview" },
            "1.25 " + acronym("Mebibyte: 1,048,576 bytes (1024 × 1024)", "MiB"), "", {} },
        { { "current_processor_speed", "2.80 GHz", "hardware_overview" },
            "2.80 " + acronym("Gigahertz: a billion cycles per second", "GHz"), "", {} },
        { { "dimm_speed", "3200 MT/s", "BANK 0" }, "3200 " + acronym("Million transfers per second", "MT&#x2F;s"), "",
            {} },
        // The inventory's own phrases in German: durations, fixed words alone or among the pieces of a summary, and
        // every figure with a unit takes the decimal comma; versions and addresses keep their points.
        { { "uptime", "3 days, 4 hours, 1 minute", "software_overview" }, "3 Tage, 4 Stunden, 1 Minute", "",
            { "789-duration-table", "788-duration-words", "999-values-translated" }, "de" },
        { { "uptime", "1 day, 0 hours, 12 minutes", "software_overview" }, "1 Tag, 0 Stunden, 12 Minuten", "", {},
            "de" },
        { { "uptime", "42 seconds", "software_overview" }, "42 Sekunden", "", {}, "de" },
        { { "uptime", "3 days, 4 hours, 1 minute", "software_overview" }, "3 days, 4 hours, 1 minute", "", {} },
        { { "enp5s0", "Ethernet, Up, 2.5 Gb/s, 10.0.0.5/24", "network_overview" },
            "Ethernet, aktiv, 2,5 Gb&#x2F;s, 10.0.0.5&#x2F;24", "", { "798-words-table", "797-words" }, "de" },
        { { "enp5s0", "Ethernet, Up, 2.5 Gb/s, 10.0.0.5/24", "network_overview" },
            "Ethernet, Up, 2.5 Gb&#x2F;s, 10.0.0.5&#x2F;24", "", {} },
        { { "platform_cpu_htt", "Enabled", "hardware_overview" }, "Aktiviert", "", {}, "de" },
        { { "docker0", "Bridge, Down", "network_overview" }, "Netzwerkbrücke, inaktiv", "", {}, "de" },
        { { "a", "b, c, d, e, f, g, Up", "network_overview" }, "b, c, d, e, f, g, Up", "", {}, "de" },
        { { "os_version", "Ubuntu 22.04.3 LTS", "software_overview" }, "Ubuntu 22.04.3 LTS", "", {}, "de" },
        { { "sppower_ac_charger_watts", "19.5 W (20.0 V × 3.25 A)", "Power Adapter" },
            "19,5 " + acronym("Watt: Leistung, die Geschwindigkeit, mit der Energie fließt", "W")
                + " (20,0 V × 3,25 A)",
            "", { "212-decimal-mark", "211-decimal-mark-second", "210-decimal-mark-third" }, "de" },
        { { "sppower_ac_charger_watts", "19.5 W (20.0 V × 3.25 A)", "Power Adapter" },
            "19.5 " + watt + " (20.0 V × 3.25 A)", "", {} },
        { { "/", "ext4, 123.46 GB free of 502 GB", "storage_overview" },
            "ext4, 123,46 " + gigabyteDe + " von 502 " + gigabyteDe + " frei", "", { "796-free-of" }, "de" },
        { { "/", "ext4, 123.46 GB free of 502 GB", "storage_overview" },
            "ext4, 123.46 " + gigabyte + " free of 502 " + gigabyte, "", {} },
        { { "memory_slots", "2 of 4 in use", "memory_overview" }, "2 von 4 belegt", "", { "794-in-use" }, "de" },
        { { "Power Adapter (2)", "USB-C PD, 65 W (rated), connected", "power_overview" },
            acronym("Universal Serial Bus", "USB") + "-C PD, 65 W (Nennwert), angeschlossen", "", { "793-rated" },
            "de" },
        { { "NVMe SSD Controller", "SAMSUNG MZVL2512HCJQ-00BL7, 512.11 GB; link x4, 16.0 GT/s PCIe", "nvme_overview" },
            "SAMSUNG MZVL2512HCJQ-00BL7, 512,11 " + gigabyteDe + "; Anbindung x4, 16,0 GT&#x2F;s PCIe", "",
            { "792-link-lanes" }, "de" },
        { { "InternalBattery-0", "58%, Charging, AC Power, condition Fair", "power_overview" },
            "58 %, lädt, Netzbetrieb, Zustand ausreichend", "",
            { "787-condition-table", "786-condition-words", "799-percent-sign" }, "de" },
        { { "InternalBattery-0", "58%, Charging, AC Power, condition Fair", "power_overview" },
            "58%, Charging, " + acronym("Alternating current: mains electricity", "AC") + " Power, condition Fair", "",
            {} },
        { { "Iris Xe Graphics", "Intel Corporation; displays DELL U2720Q (3840 x 2160), Built-in Display (1920 x 1200)",
              "graphics_overview" },
            "Intel Corporation; Bildschirme DELL U2720Q (3840 x 2160), Eingebauter Bildschirm (1920 x 1200)", "",
            { "774-displays", "773-built-in-display" }, "de" },
        { { "sof-hda-dsp", "Realtek ALC287; outputs HDA Analog, HDMI1; inputs DMIC", "audio_overview" },
            "Realtek ALC287; Ausgänge HDA Analog, HDMI1; Eingänge DMIC", "",
            { "772-audio-outputs", "768-audio-inputs" }, "de" },
        { { "Power Adapter (2)", "Mains", "power_overview" }, "Mains", "", { "767-power-adapter-heading" }, "de",
            "Netzteil (2)" },
        // The power-management settings of the inventory's Power data type.
        { { "sppower_batteries_found", "None", "power_overview" }, "None", "runs from mains power alone",
            { "604-more-no-battery" } },
        { { "sppower_suspend_mode", "Deep sleep", "power_overview" }, "Deep sleep", "try the other suspend mode",
            { "603-more-sleep-states" } },
        { { "sppower_platform_profile", "balanced", "power_overview" }, "balanced", "runs cooler",
            { "602-more-power-profile" } },
        { { "sppower_energy_performance_preference", "balance_power", "power_overview" }, "balance_power",
            "short battery life", { "601-more-processor-speed-policy" } },
        { { "sppower_idle_action", "Suspend after 15min", "power_overview" }, "Suspend after 15min",
            "goes to sleep unexpectedly", { "600-more-lid-and-idle" } },
    };
    return all;
}

// The row as rendered with the given rule set: its value cell, its "more" text (empty when none) and its heading.
std::tuple<std::string, std::string, std::string> render(
    const Row& row, const std::shared_ptr<QorvCSReportCupelController>& rules, const std::string& language = "en")
{
    qorv::Bundle::main().setLanguages({ language, "en" });
    QorvCSHTMLReportState state;
    if (rules)
        state.setCupels(rules);
    const std::string html
        = QorvCSHTMLReport::reportForExport(false)->htmlForReportTable(*reporttest::tableWithRows({ row }), state);
    qorv::Bundle::main().setLanguages({ "en" });
    const size_t heading = html.find("<th>") + 4;
    std::string headingCell = html.substr(heading, html.find("</th>") - heading);
    const size_t cell = html.find("<td>") + 4;
    const size_t button = html.find(" <button ");
    if (button == std::string::npos)
        return { html.substr(cell, html.find("</td>") - cell), "", headingCell };
    const size_t more = html.find("id=\"more2\">") + 11;
    return { html.substr(cell, button - cell), html.substr(more, html.find("</p>") - more), headingCell };
}

std::string name(const std::string& path)
{
    return std::filesystem::path(path).stem().string();
}

class ShippedRules : public ::testing::Test {
protected:
    void SetUp() override { resources.writeMarkedTemplates(); }
    ResourceDirectory resources { { shippedResources } };
};

} // namespace

TEST_F(ShippedRules, RowsReadInEverydayWords)
{
    for (const auto& c : cases()) {
        const auto [cell, more, heading] = render(c.row, nullptr, c.language);
        EXPECT_EQ(cell, c.cell) << c.row.heading << " = " << c.row.value;
        if (!c.heading.empty()) {
            EXPECT_EQ(heading, c.heading) << c.row.heading << " = " << c.row.value;
        }
        if (c.more.empty())
            EXPECT_EQ(more, "") << c.row.heading << " = " << c.row.value;
        else
            EXPECT_NE(more.find(QorvCSHTMLReport::escapeString(c.more)), std::string::npos)
                << c.row.heading << " = " << c.row.value << ": " << more;
    }
}

TEST_F(ShippedRules, EveryRuleFileShapesARow)
{
    auto all = QorvCSReportCupelController::cupelController();
    std::set<std::string> shipped;
    for (const auto& cupel : all->cupels()) {
        EXPECT_EQ(cupel->rule()->source().rfind(shippedResources + "/QorvCSReportCupel/", 0), 0u);
        shipped.insert(name(cupel->rule()->source()));
    }
    std::set<std::string> exercised;
    for (const auto& c : cases()) {
        const auto full = render(c.row, all, c.language);
        for (const auto& file : c.files) {
            exercised.insert(file);
            auto without = QorvCSReportCupelController::cupelController();
            QorvCSReportCupelController::Cupels others;
            for (const auto& cupel : all->cupels())
                if (name(cupel->rule()->source()) != file)
                    others.push_back(cupel);
            EXPECT_EQ(others.size() + 1, all->cupels().size()) << file << " is not a shipped rule file";
            without->setCupels(others);
            EXPECT_NE(render(c.row, without, c.language), full)
                << file << " does not change " << c.row.heading << " = " << c.row.value;
        }
    }
    EXPECT_EQ(exercised, shipped);
}

TEST_F(ShippedRules, CachedAndPlainRuleSetsRenderTheSameDocument)
{
    std::vector<Row> rows;
    for (const auto& c : cases())
        rows.push_back(c.row);
    auto render = [&] {
        auto report = QorvCSHTMLReport::reportForExport(true);
        report->addItemsFromArray({ QorvCSReportTitle::titleWithText("All"), reporttest::tableWithRows(rows),
            reporttest::tableWithRows(rows) });
        return report->asHTML();
    };
    const std::string cached = render();
    const std::string again = render();
    QorvCSReportCupelController::setCachesRules(false);
    const std::string plain = render();
    QorvCSReportCupelController::setCachesRules(true);
    EXPECT_EQ(cached, plain);
    EXPECT_EQ(again, plain);
}

TEST_F(ShippedRules, HeadingsDoNotNameTheUnitsTheRulesConvert)
{
    // A heading "Voltage Now (µV)" above "12.78 V" would contradict the value.
    qorv::Bundle::main().setLanguages({ "en" });
    for (const auto& c : cases()) {
        const std::string cell = std::get<0>(render(c.row, nullptr, c.language));
        if (cell == QorvCSHTMLReport::escapeString(c.row.value) || c.row.heading.find('_') == std::string::npos)
            continue;
        const std::string heading = qorv::Bundle::main().localizedString("QorvCSContentPowerSource." + c.row.heading);
        for (const char* unit : { "(µV)", "(µA)", "(µAh)", "(µWh)", "(µW)", "(0.1 °C)", "(%)" })
            EXPECT_EQ(heading.find(unit), std::string::npos) << c.row.heading << ": " << heading;
    }
    qorv::Bundle::main().setLanguages(qorv::Bundle::preferredLanguages());
}

TEST_F(ShippedRules, ChosenRulesGiveWhatEveryRuleGives)
{
    // Every row of the examples, the cases above, and subjects the whole-text and first-byte shortcuts must not
    // turn away: "$" also matches before a final line terminator, and \d matches any script's digits.
    std::vector<Row> rows;
    for (const auto& c : cases())
        rows.push_back(c.row);
    const auto examples = std::filesystem::path(shippedResources).parent_path() / "examples";
    for (const auto& folder : std::filesystem::directory_iterator(examples)) {
        for (const char* file : { "PowerSources", "PowerAdapter" }) {
            auto read = qorv::PropertyList::readFile(
                (folder.path() / (std::string("QorvCSPowerSourceBridge") + file + ".plist")).string());
            const auto* sources = read.value.asArray();
            for (const auto& source : sources ? *sources : qorv::Value::Array { read.value })
                for (const auto& [key, value] : source.asDictionary() ? *source.asDictionary() : Value::Dictionary {})
                    rows.push_back({ key, value.description(), folder.path().filename().string() });
        }
    }
    ASSERT_GT(rows.size(), cases().size() + 80);
    for (const Row& odd : std::vector<Row> { { "Voltage\n", "12788" }, { "Time to Empty\r\n", "155\n" },
             { "Is Charging", "1\xE2\x80\xA8" }, { "Current Capacity", "\xD9\xA8\xD9\xA5" },
             { "Time to Empty", "\xD9\xA1\xD9\xA5\xD9\xA5" }, { "Type", "InternalBattery\n" },
             { "sppower_current_voltage", "-12788" }, { "size_in_bytes", "\xEF\xBC\x91\xEF\xBC\x92" },
             { "Power Source State", "AC Power\r" }, { "voltage_now", "12 V\xC2\x85" }, { "\xFF", "\xFF" } })
        rows.push_back(odd);

    auto transformAll = [&] {
        auto rules = QorvCSReportCupelController::cupelController();
        std::vector<Value::Dictionary> results;
        for (const auto& row : rows)
            results.push_back(rules->transform(QorvCSReportCupelController::recordForRow(
                reporttest::tableWithRows({ row })->headingValuePairs()->front())));
        return results;
    };
    const auto chosen = transformAll();
    QorvCSReportCupelController::setCachesRules(false);
    const auto every = transformAll();
    QorvCSReportCupelController::setCachesRules(true);
    for (size_t index = 0; index < rows.size(); ++index)
        EXPECT_EQ(Value(chosen[index]).description(), Value(every[index]).description())
            << rows[index].heading << " = " << rows[index].value;
}
