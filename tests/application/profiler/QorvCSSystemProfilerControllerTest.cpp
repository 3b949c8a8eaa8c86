#include "ProfilerTestSupport.h"

#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <thread>

using namespace std::chrono_literals;
using qorv::Value;

namespace {

struct Observed {
    int changes = 0;
    explicit Observed(QorvCSSystemProfilerController& controller)
    {
        controller.addObserver(this, "dataTypes", [this](std::string_view, const qorv::Observable*) { ++changes; });
    }
};

std::vector<std::string> identifiersOf(const QorvCSSystemProfilerController::DataTypes& dataTypes)
{
    std::vector<std::string> identifiers;
    for (const auto& dataType : dataTypes)
        identifiers.push_back(dataType->dataType());
    return identifiers;
}

std::vector<std::string> identifiersIn(const Value& raw)
{
    std::vector<std::string> identifiers;
    for (const auto& element : *raw.asArray())
        identifiers.push_back(element.find("_dataType")->stringOr(""));
    return identifiers;
}

int readProcessID(const std::string& path)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        int pid = 0;
        if (std::ifstream(path) >> pid)
            return pid;
        std::this_thread::sleep_for(10ms);
    }
    return 0;
}

bool processExists(int pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

TEST(QorvCSSystemProfilerController, PublishesTheToolsDataTypesOnceOnTheMainRunLoop)
{
    ScopedResources resources;
    resources.useTool({ fakeProfiler, "print", realFixture });
    QorvCSSystemProfilerController controller;
    Observed observed(controller);
    EXPECT_EQ(controller.dataTypes(), nullptr);
    EXPECT_FALSE(controller.isFinished());

    ASSERT_TRUE(waitUntilFinished(controller));
    ASSERT_NE(controller.dataTypes(), nullptr);
    const auto expected = identifiersIn(qorv::PropertyList::readFile(realFixture).value);
    EXPECT_EQ(expected.size(), 42u);
    EXPECT_EQ(identifiersOf(*controller.dataTypes()), expected);
    EXPECT_EQ(observed.changes, 1);
    qorv::RunLoop::main().runOnce(50ms);
    EXPECT_EQ(observed.changes, 1) << "published exactly once";
}

TEST(QorvCSSystemProfilerController, AcceptsWhatEveryWellBehavedToolWrites)
{
    // 3.1 MB of output while 2 MB fill standard error; a binary property list; valid output with a failure status.
    ScopedResources resources;
    struct Case {
        std::vector<std::string> command;
        size_t count;
        std::string first;
    };
    const Case cases[] = {
        { { fakeProfiler, "noisy", realFixture }, 42, "SPParallelATADataType" },
        { { fakeProfiler, "print", profilerData + "/software.bplist" }, 1, "SPSoftwareDataType" },
        { { fakeProfiler, "fail", profilerData + "/software.bplist" }, 1, "SPSoftwareDataType" },
        { { fakeProfiler, "linger", profilerData + "/software.bplist" }, 1, "SPSoftwareDataType" },
    };
    for (const auto& c : cases) {
        resources.useTool(c.command);
        qorv::LogCapture log;
        QorvCSSystemProfilerController controller;
        ASSERT_TRUE(waitUntilFinished(controller)) << c.command[1];
        ASSERT_NE(controller.dataTypes(), nullptr) << c.command[1];
        EXPECT_EQ(controller.dataTypes()->size(), c.count) << c.command[1];
        EXPECT_EQ(controller.dataTypes()->front()->dataType(), c.first) << c.command[1];
        EXPECT_TRUE(log.lines().empty()) << c.command[1] << ": " << log.lines().front();
    }
}

TEST(QorvCSSystemProfilerController, FailedRunsLogOneLineAndAnnounceThatNothingCame)
{
    ScopedResources resources;
    const std::string marker = resources.path("ran");
    resources.write("leaves-a-marker.sh", "#!/bin/sh\ntouch '" + marker + "'\n");
    std::filesystem::permissions(resources.path("leaves-a-marker.sh"), std::filesystem::perms::owner_all);

    const std::string prefix = "profile exception caught: ";
    const std::string key = "QorvCSSystemProfilerControllerExecutable";
    enum class Via { OwnInfo, ToolPath, Tool };
    struct Case {
        Via via; // what command sets: the application's Info.plist entry, the tool's path or the tool's command
        std::vector<std::string> command;
        std::string line; // the whole line, or its beginning when it ends in "..."
    };
    const Case cases[] = {
        { Via::ToolPath, { "/nonexistent/cellsheet-profiler" },
            prefix + "QorvCSSystemProfilerController's executable must exist at /nonexistent/cellsheet-profiler" },
        { Via::ToolPath, { profilerData + "/not-executable.sh" },
            prefix + "QorvCSSystemProfilerController's executable must exist at " + profilerData
                + "/not-executable.sh" },
        { Via::ToolPath, { profilerData },
            prefix + "QorvCSSystemProfilerController's executable must exist at " + profilerData },
        { Via::Tool, { fakeProfiler, "dictionary" }, prefix + "Unknown System Profile format" },
        { Via::Tool, { fakeProfiler, "garbage" }, prefix + "Unknown System Profile format: ..." },
        { Via::Tool, { fakeProfiler, "nothing" }, prefix + "Unknown System Profile format..." },
        // Checked before the tool's path, whatever $CELLSHEET_PROFILER says.
        { Via::OwnInfo, {}, prefix + "QorvCSSystemProfilerController's bundle missing " + key + " key." },
        { Via::OwnInfo, { resources.path("leaves-a-marker.sh") },
            prefix + "QorvCSSystemProfilerController's bundle " + key + " key must be array with > 1 item." },
    };
    for (const auto& c : cases) {
        if (c.via == Via::OwnInfo)
            resources.setOwnCommand(c.command);
        else if (c.via == Via::ToolPath)
            resources.setToolPath(c.command.front());
        else
            resources.useTool(c.command);
        qorv::LogCapture log;
        QorvCSSystemProfilerController controller;
        Observed observed(controller);
        ASSERT_TRUE(waitUntilFinished(controller)) << c.line;
        EXPECT_EQ(controller.dataTypes(), nullptr) << c.line;
        EXPECT_EQ(observed.changes, 1) << "observers stop waiting: " << c.line;
        ASSERT_EQ(log.lines().size(), 1u) << c.line;
        if (c.line.ends_with("..."))
            EXPECT_TRUE(log.lines()[0].starts_with(c.line.substr(0, c.line.size() - 3))) << log.lines()[0];
        else
            EXPECT_EQ(log.lines()[0], c.line);
    }
    EXPECT_FALSE(std::filesystem::exists(marker)) << "a command without arguments is refused before it runs";
}

TEST(QorvCSSystemProfilerController, AFailedRunLogsTheEndOfStandardError)
{
    ScopedResources resources;
    resources.useTool({ fakeProfiler, "complain" });
    qorv::LogCapture log;
    QorvCSSystemProfilerController controller;
    ASSERT_TRUE(waitUntilFinished(controller));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_NE(log.lines()[0].find(" wrote to standard error: eee"), std::string::npos) << log.lines()[0];
    EXPECT_TRUE(log.lines()[0].ends_with("eeedisk on fire\n")) << log.lines()[0];
    EXPECT_LT(log.lines()[0].size(), 2200u) << "only the end of it";
}

TEST(QorvCSSystemProfilerController, OnlyTheApplicationsOwnInfoPlistNamesTheTool)
{
    // The application's Info.plist names the tool relative to the running program; an overlay's Info.plist
    // naming another program is not obeyed, a resource folder being data that people pass around.
    ScopedResources resources;
    const std::string marker = resources.path("overlay-ran");
    resources.useTool({ fakeProfiler, "print", realFixture });
    const std::string tool = std::getenv(QorvCSSystemProfilerControllerExecutableVariable);
    ScopedEnvironment unset(QorvCSSystemProfilerControllerExecutableVariable, nullptr);
    const auto programFolder = std::filesystem::path(qorv::Bundle::executablePath()).parent_path();
    resources.setOwnCommand({ std::filesystem::relative(tool, programFolder).string(), "--xml" });
    resources.setInfo({ { std::string(QorvCSSystemProfilerControllerExecutableKey),
        Value::array({ Value("/bin/sh"), Value("-c"), Value("touch '" + marker + "'") }) } });

    qorv::LogCapture log;
    QorvCSSystemProfilerController controller;
    ASSERT_TRUE(waitUntilFinished(controller));
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
    ASSERT_NE(controller.dataTypes(), nullptr);
    EXPECT_EQ(controller.dataTypes()->size(), 42u);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(QorvCSSystemProfilerController, AToolThatNeverFinishesIsKilledAtTheTimeLimit)
{
    ScopedResources resources;
    const std::string pidFile = resources.path("pid");
    resources.useTool({ fakeProfiler, "hang", pidFile });
    resources.setInfo({ { std::string(QorvCSSystemProfilerControllerTimeLimitKey), 0.5 } });
    qorv::LogCapture log;
    QorvCSSystemProfilerController controller;
    ASSERT_TRUE(waitUntilFinished(controller));
    EXPECT_EQ(controller.dataTypes(), nullptr);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0],
        "profile exception caught: " + std::string(std::getenv(QorvCSSystemProfilerControllerExecutableVariable))
            + " did not finish within 0.5 seconds and was killed");
    const int pid = readProcessID(pidFile);
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(processExists(pid));
}

