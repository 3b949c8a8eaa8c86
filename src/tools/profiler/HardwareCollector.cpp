#include "Collectors.h"
#include "SmbiosMemoryDevice.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema hardwareSchema {
    { "machine_name" },
    { "machine_model" },
    { "platform_manufacturer" },
    { "platform_family" },
    { "platform_version" },
    { "chassis_type" },
    { "platform_virtualization" },
    { "cpu_type" },
    { "platform_cpu_vendor" },
    { "current_processor_speed" },
    { "minimum_processor_speed", Level::Full },
    { "maximum_processor_speed" },
    { "packages" },
    { "number_processors" },
    { "number_threads" },
    { "platform_cpu_htt" },
    { "l1_data_cache_core" },
    { "l1_instruction_cache_core" },
    { "l2_cache_core" },
    { "l2_cache" },
    { "l3_cache" },
    { "cpu_microcode", Level::Full },
    { "platform_cpu_features", Level::Full },
    { "physical_memory" },
    { "board_manufacturer" },
    { "board_model" },
    { "board_version", Level::Full },
    { "boot_rom_vendor" },
    { "boot_rom_version" },
    { "boot_rom_release_date" },
    { "serial_number", Level::Basic },
    { "platform_UUID", Level::Basic },
    { "board_serial_number", Level::Basic },
    { "chassis_serial_number", Level::Basic },
};

// SMBIOS chassis types (type 3, offset 05h).
const char* chassisName(uint64_t type)
{
    static const char* const names[] = { nullptr, "Other", "Unknown", "Desktop", "Low Profile Desktop", "Pizza Box",
        "Mini Tower", "Tower", "Portable", "Laptop", "Notebook", "Hand Held", "Docking Station", "All in One",
        "Sub Notebook", "Space-saving", "Lunch Box", "Main Server Chassis", "Expansion Chassis", "SubChassis",
        "Bus Expansion Chassis", "Peripheral Chassis", "RAID Chassis", "Rack Mount Chassis", "Sealed-case PC",
        "Multi-system Chassis", "Compact PCI", "Advanced TCA", "Blade", "Blade Enclosure", "Tablet", "Convertible",
        "Detachable", "IoT Gateway", "Embedded PC", "Mini PC", "Stick PC" };
    return type < std::size(names) ? names[type] : nullptr;
}

std::optional<std::string> dmi(const SystemRoot& root, std::string_view field)
{
    auto value = root.readLine("/sys/class/dmi/id/" + std::string(field));
    if (!value || Text::isPlaceholder(*value))
        return std::nullopt;
    return value;
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

std::optional<std::string> virtualization(const SystemRoot& root, bool hypervisorFlag)
{
    if (auto type = root.readLine("/sys/hypervisor/type"); type == "xen")
        return "Xen";
    const std::string vendor = dmi(root, "sys_vendor").value_or("");
    const std::string product = dmi(root, "product_name").value_or("");
    const std::string bios = dmi(root, "bios_vendor").value_or("");
    static const std::pair<std::string_view, const char*> signs[] = { { "QEMU", "QEMU" }, { "KVM", "KVM" },
        { "VMware", "VMware" }, { "VirtualBox", "VirtualBox" }, { "innotek", "VirtualBox" }, { "Xen", "Xen" },
        { "Parallels", "Parallels" }, { "Bochs", "Bochs" }, { "BHYVE", "bhyve" }, { "Amazon EC2", "Amazon EC2" },
        { "Google Compute Engine", "Google Compute Engine" } };
    for (const auto& [sign, name] : signs)
        if (contains(vendor, sign) || contains(product, sign) || contains(bios, sign))
            return std::string(name);
    if (contains(vendor, "Microsoft") && contains(product, "Virtual Machine"))
        return "Hyper-V";
    if (hypervisorFlag)
        return "Virtual Machine";
    return std::nullopt;
}

// "Intel(R) Core(TM) i7-1165G7 CPU @ 2.80GHz" reads "Intel Core i7-1165G7"; the speed has its own row.
std::string cleanProcessorName(std::string name)
{
    for (const char* mark : { "(R)", "(r)", "(TM)", "(tm)" })
        for (size_t at; (at = name.find(mark)) != std::string::npos;)
            name.erase(at, std::string_view(mark).size());
    if (const size_t at = name.find(" @ "); at != std::string::npos)
        name.erase(at);
    std::string cleaned = Text::clean(name);
    if (cleaned.size() > 4 && cleaned.compare(cleaned.size() - 4, 4, " CPU") == 0)
        cleaned.erase(cleaned.size() - 4);
    return cleaned;
}

// The nominal speed written in the model name ("... @ 2.80GHz"), in kHz.
std::optional<uint64_t> speedInName(std::string_view name)
{
    const size_t at = name.find(" @ ");
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string rest(name.substr(at + 3));
    char* end = nullptr;
    const double value = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str() || value <= 0)
        return std::nullopt;
    const std::string_view unit = Text::trim(end);
    if (unit == "GHz")
        return static_cast<uint64_t>(std::llround(value * 1e6));
    if (unit == "MHz")
        return static_cast<uint64_t>(std::llround(value * 1e3));
    return std::nullopt;
}

