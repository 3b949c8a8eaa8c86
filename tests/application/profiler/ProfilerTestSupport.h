#pragma once

#include "QorvCSSystemProfilerController.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

inline const std::string profilerData = PROFILER_TEST_DATA;
inline const std::string fakeProfiler = profilerData + "/fake-profiler.sh";
inline const std::string realFixture = profilerData + "/all-datatypes-mini.xml";

// A fresh resource directory in front of the build's resources, made the main bundle's for one test.
class ScopedResources {
public:
    ScopedResources()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cellsheet-inventory-XXXXXX").string();
        m_directory = ::mkdtemp(pattern.data());
        m_saved = qorv::Bundle::main().resourceDirectories();
        qorv::Bundle::main().setResourceDirectories({ m_directory, CELLSHEET_BUILD_RESOURCES });
        qorv::Bundle::main().setLanguages({ "en" });
    }
    ~ScopedResources()
    {
        qorv::Bundle::main().setResourceDirectories(m_saved);
        std::error_code ec;
        std::filesystem::remove_all(m_directory, ec);
    }
    ScopedResources(const ScopedResources&) = delete;
    ScopedResources& operator=(const ScopedResources&) = delete;

    const std::string& directory() const { return m_directory; }
    std::string path(const std::string& name) const { return m_directory + "/" + name; }

    // Info.plist with the tool's command (left out when empty) and, when given, a time limit in seconds.
    void setInfo(const std::vector<std::string>& command, std::optional<double> timeLimit = std::nullopt) const
    {
        qorv::Value::Dictionary info;
        if (!command.empty()) {
            qorv::Value::Array items(command.begin(), command.end());
            info.emplace(QorvCSSystemProfilerControllerExecutableKey, std::move(items));
        }
        if (timeLimit)
            info.emplace(QorvCSSystemProfilerControllerTimeLimitKey, *timeLimit);
        write("Info.plist", qorv::PropertyList::toXML(info));
        qorv::Bundle::main().setResourceDirectories({ m_directory, CELLSHEET_BUILD_RESOURCES });
    }
    void write(const std::string& name, const std::string& contents) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::ofstream(path(name), std::ios::binary) << contents;
        // Drops the bundle's cached Info.plist and tables.
        qorv::Bundle::main().setResourceDirectories({ m_directory, CELLSHEET_BUILD_RESOURCES });
    }

private:
    std::string m_directory;
    std::vector<std::string> m_saved;
};

// Runs the main run loop until the controller has published or failed.
inline bool waitUntilFinished(
    const QorvCSSystemProfilerController& controller, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    return qorv::RunLoop::main().runUntil([&] { return controller.isFinished(); }, timeout);
}
