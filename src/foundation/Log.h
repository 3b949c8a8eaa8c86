#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv {

// Writes one diagnostic line, "<program>[<pid>]: message", to standard error (or to the installed sink).
void log(std::string_view message);

// Writes a line for each distinct problem once per process, cut to about a kilobyte: for problems that come back
// with every rendering or every notice. The message is made only the first time the problem is seen.
void logOnce(std::string_view problem, const std::function<std::string()>& message);
void logOnce(std::string_view message);

// Replaces where log lines go; an empty function restores standard error. Returns the previous sink.
using LogSink = std::function<void(const std::string& message)>;
LogSink setLogSink(LogSink sink);

void setLogProgramName(std::string name);

// Captures the log lines written while it lives (for tests and for the command line's summaries).
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    const std::vector<std::string>& lines() const { return m_lines; }
    bool contains(std::string_view fragment) const;

private:
    std::vector<std::string> m_lines;
    LogSink m_previous;
};

} // namespace qorv