// Number of CPUs in a list such as "0-3,8-11".
size_t cpuCount(std::string_view list)
{
    size_t count = 0;
    for (std::string_view range : Text::split(Text::trim(list), ',')) {
        const auto bounds = Text::split(range, '-');
        const auto first = Text::parseUnsigned(bounds.front());
        const auto last = Text::parseUnsigned(bounds.back());
        if (first && last && *last >= *first)
            count += static_cast<size_t>(*last - *first + 1);
    }
    return count;
}

// "32K" in sysfs cache sizes.
std::optional<uint64_t> cacheBytes(std::string_view text)
{
    text = Text::trim(text);
    uint64_t scale = 1;
    if (!text.empty() && (text.back() == 'K' || text.back() == 'M')) {
        scale = text.back() == 'K' ? 1024 : 1024 * 1024;
        text.remove_suffix(1);
    }
    const auto value = Text::parseUnsigned(text);
    return value ? std::optional(*value * scale) : std::nullopt;
}

struct Processor {
    std::string model;
    std::string vendor;
    std::string flags;
    std::string microcode;
    std::optional<double> megahertz;
    size_t threads = 0;
    size_t cores = 0;
    size_t packages = 0;
};

Processor readProcessor(const SystemRoot& root)
{
    Processor processor;
    const std::string text = root.read("/proc/cpuinfo", 4 * 1024 * 1024).value_or("");
    std::set<std::pair<std::string, std::string>> cores;
    std::set<std::string> packages;
    std::string physical;
    bool hasCoreIDs = false;
    for (std::string_view line : Text::lines(text)) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = Text::trim(line.substr(0, colon));
        const std::string_view value = Text::trim(line.substr(colon + 1));
        if (key == "processor") {
            ++processor.threads;
        } else if (processor.model.empty()
            && (key == "model name" || key == "Processor" || key == "cpu model" || key == "uarch")) {
            processor.model = std::string(value);
        } else if (key == "vendor_id" && processor.vendor.empty()) {
            processor.vendor = std::string(value);
        } else if ((key == "flags" || key == "Features") && processor.flags.empty()) {
            processor.flags = std::string(value);
        } else if (key == "microcode" && processor.microcode.empty()) {
            processor.microcode = std::string(value);
        } else if (key == "cpu MHz" && !processor.megahertz) {
            char* end = nullptr;
            const std::string number(value);
            const double mhz = std::strtod(number.c_str(), &end);
            if (end != number.c_str() && mhz > 0)
                processor.megahertz = mhz;
        } else if (key == "physical id") {
            physical = std::string(value);
            packages.insert(physical);
        } else if (key == "core id") {
            hasCoreIDs = true;
            cores.emplace(physical, std::string(value));
        }
    }
    processor.packages = packages.empty() ? (processor.threads ? 1 : 0) : packages.size();
    processor.cores = hasCoreIDs ? cores.size() : processor.threads;
    return processor;
}

