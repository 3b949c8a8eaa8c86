// Descriptions of fake power_supply devices read through libudev, as the bridge returns them.
#include "PowerTestSupport.h"

#include "QorvCSPowerSourceBridge.h"
#include "linux/QorvCSLinuxPowerSourceService.h"

using namespace power_test;
using qorv::Value;

namespace {

class PowerSupplyDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FakePowerSupplies::available()) << "umockdev's preload library is not loaded"; }

    Value::Array sources() { return QorvCSLinuxPowerSourceService().copyPowerSourceDescriptions(); }
    Value adapter() { return QorvCSLinuxPowerSourceService().copyExternalPowerAdapterDetails(); }
    // Plugs in the devices of a real machine's shape, described in tests/data/power.
    static void load(FakePowerSupplies& bed, const std::string& file)
    {
        bed.addFromFile(POWER_TEST_DATA "/" + file + ".umockdev");
    }

    TestResources resources;
    FakePowerSupplies fake;
};

// Checks the listed keys of a description; a null expected value means the key must be absent.
void expectKeys(const Value& description, const std::vector<std::pair<std::string, Value>>& expected)
{
    ASSERT_TRUE(description.isDictionary());
    for (const auto& [key, value] : expected) {
        const Value* actual = description.find(key);
        if (value.isNull())
            EXPECT_EQ(actual, nullptr) << key << " should be absent";
        else if (!actual)
            ADD_FAILURE() << key << " is missing";
        else
            EXPECT_EQ(*actual, value) << key << ": " << actual->description();
    }
}

const std::string wornBattery = "/sys/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/power_supply/BAT0";
const std::string smartBattery = "/sys/devices/platform/cros-ec-dev.1.auto/i2c-8/8-000b/power_supply/sbs-8-000b";

} // namespace

TEST_F(PowerSupplyDescriptionTest, NoSuppliesGiveNoSourcesAndNoAdapter)
{
    EXPECT_TRUE(sources().empty());
    EXPECT_TRUE(adapter().isNull());
}

TEST_F(PowerSupplyDescriptionTest, BatteryOnItsOwnPower)
{
    const std::string path = fake.addSupply("BAT0", laptopBattery());
    auto list = sources();
    ASSERT_EQ(list.size(), 1u);
    expectKeys(list[0],
        { { "Power Source ID", QorvCSPowerSupplyDescription::powerSourceID(path) }, { "Name", "InternalBattery-0" },
            { "Type", "InternalBattery" }, { "Transport Type", "Internal" }, { "Power Source State", "Battery Power" },
            { "Is Present", true }, { "Is Charging", false }, { "Is Charged", false }, { "Current Capacity", 77 },
            // no charge limit is set
            { "Max Capacity", Value() },
            // 57 Wh and 51.3 Wh at the design voltage of 11.4 V
            { "DesignCapacity", 5000 }, { "Nominal Capacity", 4500 },
            // 39.672 Wh at 9.45 W
            { "Time to Empty", 252 }, { "Time to Full Charge", 0 }, { "Voltage", 11820 },
            // 9.45 W at 11.82 V, drawn from the battery
            { "Current", -799 }, { "Hardware Serial Number", "1234" }, { "BatteryHealth", "Good" },
            { "Cycle Count", 153 }, { "Temperature", Value() },
            // every attribute file follows under its own name
            { "energy_now", "39672000" }, { "model_name", "5B10W13930" }, { "uevent", Value() },
            { "subsystem", Value() } });
    EXPECT_TRUE(adapter().isNull());
}

TEST_F(PowerSupplyDescriptionTest, MainsAdapterOnline)
{
    fake.addSupply("BAT0", laptopBattery());
    const std::string mains = fake.addSupply("AC", mainsAdapter());
    auto list = sources();
    ASSERT_EQ(list.size(), 1u) << "an adapter is not a power source";
    expectKeys(list[0], { { "Power Source State", "AC Power" } });
    expectKeys(adapter(),
        { { "FamilyCode", "Mains" }, { "Description", "AC" }, { "online", "1" }, { "Name", Value() },
            { "SerialNumber", Value() }, { "Watts", Value() }, { "Other Online Supplies", Value() } });

    fake.setAttribute(mains, "online", "0");
    EXPECT_TRUE(adapter().isNull()) << "unplugged";
    expectKeys(sources()[0], { { "Power Source State", "Battery Power" } });
}

