#include "Collectors.h"
#include "HardwareDatabase.h"
#include "SystemRoot.h"
#include "Text.h"

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema pciSchema {
    { "sppci_model" },
    { "sppci_vendor" },
    { "sppci_device_type" },
    { "sppci_slot_name" },
    { "sppci_vendor-id" },
    { "sppci_device-id" },
    { "sppci_subsystem-vendor-id", Level::Full },
    { "sppci_subsystem-id", Level::Full },
    { "sppci_revision-id", Level::Full },
    { "sppci_link-width" },
    { "sppci_link-speed" },
    { "sppci_driver_installed" },
    { "sppci_driver" },
};

// The base class names that PCI defines, for when no database names the class.
const char* baseClassName(unsigned base)
{
    static const char* const names[] = { "Unclassified device", "Mass storage controller", "Network controller",
        "Display controller", "Multimedia controller", "Memory controller", "Bridge", "Communication controller",
        "Generic system peripheral", "Input device controller", "Docking station", "Processor", "Serial bus controller",
        "Wireless controller", "Intelligent controller", "Satellite communications controller", "Encryption controller",
        "Signal processing controller", "Processing accelerators", "Non-Essential Instrumentation" };
    return base < std::size(names) ? names[base] : nullptr;
}

} // namespace

std::string_view PCICollector::dataType() const
{
    return "SPPCIDataType";
}

const Schema& PCICollector::schema() const
{
    return pciSchema;
}

void PCICollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    HardwareDatabase& database = *context.database;
    for (const auto& slot : root.list("/sys/bus/pci/devices")) {
        const std::string base = "/sys/bus/pci/devices/" + slot;
        const auto vendor = root.readUnsigned(base + "/vendor", 16);
        const auto device = root.readUnsigned(base + "/device", 16);
        if (!vendor || !device || *vendor > 0xFFFF || *device > 0xFFFF)
            continue;
        const auto names = database.pci(static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*device));
        char fallback[48];
        std::snprintf(fallback, sizeof fallback, "pci%04x,%04x", unsigned(*vendor), unsigned(*device));
        Item item(pciSchema, context.level, names.model.value_or(fallback));
        item.set("sppci_model", names.model);
        item.set("sppci_vendor", names.vendor);
        if (const auto classCode = root.readUnsigned(base + "/class", 16)) {
            const auto baseClass = static_cast<uint8_t>(*classCode >> 16 & 0xFF);
            const auto subclass = static_cast<uint8_t>(*classCode >> 8 & 0xFF);
            auto name = database.pciClass(baseClass, subclass);
            if (!name && baseClassName(baseClass))
                name = baseClassName(baseClass);
            item.set("sppci_device_type", name);
        }
        item.set("sppci_slot_name", slot);
        item.set("sppci_vendor-id", Text::hex4(unsigned(*vendor)));
        item.set("sppci_device-id", Text::hex4(unsigned(*device)));
        if (const auto value = root.readUnsigned(base + "/subsystem_vendor", 16))
            item.set("sppci_subsystem-vendor-id", Text::hex4(unsigned(*value)));
        if (const auto value = root.readUnsigned(base + "/subsystem_device", 16))
            item.set("sppci_subsystem-id", Text::hex4(unsigned(*value)));
        if (const auto value = root.readUnsigned(base + "/revision", 16))
            item.set("sppci_revision-id", Text::hex4(unsigned(*value)));
        // Devices without a PCI Express link report errors or "Unknown" here.
        if (const auto width = root.readUnsigned(base + "/current_link_width"); width && *width > 0)
            item.set("sppci_link-width", "x" + std::to_string(*width));
        if (const auto speed = root.readLine(base + "/current_link_speed");
            speed && speed->find("Unknown") == std::string::npos)
            item.set("sppci_link-speed", *speed);
        const auto driver = root.linkName(base + "/driver");
        item.set("sppci_driver_installed", driver ? "Yes" : "No");
        item.set("sppci_driver", driver);
        sink.add(item);
    }
}

std::string PCICollector::summary(const qorv::Value& item) const
{
    return joinPresent(item, { "sppci_device_type", "sppci_vendor", "sppci_slot_name" });
}

} // namespace cellsheet::profiler
