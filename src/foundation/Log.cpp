#include "Log.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace qorv {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}

LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}

std::string& programName()
{
    static std::string name = "cellsheet";
    return name;
}

} // namespace

void log(std::string_view message)
{
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(std::string(message));
        return;
    }
    const std::string line = programName() + "[" + std::to_string(::getpid()) + "]: " + std::string(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(sinkMutex());
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

void setLogProgramName(std::string name)
{
    std::lock_guard lock(sinkMutex());
    programName() = std::move(name);
}

LogCapture::LogCapture()
{
    m_previous = setLogSink([this](const std::string& line) { m_lines.push_back(line); });
}

LogCapture::~LogCapture()
{
    setLogSink(std::move(m_previous));
}

bool LogCapture::contains(std::string_view fragment) const
{
    for (const auto& l : m_lines)
        if (l.find(fragment) != std::string::npos)
            return true;
    return false;
}

} // namespace qorv
