#include "InventoryShape.h"

#include "Inventory.h"
#include "SystemRoot.h"
#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <map>

using namespace cellsheet::profiler;
using namespace cellsheet::profiler::testing;

namespace {

qorv::Value inventoryOf(const std::string& machine, DetailLevel level = DetailLevel::Full)
{
    Inventory inventory(std::make_shared<SystemRoot>(std::string(PROFILER_TEST_DATA) + "/" + machine), level);
    return inventory.run();
}

std::vector<std::string> dataTypeNames(const qorv::Value& inventory)
{
    std::vector<std::string> names;
    for (const auto& entry : *inventory.asArray())
        names.push_back(entry.find("_dataType")->description());
    return names;
}

// The item of a data type whose _name is `name`, searched at any depth ("_items" and lists such as the
// displays of a graphics device).
const qorv::Value* itemNamed(const qorv::Value& items, std::string_view name)
{
    for (const auto& item : *items.asArray()) {
        if (property(&item, "_name") == name)
            return &item;
        for (const auto& [key, value] : *item.asDictionary())
            if (value.isArray())
                if (const auto* found = itemNamed(value, name))
                    return found;
    }
    return nullptr;
}

// The devices of a data type that lists devices: the items under its overview item.
const qorv::Value::Array& devices(const qorv::Value& inventory, std::string_view name)
{
    static const qorv::Value::Array none;
    const auto* overview = firstItem(inventory, name);
    const auto* items = overview ? overview->find("_items") : nullptr;
    return items ? *items->asArray() : none;
}

struct Expectation {
    const char* dataType;
    const char* item; // _name of the item
    const char* key;
    const char* value;
};

void expectAll(const qorv::Value& inventory, std::initializer_list<Expectation> expectations)
{
    for (const auto& e : expectations) {
        const auto* type = dataType(inventory, e.dataType);
        ASSERT_TRUE(type) << e.dataType;
        const auto* item = itemNamed(*type->find("_items"), e.item);
        ASSERT_TRUE(item) << e.dataType << " has no item " << e.item;
        EXPECT_EQ(property(item, e.key), e.value) << e.dataType << " / " << e.item << " / " << e.key;
    }
}

} // namespace

