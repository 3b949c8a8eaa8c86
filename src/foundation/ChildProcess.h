#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qorv {

// Runs a program with its standard output and error captured, reading both while the child runs. Reading ends
// when the child has exited, even if a process it left behind still holds the pipes (those are then killed).
// The run is blocking and meant for a background thread; terminate() may be called from any thread.
class ChildProcess {
public:
    struct Result {
        bool started = false; // false when the program could not be started (see error)
        bool timedOut = false; // killed because the time limit passed
        bool terminated = false; // killed through terminate()
        bool outputLimitExceeded = false; // killed because its standard output passed the output limit
        int exitCode = -1; // when it exited normally
        int signal = 0; // when a signal ended it
        std::string standardOutput;
        std::string standardError;
        std::string error; // why it could not be started
    };

    ChildProcess(std::string path, std::vector<std::string> arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs to completion, or until the time limit passes or terminate() is called; the child is then killed.
    Result run(std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);

    // Ends a running child (SIGKILL) and makes run() return. Safe to call at any time, from any thread.
    void terminate();

    // The most bytes kept of each stream (0: no limit). A child whose standard output goes past it is killed;
    // standard error past it is read and dropped.
    void setOutputLimit(size_t bytes) { m_outputLimit = bytes; }
    // Keeps only the last bytes of standard error (0: as the output limit says), for a log line.
    void setErrorTail(size_t bytes) { m_errorTail = bytes; }

private:
    std::string m_path;
    std::vector<std::string> m_arguments;
    std::atomic<bool> m_terminate { false };
    int m_cancelFd = -1; // eventfd that wakes the reading loop
    size_t m_outputLimit = 0;
    size_t m_errorTail = 0;
};

} // namespace qorv
