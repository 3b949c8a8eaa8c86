#include "Log.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <unordered_set>

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

void logOnce(std::string_view problem, const std::function<std::string()>& message)
{
    static std::mutex mutex;
    static std::unordered_set<std::string> seen;
    {
        std::lock_guard lock(mutex);
        // Bounded: after so many distinct problems, start over (a problem may then be written again).
        if (seen.size() >= 65536)
            seen.clear();
        if (!seen.emplace(problem).second)
            return;
    }
    constexpr size_t longest = 1024;
    std::string line = message();
    if (line.size() > longest) {
        const size_t total = line.size();
        size_t end = longest;
        while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
            --end;
        line.resize(end);
        line += "… (" + std::to_string(total) + " bytes)";
    }
    log(line);
}

void logOnce(std::string_view message)
{
    logOnce(message, [&] { return std::string(message); });
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