TEST_F(PowerSupplyDescriptionTest, AdapterFamiliesAndPowerLimit)
{
    struct Case {
        std::string usbType;
        std::string family;
    };
    const Case cases[]
        = { { "C [PD] PD_PPS", "USB-C PD" }, { "[C] PD", "USB-C" }, { "[SDP] DCP CDP", "USB" }, { "", "USB" } };
    for (const auto& c : cases) {
        FakePowerSupplies bed;
        auto attributes = usbPDAdapter();
        attributes.push_back({ "input_power_limit", "60000000" });
        attributes.push_back({ "model_name", "Charger 60" });
        attributes.push_back({ "serial_number", "C0FFEE" });
        attributes.push_back({ "manufacturer", "ACME" });
        for (auto& [key, value] : attributes)
            if (key == "usb_type")
                value = c.usbType;
        bed.addSupply("usb-c0", attributes);
        expectKeys(adapter(),
            { { "FamilyCode", c.family }, { "Watts", 60.0 }, { "Watts Source", "input_power_limit" },
                { "Name", "Charger 60" }, { "SerialNumber", "C0FFEE" }, { "Manufacturer", "ACME" } });
    }
}

TEST_F(PowerSupplyDescriptionTest, USBUPSOfADesktop)
{
    const std::string usb = fake.addUSBDevice("1-1");
    const std::string ups = fake.addSupply("ups0",
        { { "type", "UPS" }, { "model_name", "Back-UPS ES 700" }, { "manufacturer", "APC" }, { "status", "Charging" },
            { "capacity", "88" } },
        usb);
    auto list = sources();
    ASSERT_EQ(list.size(), 1u);
    expectKeys(list[0],
        { { "Name", "Back-UPS ES 700" }, { "Type", "UPS" }, { "Transport Type", "USB" },
            { "Power Source State", "AC Power" }, { "Is Charging", true }, { "Current Capacity", 88 },
            // a capacity alone gives nothing to estimate from
            { "Time to Full Charge", Value() }, { "Time to Empty", 0 }, { "Cycle Count", Value() },
            { "DesignCapacity", Value() }, { "model_name", Value() } });

    fake.setAttribute(ups, "status", "Discharging");
    expectKeys(sources()[0], { { "Power Source State", "Battery Power" }, { "Time to Empty", Value() } });
}

TEST_F(PowerSupplyDescriptionTest, TwoBatteriesCountInKernelNameOrder)
{
    auto second = laptopBattery();
    second.push_back({ "temp", "295" });
    fake.addSupply("BAT1", second);
    fake.addSupply("BAT0", { { "type", "Battery" }, { "present", "0" } });
    auto list = sources();
    ASSERT_EQ(list.size(), 2u);
    expectKeys(list[0],
        { { "Name", "InternalBattery-0" }, { "Power Source State", "Off Line" }, { "Is Present", false },
            { "Current Capacity", Value() }, { "Max Capacity", Value() }, { "Is Charging", Value() } });
    expectKeys(list[1], { { "Name", "InternalBattery-1" }, { "Temperature", 29.5 } });
    EXPECT_NE(*list[0].find("Power Source ID"), *list[1].find("Power Source ID"));
}

TEST_F(PowerSupplyDescriptionTest, ChargeBasedBatteryCharging)
{
    fake.addSupply("BAT0",
        { { "type", "Battery" }, { "status", "Charging" }, { "charge_full_design", "4000000" },
            { "charge_full", "3000000" }, { "charge_now", "1500000" }, { "current_now", "-1000000" },
            { "health", "Good" }, { "cycle_count", "0" } });
    expectKeys(sources()[0],
        { { "Current Capacity", 50 }, { "DesignCapacity", 4000 }, { "Nominal Capacity", 3000 },
            // 1.5 Ah still to go at 1 A, whatever sign the driver gives the current; the kernel's sign is kept
            { "Time to Full Charge", 90 }, { "Time to Empty", 0 }, { "Current", -1000 }, { "BatteryHealth", "Fair" },
            // 0 means unknown
            { "Cycle Count", Value() } });
}

