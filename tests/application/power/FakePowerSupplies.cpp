#include "FakePowerSupplies.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <umockdev.h>

FakePowerSupplies::FakePowerSupplies()
    : m_testbed(umockdev_testbed_new())
{ }

FakePowerSupplies::~FakePowerSupplies()
{
    g_object_unref(m_testbed);
}

bool FakePowerSupplies::available()
{
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find("libumockdev-preload") != std::string::npos;
}

std::string FakePowerSupplies::addDevice(
    const std::string& subsystem, const std::string& name, const Attributes& attributes, const std::string& parent)
{
    std::vector<gchar*> attributeList;
    for (const auto& [key, value] : attributes) {
        attributeList.push_back(const_cast<gchar*>(key.c_str()));
        attributeList.push_back(const_cast<gchar*>(value.c_str()));
    }
    attributeList.push_back(nullptr);
    gchar* noProperties[] = { nullptr };
    gchar* path = umockdev_testbed_add_devicev(m_testbed, subsystem.c_str(), name.c_str(),
        parent.empty() ? nullptr : parent.c_str(), attributeList.data(), noProperties);
    std::string result = path ? path : "";
    g_free(path);
    return result;
}

void FakePowerSupplies::addFromFile(const std::string& path)
{
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_file(m_testbed, path.c_str(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error(path + ": " + message);
    }
}

std::string FakePowerSupplies::addUSBDevice(const std::string& name)
{
    return addDevice("usb", name, { { "idVendor", "0764" }, { "idProduct", "0501" } });
}

void FakePowerSupplies::setAttribute(const std::string& path, const std::string& name, const std::string& value)
{
    // The kernel gives a reader the old value or the new one, never half of either; the testbed rewrites the file
    // in place, which a reader on another thread could see empty. Write it outside the device's folder (a reader
    // lists that folder) and rename it into place.
    gchar* rootDir = umockdev_testbed_get_root_dir(m_testbed); // ours to free
    const std::string root = rootDir ? rootDir : "";
    g_free(rootDir);
    const std::string file = root + path + "/" + name;
    const std::string part = root + "/attribute.part";
    if (FILE* out = std::fopen(part.c_str(), "w")) {
        const bool written = std::fputs(value.c_str(), out) >= 0;
        if (std::fclose(out) == 0 && written && std::rename(part.c_str(), file.c_str()) == 0)
            return;
    }
    umockdev_testbed_set_attribute(m_testbed, path.c_str(), name.c_str(), value.c_str());
}

void FakePowerSupplies::remove(const std::string& path)
{
    umockdev_testbed_remove_device(m_testbed, path.c_str());
}

void FakePowerSupplies::uevent(const std::string& path, const std::string& action)
{
    umockdev_testbed_uevent(m_testbed, path.c_str(), action.c_str());
}