std::string vendorName(std::string_view vendorID)
{
    if (vendorID == "GenuineIntel")
        return "Intel";
    if (vendorID == "AuthenticAMD")
        return "AMD";
    if (vendorID == "CentaurHauls")
        return "Centaur";
    if (vendorID == "HygonGenuine")
        return "Hygon";
    return std::string(vendorID);
}

void addCaches(const SystemRoot& root, Item& item, const Processor& processor)
{
    const std::string base = "/sys/devices/system/cpu/cpu0/cache/";
    const size_t threadsPerCore = processor.cores ? std::max<size_t>(1, processor.threads / processor.cores) : 1;
    for (const auto& index : root.list(base)) {
        if (index.rfind("index", 0) != 0)
            continue;
        const std::string directory = base + index + "/";
        const auto level = root.readUnsigned(directory + "level");
        const auto type = root.readLine(directory + "type");
        const auto size = cacheBytes(root.readLine(directory + "size").value_or(""));
        if (!level || !type || !size || *size == 0)
            continue;
        const size_t sharedBy = cpuCount(root.readLine(directory + "shared_cpu_list").value_or(""));
        if (*level == 1 && type == "Data")
            item.set("l1_data_cache_core", Units::binaryBytes(*size));
        else if (*level == 1 && type == "Instruction")
            item.set("l1_instruction_cache_core", Units::binaryBytes(*size));
        else if (*level == 2 && sharedBy && sharedBy <= threadsPerCore)
            item.set("l2_cache_core", Units::binaryBytes(*size));
        else if (*level == 2)
            item.set("l2_cache", Units::binaryBytes(*size));
        else if (*level == 3) {
            // One entry per cache instance: the processor's total is the size times the instances.
            const uint64_t instances = sharedBy && processor.threads >= sharedBy ? processor.threads / sharedBy : 1;
            item.set("l3_cache", Units::binaryBytes(*size * instances));
        }
    }
}

std::optional<uint64_t> installedMemory(const SystemRoot& root)
{
    // Memory blocks cover what is installed; MemTotal leaves out what the firmware and kernel keep.
    if (const auto blockSize = root.readUnsigned("/sys/devices/system/memory/block_size_bytes", 16)) {
        uint64_t blocks = 0;
        for (const auto& name : root.list("/sys/devices/system/memory"))
            if (name.rfind("memory", 0) == 0 && name.size() > 6 && std::isdigit(static_cast<unsigned char>(name[6])))
                ++blocks;
        if (blocks)
            return blocks * *blockSize;
    }
    // The modules the firmware lists (readable by root).
    uint64_t modules = 0;
    for (const auto& entry : root.list("/sys/firmware/dmi/entries"))
        if (entry.rfind("17-", 0) == 0)
            if (const auto raw = root.read("/sys/firmware/dmi/entries/" + entry + "/raw", 4096))
                if (const auto device = SmbiosMemoryDevice::parse(*raw))
                    modules += device->sizeBytes;
    if (modules)
        return modules;
    const auto meminfo = Text::colonValues(root.read("/proc/meminfo").value_or(""));
    if (const auto found = meminfo.find("MemTotal"); found != meminfo.end())
        if (const auto kilobytes = Text::parseUnsigned(Text::split(found->second, ' ').front()))
            return *kilobytes * 1024;
    return std::nullopt;
}

// DMI dates are MM/DD/YYYY; ISO order is unambiguous to every reader.
std::string isoDate(const std::string& date)
{
    const auto parts = Text::split(date, '/');
    if (parts.size() == 3 && parts[0].size() == 2 && parts[1].size() == 2 && parts[2].size() == 4)
        return std::string(parts[2]) + "-" + std::string(parts[0]) + "-" + std::string(parts[1]);
    return date;
}

} // namespace

std::string_view HardwareCollector::dataType() const
{
    return "SPHardwareDataType";
}