// A kernel "Good" only means no fault: faults win, then wear (full ÷ design), then the kernel's word.
TEST_F(PowerSupplyDescriptionTest, ConditionIsFaultThenWearThenKernelWord)
{
    struct Case {
        std::string health, energyFull; // energy_full of a 57 Wh battery
        Value condition, figure;
    };
    const Case cases[] = {
        { "Good", "25700000", "Poor", "45 % (25.7 of 57.0 Wh)" },
        { "Good", "42750000", "Fair", "75 % (42.8 of 57.0 Wh)" },
        { "Good", "50160000", "Good", "88 % (50.2 of 57.0 Wh)" },
        { "Unknown", "34200000", "Fair", "60 % (34.2 of 57.0 Wh)" },
        { "Overheat", "50160000", "Overheat", "88 % (50.2 of 57.0 Wh)" },
        { "Calibration required", "25700000", "Calibration required", "45 % (25.7 of 57.0 Wh)" },
        { "Cold", "57000000", "Cold", "100 % (57.0 of 57.0 Wh)" },
        { "Warm", "", "Warm", Value() },
        { "Unknown", "", Value(), Value() },
    };
    for (const auto& c : cases) {
        FakePowerSupplies bed;
        load(bed, "laptop-worn-battery");
        bed.setAttribute(wornBattery, "health", c.health);
        bed.setAttribute(wornBattery, "energy_full", c.energyFull);
        SCOPED_TRACE(c.health + " " + c.energyFull);
        expectKeys(sources()[0],
            { { "BatteryHealth", c.condition }, { "BatteryHealthMaximumCapacity", c.figure }, { "health", Value() } });
    }
}

// Estimates that do not apply are 0, unknown ones −1, ones never reported absent; never a made-up 0 minutes.
TEST_F(PowerSupplyDescriptionTest, TimeEstimatesSayWhatIsTrue)
{
    struct Case {
        std::string file, path;
        FakePowerSupplies::Attributes changes;
        Value toEmpty, toFull;
    };
    const Case cases[] = {
        // 12.85 Wh at 7.6 W
        { "laptop-worn-battery", wornBattery, {}, 101, 0 },
        { "laptop-worn-battery", wornBattery, { { "status", "Charging" } }, 0, 101 },
        { "laptop-worn-battery", wornBattery, { { "status", "Full" } }, 0, 0 },
        { "laptop-worn-battery", wornBattery, { { "status", "Unknown" } }, 0, 0 },
        { "laptop-worn-battery", wornBattery, { { "power_now", "0" } }, -1, 0 },
        // 121.5 minutes round to 122
        { "laptop-worn-battery", wornBattery, { { "time_to_empty_now", "7290" } }, 122, 0 },
        { "laptop-worn-battery", wornBattery, { { "present", "0" } }, Value(), Value() },
        // no power: 3.6 Ah at 1.2 A; the averages say 65535 minutes, meaning none
        { "chromebook-sbs-battery", smartBattery, {}, 180, 0 },
        { "chromebook-sbs-battery", smartBattery, { { "time_to_empty_avg", "5400" } }, 90, 0 },
        { "chromebook-sbs-battery", smartBattery, { { "status", "Charging" }, { "current_now", "900000" } }, 0, 120 },
    };
    for (const auto& c : cases) {
        FakePowerSupplies bed;
        load(bed, c.file);
        std::string trace = c.file;
        for (const auto& [key, value] : c.changes) {
            bed.setAttribute(c.path, key, value);
            trace += " " + key + "=" + value;
        }
        SCOPED_TRACE(trace);
        expectKeys(sources()[0],
            { { "Time to Empty", c.toEmpty }, { "Time to Full Charge", c.toFull }, { "time_to_empty_avg", Value() },
                { "time_to_empty_now", Value() } });
    }
}

// One row for the current, with the kernel's sign, even when the status is Full or "Not charging".
TEST_F(PowerSupplyDescriptionTest, CurrentKeepsTheKernelsSignInOneRow)
{
    load(fake, "laptop-ucsi-pd");
    auto list = sources();
    ASSERT_EQ(list.size(), 1u);
    expectKeys(list[0],
        { { "Current", -50 }, { "current_now", Value() }, { "Voltage", 17012 }, { "voltage_now", Value() },
            { "Is Charging", false }, { "Is Charged", false }, { "Power Source State", "AC Power" },
            // the charge limit is the maximum charge; a cycle count of 0 means unknown
            { "Max Capacity", 80 }, { "charge_control_end_threshold", Value() }, { "Cycle Count", Value() },
            { "cycle_count", "0" }, { "BatteryHealthMaximumCapacity", "90 % (3528 of 3920 mAh)" },
            // the warning level in the battery's unit
            { "Alarm Capacity", "196 mAh" }, { "alarm", Value() } });
}