TEST(ProfilerFakeMachine, Laptop)
{
    const qorv::Value inventory = inventoryOf("laptop");
    EXPECT_EQ(shapeProblems(inventory), std::vector<std::string> {});
    EXPECT_EQ(dataTypeNames(inventory),
        (std::vector<std::string> { "SPHardwareDataType", "SPSoftwareDataType", "SPMemoryDataType", "SPStorageDataType",
            "SPNVMeDataType", "SPNetworkDataType", "SPPowerDataType", "SPPCIDataType", "SPUSBDataType",
            "SPDisplaysDataType", "SPAudioDataType", "SPBluetoothDataType", "SPCameraDataType" }));
    expectAll(inventory,
        {
            { "SPHardwareDataType", "hardware_overview", "machine_name", "ThinkPad X1 Carbon Gen 9" },
            { "SPHardwareDataType", "hardware_overview", "chassis_type", "Notebook" },
            { "SPHardwareDataType", "hardware_overview", "cpu_type", "11th Gen Intel Core i7-1165G7" },
            { "SPHardwareDataType", "hardware_overview", "current_processor_speed", "2.80 GHz" },
            { "SPHardwareDataType", "hardware_overview", "number_processors", "4" },
            { "SPHardwareDataType", "hardware_overview", "number_threads", "8" },
            { "SPHardwareDataType", "hardware_overview", "l2_cache_core", "1.25 MiB" },
            { "SPHardwareDataType", "hardware_overview", "physical_memory", "16 GiB" },
            { "SPHardwareDataType", "hardware_overview", "boot_rom_release_date", "2023-03-21" },
            { "SPHardwareDataType", "hardware_overview", "serial_number", "PF2ABCDE" },
            { "SPSoftwareDataType", "os_overview", "os_version", "Ubuntu 22.04.3 LTS" },
            { "SPSoftwareDataType", "os_overview", "boot_mode", "UEFI" },
            { "SPSoftwareDataType", "os_overview", "local_host_name", "Ada's ThinkPad" },
            { "SPSoftwareDataType", "os_overview", "user_name", "Ada Lovelace (ada)" },
            { "SPSoftwareDataType", "os_overview", "uptime", "3 days, 4 hours, 4 minutes" },
            { "SPSoftwareDataType", "os_overview", "boot_time", "2023-11-14 22:13" },
            { "SPMemoryDataType", "memory_overview", "swap_total", "2 GiB" },
            { "SPStorageDataType", "/", "size", "502 GB" },
            { "SPStorageDataType", "/", "free_space_in_bytes", "123456789000" },
            { "SPStorageDataType", "USB STICK", "writable", "No" },
            { "SPStorageDataType", "SanDisk Ultra Fit", "protocol", "USB" },
            { "SPStorageDataType", "SAMSUNG MZVL2512HCJQ-00BL7", "medium_type", "Solid State" },
            { "SPStorageDataType", "SAMSUNG MZVL2512HCJQ-00BL7", "partition_map_type", "GUID Partition Table" },
            { "SPStorageDataType", "/mnt/nfs", "protocol", "Network" },
            { "SPNVMeDataType", "NVMe SSD Controller PM9A1/PM9A3/980PRO", "spnvme_link_width", "x4" },
            { "SPNVMeDataType", "SAMSUNG MZVL2512HCJQ-00BL7", "spnvme_trim_support", "Yes" },
            { "SPNetworkDataType", "wlp0s20f3", "type", "Wi-Fi" },
            { "SPNetworkDataType", "wlp0s20f3", "hardware", "Wi-Fi 6 AX201" },
            { "SPNetworkDataType", "wlp0s20f3", "ipv4_addresses", "192.168.1.23/24" },
            { "SPNetworkDataType", "enp0s31f6", "state", "Down" },
            { "SPNetworkDataType", "docker0", "type", "Bridge" },
            { "SPPowerDataType", "InternalBattery-0", "sppower_power_source_state", "AC Power" },
            { "SPPowerDataType", "InternalBattery-0", "sppower_battery_health_maximum_capacity", "90%" },
            { "SPPowerDataType", "InternalBattery-0", "sppower_battery_time_to_full", "1 h 25 min" },
            { "SPPowerDataType", "MX Master 3", "sppower_type", "Accessory Source" },
            { "SPPCIDataType", "Wi-Fi 6 AX201", "sppci_device_type", "Network controller" },
            { "SPUSBDataType", "USB 3.1 Bus 2", "device_speed", "SuperSpeed+ (10 Gb/s)" },
            { "SPUSBDataType", "Ultra Fit", "vendor_id", "0x0781 (SanDisk Corp.)" },
            { "SPUSBDataType", "Integrated Camera", "device_class", "Video" },
            { "SPUSBDataType", "AX201 Bluetooth", "bcd_device", "0.02" },
            { "SPDisplaysDataType", "TigerLake-LP GT2 [Iris Xe Graphics]", "sppci_bus", "Built-In" },
            { "SPDisplaysDataType", "TigerLake-LP GT2 [Iris Xe Graphics]", "spdisplays_displays",
                "DELL U2720Q (3840 x 2160), Built-in Display (1920 x 1200)" },
            { "SPAudioDataType", "sof-hda-dsp", "spaudio_codec", "Realtek ALC287, Intel Tigerlake HDMI" },
            { "SPBluetoothDataType", "hci0", "controller_state", "On" },
            { "SPCameraDataType", "Integrated Camera", "spcamera_device_nodes", "/dev/video0, /dev/video1" },
        });
    // Power adapters: the mains supply and the USB-C charger with its rated power.
    const auto& power = devices(inventory, "SPPowerDataType");
    ASSERT_EQ(power.size(), 5u);
    EXPECT_EQ(property(&power[4], "sppower_ac_charger_family"), "USB-C PD");
    EXPECT_EQ(property(&power[4], "sppower_ac_charger_watts"), "65 W (rated)");
    // The snap's squashfs, /proc, tmpfs and the bind mount of the root volume are no volumes.
    EXPECT_EQ(devices(inventory, "SPStorageDataType").size(), 10u);
    // A reader that merges the top-level items sees one line per device, named as the device.
    expectAll(inventory,
        {
            { "SPPowerDataType", "power_overview", "InternalBattery-0", "58%, Charging, AC Power, condition Good" },
            { "SPPowerDataType", "power_overview", "MX Master 3", "70%, Discharging" },
            { "SPPowerDataType", "power_overview", "Power Adapter", "Mains, connected" },
            { "SPPowerDataType", "power_overview", "Power Adapter (2)", "USB-C PD, 65 W (rated), connected" },
            { "SPStorageDataType", "storage_overview", "/", "ext4, 123.46 GB free of 502 GB" },
            { "SPStorageDataType", "storage_overview", "USB STICK", "vfat, 31 GB free of 32 GB, read-only" },
            { "SPStorageDataType", "storage_overview", "SanDisk Ultra Fit", "30.75 GB, Solid State, USB, removable" },
            { "SPNetworkDataType", "network_overview", "wlp0s20f3", "Wi-Fi, Up, 192.168.1.23/24" },
            { "SPUSBDataType", "usb_overview", "USB 2.0 Bus 1",
                "High Speed (480 Mb/s): USB Receiver, Integrated Camera, AX201 Bluetooth" },
            { "SPAudioDataType", "audio_overview", "sof-hda-dsp",
                "Realtek ALC287, Intel Tigerlake HDMI; outputs HDA Analog, HDMI1; inputs HDA Analog, DMIC" },
        });
    for (const char* name : { "SPHardwareDataType", "SPSoftwareDataType", "SPMemoryDataType" })
        EXPECT_EQ(dataType(inventory, name)->find("_items")->asArray()->size(), 1u) << name;
    const auto* rows = dataType(inventory, "SPPowerDataType")->find("_properties");
    EXPECT_EQ(rows->find("InternalBattery-0")->find("_order")->description(), "101"); // in the devices' order
    // The settings follow the devices' lines; without logind.conf, logind's defaults hold; no power-profiles-daemon.
    EXPECT_EQ(rows->find("sppower_batteries_found")->find("_order")->description(), "105");
    expectAll(inventory,
        {
            { "SPPowerDataType", "power_overview", "sppower_batteries_found", "1" },
            { "SPPowerDataType", "power_overview", "sppower_lid_close_action", "Suspend" },
            { "SPPowerDataType", "power_overview", "sppower_lid_close_action_docked", "Nothing" },
            { "SPPowerDataType", "power_overview", "sppower_idle_action", "Nothing" },
            { "SPPowerDataType", "power_overview", "sppower_active_power_profile", "" },
        });
}

