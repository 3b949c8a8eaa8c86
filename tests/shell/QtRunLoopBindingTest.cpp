#include "QtRunLoopBinding.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>

namespace {

// Runs whatever earlier tests left queued, so each test sees only its own work.
void drain()
{
    while (qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0))) { }
}

} // namespace

TEST(QtRunLoopBinding, RunsWorkQueuedFromAnotherThreadOnTheMainThread)
{
    drain();
    QtRunLoopBinding binding(qorv::RunLoop::main());
    std::atomic<bool> ran = false;
    std::thread::id ranOn;
    std::thread worker([&] {
        qorv::RunLoop::main().perform([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran.load(); }, 10000));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QtRunLoopBinding, RunsWorkQueuedBeforeItExisted)
{
    drain();
    bool ran = false;
    qorv::RunLoop::main().perform([&] { ran = true; });
    QtRunLoopBinding binding(qorv::RunLoop::main());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 10000));
}

TEST(QtRunLoopBinding, FiresTimersAddedWhileQtRuns)
{
    drain();
    QtRunLoopBinding binding(qorv::RunLoop::main());
    QTest::qWait(10); // the binding's first pass is over; the timers below arrive later
    int once = 0;
    int repeated = 0;
    qorv::RunLoop::main().addTimer(std::chrono::milliseconds(30), false, [&] { ++once; });
    const auto id = qorv::RunLoop::main().addTimer(std::chrono::milliseconds(10), true, [&] { ++repeated; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return once == 1 && repeated >= 3; }, 10000));
    qorv::RunLoop::main().removeTimer(id);
    const int afterRemoval = repeated;
    QTest::qWait(60);
    EXPECT_EQ(repeated, afterRemoval);
    EXPECT_EQ(once, 1);
}

TEST(QtRunLoopBinding, WatchesSourcesAddedWhileQtRuns)
{
    drain();
    QtRunLoopBinding binding(qorv::RunLoop::main());
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    const auto id = qorv::RunLoop::main().addSource(fds[0], [&] {
        char buffer[16];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, size_t(n));
    });
    QTest::qWait(10);
    ASSERT_EQ(::write(fds[1], "ping", 4), 4);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received == "ping"; }, 10000));
    qorv::RunLoop::main().removeSource(id);
    QTest::qWait(10);
    ::close(fds[1]);
    ::close(fds[0]);
}