TEST(QorvCSSystemProfilerController, DestructionEndsARunningTool)
{
    ScopedResources resources;
    const std::string pidFile = resources.path("pid");
    resources.useTool({ fakeProfiler, "hang", pidFile });
    qorv::LogCapture log;
    auto controller = std::make_unique<QorvCSSystemProfilerController>();
    const int pid = readProcessID(pidFile);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(processExists(pid));
    controller.reset();
    EXPECT_FALSE(processExists(pid));
    qorv::RunLoop::main().runOnce(50ms);
    EXPECT_TRUE(log.lines().empty()) << "ending the run on purpose is not a failure";
}

TEST(QorvCSSystemProfilerController, AResultArrivingAfterDestructionIsDropped)
{
    ScopedResources resources;
    resources.useTool({ fakeProfiler, "print", profilerData + "/software.bplist" });
    qorv::RunLoop::main().runOnce(0ms);
    int changes = 0;
    {
        QorvCSSystemProfilerController controller;
        controller.addObserver(&changes, "dataTypes", [&changes](auto, auto) { ++changes; });
        // The run loop's wake descriptor turns readable once the result is queued.
        pollfd queued { qorv::RunLoop::main().wakeFd(), POLLIN, 0 };
        ASSERT_EQ(::poll(&queued, 1, 30000), 1);
    }
    qorv::RunLoop::main().runOnce(0ms);
    EXPECT_EQ(changes, 0);
}