TEST(ProfilerFakeMachine, Desktop)
{
    const qorv::Value inventory = inventoryOf("desktop");
    EXPECT_EQ(shapeProblems(inventory), std::vector<std::string> {});
    expectAll(inventory,
        {
            { "SPHardwareDataType", "hardware_overview", "chassis_type", "Desktop" },
            { "SPHardwareDataType", "hardware_overview", "cpu_type", "AMD Ryzen 7 5800X 8-Core Processor" },
            { "SPHardwareDataType", "hardware_overview", "number_processors", "8" },
            { "SPHardwareDataType", "hardware_overview", "physical_memory", "32 GiB" }, // from the modules
            { "SPHardwareDataType", "hardware_overview", "board_model", "ROG STRIX B550-F GAMING" },
            // Firmware placeholders are no values.
            { "SPHardwareDataType", "hardware_overview", "machine_name", "" },
            { "SPHardwareDataType", "hardware_overview", "serial_number", "" },
            { "SPSoftwareDataType", "os_overview", "os_version", "Arch Linux" },
            { "SPSoftwareDataType", "os_overview", "boot_mode", "BIOS" },
            { "SPSoftwareDataType", "os_overview", "user_name", "root" },
            { "SPMemoryDataType", "memory_overview", "memory_slots", "2 of 4 in use" },
            { "SPMemoryDataType", "memory_overview", "swap_total", "" },
            { "SPMemoryDataType", "DIMM_A1", "dimm_size", "16 GiB" },
            { "SPMemoryDataType", "DIMM_A1", "dimm_serial_number", "" }, // all zeros
            { "SPStorageDataType", "data", "mount_point", "/data" },
            { "SPStorageDataType", "ST2000DM008-2FR102", "medium_type", "Rotational" },
            { "SPNetworkDataType", "enp5s0", "speed", "2.5 Gb/s" },
            { "SPPowerDataType", "Back-UPS ES 700G", "sppower_type", "UPS" },
            // Served by Network UPS Tools and UPower, in the kernel's terms; UPower's copy of the kernel's UPS is not
            // listed again.
            { "SPPowerDataType", "Eaton 5E 850i", "sppower_type", "UPS" },
            { "SPPowerDataType", "Eaton 5E 850i", "sppower_served_by", "Network UPS Tools (ups@localhost:3493)" },
            { "SPPowerDataType", "Eaton 5E 850i", "sppower_power_source_state", "Battery Power" },
            { "SPPowerDataType", "Eaton 5E 850i", "sppower_battery_state_of_charge", "64%" },
            { "SPPowerDataType", "Eaton 5E 850i", "sppower_battery_time_remaining", "15 min" },
            { "SPPowerDataType", "Eaton 5E 850i", "sppower_current_voltage", "12200" },
            { "SPPowerDataType", "MOMENTUM 4", "sppower_type", "Accessory Source" },
            { "SPPowerDataType", "MOMENTUM 4", "sppower_served_by", "UPower" },
            { "SPPowerDataType", "MOMENTUM 4", "sppower_battery_state_of_charge", "60%" },
            { "SPPowerDataType", "MOMENTUM 4", "sppower_battery_manufacturer", "Sennheiser" },
            { "SPPowerDataType", "power_overview", "sppower_batteries_found", "2" },
            { "SPPowerDataType", "power_overview", "sppower_system_power_source", "AC Power" },
            { "SPDisplaysDataType", "Navi 22 [Radeon RX 6700/6700 XT/6750 XT / 6800M/6850M XT]", "sppci_bus", "PCIe" },
            { "SPDisplaysDataType", "Navi 22 [Radeon RX 6700/6700 XT/6750 XT / 6800M/6850M XT]", "spdisplays_vram",
                "11.98 GiB" },
            { "SPDisplaysDataType", "LG ULTRAGEAR", "spdisplays_display_manufacturer", "LG Electronics" },
            { "SPAudioDataType", "HD-Audio Generic", "spaudio_outputs", "HDMI 0" },
        });
    // Loop and zram devices are no disks; the home subvolume repeats the root volume.
    EXPECT_EQ(devices(inventory, "SPStorageDataType").size(), 4u);
    for (const char* absent : { "SPUSBDataType", "SPBluetoothDataType", "SPCameraDataType" })
        EXPECT_FALSE(dataType(inventory, absent)) << absent;
}

