#include "HardwareDatabase.h"

#include "SystemRoot.h"
#include "Text.h"

#include <cstdio>
#include <libudev.h>
#include <unistd.h>

namespace cellsheet::profiler {

namespace {

std::string firstExisting(const SystemRoot& root, std::string_view name)
{
    for (const char* directory : { "/usr/share/hwdata/", "/usr/share/misc/", "/usr/share/" }) {
        std::string candidate = root.path(std::string(directory) + std::string(name));
        if (::access(candidate.c_str(), R_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

HardwareDatabase::HardwareDatabase(const SystemRoot& root)
{
    if (!root.isFake()) {
        m_udev = udev_new();
        m_hwdb = m_udev ? udev_hwdb_new(m_udev) : nullptr;
    }
    m_pciIds = std::make_unique<IdsFile>(firstExisting(root, "pci.ids"));
    m_usbIds = std::make_unique<IdsFile>(firstExisting(root, "usb.ids"));
    m_pnpPath = firstExisting(root, "pnp.ids");
}

HardwareDatabase::~HardwareDatabase()
{
    if (m_hwdb)
        udev_hwdb_unref(m_hwdb);
    if (m_udev)
        udev_unref(m_udev);
}

std::optional<std::string> HardwareDatabase::hwdbProperty(const std::string& modalias, std::string_view key)
{
    if (!m_hwdb)
        return std::nullopt;
    udev_list_entry* entry = udev_hwdb_get_properties_list_entry(m_hwdb, modalias.c_str(), 0);
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        if (key == udev_list_entry_get_name(entry)) {
            const char* value = udev_list_entry_get_value(entry);
            std::string text = Text::clean(value ? value : "");
            return text.empty() ? std::nullopt : std::optional(text);
        }
    }
    return std::nullopt;
}

HardwareDatabase::Names HardwareDatabase::names(const char* modalias, IdsFile& ids, uint16_t vendor, uint16_t device)
{
    Names names { hwdbProperty(modalias, "ID_VENDOR_FROM_DATABASE"), hwdbProperty(modalias, "ID_MODEL_FROM_DATABASE") };
    if (!names.vendor)
        names.vendor = ids.vendor(vendor);
    if (!names.model)
        names.model = ids.device(vendor, device);
    return names;
}

HardwareDatabase::Names HardwareDatabase::pci(uint16_t vendor, uint16_t device)
{
    std::lock_guard lock(m_mutex);
    char modalias[64];
    std::snprintf(modalias, sizeof modalias, "pci:v%08Xd%08X", vendor, device);
    return names(modalias, *m_pciIds, vendor, device);
}

HardwareDatabase::Names HardwareDatabase::usb(uint16_t vendor, uint16_t product)
{
    std::lock_guard lock(m_mutex);
    char modalias[64];
    std::snprintf(modalias, sizeof modalias, "usb:v%04Xp%04X", vendor, product);
    return names(modalias, *m_usbIds, vendor, product);
}

std::optional<std::string> HardwareDatabase::pciClass(uint8_t base, uint8_t sub)
{
    std::lock_guard lock(m_mutex);
    char modalias[80];
    std::snprintf(modalias, sizeof modalias, "pci:v00000000d00000000sv00000000sd00000000bc%02Xsc%02Xi00", base, sub);
    if (auto name = hwdbProperty(modalias, "ID_PCI_SUBCLASS_FROM_DATABASE"))
        return name;
    if (auto name = m_pciIds->deviceSubclass(base, sub))
        return name;
    if (auto name = hwdbProperty(modalias, "ID_PCI_CLASS_FROM_DATABASE"))
        return name;
    return m_pciIds->deviceClass(base);
}

std::optional<std::string> HardwareDatabase::pnpVendor(std::string_view code)
{
    std::lock_guard lock(m_mutex);
    if (auto name = hwdbProperty("acpi:" + std::string(code) + ":", "ID_VENDOR_FROM_DATABASE"))
        return name;
    if (m_pnpPath.empty())
        return std::nullopt;
    // pnp.ids is small (60 KB): "DEL\tDell Inc." per line.
    std::FILE* file = std::fopen(m_pnpPath.c_str(), "re");
    if (!file)
        return std::nullopt;
    std::optional<std::string> found;
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
        const std::string_view text(line);
        if (text.size() > code.size() && text.substr(0, code.size()) == code && text[code.size()] == '\t') {
            std::string name = Text::clean(text.substr(code.size() + 1));
            if (!name.empty())
                found = std::move(name);
            break;
        }
    }
    std::fclose(file);
    return found;
}

} // namespace cellsheet::profiler
