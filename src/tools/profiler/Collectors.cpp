#include "Collectors.h"

namespace cellsheet::profiler {

std::string joinPresent(const qorv::Value& item, std::initializer_list<std::string_view> keys)
{
    std::string text;
    for (const auto key : keys) {
        const auto* value = item.find(key);
        if (!value || value->isArray() || value->isDictionary())
            continue;
        const std::string part = value->description();
        if (part.empty())
            continue;
        if (!text.empty())
            text += ", ";
        text += part;
    }
    return text;
}

std::vector<std::shared_ptr<const Collector>> allCollectors()
{
    return {
        std::make_shared<HardwareCollector>(),
        std::make_shared<SoftwareCollector>(),
        std::make_shared<MemoryCollector>(),
        std::make_shared<StorageCollector>(),
        std::make_shared<NVMeCollector>(),
        std::make_shared<NetworkCollector>(),
        std::make_shared<PowerCollector>(),
        std::make_shared<PCICollector>(),
        std::make_shared<USBCollector>(),
        std::make_shared<DisplaysCollector>(),
        std::make_shared<AudioCollector>(),
        std::make_shared<BluetoothCollector>(),
        std::make_shared<CameraCollector>(),
    };
}

} // namespace cellsheet::profiler
