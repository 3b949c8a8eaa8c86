#include "linux/QorvCSUPSDescription.h"
#include "linux/QorvCSUPowerPowerSourceProvider.h"

#include "foundation/PropertyList.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using qorv::Value;

namespace {

// A dummy-ups data file: "name: value" lines, "#" comments.
std::map<std::string, std::string> readDummyFile(const std::string& path)
{
    std::map<std::string, std::string> variables;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const auto colon = line.find(": ");
        if (line.empty() || line[0] == '#' || colon == std::string::npos)
            continue;
        variables[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return variables;
}

} // namespace

// Each example of a UPS served by Network UPS Tools (ups.dev, the data file dummy-ups serves) and of UPower's
// devices (upower-devices.plist, object path → properties) holds what the live code describes for them, so its
// report is the report of such a machine. CELLSHEET_WRITE_EXAMPLES=1 writes the files instead.
TEST(ExamplesTest, ServedExamplesMatchTheLiveDescription)
{
    const std::string examples = CELLSHEET_SOURCE_RESOURCES "/../examples/";
    const bool write = std::getenv("CELLSHEET_WRITE_EXAMPLES") != nullptr;
    for (const char* name : { "desktop-ups", "desktop-power-cut" }) {
        SCOPED_TRACE(name);
        const std::string folder = examples + name + "/";
        Value::Array live;
        ASSERT_TRUE(std::filesystem::exists(folder + "ups.dev"));
        live.emplace_back(
            QorvCSUPSDescription::describe({ "localhost:3493", "ups", "", readDummyFile(folder + "ups.dev") }));
        if (std::filesystem::exists(folder + "upower-devices.plist")) {
            auto devices = qorv::PropertyList::readFile(folder + "upower-devices.plist", Value::Type::Dictionary);
            ASSERT_TRUE(devices) << devices.error;
            for (const auto& [path, properties] : *devices.value.asDictionary())
                live.push_back(QorvCSUPowerPowerSourceProvider::describe(path, *properties.asDictionary()));
        }
        const std::string file = folder + "QorvCSPowerSourceBridgePowerSources.plist";
        if (write) {
            ASSERT_EQ(qorv::PropertyList::writeXMLFile(file, Value(live)), "");
        }
        auto expected = qorv::PropertyList::readFile(file, Value::Type::Array);
        ASSERT_TRUE(expected) << expected.error;
        EXPECT_EQ(expected.value, Value(live)) << Value(live).description();
    }
}