TEST(QorvCSSystemProfilerController, TheDebugProfileStandsInForTheTool)
{
    ScopedResources resources;
    const std::string marker = resources.path("ran");
    resources.useTool({ fakeProfiler, "marker", marker, realFixture });
    std::filesystem::copy_file(
        profilerData + "/software.bplist", resources.path("QorvCSSystemProfilerController.plist"));
    {
        QorvCSSystemProfilerController controller;
        EXPECT_EQ(controller.pathForDebugProfile(), resources.path("QorvCSSystemProfilerController.plist"));
        ASSERT_TRUE(waitUntilFinished(controller));
        ASSERT_NE(controller.dataTypes(), nullptr);
        ASSERT_EQ(controller.dataTypes()->size(), 1u);
        const auto raw = qorv::PropertyList::readFile(profilerData + "/software.bplist").value;
        EXPECT_EQ(controller.dataTypes()->front()->rawDataType(), *raw.at(0));
    }
    resources.write("QorvCSSystemProfilerController.plist", "unreadable");
    QorvCSSystemProfilerController unreadable;
    ASSERT_TRUE(waitUntilFinished(unreadable));
    ASSERT_NE(unreadable.dataTypes(), nullptr);
    EXPECT_TRUE(unreadable.dataTypes()->empty());
    EXPECT_FALSE(std::filesystem::exists(marker)) << "the tool never runs while the debug profile is there";
}

TEST(QorvCSSystemProfilerController, DataTypesFromRawKeepOnlyDictionaries)
{
    const Value raw = Value::array({ Value::Dictionary { { "_dataType", "A" } }, Value("B"), Value(3),
        Value::Dictionary { { "_dataType", "C" } } });
    EXPECT_EQ(
        identifiersOf(QorvCSSystemProfilerController::dataTypesFromRaw(raw)), (std::vector<std::string> { "A", "C" }));
    EXPECT_TRUE(QorvCSSystemProfilerController::dataTypesFromRaw(Value()).empty());
    EXPECT_TRUE(QorvCSSystemProfilerController::dataTypesFromRaw(Value::Dictionary {}).empty());
}
