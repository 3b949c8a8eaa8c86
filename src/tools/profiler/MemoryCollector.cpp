#include "Collectors.h"
#include "SmbiosMemoryDevice.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema memorySchema {
    { "total_memory" },
    { "available_memory" },
    { "swap_total" },
    { "swap_free" },
    { "memory_slots" },
    { "dimm_size" },
    { "dimm_type" },
    { "dimm_speed" },
    { "dimm_form_factor" },
    { "dimm_bank", Level::Full },
    { "dimm_manufacturer" },
    { "dimm_part_number" },
    { "dimm_serial_number", Level::Basic },
};

std::optional<uint64_t> kilobytes(const std::map<std::string, std::string, std::less<>>& meminfo, std::string_view key)
{
    const auto found = meminfo.find(key);
    if (found == meminfo.end())
        return std::nullopt;
    return Text::parseUnsigned(Text::split(found->second, ' ').front());
}

// Memory modules from the firmware's SMBIOS tables (readable by root) or from the EDAC driver (readable by all,
// on machines with error-correcting memory). Returns the number of slots, used or not.
size_t addModules(const SystemRoot& root, const CollectorContext& context, Item& overview)
{
    size_t slots = 0;
    for (const auto& entry : root.list("/sys/firmware/dmi/entries")) {
        if (entry.rfind("17-", 0) != 0)
            continue;
        const auto raw = root.read("/sys/firmware/dmi/entries/" + entry + "/raw", 4096);
        const auto device = raw ? SmbiosMemoryDevice::parse(*raw) : std::nullopt;
        if (!device)
            continue;
        ++slots;
        if (device->sizeBytes == 0)
            continue;
        Item module(memorySchema, context.level,
            !device->locator.empty() ? device->locator : "Memory module " + std::to_string(slots));
        module.set("dimm_size", Units::binaryBytes(device->sizeBytes));
        module.set("dimm_type", device->type);
        if (device->speed)
            module.set("dimm_speed", std::to_string(device->speed) + " MT/s");
        module.set("dimm_form_factor", device->formFactor);
        module.set("dimm_bank", device->bankLocator);
        module.set("dimm_manufacturer", device->manufacturer);
        module.set("dimm_part_number", device->partNumber);
        module.set("dimm_serial_number", device->serialNumber);
        overview.add(std::move(module));
    }
    if (slots)
        return slots;

    for (const auto& controller : root.list("/sys/devices/system/edac/mc")) {
        const std::string base = "/sys/devices/system/edac/mc/" + controller + "/";
        for (const auto& dimm : root.list(base)) {
            if (dimm.rfind("dimm", 0) != 0 && dimm.rfind("rank", 0) != 0)
                continue;
            const std::string directory = base + dimm + "/";
            const auto megabytes = root.readUnsigned(directory + "size");
            ++slots;
            if (!megabytes || *megabytes == 0)
                continue;
            Item module(memorySchema, context.level, root.readLine(directory + "dimm_label").value_or(dimm));
            module.set("dimm_size", Units::binaryBytes(*megabytes << 20));
            // "Unbuffered-DDR4", "Registered-DDR5"
            if (auto type = root.readLine(directory + "dimm_mem_type"); type && *type != "Unknown")
                module.set("dimm_type", type->substr(type->find('-') == std::string::npos ? 0 : type->find('-') + 1));
            overview.add(std::move(module));
        }
    }
    return slots;
}

} // namespace

std::string_view MemoryCollector::dataType() const
{
    return "SPMemoryDataType";
}

const Schema& MemoryCollector::schema() const
{
    return memorySchema;
}

void MemoryCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    Item overview(memorySchema, context.level, "memory_overview");
    const auto meminfo = Text::colonValues(root.read("/proc/meminfo").value_or(""));
    if (const auto total = kilobytes(meminfo, "MemTotal"))
        overview.set("total_memory", Units::binaryBytes(*total * 1024));
    if (const auto available = kilobytes(meminfo, "MemAvailable"))
        overview.set("available_memory", Units::binaryBytes(*available * 1024));
    const auto swapTotal = kilobytes(meminfo, "SwapTotal");
    if (swapTotal && *swapTotal > 0) {
        overview.set("swap_total", Units::binaryBytes(*swapTotal * 1024));
        if (const auto swapFree = kilobytes(meminfo, "SwapFree"))
            overview.set("swap_free", Units::binaryBytes(*swapFree * 1024));
    }
    if (const size_t slots = addModules(root, context, overview)) {
        const auto* modules = overview.find("_items");
        const size_t used = modules && modules->asArray() ? modules->asArray()->size() : 0;
        overview.set("memory_slots", std::to_string(used) + " of " + std::to_string(slots) + " in use");
    }
    if (!overview.isEmpty())
        sink.add(overview);
}

} // namespace cellsheet::profiler
