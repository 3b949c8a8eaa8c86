#include "BlockDevice.h"

#include "DeviceIdentity.h"
#include "SystemRoot.h"
#include "Text.h"

#include <algorithm>

namespace cellsheet::profiler {

namespace {

bool isVirtualDisk(std::string_view name)
{
    for (std::string_view prefix : { "loop", "ram", "zram", "dm-", "md", "nbd", "fd" })
        if (name.rfind(prefix, 0) == 0)
            return true;
    return false;
}

std::string protocolOf(std::string_view path, std::string_view name)
{
    const auto has = [&](std::string_view part) { return path.find(part) != std::string_view::npos; };
    if (has("/usb"))
        return "USB";
    if (has("/nvme"))
        return "NVMe";
    if (has("/ata"))
        return "SATA";
    if (has("/virtio"))
        return "Virtio";
    if (has("/mmc") || name.rfind("mmcblk", 0) == 0)
        return "SD/MMC";
    if (has("/host") && has("/target"))
        return "SCSI";
    return {};
}

std::optional<std::string> nonPlaceholder(std::optional<std::string> text)
{
    if (text && Text::isPlaceholder(*text))
        return std::nullopt;
    return text;
}

} // namespace

std::string BlockDevice::medium() const
{
    if (optical)
        return "Optical";
    return rotational ? "Rotational" : "Solid State";
}

bool BlockDevice::isInternal() const
{
    return protocol != "USB" && !removable;
}

std::optional<std::string> BlockDevice::partitionMap() const
{
    const auto found = udev.find("ID_PART_TABLE_TYPE");
    if (found == udev.end())
        return std::nullopt;
    if (found->second == "gpt")
        return "GUID Partition Table";
    if (found->second == "dos")
        return "Master Boot Record";
    return Text::clean(found->second);
}

std::map<std::string, std::string, std::less<>> BlockDevice::udevProperties(
    const SystemRoot& root, std::string_view name)
{
    std::map<std::string, std::string, std::less<>> properties;
    const auto dev = root.readLine("/sys/class/block/" + std::string(name) + "/dev");
    if (!dev)
        return properties;
    const std::string text = root.read("/run/udev/data/b" + *dev).value_or("");
    for (std::string_view line : Text::lines(text))
        if (line.rfind("E:", 0) == 0)
            if (const size_t equals = line.find('='); equals != std::string_view::npos)
                properties.emplace(std::string(line.substr(2, equals - 2)), Text::clean(line.substr(equals + 1)));
    return properties;
}

std::optional<BlockDevice> BlockDevice::read(
    const SystemRoot& root, HardwareDatabase& database, const std::string& name)
{
    const std::string base = "/sys/block/" + name;
    const auto sectors = root.readUnsigned(base + "/size");
    if (!sectors || *sectors == 0)
        return std::nullopt;
    BlockDevice disk;
    disk.name = name;
    disk.sizeBytes = *sectors * 512; // the kernel counts 512-byte sectors whatever the hardware's
    const std::string path = root.canonical(base).value_or(base);
    disk.protocol = protocolOf(path, name);
    disk.removable = root.readUnsigned(base + "/removable").value_or(0) == 1;
    // USB bridges report every disk as rotational; removable media on USB (a flash drive, a card) never spins.
    disk.rotational
        = root.readUnsigned(base + "/queue/rotational").value_or(0) == 1 && !(disk.protocol == "USB" && disk.removable);
    disk.optical = name.rfind("sr", 0) == 0;
    disk.udev = udevProperties(root, name);
    disk.model = nonPlaceholder(root.readLine(base + "/device/model"));
    if (!disk.model && disk.protocol == "SD/MMC")
        disk.model = nonPlaceholder(root.readLine(base + "/device/name"));
    if (const auto vendor = nonPlaceholder(root.readLine(base + "/device/vendor"));
        vendor && disk.model && vendor != "ATA" && vendor->rfind("0x", 0) != 0)
        disk.model = *vendor + " " + *disk.model; // SCSI and USB disks give vendor and model apart
    if (!disk.model)
        if (const auto found = disk.udev.find("ID_MODEL"); found != disk.udev.end()) {
            std::string model = found->second;
            std::replace(model.begin(), model.end(), '_', ' ');
            disk.model = Text::clean(model);
        }
    if (!disk.model)
        disk.model = DeviceIdentity::of(root, database, base + "/device").model;
    disk.revision = root.readLine(base + "/device/firmware_rev");
    if (!disk.revision)
        disk.revision = root.readLine(base + "/device/rev");
    disk.serial = nonPlaceholder(root.readLine(base + "/device/serial"));
    if (!disk.serial)
        disk.serial = nonPlaceholder(root.readLine(base + "/serial"));
    if (!disk.serial)
        if (const auto found = disk.udev.find("ID_SERIAL_SHORT"); found != disk.udev.end())
            disk.serial = found->second;
    return disk;
}

std::vector<BlockDevice> BlockDevice::disks(const SystemRoot& root, HardwareDatabase& database)
{
    std::vector<BlockDevice> disks;
    for (const auto& name : root.list("/sys/block"))
        if (!isVirtualDisk(name))
            if (auto disk = read(root, database, name))
                disks.push_back(std::move(*disk));
    return disks;
}

std::vector<std::string> BlockDevice::disksUnder(const SystemRoot& root, const std::string& name, int depth)
{
    const std::string base = "/sys/class/block/" + name;
    if (depth > 8 || !root.exists(base))
        return {};
    if (root.exists(base + "/partition")) {
        const auto path = root.canonical(base);
        if (!path)
            return {};
        const std::string parent = path->substr(0, path->rfind('/'));
        return { parent.substr(parent.rfind('/') + 1) };
    }
    const auto members = root.list(base + "/slaves");
    if (members.empty())
        return { name };
    std::vector<std::string> disks;
    for (const auto& member : members)
        for (auto& disk : disksUnder(root, member, depth + 1))
            if (std::find(disks.begin(), disks.end(), disk) == disks.end())
                disks.push_back(std::move(disk));
    return disks;
}

} // namespace cellsheet::profiler
