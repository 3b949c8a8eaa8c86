#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace qorv {

// A small run loop: queued calls, timers and file-descriptor sources, dispatched on the thread that runs it.
// The command line and tests run it with runOnce()/runUntil(); the window binds it to Qt's event loop by
// watching wakeFd() and calling runOnce(0) when it becomes readable or the next timer is due.
// Every callback runs inside a boundary that logs an escaping exception and carries on.
class RunLoop {
public:
    using Task = std::function<void()>;
    using Id = uint64_t;
    using Clock = std::chrono::steady_clock;

    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The run loop of the main thread.
    static RunLoop& main();

    // Queues a call for the next pass. Thread-safe.
    void perform(Task task);

    Id addTimer(std::chrono::milliseconds interval, bool repeats, Task task);
    void removeTimer(Id id);

    // Calls onReadable whenever fd is readable (or has hung up) until removed.
    Id addSource(int fd, Task onReadable);
    void removeSource(Id id);
    bool hasSource(Id id) const { return m_sources.count(id) != 0; }
    size_t sourceCount() const { return m_sources.size(); }
    size_t timerCount() const { return m_timers.size(); }

    // Waits at most timeout for work, then does what is due. Returns true when any callback ran.
    bool runOnce(std::chrono::milliseconds timeout);
    // Runs passes until done() is true (checked before each pass) or the timeout passes. Returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // For binding to another event loop: readable whenever something was queued or the sources or timers
    // changed; the time until the next timer is due; the fds of the sources.
    int wakeFd() const { return m_wakeFd; }
    std::optional<std::chrono::milliseconds> timeUntilNextTimer() const;
    std::vector<int> sourceFds() const;

private:
    struct Timer {
        Clock::time_point due;
        std::chrono::milliseconds interval;
        bool repeats;
        Task task;
    };
    struct Source {
        int fd;
        Task task;
    };

    void wake();
    void drainWake();
    static void runGuarded(const Task& task);

    int m_wakeFd = -1;
    std::mutex m_queueMutex;
    std::vector<Task> m_queue;
    std::map<Id, Timer> m_timers;
    std::map<Id, Source> m_sources;
    Id m_nextId = 1;
};

} // namespace qorv
