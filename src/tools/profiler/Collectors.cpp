#include "Collectors.h"

namespace cellsheet::profiler {

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
