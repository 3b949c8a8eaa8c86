#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qorv {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    bool open()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    void closeRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
};

} // namespace

ChildProcess::ChildProcess(std::string path, std::vector<std::string> arguments)
    : m_path(std::move(path))
    , m_arguments(std::move(arguments))
    , m_cancelFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{ }

ChildProcess::~ChildProcess()
{
    if (m_cancelFd >= 0)
        ::close(m_cancelFd);
}

void ChildProcess::terminate()
{
    m_terminate = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_cancelFd, &one, sizeof one);
}

ChildProcess::Result ChildProcess::run(std::optional<std::chrono::milliseconds> timeLimit)
{
    Result result;
    if (m_path.empty()) {
        result.error = "no program given";
        return result;
    }
    Pipe out, err;
    if (!out.open() || !err.open()) {
        result.error = std::strerror(errno);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child gets default signal handling and its own process group, so the whole group can be killed.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    argv.push_back(m_path.data());
    for (auto& a : m_arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawnError = ::posix_spawn(&pid, m_path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawnError != 0) {
        result.error = std::strerror(spawnError);
        return result;
    }
    result.started = true;
    out.closeWrite();
    err.closeWrite();
    ::fcntl(out.read, F_SETFL, O_NONBLOCK);
    ::fcntl(err.read, F_SETFL, O_NONBLOCK);

    const auto deadline
        = timeLimit ? std::chrono::steady_clock::now() + *timeLimit : std::chrono::steady_clock::time_point::max();
    bool kill = false;
    // Whether terminate() was called or the time limit has passed (the child is then to be killed); otherwise
    // shortens waitMs (-1: no limit) so that the wait ends by the deadline.
    auto shouldStop = [&](int& waitMs) {
        if (m_terminate) {
            result.terminated = kill = true;
            return true;
        }
        if (!timeLimit)
            return false;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            result.timedOut = kill = true;
            return true;
        }
        const int leftMs = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
        waitMs = waitMs < 0 ? leftMs : std::min(waitMs, leftMs);
        return false;
    };
    // Readable when the child has exited: a process it started may hold the pipes open long after it.
    const int exited = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    // Whether the child has exited; it is reaped only at the end, so its process ID (and group) stays ours.
    bool exitSeen = false;
    auto hasExited = [&] {
        siginfo_t info {};
        exitSeen = exitSeen
            || (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid);
        return exitSeen;
    };
    char buffer[65536];
    for (int step = 1; out.read >= 0 || err.read >= 0;) {
        if (result.outputLimitExceeded) {
            kill = true;
            break;
        }
        // Without a pidfd (an old kernel), look for the exit at growing intervals.
        int waitMs = exited >= 0 ? -1 : step;
        step = std::min(step * 2, 50);
        if (shouldStop(waitMs))
            break;
        pollfd fds[4]
            = { { out.read, POLLIN, 0 }, { err.read, POLLIN, 0 }, { m_cancelFd, POLLIN, 0 }, { exited, POLLIN, 0 } };
        if (::poll(fds, 4, waitMs) < 0 && errno != EINTR)
            break;
        // Once the child has exited, what it wrote is all in the pipes: read that, and stop.
        // What it left running goes with it, so that the pipes drain to their end.
        const bool last = (exited < 0 || (fds[3].revents & POLLIN)) && hasExited();
        if (last)
            ::kill(-pid, SIGKILL);
        for (int i = 0; i < 2 && !result.outputLimitExceeded; ++i) {
            if (!last && !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Pipe& p = i == 0 ? out : err;
            std::string& sink = i == 0 ? result.standardOutput : result.standardError;
            for (;;) {
                const ssize_t n = ::read(p.read, buffer, sizeof buffer);
                if (n > 0) {
                    if (i == 1 && m_errorTail) {
                        sink.append(buffer, static_cast<size_t>(n));
                        if (sink.size() > 2 * m_errorTail)
                            sink.erase(0, sink.size() - m_errorTail);
                        continue;
                    }
                    const size_t room
                        = m_outputLimit ? m_outputLimit - std::min(m_outputLimit, sink.size()) : size_t(n);
                    sink.append(buffer, std::min(room, static_cast<size_t>(n)));
                    if (i == 0 && static_cast<size_t>(n) > room) {
                        result.outputLimitExceeded = true;
                        break;
                    }
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n == 0 || (n < 0 && errno != EAGAIN) || last)
                    p.closeRead();
                break;
            }
        }
    }
    if (exited >= 0)
        ::close(exited);
    if (m_errorTail && result.standardError.size() > m_errorTail)
        result.standardError.erase(0, result.standardError.size() - m_errorTail);
    // The pipes can close while the child runs on (it closed them itself): keep honouring the time limit and
    // terminate() while waiting for it to end, checking at growing intervals.
    for (int step = 1; !kill && !hasExited();) {
        int waitMs = step;
        if (shouldStop(waitMs))
            break;
        pollfd cancel { m_cancelFd, POLLIN, 0 };
        ::poll(&cancel, 1, waitMs);
        step = std::min(step * 2, 50);
    }
    // What the child left in its process group goes with it.
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

} // namespace qorv