TEST(ProfilerFakeMachine, VirtualMachine)
{
    const qorv::Value inventory = inventoryOf("vm");
    EXPECT_EQ(shapeProblems(inventory), std::vector<std::string> {});
    expectAll(inventory,
        {
            { "SPHardwareDataType", "hardware_overview", "platform_virtualization", "QEMU" },
            { "SPHardwareDataType", "hardware_overview", "number_processors", "2" }, // no core ids: one per thread
            { "SPHardwareDataType", "hardware_overview", "current_processor_speed", "2.50 GHz" }, // from cpu MHz
            { "SPHardwareDataType", "hardware_overview", "physical_memory", "1.92 GiB" }, // MemTotal
            { "SPSoftwareDataType", "os_overview", "uptime", "23 hours, 59 minutes" },
            { "SPSoftwareDataType", "os_overview", "user_name", "" }, // no passwd entry
            { "SPStorageDataType", "Virtio 1.0 block device", "protocol", "Virtio" },
            { "SPNetworkDataType", "enp1s0", "hardware", "Virtio 1.0 network device" },
            { "SPNetworkDataType", "enp1s0", "speed", "" }, // -1: unknown
            { "SPPCIDataType", "pci1b36,000d", "sppci_device_type", "USB controller" }, // no name in the database
            { "SPUSBDataType", "QEMU USB Tablet", "product_id", "0x0001 (QEMU Tablet)" },
            { "SPDisplaysDataType", "Display", "spdisplays_resolution", "1280 x 800" },
        });
    EXPECT_FALSE(dataType(inventory, "SPNVMeDataType"));

    // No supply at all, yet the Power data type says so and shows the power-management settings: logind's from
    // logind.conf and its drop-ins (one in /etc hiding its namesake in /usr/lib), the rest from sysfs.
    expectAll(inventory,
        {
            { "SPPowerDataType", "power_overview", "sppower_batteries_found", "None" },
            { "SPPowerDataType", "power_overview", "sppower_system_power_source", "AC Power" },
            { "SPPowerDataType", "power_overview", "sppower_sleep_states",
                "Suspend to idle, Suspend to RAM, Hibernate" },
            { "SPPowerDataType", "power_overview", "sppower_suspend_mode",
                "Deep sleep (S3) (also available: Suspend to idle (s2idle))" },
            { "SPPowerDataType", "power_overview", "sppower_hibernation_mode",
                "platform (also available: shutdown, reboot, suspend, test_resume)" },
            { "SPPowerDataType", "power_overview", "sppower_platform_profile",
                "balanced (choices: low-power, balanced, performance)" },
            { "SPPowerDataType", "power_overview", "sppower_active_power_profile", "power-saver" },
            { "SPPowerDataType", "power_overview", "sppower_cpu_governor",
                "performance, powersave (intel_pstate driver)" },
            { "SPPowerDataType", "power_overview", "sppower_energy_performance_preference", "balance_performance" },
            { "SPPowerDataType", "power_overview", "sppower_lid_close_action", "Lock the screen" },
            { "SPPowerDataType", "power_overview", "sppower_lid_close_action_external_power", "Lock the screen" },
            { "SPPowerDataType", "power_overview", "sppower_lid_close_action_docked", "Suspend" },
            { "SPPowerDataType", "power_overview", "sppower_idle_action", "Suspend after 15min" },
        });
    const auto* power = dataType(inventory, "SPPowerDataType");
    ASSERT_TRUE(power);
    EXPECT_TRUE(devices(inventory, "SPPowerDataType").empty());
    const auto* order = power->find("_properties");
    EXPECT_LT(order->find("sppower_batteries_found")->find("_order")->description(),
        order->find("sppower_idle_action")->find("_order")->description());
}

