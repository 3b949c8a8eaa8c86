#include "InventoryShape.h"

#include "CommandLine.h"
#include "foundation/ChildProcess.h"
#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

using namespace cellsheet::profiler;
using namespace cellsheet::profiler::testing;

namespace {

qorv::ChildProcess::Result runTool(std::vector<std::string> arguments)
{
    qorv::ChildProcess process(PROFILER_EXECUTABLE, std::move(arguments));
    return process.run(std::chrono::seconds(30));
}

// The tool's JSON output read by Python's strict JSON reader and handed back as a property list; nullopt when
// the tool fails or its output is not JSON.
std::optional<qorv::Value> runToolForJson(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(),
        { "-c",
            "import json, plistlib, subprocess, sys\n"
            "out = subprocess.run(sys.argv[1:], capture_output=True, check=True).stdout\n"
            "sys.stdout.buffer.write(plistlib.dumps(json.loads(out)))",
            PROFILER_EXECUTABLE, "--json" });
    const auto result = qorv::ChildProcess(PYTHON3_EXECUTABLE, std::move(arguments)).run(std::chrono::seconds(30));
    auto parsed = qorv::PropertyList::parse(result.standardOutput);
    if (result.exitCode != 0 || !parsed)
        return std::nullopt;
    return parsed.value;
}

std::string fake(const char* machine)
{
    return std::string(PROFILER_TEST_DATA) + "/" + machine;
}

} // namespace

TEST(ProfilerCommandLine, ParsesOptionsAndDataTypes)
{
    const auto line = CommandLine::parse({ "--json", "--detail-level", "mini", "SPUSBDataType", "SPHardwareDataType",
        "SPUSBDataType", "--root=/tmp/x" });
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.format, CommandLine::Format::JSON);
    EXPECT_EQ(line.level, DetailLevel::Mini);
    EXPECT_EQ(line.root, "/tmp/x");
    EXPECT_EQ(line.dataTypes, (std::vector<std::string> { "SPUSBDataType", "SPHardwareDataType" }));

    const auto defaults = CommandLine::parse({});
    EXPECT_EQ(defaults.format, CommandLine::Format::XML);
    EXPECT_EQ(defaults.level, DetailLevel::Full);
    EXPECT_TRUE(defaults.dataTypes.empty());
    EXPECT_EQ(CommandLine::parse({ "--detail-level=basic" }).level, DetailLevel::Basic);
    EXPECT_TRUE(CommandLine::parse({ "--xml", "--xml" }).error.empty());
}

TEST(ProfilerCommandLine, RefusesWhatItDoesNotKnow)
{
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        { { "--frobnicate" }, "unknown option: --frobnicate" },
        { { "SPNoSuchDataType" }, "unknown data type: SPNoSuchDataType" },
        { { "--detail-level", "huge" }, "unknown detail level: huge (mini, basic or full)" },
        { { "--detail-level" }, "option --detail-level needs a value" },
        { { "--xml", "--json" }, "--xml and --json exclude each other" },
        { { "--list=yes" }, "unknown option: --list=yes" },
        { { "-x" }, "unknown option: -x" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLine::parse(c.arguments).error, c.error);
}

TEST(ProfilerTool, UsageErrorsExitWithTwo)
{
    for (const auto& arguments :
        { std::vector<std::string> { "--bogus" }, std::vector<std::string> { "SPFooDataType" } }) {
        const auto result = runTool(arguments);
        ASSERT_TRUE(result.started) << result.error;
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.standardOutput, "");
        EXPECT_NE(result.standardError.find("cellsheet-profiler: unknown"), std::string::npos) << result.standardError;
    }
}

