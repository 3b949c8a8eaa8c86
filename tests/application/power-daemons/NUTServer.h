#pragma once

#include "DaemonProcess.h"

#include "linux/QorvCSNUTClient.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// A private upsd with one dummy-ups UPS whose readings come from a file the test rewrites.
class NUTServer {
public:
    // readings: the first data file's lines after the model's ("ups.status: OL").
    explicit NUTServer(const std::string& readings = "ups.status: OL\n")
    {
        std::filesystem::create_directories(m_directory / "state");
        m_port = freeLocalPort();
        write("nut.conf", "MODE=standalone\n");
        write("ups.conf", "[dummy]\n  driver = dummy-ups\n  port = dummy.dev\n  desc = \"Test UPS\"\n");
        write("upsd.conf", "LISTEN 127.0.0.1 " + std::to_string(m_port) + "\n");
        write("upsd.users", "");
        setReadings(readings);
        startDriver();
        startServer();
    }
    ~NUTServer()
    {
        m_server.reset();
        m_driver.reset();
    }

    // The dummy's data file: "name: value" lines. The driver notices a new file within its poll (2 s).
    void setReadings(const std::string& lines)
    {
        write("dummy.dev.new", "ups.mfr: American Power Conversion\nups.model: Back-UPS ES 700G\n" + lines);
        std::filesystem::rename(m_directory / "dummy.dev.new", m_directory / "dummy.dev");
    }
    void stopDriver() { m_driver.reset(); }
    void startDriver()
    {
        m_driver = std::make_unique<DaemonProcess>(
            std::vector<std::string> { "/lib/nut/dummy-ups", "-a", "dummy", "-F", "-u", "root" }, environment(), log());
    }
    void stopServer() { m_server.reset(); }
    // Starts upsd and waits until it serves the UPS's readings.
    void startServer()
    {
        m_server = std::make_unique<DaemonProcess>(
            std::vector<std::string> { "/lib/nut/upsd", "-F", "-u", "root" }, environment(), log());
        QorvCSNUTClient client;
        const auto served = *QorvCSNUTClient::parseAddress(address());
        m_ready = waitUntil([&] {
            auto result = client.read(served, "");
            return result.upses.size() == 1 && !result.upses[0].variables.count("nut.error");
        });
    }
    // Whether upsd served the UPS's readings when last started.
    bool ready() const { return m_ready; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string log() const { return m_directory / "daemons.log"; }

private:
    std::vector<std::string> environment() const
    {
        return { "NUT_CONFPATH=" + m_directory.path(), "NUT_STATEPATH=" + m_directory / "state" };
    }
    void write(const std::string& name, const std::string& contents)
    {
        std::ofstream(m_directory / name) << contents;
        std::filesystem::permissions(
            m_directory / name, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }

    TemporaryDirectory m_directory { "cellsheet-nut" };
    int m_port = 0;
    bool m_ready = false;
    std::unique_ptr<DaemonProcess> m_driver;
    std::unique_ptr<DaemonProcess> m_server;
};