TEST(ProfilerFakeMachine, BrokenFilesGiveLessButNeverBadOutput)
{
    const qorv::Value inventory = inventoryOf("broken");
    EXPECT_EQ(shapeProblems(inventory), std::vector<std::string> {});
    expectAll(inventory,
        {
            { "SPHardwareDataType", "hardware_overview", "machine_model", "Think\xEF\xBF\xBDPad X Y" },
            { "SPHardwareDataType", "hardware_overview", "chassis_type", "" },
            { "SPHardwareDataType", "hardware_overview", "serial_number", "" }, // a directory
            { "SPHardwareDataType", "hardware_overview", "current_processor_speed", "" },
            { "SPHardwareDataType", "hardware_overview", "l1_data_cache_core", "" },
            { "SPSoftwareDataType", "os_overview", "os_version", "" },
            { "SPSoftwareDataType", "os_overview", "uptime", "" },
            { "SPSoftwareDataType", "os_overview", "boot_time", "" }, { "SPStorageDataType", "/mnt", "size", "" },
            { "SPNetworkDataType", "eth0", "speed", "" },
            // uevent is a directory: the attribute files stand in.
            { "SPPowerDataType", "InternalBattery-0", "sppower_battery_state_of_charge", "85%" },
            { "SPPowerDataType", "InternalBattery-0", "sppower_power_source_state", "Battery Power" },
            { "SPPowerDataType", "InternalBattery-0", "sppower_battery_health", "" },
            { "SPPowerDataType", "InternalBattery-1", "sppower_power_source_state", "Off Line" },
            { "SPPCIDataType", "pci8086,9a49", "sppci_vendor", "" }, // no hardware database
            { "SPUSBDataType", "USB Device", "location_id", "1-1" },
            { "SPDisplaysDataType", "Display", "spdisplays_connection_type", "HDMI" },
            { "SPDisplaysDataType", "Display", "spdisplays_resolution", "" }, // EDID cut short, no modes
        });
    for (const char* absent : { "SPMemoryDataType", "SPNVMeDataType", "SPAudioDataType" })
        EXPECT_FALSE(dataType(inventory, absent)) << absent;
    EXPECT_EQ(devices(inventory, "SPPCIDataType").size(), 1u);
    EXPECT_EQ(devices(inventory, "SPPowerDataType").size(), 2u); // not the "Gizmo"
}