const Schema& HardwareCollector::schema() const
{
    return hardwareSchema;
}

void HardwareCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    Item item(hardwareSchema, context.level, "hardware_overview");

    const auto vendor = dmi(root, "sys_vendor");
    const auto product = dmi(root, "product_name");
    const auto version = dmi(root, "product_version");
    // Lenovo keeps the machine type in product_name and the marketing name in product_version.
    const bool versionIsName = vendor && vendor->rfind("LENOVO", 0) == 0 && version;
    item.set("machine_name", versionIsName ? version : product);
    item.set("machine_model", product);
    item.set("platform_manufacturer", vendor);
    item.set("platform_family", dmi(root, "product_family"));
    if (!versionIsName)
        item.set("platform_version", version);
    if (const auto chassis = root.readUnsigned("/sys/class/dmi/id/chassis_type"))
        if (const char* name = chassisName(*chassis))
            item.set("chassis_type", name);

    const Processor processor = readProcessor(root);
    item.set("platform_virtualization", virtualization(root, processor.flags.find("hypervisor") != std::string::npos));
    if (!processor.model.empty())
        item.set("cpu_type", cleanProcessorName(processor.model));
    if (!processor.vendor.empty())
        item.set("platform_cpu_vendor", vendorName(processor.vendor));
    const std::string cpufreq = "/sys/devices/system/cpu/cpu0/cpufreq/";
    const auto base = root.readUnsigned(cpufreq + "base_frequency");
    const auto maximum = root.readUnsigned(cpufreq + "cpuinfo_max_freq");
    const auto minimum = root.readUnsigned(cpufreq + "cpuinfo_min_freq");
    std::optional<uint64_t> nominal = base ? base : speedInName(processor.model);
    if (!nominal)
        nominal = maximum;
    if (!nominal && processor.megahertz)
        nominal = static_cast<uint64_t>(std::llround(*processor.megahertz * 1000));
    if (nominal)
        item.set("current_processor_speed", Units::frequency(*nominal));
    if (minimum)
        item.set("minimum_processor_speed", Units::frequency(*minimum));
    if (maximum && maximum != nominal)
        item.set("maximum_processor_speed", Units::frequency(*maximum));
    if (processor.threads) {
        item.set("packages", static_cast<int64_t>(processor.packages));
        item.set("number_processors", static_cast<int64_t>(processor.cores));
        item.set("number_threads", static_cast<int64_t>(processor.threads));
    }
    const auto smt = root.readLine("/sys/devices/system/cpu/smt/control");
    if (smt == "on" || (!smt && processor.threads > processor.cores))
        item.set("platform_cpu_htt", "Enabled");
    else if (smt == "off" || smt == "forceoff")
        item.set("platform_cpu_htt", "Disabled");
    addCaches(root, item, processor);
    item.set("cpu_microcode", processor.microcode);
    item.set("platform_cpu_features", Text::clean(processor.flags));
    if (const auto memory = installedMemory(root))
        item.set("physical_memory", Units::binaryBytes(*memory));

    item.set("board_manufacturer", dmi(root, "board_vendor"));
    item.set("board_model", dmi(root, "board_name"));
    item.set("board_version", dmi(root, "board_version"));
    item.set("boot_rom_vendor", dmi(root, "bios_vendor"));
    item.set("boot_rom_version", dmi(root, "bios_version"));
    if (const auto date = dmi(root, "bios_date"))
        item.set("boot_rom_release_date", isoDate(*date));
    // Readable by root only on most systems; left out otherwise.
    if (item.wants("serial_number")) {
        item.set("serial_number", dmi(root, "product_serial"));
        if (const auto uuid = dmi(root, "product_uuid"))
            item.set("platform_UUID", Text::clean(*uuid));
        item.set("board_serial_number", dmi(root, "board_serial"));
        item.set("chassis_serial_number", dmi(root, "chassis_serial"));
    }
    if (!item.isEmpty())
        sink.add(item);
}

} // namespace cellsheet::profiler
