#include "foundation/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(ChildProcessOutputLimit, AChildThatWritesWithoutEndIsStopped)
{
    qorv::ChildProcess child("/usr/bin/yes", { "inventory" });
    child.setOutputLimit(1 << 20);
    const auto result = child.run(std::chrono::seconds(30));
    EXPECT_TRUE(result.outputLimitExceeded);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.standardOutput.size(), size_t(1) << 20);
    EXPECT_EQ(result.signal, SIGKILL);
}

TEST(ChildProcessOutputLimit, StandardErrorPastTheLimitIsDroppedAndOutputWithinItIsKept)
{
    qorv::ChildProcess child("/bin/sh", { "-c", "head -c 300000 /dev/zero >&2; printf done" });
    child.setOutputLimit(100000);
    const auto result = child.run(std::chrono::seconds(30));
    EXPECT_FALSE(result.outputLimitExceeded);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "done");
    EXPECT_EQ(result.standardError.size(), 100000u);
}

TEST(ChildProcessOutputLimit, StandardErrorCanKeepJustItsTail)
{
    qorv::ChildProcess child("/bin/sh", { "-c", "head -c 300000 /dev/zero >&2; printf 'last words' >&2" });
    child.setErrorTail(10);
    const auto result = child.run(std::chrono::seconds(30));
    EXPECT_EQ(result.standardError, "last words");
}

TEST(ChildProcessOutputLimit, OutputIsTakenOnceTheChildHasExitedThoughWhatItLeftHoldsThePipes)
{
    const auto result
        = qorv::ChildProcess("/bin/sh", { "-c", "printf done; sleep 100 &" }).run(std::chrono::seconds(5));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "done");
}

} // namespace
