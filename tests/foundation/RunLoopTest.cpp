#include "foundation/RunLoop.h"
#include "foundation/Assert.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace qorv;
using namespace std::chrono_literals;

namespace {

// Generous bound for waits that should end at once; never a speed assertion.
constexpr auto patience = 10s;

} // namespace

TEST(RunLoop, PerformFromOtherThreadsKeepsEachThreadsOrder)
{
    RunLoop loop;
    constexpr int perThread = 500;
    std::vector<int> seen[2];
    std::atomic<int> done { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                loop.perform([&, t, i] {
                    seen[t].push_back(i);
                    ++done;
                });
        });
    EXPECT_TRUE(loop.runUntil([&] { return done == 2 * perThread; }, patience));
    for (auto& t : threads)
        t.join();
    for (const auto& s : seen) {
        ASSERT_EQ(s.size(), static_cast<size_t>(perThread));
        for (int i = 0; i < perThread; ++i)
            EXPECT_EQ(s[static_cast<size_t>(i)], i);
    }
}

TEST(RunLoop, PerformWakesABlockedPass)
{
    RunLoop loop;
    std::atomic<bool> ran { false };
    std::thread poster([&] {
        std::this_thread::sleep_for(20ms);
        loop.perform([&] { ran = true; });
    });
    // One long pass: it must return as soon as the call arrives, having run it.
    EXPECT_TRUE(loop.runOnce(std::chrono::duration_cast<std::chrono::milliseconds>(patience)));
    EXPECT_TRUE(ran);
    poster.join();
}

TEST(RunLoop, CallQueuedByACallRunsOnTheNextPass)
{
    RunLoop loop;
    std::vector<std::string> order;
    loop.perform([&] {
        order.push_back("outer");
        loop.perform([&] { order.push_back("deferred"); });
    });
    EXPECT_TRUE(loop.runOnce(0ms));
    EXPECT_EQ(order, (std::vector<std::string> { "outer" }));
    EXPECT_TRUE(loop.runOnce(0ms));
    EXPECT_EQ(order, (std::vector<std::string> { "outer", "deferred" }));
    EXPECT_FALSE(loop.runOnce(0ms));
}

TEST(RunLoop, Timers)
{
    RunLoop loop;
    int once = 0, repeating = 0, removed = 0;
    loop.addTimer(5ms, false, [&] { ++once; });
    const auto repeatingId = loop.addTimer(1ms, true, [&] { ++repeating; });
    const auto removedId = loop.addTimer(0ms, false, [&] { ++removed; });
    loop.removeTimer(removedId);
    EXPECT_TRUE(loop.runUntil([&] { return once == 1 && repeating >= 3; }, patience));
    loop.removeTimer(repeatingId);
    const int repeatsSoFar = repeating;
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_FALSE(loop.runOnce(20ms));
    EXPECT_EQ(once, 1);
    EXPECT_EQ(repeating, repeatsSoFar);
    EXPECT_EQ(removed, 0);
}

TEST(RunLoop, EnormousIntervalIsSafe)
{
    RunLoop loop;
    bool fired = false;
    loop.addTimer(std::chrono::milliseconds::max(), false, [&] { fired = true; });
    ASSERT_TRUE(loop.timeUntilNextTimer());
    EXPECT_GT(*loop.timeUntilNextTimer(), 24h);
    EXPECT_FALSE(loop.runOnce(0ms));
    EXPECT_FALSE(fired);
}

TEST(RunLoop, FileDescriptorSources)
{
    RunLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    bool hungUp = false;
    RunLoop::Id id = 0;
    id = loop.addSource(fds[0], [&] {
        char buffer[64];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<size_t>(n));
        } else {
            hungUp = true;
            loop.removeSource(id);
        }
    });
    EXPECT_EQ(loop.sourceFds(), std::vector<int> { fds[0] });
    EXPECT_FALSE(loop.runOnce(0ms)) << "nothing to read yet";
    ASSERT_EQ(::write(fds[1], "ping", 4), 4);
    EXPECT_TRUE(loop.runUntil([&] { return received == "ping"; }, patience));
    ::close(fds[1]);
    EXPECT_TRUE(loop.runUntil([&] { return hungUp; }, patience));
    EXPECT_FALSE(loop.hasSource(id));
    ::close(fds[0]);
}

TEST(RunLoop, ExceptionInACallbackIsLoggedAndTheLoopGoesOn)
{
    RunLoop loop;
    LogCapture capture;
    bool after = false;
    loop.perform([] { throw std::runtime_error("profile exception"); });
    loop.perform([] { QorvAssert(false, "%@ missing HTML templates resource.", "QorvCSHTMLReport"); });
    loop.perform([] { throw 42; });
    loop.perform([&] { after = true; });
    loop.addTimer(0ms, false, [] { throw std::logic_error("from a timer"); });
    EXPECT_NO_THROW(loop.runUntil([&] { return after && loop.timerCount() == 0; }, patience));
    EXPECT_TRUE(after);
    EXPECT_EQ(capture.lines(),
        (std::vector<std::string> { "from a timer", "profile exception",
            "QorvCSHTMLReport missing HTML templates resource.", "unknown exception caught at the run loop" }));
}
