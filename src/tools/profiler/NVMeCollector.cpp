#include "BlockDevice.h"
#include "Collectors.h"
#include "DeviceIdentity.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema nvmeSchema {
    { "spnvme_vendor" },
    { "spnvme_transport" },
    { "spnvme_link_width" },
    { "spnvme_link_speed" },
    { "bsd_name" },
    { "device_model" },
    { "device_revision" },
    { "device_serial", Level::Basic },
    { "size" },
    { "size_in_bytes" },
    { "spnvme_trim_support" },
    { "removable_media" },
    { "partition_map_type" },
};

std::string transportName(const std::string& transport)
{
    if (transport == "pcie")
        return "PCIe";
    if (transport == "tcp" || transport == "rdma" || transport == "fc")
        return "NVMe over " + std::string(transport == "fc" ? "Fibre Channel" : transport == "tcp" ? "TCP" : "RDMA");
    return transport;
}

// "nvme0n1" belongs to controller "nvme0"; multipath names such as "nvme0c0n1" are not disks.
bool isNamespaceOf(const std::string& disk, const std::string& controller)
{
    if (disk.rfind(controller + "n", 0) != 0 || disk.size() == controller.size() + 1)
        return false;
    return Text::parseUnsigned(std::string_view(disk).substr(controller.size() + 1)).has_value();
}

} // namespace

std::string_view NVMeCollector::dataType() const
{
    return "SPNVMeDataType";
}

const Schema& NVMeCollector::schema() const
{
    return nvmeSchema;
}

void NVMeCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    const auto disks = root.list("/sys/block");
    for (const auto& controller : root.list("/sys/class/nvme")) {
        const std::string base = "/sys/class/nvme/" + controller;
        const DeviceIdentity identity = DeviceIdentity::of(root, *context.database, base + "/device");
        Item item(nvmeSchema, context.level, identity.model.value_or("NVMe Controller"));
        item.set("spnvme_vendor", identity.vendor);
        if (const auto transport = root.readLine(base + "/transport"))
            item.set("spnvme_transport", transportName(*transport));
        if (identity.bus == "PCI") {
            if (const auto width = root.readLine(identity.path + "/current_link_width"))
                item.set("spnvme_link_width", "x" + *width);
            item.set("spnvme_link_speed", root.readLine(identity.path + "/current_link_speed"));
        }
        const auto model = root.readLine(base + "/model");
        for (const auto& name : disks) {
            if (!isNamespaceOf(name, controller))
                continue;
            const auto sectors = root.readUnsigned("/sys/block/" + name + "/size");
            Item disk(nvmeSchema, context.level, model.value_or(name));
            disk.set("bsd_name", name);
            disk.set("device_model", model);
            disk.set("device_revision", root.readLine(base + "/firmware_rev"));
            disk.set("device_serial", root.readLine(base + "/serial"));
            if (sectors) {
                disk.set("size", Units::decimalBytes(*sectors * 512));
                disk.set("size_in_bytes", *sectors * 512);
            }
            const auto discard = root.readUnsigned("/sys/block/" + name + "/queue/discard_max_bytes");
            if (discard)
                disk.set("spnvme_trim_support", *discard > 0 ? "Yes" : "No");
            disk.set("removable_media", "No");
            BlockDevice partitions;
            partitions.udev = BlockDevice::udevProperties(root, name);
            disk.set("partition_map_type", partitions.partitionMap());
            item.add(std::move(disk));
        }
        sink.add(item);
    }
}

std::string NVMeCollector::summary(const qorv::Value& item) const
{
    std::string text;
    if (const auto* disks = item.find("_items"))
        for (const auto& disk : *disks->asArray())
            text += (text.empty() ? "" : ", ") + joinPresent(disk, { "_name", "size" });
    const std::string link = joinPresent(item, { "spnvme_link_width", "spnvme_link_speed" });
    return text + (link.empty() ? "" : (text.empty() ? "" : "; ") + std::string("link ") + link);
}

} // namespace cellsheet::profiler