TEST(ProfilerFakeMachine, DetailLevelsHideWhatIdentifiesTheMachine)
{
    const qorv::Value mini = inventoryOf("laptop", DetailLevel::Mini);
    const qorv::Value basic = inventoryOf("laptop", DetailLevel::Basic);
    const qorv::Value full = inventoryOf("laptop", DetailLevel::Full);
    const struct {
        const char* dataType;
        const char* key;
        bool inMini, inBasic;
    } cases[] = {
        { "SPHardwareDataType", "serial_number", false, true },
        { "SPHardwareDataType", "platform_UUID", false, true },
        { "SPHardwareDataType", "cpu_type", true, true },
        { "SPHardwareDataType", "platform_cpu_features", false, false },
        { "SPSoftwareDataType", "user_name", false, true },
        { "SPSoftwareDataType", "local_host_name", false, true },
        { "SPSoftwareDataType", "kernel_version", true, true },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(!property(firstItem(mini, c.dataType), c.key).empty(), c.inMini) << c.key;
        EXPECT_EQ(!property(firstItem(basic, c.dataType), c.key).empty(), c.inBasic) << c.key;
        EXPECT_FALSE(property(firstItem(full, c.dataType), c.key).empty()) << c.key;
    }
    // Addresses and serials nested deeper are hidden too.
    const auto* wifi = &devices(mini, "SPNetworkDataType").at(3);
    EXPECT_EQ(property(firstItem(mini, "SPNetworkDataType"), "wlp0s20f3"), "Wi-Fi, Up"); // no address in the line
    EXPECT_EQ(property(wifi, "_name"), "wlp0s20f3");
    EXPECT_EQ(property(wifi, "mac_address"), "");
    EXPECT_EQ(property(wifi, "ipv4_addresses"), "");
    EXPECT_EQ(property(wifi, "ip_assigned"), "Yes");
    EXPECT_EQ(property(itemNamed(*dataType(mini, "SPDisplaysDataType")->find("_items"), "DELL U2720Q"),
                  "spdisplays_display-serial-number"),
        "");
    EXPECT_EQ(property(firstItem(mini, "SPHardwareDataType"), "_name"), "hardware_overview");
    EXPECT_EQ(shapeProblems(mini), std::vector<std::string> {});
}

