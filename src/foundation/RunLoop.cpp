#include "RunLoop.h"

#include "Log.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace qorv {

RunLoop::RunLoop()
    : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{ }

RunLoop::~RunLoop()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

RunLoop& RunLoop::main()
{
    static RunLoop loop;
    return loop;
}

void RunLoop::wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void RunLoop::drainWake()
{
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &count, sizeof count);
}

void RunLoop::perform(Task task)
{
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back(std::move(task));
    }
    wake();
}

RunLoop::Id RunLoop::addTimer(std::chrono::milliseconds interval, bool repeats, Task task)
{
    const Id id = m_nextId++;
    // Clock::now() + interval must not overflow the clock's nanosecond count; a century is "never".
    constexpr std::chrono::milliseconds longest = std::chrono::hours(24 * 365 * 100);
    interval = std::clamp(interval, std::chrono::milliseconds(0), longest);
    m_timers.emplace(id, Timer { Clock::now() + interval, interval, repeats, std::move(task) });
    wake();
    return id;
}

void RunLoop::removeTimer(Id id)
{
    if (m_timers.erase(id))
        wake();
}

RunLoop::Id RunLoop::addSource(int fd, Task onReadable)
{
    const Id id = m_nextId++;
    m_sources.emplace(id, Source { fd, std::move(onReadable) });
    wake();
    return id;
}

void RunLoop::removeSource(Id id)
{
    if (m_sources.erase(id))
        wake();
}

std::optional<std::chrono::milliseconds> RunLoop::timeUntilNextTimer() const
{
    if (m_timers.empty())
        return std::nullopt;
    auto next = Clock::time_point::max();
    for (const auto& [id, t] : m_timers)
        next = std::min(next, t.due);
    const auto now = Clock::now();
    if (next <= now)
        return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(next - now);
}

std::vector<int> RunLoop::sourceFds() const
{
    std::vector<int> fds;
    for (const auto& [id, s] : m_sources)
        fds.push_back(s.fd);
    return fds;
}

void RunLoop::runGuarded(const Task& task)
{
    try {
        task();
    } catch (const std::exception& e) {
        log(e.what());
    } catch (...) {
        log("unknown exception caught at the run loop");
    }
}

bool RunLoop::runOnce(std::chrono::milliseconds timeout)
{
    bool queued = false;
    {
        std::lock_guard lock(m_queueMutex);
        queued = !m_queue.empty();
    }
    auto wait = queued ? std::chrono::milliseconds(0) : std::max(timeout, std::chrono::milliseconds(0));
    if (auto t = timeUntilNextTimer())
        wait = std::min(wait, *t);

    std::vector<pollfd> fds;
    std::vector<Id> ids;
    fds.push_back({ m_wakeFd, POLLIN, 0 });
    for (const auto& [id, s] : m_sources) {
        fds.push_back({ s.fd, POLLIN, 0 });
        ids.push_back(id);
    }
    const int waitMs = static_cast<int>(std::min<int64_t>(wait.count(), 24LL * 3600 * 1000));
    int ready = ::poll(fds.data(), fds.size(), waitMs);
    if (ready < 0 && errno != EINTR)
        ready = 0;
    if (fds[0].revents & POLLIN)
        drainWake();

    bool ran = false;
    // Timers that are due now; a timer removed by an earlier callback of this pass does not fire.
    const auto now = Clock::now();
    std::vector<Id> due;
    for (const auto& [id, t] : m_timers)
        if (t.due <= now)
            due.push_back(id);
    for (Id id : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            continue;
        Task task = it->second.task;
        if (it->second.repeats)
            it->second.due = now + std::max(it->second.interval, std::chrono::milliseconds(1));
        else
            m_timers.erase(it);
        runGuarded(task);
        ran = true;
    }
    for (size_t i = 1; ready > 0 && i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        auto it = m_sources.find(ids[i - 1]);
        if (it == m_sources.end())
            continue;
        Task task = it->second.task;
        runGuarded(task);
        ran = true;
    }
    // Calls queued before this pass; calls they queue run on the next pass.
    std::vector<Task> tasks;
    {
        std::lock_guard lock(m_queueMutex);
        tasks.swap(m_queue);
    }
    for (const auto& task : tasks) {
        runGuarded(task);
        ran = true;
    }
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_queue.empty())
            wake();
    }
    return ran;
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        const auto now = Clock::now();
        if (now >= deadline)
            return done();
        runOnce(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
    }
    return true;
}

} // namespace qorv
