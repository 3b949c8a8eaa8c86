#pragma once

#include "QorvCSSystemProfilerController.h"
#include "ScopedEnvironment.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

inline const std::string profilerData = PROFILER_TEST_DATA;
inline const std::string fakeProfiler = profilerData + "/fake-profiler.sh";
inline const std::string realFixture = profilerData + "/all-datatypes-mini.xml";

// A fresh resource directory in front of the build's resources (an overlay), made the main bundle's for one test,
// and the inventory tool the test's controllers run, named through $CELLSHEET_PROFILER as the application's own
// Info.plist names it only there.
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

    // The tool is the program at path, run with the arguments Info.plist gives.
    void setToolPath(const std::string& path)
    {
        m_tool.reset();
        m_tool.emplace(QorvCSSystemProfilerControllerExecutableVariable, path.c_str());
    }
    // The tool runs command (a program and its arguments) in place of Info.plist's arguments; empty: no tool.
    void useTool(const std::vector<std::string>& command)
    {
        if (command.empty())
            return setToolPath("/nonexistent/cellsheet-profiler");
        std::string script = "#!/bin/sh\nexec";
        for (const auto& word : command)
            script += " '" + word + "'";
        const std::string wrapper = path("tool-" + std::to_string(++m_tools) + ".sh");
        write(std::filesystem::path(wrapper).filename(), script + "\n");
        std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
        setToolPath(wrapper);
    }
    // An overlay's Info.plist with these entries.
    void setInfo(qorv::Value::Dictionary info) const { write("Info.plist", qorv::PropertyList::toXML(info)); }
    // The application's own Info.plist names command (the key is left out when it is empty), and the bundle
    // has no other resources.
    void setOwnCommand(const std::vector<std::string>& command) const
    {
        qorv::Value::Dictionary info;
        if (!command.empty())
            info.emplace(
                QorvCSSystemProfilerControllerExecutableKey, qorv::Value::Array(command.begin(), command.end()));
        write("own/Info.plist", qorv::PropertyList::toXML(info));
        qorv::Bundle::main().setResourceDirectories({ m_directory, path("own") });
    }
    void write(const std::string& name, const std::string& contents) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::ofstream(path(name), std::ios::binary) << contents;
        // Drops the bundle's cached Info.plist and tables.
        qorv::Bundle::main().setResourceDirectories(qorv::Bundle::main().resourceDirectories());
    }

private:
    std::string m_directory;
    std::vector<std::string> m_saved;
    std::optional<ScopedEnvironment> m_tool;
    int m_tools = 0;
};

// Runs the main run loop until the controller has published or failed.
inline bool waitUntilFinished(
    const QorvCSSystemProfilerController& controller, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    return qorv::RunLoop::main().runUntil([&] { return controller.isFinished(); }, timeout);
}
