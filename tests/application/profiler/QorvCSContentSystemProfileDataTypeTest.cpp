#include "ProfilerTestSupport.h"

#include "QorvCSContentSystemProfileDataType.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

using qorv::Value;

namespace {

using Dictionary = Value::Dictionary;
using Array = Value::Array;

std::shared_ptr<const QorvCSSystemProfilerDataType> dataTypeWith(
    std::string identifier, Dictionary item, Dictionary properties = {})
{
    return QorvCSSystemProfilerDataType::systemProfilerDataTypeWithRawDataType(
        Dictionary { { "_dataType", std::move(identifier) }, { "_items", Array { std::move(item) } },
            { "_properties", std::move(properties) } });
}

struct Row {
    std::string heading, headingRaw, value, valueRaw;
    bool operator==(const Row&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Row& r)
    {
        return out << r.heading << " (" << r.headingRaw << ") = " << r.value << " (" << r.valueRaw << ")";
    }
};

std::vector<Row> rowsOf(const QorvCSReportTable& table, const std::string& provider)
{
    std::vector<Row> rows;
    for (const auto& pair : *table.headingValuePairs()) {
        EXPECT_EQ(pair.heading->provider(), provider);
        EXPECT_EQ(pair.value->provider(), provider);
        rows.push_back({ pair.heading->title(), pair.heading->raw().value_or("?"), pair.value->label(),
            pair.value->raw().value_or("?") });
    }
    return rows;
}

const char* translations = R"("QorvCSContentSystemProfileDataType.machine_name" = "Machine_Name";
"cpu_type" = "Processor";
"QorvCSContentSystemProfileDataType.spext_yes" = "Yes";
)";

} // namespace

TEST(QorvCSContentSystemProfileDataType, ReportLocalisesNamesAndValuesAndKeepsTheRawText)
{
    ScopedResources resources;
    resources.write("en.lproj/Localizable.strings", translations);
    auto node = QorvCSContentSystemProfileDataType::contentWithDataType(dataTypeWith("SPDiskDataType",
        Dictionary { { "_name", "disk_info" }, { "machine_name", "media_none" }, { "cpu_type", "spext_yes" },
            { "count", 42 }, { "ratio", 2.5 }, { "ejectable", true },
            { "volumes", Array { Dictionary { { "a", 1 } } } }, { "modified", Value::Date { 1000 } },
            { "blob", Value::Data { "x" } }, { "z_last", "ok" } },
        Dictionary {
            { "machine_name", Dictionary { { "_order", "1" } } }, { "volumes", Dictionary { { "_order", "2" } } } }));
    EXPECT_EQ(node->uniqueID(), "SPDiskDataType");
    EXPECT_EQ(node->label(), "disk_info");
    EXPECT_EQ(node->localisedLabel(), "disk info");

    QorvCSReport report(false);
    const auto items = node->itemsForReport(report);
    ASSERT_EQ(items.size(), 2u);
    const auto* title = dynamic_cast<const QorvCSReportTitle*>(items[0].get());
    const auto* table = dynamic_cast<const QorvCSReportTable*>(items[1].get());
    ASSERT_TRUE(title && table);
    EXPECT_EQ(title->title(), "disk info");
    EXPECT_EQ(table->summary(), "disk info.summary");
    EXPECT_EQ(table->caption(), "disk info.caption");
    const std::vector<Row> expected {
        { "Machine_Name", "machine_name", "media none", "media_none" },
        { "count", "count", "42", "42" },
        { "Processor", "cpu_type", "Yes", "spext_yes" },
        { "ejectable", "ejectable", "1", "1" },
        { "ratio", "ratio", "2.5", "2.5" },
        { "z last", "z_last", "ok", "ok" },
    };
    EXPECT_EQ(rowsOf(*table, "disk_info"), expected) << "arrays, dates and data give no row; the order stays";
}

TEST(QorvCSContentSystemProfileDataType, NoPropertiesNoReport)
{
    ScopedResources resources;
    auto node = QorvCSContentSystemProfileDataType::contentWithDataType(
        QorvCSSystemProfilerDataType::systemProfilerDataTypeWithRawDataType(Dictionary {
            { "_dataType", "SPParallelATADataType" }, { "_items", Array {} }, { "_properties", Dictionary {} } }));
    EXPECT_EQ(node->label(), "SPParallelATADataType");
    EXPECT_TRUE(node->include());
    QorvCSReport report(false);
    EXPECT_TRUE(node->itemsForReport(report).empty());
}

