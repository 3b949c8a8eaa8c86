#include "Collectors.h"
#include "DeviceIdentity.h"
#include "SystemRoot.h"
#include "Text.h"

#include <map>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema cameraSchema {
    { "spcamera_vendor" },
    { "spcamera_vendor-id" },
    { "spcamera_product-id" },
    { "spcamera_device_nodes" },
    { "spcamera_unique-id", Level::Basic },
};

} // namespace

std::string_view CameraCollector::dataType() const
{
    return "SPCameraDataType";
}

const Schema& CameraCollector::schema() const
{
    return cameraSchema;
}

void CameraCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    // A camera has several nodes (video and metadata); they share the USB device. Image processors and codecs
    // on other buses are not cameras a person plugs in or looks into, and are left out.
    std::vector<std::string> order;
    std::map<std::string, std::pair<DeviceIdentity, std::vector<std::string>>> cameras;
    for (const auto& node : root.list("/sys/class/video4linux")) {
        if (node.rfind("video", 0) != 0)
            continue;
        const DeviceIdentity identity
            = DeviceIdentity::of(root, *context.database, "/sys/class/video4linux/" + node + "/device");
        if (identity.bus != "USB")
            continue;
        auto [found, inserted] = cameras.try_emplace(identity.path, identity, std::vector<std::string> {});
        if (inserted)
            order.push_back(identity.path);
        found->second.second.push_back("/dev/" + node);
    }
    for (const auto& path : order) {
        const auto& [identity, nodes] = cameras.at(path);
        Item item(cameraSchema, context.level, identity.model.value_or("USB Camera"));
        item.set("spcamera_vendor", identity.vendor);
        if (identity.vendorID) {
            item.set("spcamera_vendor-id", Text::hex4(*identity.vendorID));
            item.set("spcamera_product-id", Text::hex4(*identity.productID));
        }
        item.set("spcamera_device_nodes", Text::join(nodes, ", "));
        item.set("spcamera_unique-id", root.readLine(path + "/serial"));
        sink.add(item);
    }
}

std::string CameraCollector::summary(const qorv::Value& item) const
{
    return joinPresent(item, { "spcamera_vendor", "spcamera_device_nodes" });
}

} // namespace cellsheet::profiler
