#include "BlockDevice.h"
#include "Collectors.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

#include <set>

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema storageSchema {
    { "mount_point" },
    { "file_system" },
    { "size" },
    { "size_in_bytes" },
    { "free_space" },
    { "free_space_in_bytes" },
    { "writable" },
    { "bsd_name" },
    { "volume_uuid", Level::Basic },
    { "physical_drive" },
    { "device_name" },
    { "medium_type" },
    { "protocol" },
    { "is_internal_disk" },
    { "removable_media" },
    { "partition_map_type" },
    { "device_revision", Level::Full },
    { "device_serial", Level::Basic },
};

const std::set<std::string, std::less<>> networkFileSystems { "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs",
    "ceph", "glusterfs", "fuse.glusterfs", "9p", "afs", "fuse.rclone" };

// /proc/mounts escapes space, tab, newline and backslash as octal.
std::string unescape(std::string_view field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const auto code = Text::parseUnsigned(field.substr(i + 1, 3), 8);
            if (code && *code < 256) {
                text += static_cast<char>(*code);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return Text::clean(text);
}

struct Mount {
    std::string device;
    std::string point;
    std::string type;
    bool readOnly = false;
};

std::vector<Mount> mounts(const SystemRoot& root)
{
    std::vector<Mount> result;
    std::set<std::string> seen;
    const std::string text = root.read("/proc/mounts", 4 * 1024 * 1024).value_or("");
    for (std::string_view line : Text::lines(text)) {
        const auto fields = Text::split(line, ' ');
        if (fields.size() < 4)
            continue;
        Mount mount { unescape(fields[0]), unescape(fields[1]), unescape(fields[2]), false };
        const bool network = networkFileSystems.count(mount.type) > 0;
        if ((mount.device.rfind("/dev/", 0) != 0 && !network) || mount.type == "squashfs")
            continue;
        mount.readOnly = Text::split(fields[3], ',').front() == "ro";
        // Bind mounts and subvolumes repeat a device: the first mount stands for the volume.
        if (!seen.insert(mount.device).second)
            continue;
        result.push_back(std::move(mount));
    }
    return result;
}

Item driveItem(const BlockDevice& disk, DetailLevel level, std::string name = {})
{
    Item item(storageSchema, level, std::move(name));
    item.set("device_name", disk.model);
    item.set("medium_type", disk.medium());
    item.set("protocol", disk.protocol);
    item.set("is_internal_disk", disk.isInternal() ? "Yes" : "No");
    item.set("removable_media", disk.removable ? "Yes" : "No");
    return item;
}

void setSpace(const SystemRoot& root, Item& volume, const std::string& mountPoint)
{
    if (const auto space = root.fileSystemSpace(mountPoint)) {
        volume.set("size", Units::decimalBytes(space->totalBytes));
        volume.set("size_in_bytes", space->totalBytes);
        volume.set("free_space", Units::decimalBytes(space->freeBytes));
        volume.set("free_space_in_bytes", space->freeBytes);
    }
}

} // namespace

std::string_view StorageCollector::dataType() const
{
    return "SPStorageDataType";
}

const Schema& StorageCollector::schema() const
{
    return storageSchema;
}

void StorageCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    const std::vector<BlockDevice> disks = BlockDevice::disks(root, *context.database);
    const auto diskNamed = [&](const std::string& name) -> const BlockDevice* {
        for (const auto& disk : disks)
            if (disk.name == name)
                return &disk;
        return nullptr;
    };

    std::vector<Mount> network;
    for (const auto& mount : mounts(root)) {
        if (networkFileSystems.count(mount.type)) {
            network.push_back(mount);
            continue;
        }
        // "/dev/mapper/root" is a link to "/dev/dm-0": the kernel name is the link's target.
        const auto resolved = root.canonical(mount.device);
        const std::string& device = resolved ? *resolved : mount.device;
        const std::string name = device.substr(device.rfind('/') + 1);
        const auto udev = BlockDevice::udevProperties(root, name);
        const auto label = udev.find("ID_FS_LABEL");
        Item volume(
            storageSchema, context.level, label != udev.end() && !label->second.empty() ? label->second : mount.point);
        volume.set("mount_point", mount.point);
        volume.set("file_system", mount.type);
        setSpace(root, volume, mount.point);
        volume.set("writable", mount.readOnly ? "No" : "Yes");
        volume.set("bsd_name", name);
        if (const auto uuid = udev.find("ID_FS_UUID"); uuid != udev.end())
            volume.set("volume_uuid", uuid->second);
        const auto under = BlockDevice::disksUnder(root, name);
        if (!under.empty())
            if (const BlockDevice* disk = diskNamed(under.front()))
                volume.set("physical_drive", driveItem(*disk, context.level).value());
        sink.add(volume);
    }

    for (const auto& disk : disks) {
        Item item = driveItem(disk, context.level, disk.model.value_or(disk.name));
        item.set("bsd_name", disk.name);
        item.set("size", Units::decimalBytes(disk.sizeBytes));
        item.set("size_in_bytes", disk.sizeBytes);
        item.set("partition_map_type", disk.partitionMap());
        item.set("device_revision", disk.revision);
        item.set("device_serial", disk.serial);
        sink.add(item);
    }

    // Last, because a server that does not answer can stall statvfs(); the time budget then cuts only these.
    for (const auto& mount : network) {
        Item volume(storageSchema, context.level, mount.point);
        volume.set("mount_point", mount.point);
        volume.set("file_system", mount.type);
        volume.set("protocol", "Network");
        setSpace(root, volume, mount.point);
        volume.set("writable", mount.readOnly ? "No" : "Yes");
        sink.add(volume);
    }
}

std::string StorageCollector::summary(const qorv::Value& item) const
{
    std::string text;
    if (item.find("mount_point")) {
        // A volume: "ext4, 81.05 GB free of 270.55 GB".
        text = joinPresent(item, { "file_system", "protocol" });
        const auto* free = item.find("free_space");
        const auto* size = item.find("size");
        if (free && size)
            text += (text.empty() ? "" : ", ") + free->description() + " free of " + size->description();
        if (const auto* writable = item.find("writable"); writable && writable->description() == "No")
            text += ", read-only";
        return text;
    }
    // A disk: "512.11 GB, Solid State, NVMe".
    text = joinPresent(item, { "size", "medium_type", "protocol" });
    if (const auto* removable = item.find("removable_media"); removable && removable->description() == "Yes")
        text += ", removable";
    return text;
}

} // namespace cellsheet::profiler