TEST(QorvCSContentSystemProfileDataType, ImagesAndDebugValues)
{
    ScopedResources resources;
    const std::string resourcesDir = CELLSHEET_BUILD_RESOURCES;
    auto software = QorvCSContentSystemProfileDataType::contentWithDataType(dataTypeWith("SPSoftwareDataType", {}));
    const qorv::Image softwareImage { QorvCSContentSystemProfileDataType::operatingSystemLogoName(),
        resourcesDir + "/system-folder.svg" };
    EXPECT_EQ(software->image(), softwareImage);

    qorv::LogCapture log;
    auto untitled = QorvCSContentSystemProfileDataType::contentWithDataType(
        QorvCSSystemProfilerDataType::systemProfilerDataTypeWithRawDataType(Dictionary {}));
    EXPECT_EQ(untitled->uniqueID(), "Untitled");
    const qorv::Image computer { "computer", resourcesDir + "/computer.svg" };
    EXPECT_EQ(untitled->image(), computer);
    ASSERT_TRUE(std::filesystem::exists(computer.path) && std::filesystem::exists(softwareImage.path));

    // The image is chosen once, from the data type the node has at that moment.
    software->setDataType(untitled->dataType());
    EXPECT_EQ(software->image(), softwareImage);

    // Each kind of inventory has a fitting icon, drawn in the bundle when the theme has none.
    const std::vector<std::pair<std::string, qorv::Image>> kinds {
        { "SPMemoryDataType", { "media-memory", resourcesDir + "/memory.svg" } },
        { "SPStorageDataType", { "drive-harddisk", resourcesDir + "/disk.svg" } },
        { "SPNetworkDataType", { "network-wired", resourcesDir + "/network.svg" } },
        { "SPPCIDataType", { "cpu", resourcesDir + "/pci.svg" } },
        { "SPUSBDataType", { "media-removable", resourcesDir + "/usb.svg" } },
        { "SPDisplaysDataType", { "video-display", resourcesDir + "/display.svg" } },
        { "SPAudioDataType", { "audio-card", resourcesDir + "/audio.svg" } },
        { "SPBluetoothDataType", { "bluetooth", resourcesDir + "/bluetooth.svg" } },
        { "SPCameraDataType", { "camera-web", resourcesDir + "/camera.svg" } },
        { "SPParallelATADataType", computer },
    };
    for (const auto& [kind, image] : kinds) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(QorvCSContentSystemProfileDataType::contentWithDataType(dataTypeWith(kind, {}))->image(), image);
        EXPECT_TRUE(std::filesystem::exists(image.path));
    }

    const Value debug = untitled->debug();
    EXPECT_EQ(debug.find("class")->stringOr(""), "QorvCSContentSystemProfileDataType");
    EXPECT_EQ(*debug.find("dataType"), Value(Dictionary {}));
}

TEST(QorvCSContentSystemProfileDataType, LogoNameFromOsRelease)
{
    ScopedResources resources;
    struct Case {
        const char* contents;
        const char* logo;
    };
    const Case cases[] = {
        { "NAME=\"Debian GNU/Linux\"\nLOGO=debian-logo\n", "debian-logo" },
        { "LOGO=\"fedora-logo-icon\"\n", "fedora-logo-icon" },
        { "LOGO='distributor logo'\n", "distributor logo" },
        { "LOGO=\"a\\\"b\"\n", "a\"b" },
        { "NAME=Minimal\n# LOGO=commented-out\n", "" },
    };
    for (const auto& c : cases) {
        resources.write("os-release", c.contents);
        EXPECT_EQ(QorvCSContentSystemProfileDataType::operatingSystemLogoName(resources.path("os-release")), c.logo)
            << c.contents;
    }
    EXPECT_EQ(QorvCSContentSystemProfileDataType::operatingSystemLogoName(resources.path("missing")), "");
}

TEST(QorvCSContentSystemProfileDataType, RequiresADataType)
{
    try {
        QorvCSContentSystemProfileDataType::contentWithDataType(nullptr);
        ADD_FAILURE() << "accepted a missing data type";
    } catch (const qorv::AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "Invalid parameter not satisfying: aDataType");
    }
}
