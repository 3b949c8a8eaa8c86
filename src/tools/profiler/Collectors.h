#pragma once

#include "Collector.h"

#include <memory>
#include <vector>

namespace cellsheet::profiler {

// One collector per data type; each is implemented in the source file of its name.
#define CELLSHEET_PROFILER_COLLECTOR(ClassName)                                                                        \
    class ClassName final : public Collector {                                                                         \
    public:                                                                                                            \
        std::string_view dataType() const override;                                                                    \
        const Schema& schema() const override;                                                                         \
        void collect(const CollectorContext& context, ItemSink& sink) const override;                                  \
    };

#define CELLSHEET_PROFILER_DEVICE_COLLECTOR(ClassName)                                                                 \
    class ClassName final : public Collector {                                                                         \
    public:                                                                                                            \
        std::string_view dataType() const override;                                                                    \
        const Schema& schema() const override;                                                                         \
        void collect(const CollectorContext& context, ItemSink& sink) const override;                                  \
        bool listsDevices() const override { return true; }                                                            \
        std::string summary(const qorv::Value& item) const override;                                                   \
    };

CELLSHEET_PROFILER_COLLECTOR(HardwareCollector) // SPHardwareDataType: machine, firmware, processor, memory size
CELLSHEET_PROFILER_COLLECTOR(SoftwareCollector) // SPSoftwareDataType: system, kernel, boot, user, uptime
CELLSHEET_PROFILER_COLLECTOR(MemoryCollector) // SPMemoryDataType: totals, swap, modules
CELLSHEET_PROFILER_DEVICE_COLLECTOR(StorageCollector) // SPStorageDataType: volumes and physical disks
CELLSHEET_PROFILER_DEVICE_COLLECTOR(NVMeCollector) // SPNVMeDataType: controllers and their namespaces
CELLSHEET_PROFILER_DEVICE_COLLECTOR(NetworkCollector) // SPNetworkDataType: interfaces
CELLSHEET_PROFILER_DEVICE_COLLECTOR(PowerCollector) // SPPowerDataType: batteries, adapters, UPS
CELLSHEET_PROFILER_DEVICE_COLLECTOR(PCICollector) // SPPCIDataType
CELLSHEET_PROFILER_DEVICE_COLLECTOR(USBCollector) // SPUSBDataType: buses with their device trees
CELLSHEET_PROFILER_DEVICE_COLLECTOR(DisplaysCollector) // SPDisplaysDataType: graphics devices and their displays
CELLSHEET_PROFILER_DEVICE_COLLECTOR(AudioCollector) // SPAudioDataType: sound cards
CELLSHEET_PROFILER_DEVICE_COLLECTOR(BluetoothCollector) // SPBluetoothDataType: controllers
CELLSHEET_PROFILER_DEVICE_COLLECTOR(CameraCollector) // SPCameraDataType: USB video devices

#undef CELLSHEET_PROFILER_COLLECTOR

#undef CELLSHEET_PROFILER_DEVICE_COLLECTOR

// Every collector, in the order of a full inventory.
std::vector<std::shared_ptr<const Collector>> allCollectors();

} // namespace cellsheet::profiler