TEST(ProfilerTool, HelpVersionAndList)
{
    const auto help = runTool({ "--help" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.standardOutput.rfind("Usage: cellsheet-profiler [--xml | --json]", 0), 0u);
    const auto version = runTool({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.standardOutput.rfind("cellsheet-profiler ", 0), 0u);
    const auto list = runTool({ "--list" });
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.standardOutput.rfind("Available Datatypes:\nSPHardwareDataType\nSPSoftwareDataType\n", 0), 0u);
    EXPECT_NE(list.standardOutput.find("SPCameraDataType\n"), std::string::npos);
}

TEST(ProfilerTool, XmlAndJsonCarryTheSameInventory)
{
    const auto xml = runTool({ "--xml", "--root", fake("laptop"), "SPUSBDataType", "SPHardwareDataType" });
    const auto fromJson = runToolForJson({ "--root", fake("laptop"), "SPUSBDataType", "SPHardwareDataType" });
    ASSERT_EQ(xml.exitCode, 0) << xml.standardError;
    EXPECT_EQ(xml.standardOutput.rfind("<?xml", 0), 0u);
    const auto fromXml = qorv::PropertyList::parse(xml.standardOutput);
    ASSERT_TRUE(fromXml) << fromXml.error;
    EXPECT_EQ(shapeProblems(fromXml.value), std::vector<std::string> {});
    ASSERT_TRUE(fromJson);
    ASSERT_EQ(fromJson->asArray()->size(), 2u);
    ASSERT_EQ(fromXml.value.asArray()->size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const auto& a = *fromXml.value.at(i);
        const auto& b = *fromJson->at(i);
        EXPECT_EQ(*a.find("_dataType"), *b.find("_dataType"));
        EXPECT_EQ(*a.find("_items"), *b.find("_items"));
        EXPECT_EQ(*a.find("_properties"), *b.find("_properties"));
        EXPECT_TRUE(b.find("_timeStamp")->isString());
    }
    // In the order asked for.
    EXPECT_EQ(fromXml.value.at(0)->find("_dataType")->description(), "SPUSBDataType");
}

TEST(ProfilerTool, BrokenTextStaysValidInBothFormats)
{
    const auto xml = runTool({ "--root", fake("broken"), "SPHardwareDataType" });
    const auto fromXml = qorv::PropertyList::parse(xml.standardOutput);
    ASSERT_TRUE(fromXml) << xml.standardOutput;
    EXPECT_EQ(property(firstItem(fromXml.value, "SPHardwareDataType"), "machine_model"), "Think\xEF\xBF\xBDPad X Y");
    const auto fromJson = runToolForJson({ "--root", fake("broken"), "SPHardwareDataType" });
    ASSERT_TRUE(fromJson);
    EXPECT_EQ(property(firstItem(*fromJson, "SPHardwareDataType"), "machine_model"), "Think\xEF\xBF\xBDPad X Y");
}

// The real machine the tests run on: whatever it has, the output is a complete, valid inventory.
TEST(ProfilerTool, ThisMachine)
{
    const auto result = runTool({ "--xml" });
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    const auto parsed = qorv::PropertyList::parse(result.standardOutput);
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_EQ(shapeProblems(parsed.value), std::vector<std::string> {});
    // Every Linux machine has a processor, a kernel and memory to report.
    EXPECT_FALSE(property(firstItem(parsed.value, "SPHardwareDataType"), "number_threads").empty());
    EXPECT_EQ(property(firstItem(parsed.value, "SPSoftwareDataType"), "kernel_version").rfind("Linux ", 0), 0u);
    EXPECT_FALSE(property(firstItem(parsed.value, "SPMemoryDataType"), "total_memory").empty());
    for (const auto& type : *parsed.value.asArray())
        EXPECT_FALSE(type.find("_timedOut")) << type.find("_dataType")->description();

    const auto mini = runTool({ "--detail-level", "mini", "SPSoftwareDataType" });
    const auto minimal = qorv::PropertyList::parse(mini.standardOutput);
    ASSERT_TRUE(minimal);
    EXPECT_EQ(property(firstItem(minimal.value, "SPSoftwareDataType"), "user_name"), "");
}