TEST(ProfilerFakeMachine, PropertiesFollowTheSchemaOrder)
{
    const qorv::Value inventory = inventoryOf("laptop");
    const auto* properties = dataType(inventory, "SPHardwareDataType")->find("_properties");
    const auto order = [&](const char* key) { return properties->find(key)->find("_order")->description(); };
    EXPECT_EQ(order("_name"), "100");
    EXPECT_LT(order("machine_name"), order("machine_model"));
    EXPECT_LT(order("machine_model"), order("cpu_type"));
    EXPECT_LT(order("cpu_type"), order("physical_memory"));
    EXPECT_LT(order("physical_memory"), order("serial_number"));
    // Keys used only in nested dictionaries are described too; unused ones are not.
    const auto* storage = dataType(inventory, "SPStorageDataType")->find("_properties");
    EXPECT_TRUE(storage->find("physical_drive"));
    EXPECT_TRUE(storage->find("device_name"));
    EXPECT_FALSE(dataType(inventoryOf("vm"), "SPHardwareDataType")->find("_properties")->find("serial_number"));
}

TEST(ProfilerFakeMachine, MiniHoldsNothingThatIdentifiesTheMachineOrItsUser)
{
    // Every identifying value planted in the fake trees: serials, UUIDs, addresses (also as they appear inside
    // interface and supply names), host and user names.
    const std::map<std::string, std::vector<std::string>> planted {
        { "laptop",
            { "PF2ABCDE", "4c4c4544-0042-3510-8052-b4c04f564433", "L1HF1234567", "x1carbon", "Ada's ThinkPad", "/ada",
                "Lovelace", "S64KNX0R123456", "4A1B-2C3D", "0f4e8c1a-6d3b-4b8e-9a51-2c7d1e9f0a11",
                "4C530001230517104424", "1234-ABCD", "a4:c3:f0:11:22:33", "8c:8c:aa:44:55:66", "02:42:ac:11:00:01",
                "0c:37:96:aa:bb:cc", "0c3796aabbcc", "dc:2c:26:aa:bb:cc", "192.168.1.23", "192.168.1.77", "10.20.30.40",
                "172.17.0.1", "fe80::a6c3:f0ff:fe11:2233", "2001:db8::23", "CN0ABCDEF123", "4082-ab-cd",
                "c0ffee00-1111-4222-8333-444455556666" } },
        { "desktop", { "workstation", "S5GXNF0R654321", "ZFL1ABCD", "04:42:1a:aa:bb:cc", "10.0.0.5" } },
        { "vm", { "52:54:00:12:34:56", "192.168.122.10", "vm-disk-0001", "28754-0000:00:04.0-1" } },
        { "broken", { "00:11:22:33:44:55" } },
    };
    const auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (const auto& [machine, values] : planted) {
        const std::string output = lower(qorv::PropertyList::toXML(inventoryOf(machine, DetailLevel::Mini)));
        for (const auto& value : values)
            EXPECT_EQ(output.find(lower(value)), std::string::npos) << machine << " shows " << value;
    }
    // The names that carried an address, a user or a host name are rewritten, not dropped.
    const qorv::Value laptop = inventoryOf("laptop", DetailLevel::Mini);
    expectAll(laptop,
        {
            { "SPNetworkDataType", "network_overview", "USB Ethernet", "Virtual Ethernet, Up, 1 Gb/s" },
            { "SPPowerDataType", "Keyboard K380", "sppower_kernel_name", "Bluetooth Device Battery" },
            { "SPStorageDataType", "USB STICK", "mount_point", "USB STICK" },
            { "SPStorageDataType", "BACKUP", "mount_point", "BACKUP" },
            { "SPStorageDataType", "/home", "bsd_name", "vg-home" },
            { "SPStorageDataType", "/srv", "bsd_name", "luks" },
        });
}