// The laptop's ACPI "AC" flag and its USB-C PD charger are both online: the charger carries the contract.
TEST_F(PowerSupplyDescriptionTest, AdapterIsTheSupplyThatCarriesTheContract)
{
    load(fake, "laptop-ucsi-pd");
    expectKeys(adapter(),
        { { "FamilyCode", "USB-C PD" }, { "Watts", 65.0 }, { "Watts Source", "voltage_max × current_max" },
            { "Voltage", 20000 }, { "Current", 3250 }, { "voltage_max", Value() }, { "current_max", Value() },
            { "Description", "ucsi-source-psy-USBC000:001" }, { "Other Online Supplies", "Mains (AC)" },
            { "online", "2" }, { "usb_type", "C PD [PD_PPS]" } });
}

TEST_F(PowerSupplyDescriptionTest, OlderUSBTypesAreExternalPowerWithWattsToOneDecimal)
{
    const std::pair<std::string, std::string> cases[]
        = { { "USB_DCP", "USB" }, { "USB_CDP", "USB" }, { "USB_ACA", "USB" }, { "USB_C", "USB-C" },
              { "USB_PD", "USB-C PD" }, { "USB_PD_DRP", "USB-C PD" }, { "BrickID", "USB" } };
    for (const auto& [type, family] : cases) {
        FakePowerSupplies bed;
        bed.addSupply("charger",
            { { "type", type }, { "online", "1" }, { "voltage_max", "9000000" }, { "current_max", "2220000" } });
        SCOPED_TRACE(type);
        // 19.98 W
        expectKeys(adapter(), { { "FamilyCode", family }, { "Watts", 20.0 } });
    }
}

// A Bluetooth mouse's battery powers only the mouse: it is not on the computer's AC power, and it never estimates.
TEST_F(PowerSupplyDescriptionTest, AccessoryOverBluetooth)
{
    load(fake, "bluetooth-mouse");
    auto list = sources();
    ASSERT_EQ(list.size(), 1u);
    expectKeys(list[0],
        { { "Name", "MX Master 3" }, { "Type", "Accessory Source" }, { "Transport Type", "Bluetooth" },
            { "Power Source State", "Battery Power" }, { "Time to Empty", Value() }, { "Time to Full Charge", 0 },
            { "Current Capacity", 55 }, { "capacity", Value() } });

    // A device that gives only a level keeps it, in the place of the charge.
    const std::string mouse
        = "/sys/devices/virtual/misc/uhid/0005:046D:B023.0003/power_supply/hid-dc:2c:26:aa:bb:cc-battery";
    fake.setAttribute(mouse, "capacity", "");
    fake.setAttribute(mouse, "capacity_level", "Low");
    expectKeys(sources()[0], { { "Current Capacity", Value() }, { "capacity_level", "Low" } });
}

// Each example resource set is what the live code describes for the machine in its machine.umockdev, so the
// report it gives is the report of such a machine. CELLSHEET_WRITE_EXAMPLES=1 writes the files instead.
TEST_F(PowerSupplyDescriptionTest, ExamplesMatchTheLiveDescriptionOfTheirMachine)
{
    const std::string examples = CELLSHEET_SOURCE_RESOURCES "/../examples/";
    const bool write = std::getenv("CELLSHEET_WRITE_EXAMPLES") != nullptr;
    auto withoutID = [](Value description) {
        if (auto* d = description.asDictionary())
            d->erase("Power Source ID");
        return description;
    };
    for (const char* name : { "laptop-usb-c", "laptop-two-batteries", "desktop-usb-hid-ups", "chromebook" }) {
        SCOPED_TRACE(name);
        const std::string folder = examples + name + "/";
        FakePowerSupplies bed;
        bed.addFromFile(folder + "machine.umockdev");
        const Value live(sources());
        if (write) {
            ASSERT_EQ(qorv::PropertyList::writeXMLFile(folder + "QorvCSPowerSourceBridgePowerSources.plist", live), "");
            if (!adapter().isNull()) {
                ASSERT_EQ(
                    qorv::PropertyList::writeXMLFile(folder + "QorvCSPowerSourceBridgePowerAdapter.plist", adapter()),
                    "");
            }
        }
        auto sourcesFile
            = qorv::PropertyList::readFile(folder + "QorvCSPowerSourceBridgePowerSources.plist", Value::Type::Array);
        ASSERT_TRUE(sourcesFile) << sourcesFile.error;
        auto adapterFile = qorv::PropertyList::readFile(
            folder + "QorvCSPowerSourceBridgePowerAdapter.plist", Value::Type::Dictionary);
        const auto& expected = *sourcesFile.value.asArray();
        ASSERT_EQ(live.asArray()->size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(withoutID((*live.asArray())[i]), withoutID(expected[i])) << (*live.asArray())[i].description();
        EXPECT_EQ(adapter(), adapterFile.value) << adapter().description();
    }
}
