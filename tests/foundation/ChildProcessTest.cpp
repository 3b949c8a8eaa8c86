#include "foundation/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace qorv;
using namespace std::chrono_literals;

namespace {

ChildProcess::Result shell(const std::string& script, std::optional<std::chrono::milliseconds> limit = std::nullopt)
{
    return ChildProcess("/bin/sh", { "-c", script }).run(limit);
}

} // namespace

TEST(ChildProcess, ReadsLargeOutputOnBothStreamsWithoutDeadlock)
{
    // Both streams far exceed a pipe's buffer at the same time: reading one to the end first would hang.
    const auto r = shell("yes out | head -c 4000000 & yes err | head -c 3000000 >&2; wait");
    ASSERT_TRUE(r.started) << r.error;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.standardOutput.size(), 4000000u);
    EXPECT_EQ(r.standardError.size(), 3000000u);
    EXPECT_EQ(r.standardOutput.substr(0, 8), "out\nout\n");
    EXPECT_EQ(r.standardError.substr(0, 8), "err\nerr\n");
}

TEST(ChildProcess, ArgumentsExitStatusAndSignal)
{
    const auto args = ChildProcess("/usr/bin/printf", { "%s|", "a b", "'c'", "" }).run();
    EXPECT_EQ(args.standardOutput, "a b|'c'||");
    EXPECT_EQ(args.exitCode, 0);

    const auto failed = shell("echo partial; echo why >&2; exit 3");
    EXPECT_TRUE(failed.started);
    EXPECT_EQ(failed.exitCode, 3);
    EXPECT_EQ(failed.signal, 0);
    EXPECT_EQ(failed.standardOutput, "partial\n");
    EXPECT_EQ(failed.standardError, "why\n");

    const auto killed = shell("kill -TERM $$");
    EXPECT_EQ(killed.exitCode, -1);
    EXPECT_EQ(killed.signal, SIGTERM);
    EXPECT_FALSE(killed.timedOut || killed.terminated);

    const auto input = ChildProcess("/bin/cat", {}).run(10s);
    EXPECT_EQ(input.exitCode, 0) << "standard input is empty, not inherited";
    EXPECT_FALSE(input.timedOut);
}

TEST(ChildProcess, ProgramThatCannotStart)
{
    struct Case {
        std::string path;
        const char* error;
    };
    const Case cases[] = {
        { "/nonexistent/program", "No such file or directory" },
        { std::string(CELLSHEET_TEST_DATA) + "/foundation/plist/wrong-root.plist", "Permission denied" },
        { "", "no program given" },
    };
    for (const auto& c : cases) {
        const auto r = ChildProcess(c.path, { "--xml" }).run(10s);
        EXPECT_FALSE(r.started) << c.path;
        EXPECT_EQ(r.error, c.error) << c.path;
        EXPECT_TRUE(r.standardOutput.empty());
    }
}

TEST(ChildProcess, TimeLimitKillsTheChild)
{
    const auto r = ChildProcess("/bin/sleep", { "100" }).run(100ms);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_EQ(r.exitCode, -1);
}

TEST(ChildProcess, TimeLimitHoldsAfterTheChildClosesItsOutput)
{
    const auto r = shell("echo before; exec >&- 2>&-; sleep 100", 100ms);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_EQ(r.standardOutput, "before\n");
}

TEST(ChildProcess, TerminateFromAnotherThread)
{
    for (const char* script : { "sleep 100", "exec >&- 2>&-; sleep 100" }) {
        ChildProcess child("/bin/sh", { "-c", script });
        std::thread stopper([&] {
            std::this_thread::sleep_for(50ms);
            child.terminate();
        });
        const auto r = child.run();
        stopper.join();
        EXPECT_TRUE(r.terminated) << script;
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.signal, SIGKILL) << script;
    }
    ChildProcess early("/bin/sleep", { "100" });
    early.terminate();
    EXPECT_TRUE(early.run().terminated) << "terminate() before run() still ends it";
}
