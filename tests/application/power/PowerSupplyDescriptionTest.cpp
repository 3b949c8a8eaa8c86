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
            { "Max Capacity", 100 },
            // 57 Wh and 51.3 Wh at the design voltage of 11.4 V
            { "DesignCapacity", 5000 }, { "Nominal Capacity", 4500 },
            // 39.672 Wh at 9.45 W
            { "Time to Empty", 252 }, { "Time to Full Charge", 0 }, { "Voltage", 11820 },
            // 9.45 W at 11.82 V, drawn from the battery
            { "Current", -799 }, { "Hardware Serial Number", "1234" }, { "BatteryHealth", "Good" },
            { "Cycle Count", 153 }, { "Temperature", Value() },
            // every attribute file follows under its own name
            { "capacity", "77" }, { "energy_now", "39672000" }, { "model_name", "5B10W13930" }, { "uevent", Value() },
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
            { "SerialNumber", Value() }, { "Watts", Value() } });

    fake.setAttribute(mains, "online", "0");
    EXPECT_TRUE(adapter().isNull()) << "unplugged";
    expectKeys(sources()[0], { { "Power Source State", "Battery Power" } });
}

TEST_F(PowerSupplyDescriptionTest, USBPowerDeliveryAdapter)
{
    fake.addSupply("AC", mainsAdapter("0"));
    fake.addSupply("ucsi-source-psy-USBC000:001", usbPDAdapter());
    expectKeys(adapter(),
        { { "FamilyCode", "USB-C PD" }, { "Watts", 65 }, { "Watts Source", "voltage_max × current_max" },
            { "Current", 3250 }, { "Voltage", 20000 }, { "Description", "ucsi-source-psy-USBC000:001" },
            { "usb_type", "C [PD] PD_PPS" } });
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
            { { "FamilyCode", c.family }, { "Watts", 60 }, { "Watts Source", "input_power_limit" },
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
            { "Time to Full Charge", -1 }, { "Cycle Count", Value() }, { "DesignCapacity", Value() } });

    fake.setAttribute(ups, "status", "Discharging");
    expectKeys(sources()[0], { { "Power Source State", "Battery Power" }, { "Time to Empty", -1 } });
}

TEST_F(PowerSupplyDescriptionTest, MouseBatteryIsAnAccessory)
{
    const std::string receiver = fake.addUSBDevice("1-2");
    fake.addSupply("AC", mainsAdapter("0"));
    fake.addSupply("hidpp_battery_0",
        { { "type", "Battery" }, { "scope", "Device" }, { "model_name", "MX Master 3" }, { "online", "1" },
            { "status", "Discharging" }, { "capacity", "55" } },
        receiver);
    auto list = sources();
    ASSERT_EQ(list.size(), 1u);
    expectKeys(list[0],
        { { "Name", "MX Master 3" }, { "Type", "Accessory Source" }, { "Transport Type", "USB" },
            { "Power Source State", "Battery Power" }, { "Current Capacity", 55 } });
    EXPECT_TRUE(adapter().isNull()) << "a device's own supply does not power the system";
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
            // 1.5 Ah still to go at 1 A, whatever sign the driver gives the current
            { "Time to Full Charge", 90 }, { "Time to Empty", 0 }, { "Current", 1000 }, { "BatteryHealth", "Good" },
            // 0 means unknown
            { "Cycle Count", Value() } });
}

TEST_F(PowerSupplyDescriptionTest, TimeToEmptyFromTheKernelOrFromTheRate)
{
    const std::pair<FakePowerSupplies::Attributes, int64_t> cases[]
        = { { { { "time_to_empty_now", "7260" } }, 121 }, { { { "power_now", "0" } }, -1 } };
    for (const auto& [changes, minutes] : cases) {
        FakePowerSupplies bed;
        const std::string path = bed.addSupply("BAT0", laptopBattery());
        for (const auto& [key, value] : changes)
            bed.setAttribute(path, key, value);
        expectKeys(sources()[0], { { "Time to Empty", minutes } });
    }
}

TEST_F(PowerSupplyDescriptionTest, HealthFromWear)
{
    const std::pair<std::string, std::string> cases[]
        = { { "46000000", "Good" }, { "34200000", "Fair" }, { "22800000", "Poor" } };
    for (const auto& [full, health] : cases) {
        FakePowerSupplies bed;
        bed.addSupply("BAT0",
            { { "type", "Battery" }, { "energy_full_design", "57000000" }, { "energy_full", full },
                { "health", "Unknown" } });
        expectKeys(sources()[0], { { "BatteryHealth", health } });
    }
}

// The example resource sets hold what the live code would describe for their attribute files, so the report
// they give is the report of such a machine.
TEST_F(PowerSupplyDescriptionTest, ExamplesMatchTheLiveDescriptionOfTheirAttributes)
{
    const std::string examples = CELLSHEET_SOURCE_RESOURCES "/../examples/";
    auto rawAttributes = [](const Value& description) {
        FakePowerSupplies::Attributes attributes;
        for (const auto& [key, value] : *description.asDictionary())
            if (!key.empty() && std::islower(static_cast<unsigned char>(key[0])))
                attributes.emplace_back(key, *value.asString());
        return attributes;
    };
    auto withoutID = [](Value description) {
        description.asDictionary()->erase("Power Source ID");
        return description;
    };
    for (const char* name : { "laptop-usb-c", "laptop-two-batteries", "desktop-ups" }) {
        SCOPED_TRACE(name);
        auto sourcesFile = qorv::PropertyList::readFile(
            examples + name + "/QorvCSPowerSourceBridgePowerSources.plist", Value::Type::Array);
        ASSERT_TRUE(sourcesFile) << sourcesFile.error;
        auto adapterFile = qorv::PropertyList::readFile(
            examples + name + "/QorvCSPowerSourceBridgePowerAdapter.plist", Value::Type::Dictionary);

        FakePowerSupplies bed;
        const auto& expected = *sourcesFile.value.asArray();
        for (size_t i = 0; i < expected.size(); ++i) {
            const bool onUSB = *expected[i].find("Transport Type") == Value("USB");
            bed.addSupply("BAT" + std::to_string(i), rawAttributes(expected[i]),
                onUSB ? bed.addUSBDevice("usb" + std::to_string(i)) : "");
        }
        if (adapterFile)
            bed.addSupply(*adapterFile.value.find("Description")->asString(), rawAttributes(adapterFile.value));

        const auto live = sources();
        ASSERT_EQ(live.size(), expected.size());
        for (size_t i = 0; i < live.size(); ++i)
            EXPECT_EQ(withoutID(live[i]), withoutID(expected[i])) << live[i].description();
        EXPECT_EQ(adapter(), adapterFile.value);
    }
}
