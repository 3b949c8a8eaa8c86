#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler {

class HardwareDatabase;
class SystemRoot;

// A whole disk under /sys/block, with what sysfs and the udev database (/run/udev/data) say about it.
struct BlockDevice {
    std::string name; // "nvme0n1", "sda"
    uint64_t sizeBytes = 0;
    std::optional<std::string> model;
    std::optional<std::string> revision;
    std::optional<std::string> serial;
    std::string protocol; // "NVMe", "SATA", "USB", "SCSI", "Virtio", "SD/MMC"; empty when unknown
    bool rotational = false;
    bool removable = false;
    bool optical = false;
    std::map<std::string, std::string, std::less<>> udev; // E: properties of the udev database

    // "Solid State", "Rotational" or "Optical".
    std::string medium() const;
    // Built in: not on USB and without removable media.
    bool isInternal() const;
    // "GUID Partition Table" / "Master Boot Record", from udev.
    std::optional<std::string> partitionMap() const;

    // The physical disks in kernel-name order: loop, RAM, zram, device-mapper and RAID devices and empty
    // drives are left out.
    static std::vector<BlockDevice> disks(const SystemRoot& root, HardwareDatabase& database);
    static std::optional<BlockDevice> read(const SystemRoot& root, HardwareDatabase& database, const std::string& name);
    // The udev database properties of a block device (partition or disk) by kernel name.
    static std::map<std::string, std::string, std::less<>> udevProperties(
        const SystemRoot& root, std::string_view name);
    // The disks a block device lives on: itself for a disk, the parent for a partition, the disks under the
    // members of a device-mapper or RAID device.
    static std::vector<std::string> disksUnder(const SystemRoot& root, const std::string& name, int depth = 0);
};

} // namespace cellsheet::profiler
