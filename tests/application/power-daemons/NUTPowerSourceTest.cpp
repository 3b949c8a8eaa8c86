#include "NUTServer.h"

#include "QorvCSPowerSourceBridge.h"
#include "linux/QorvCSCombinedPowerSourceService.h"
#include "linux/QorvCSNUTClient.h"
#include "linux/QorvCSNUTPowerSourceProvider.h"
#include "linux/QorvCSUPSDescription.h"

#include "foundation/Log.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using qorv::Value;

namespace {

// The service the application makes, with the given UPS servers read every 50 ms.
std::shared_ptr<QorvCSCombinedPowerSourceService> serviceReading(std::vector<std::string> servers)
{
    auto kernel = std::make_shared<QorvCSLinuxPowerSourceService>(50ms);
    return std::make_shared<QorvCSCombinedPowerSourceService>(kernel,
        std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> {
            std::make_shared<QorvCSNUTPowerSourceProvider>(std::move(servers), 50ms, 1s) });
}

// The UPS among the bridge's sources, or null.
Value upsOf(const QorvCSPowerSourceBridge& bridge)
{
    for (const auto& source : bridge.rawPowerSources())
        if (source.find("UPS Server"))
            return source;
    return {};
}

std::string text(const Value& description, const char* key)
{
    const Value* value = description.find(key);
    return value ? value->description() : "(none)";
}

// Runs the main run loop until the bridge's UPS satisfies done, at most 15 s (the driver polls its file every 2 s).
bool followUntil(const QorvCSPowerSourceBridge& bridge, const std::function<bool(const Value&)>& done)
{
    return qorv::RunLoop::main().runUntil([&] { return done(upsOf(bridge)); }, 15s);
}

} // namespace

TEST(UPSDescriptionTest, StandardVariablesInTheSharedVocabulary)
{
    QorvCSUPSReading reading { "localhost:3493", "myups", "Desk UPS",
        { { "battery.charge", "87.5" }, { "battery.runtime", "1830" }, { "ups.status", "OB DISCHRG LB" },
            { "ups.load", "23" }, { "ups.realpower", "120" }, { "ups.realpower.nominal", "420" },
            { "input.voltage", "0.0" }, { "output.voltage", "230" }, { "battery.voltage", "12.6" },
            { "battery.date", "2021/03/14" }, { "battery.mfr.date", "2020/11/02" }, { "ups.mfr", "APC" },
            { "ups.model", "Back-UPS 700" }, { "device.model", "Back-UPS 700" }, { "ups.serial", "3B12" },
            { "ups.test.result", "Done and passed" }, { "driver.name", "usbhid-ups" },
            { "battery.charge.low", "10" } } };
    const Value::Dictionary expected { { "Power Source ID",
                                           QorvCSPowerSupplyDescription::powerSourceID("nut:myups@localhost:3493") },
        { "Type", "UPS" }, { "Name", "Back-UPS 700" }, { "Transport Type", "Network UPS Tools (usbhid-ups)" },
        { "UPS Server", "myups@localhost:3493" }, { "UPS Description", "Desk UPS" }, { "Is Present", true },
        { "Power Source State", "Battery Power" }, { "UPS Status", "On battery, discharging, low battery" },
        { "Current Capacity", 88 }, { "Is Charging", false }, { "Is Charged", false }, { "Time to Empty", 31 },
        { "UPS Load", 23 }, { "Output Power", "120 W" }, { "Nominal Output Power", "420 W" },
        { "Input Voltage", "0.0 V" }, { "Output Voltage", "230.0 V" }, { "Voltage", 12600 }, { "Manufacturer", "APC" },
        { "Hardware Serial Number", "3B12" }, { "Battery Installed", "2021/03/14" },
        { "Battery Manufactured", "2020/11/02" }, { "Self-Test Result", "Done and passed" },
        { "battery.charge.low", "10" } };
    EXPECT_EQ(Value(QorvCSUPSDescription::describe(reading)), Value(expected));
}

TEST(UPSDescriptionTest, StatesRuntimeAndProblems)
{
    struct Case {
        std::map<std::string, std::string> variables;
        Value::Dictionary expected; // a subset of the description
        std::vector<std::string> absent;
    };
    const std::vector<Case> cases {
        // On line, charged: the runtime is what a power cut would leave, not a time to empty.
        { { { "ups.status", "OL" }, { "battery.charge", "100" }, { "battery.runtime", "600" } },
            { { "Power Source State", "AC Power" }, { "Is Charged", true }, { "Runtime on Battery", 10 },
                { "UPS Status", "On line" } },
            { "Time to Empty", "ups.status", "battery.runtime" } },
        { { { "ups.status", "OL CHRG RB" }, { "battery.charge", "40" } },
            { { "Is Charging", true }, { "Is Charged", false },
                { "UPS Status", "On line, charging, replace battery" } },
            {} },
        { { { "ups.status", "OFF" } }, { { "Power Source State", "Off Line" }, { "Is Present", true } }, {} },
        // A word NUT adds later is kept; no model falls back to the UPS's name.
        { { { "ups.status", "OL ECO" } }, { { "UPS Status", "On line, ECO" }, { "Name", "ups1" } }, {} },
        // Numbers that are not numbers stay raw.
        { { { "battery.charge", "n/a" }, { "ups.load", "" } }, { { "battery.charge", "n/a" }, { "ups.load", "" } },
            { "Current Capacity", "UPS Load" } },
        // The server knows the UPS but has no data for it.
        { { { "nut.error", "Driver not connected" } },
            { { "Is Present", false }, { "Power Source State", "Off Line" },
                { "UPS Problem", "Driver not connected" } },
            { "nut.error", "Is Charging" } },
    };
    for (const auto& c : cases) {
        const auto d = QorvCSUPSDescription::describe({ "h:1", "ups1", "", c.variables });
        for (const auto& [key, value] : c.expected) {
            auto found = d.find(key);
            ASSERT_NE(found, d.end()) << key;
            EXPECT_EQ(found->second, value) << key;
        }
        for (const auto& key : c.absent)
            EXPECT_EQ(d.count(key), 0u) << key;
    }
}

TEST(NUTClientTest, ServerAddresses)
{
    using Address = QorvCSNUTClient::Address;
    const std::vector<std::pair<std::string, std::optional<Address>>> cases { { "localhost",
                                                                                  Address { "localhost", 3493 } },
        { "ups.lan:4000", Address { "ups.lan", 4000 } }, { " 10.0.0.2:3493 ", Address { "10.0.0.2", 3493 } },
        { "[::1]:3500", Address { "::1", 3500 } }, { "[::1]", Address { "::1", 3493 } },
        { "fe80::1", Address { "fe80::1", 3493 } }, { "", std::nullopt }, { ":3493", std::nullopt },
        { "host:", std::nullopt }, { "host:0", std::nullopt }, { "host:65536", std::nullopt },
        { "host:12x", std::nullopt }, { "[::1", std::nullopt }, { "[::1]x", std::nullopt } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(QorvCSNUTClient::parseAddress(text), expected) << text;
}

// The report follows the UPS through a power cut: on line, on battery, low battery.
TEST(NUTPowerSourceTest, ReportFollowsTheServedUPS)
{
    NUTServer server;
    ASSERT_TRUE(server.ready()) << "upsd did not start; see " << server.log();
    QorvCSPowerSourceBridge bridge(serviceReading({ server.address() }));
    ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return text(ups, "UPS Status") == "On line"; }))
        << text(upsOf(bridge), "UPS Status") << " — see " << server.log();
    const Value onLine = upsOf(bridge);
    EXPECT_EQ(text(onLine, "Type"), "UPS");
    EXPECT_EQ(text(onLine, "Name"), "Back-UPS ES 700G");
    EXPECT_EQ(text(onLine, "Power Source State"), "AC Power");
    EXPECT_EQ(text(onLine, "UPS Description"), "Test UPS");
    EXPECT_EQ(text(onLine, "driver.name"), "(none)") << "stated by the transport type";

    server.setReadings("ups.status: OB DISCHRG\nbattery.charge: 64\nbattery.runtime: 1200\n");
    ASSERT_TRUE(
        followUntil(bridge, [](const Value& ups) { return text(ups, "Power Source State") == "Battery Power"; }));
    EXPECT_EQ(text(upsOf(bridge), "Time to Empty"), "20");
    EXPECT_EQ(text(upsOf(bridge), "Current Capacity"), "64");

    server.setReadings("ups.status: OB DISCHRG LB\nbattery.charge: 9\nbattery.runtime: 150\n");
    ASSERT_TRUE(followUntil(
        bridge, [](const Value& ups) { return text(ups, "UPS Status") == "On battery, discharging, low battery"; }));
    EXPECT_EQ(text(upsOf(bridge), "Time to Empty"), "3");
}

// A report written without a window waits for the first reading, and then has it.
TEST(NUTPowerSourceTest, FirstReadingIsAwaitedThenPresent)
{
    NUTServer server;
    ASSERT_TRUE(server.ready()) << "upsd did not start; see " << server.log();
    QorvCSPowerSourceBridge bridge(serviceReading({ server.address(), "127.0.0.1:1" }));
    EXPECT_TRUE(bridge.isAwaitingFirstReading());
    ASSERT_TRUE(qorv::RunLoop::main().runUntil([&] { return !bridge.isAwaitingFirstReading(); }, 10s));
    EXPECT_EQ(text(upsOf(bridge), "UPS Server"), "dummy@" + server.address()) << "awaited no more, yet not read";
}

// Failures are calm and logged once per change: a driver that goes, a server that goes; both come back.
TEST(NUTPowerSourceTest, DriverAndServerFailuresAreFollowedAndLoggedOnce)
{
    qorv::LogCapture log;
    NUTServer server;
    ASSERT_TRUE(server.ready()) << "upsd did not start; see " << server.log();
    QorvCSPowerSourceBridge bridge(serviceReading({ server.address() }));
    ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return text(ups, "Is Present") == "1"; }));

    server.stopDriver();
    ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return text(ups, "Is Present") == "0"; }));
    const std::string problem = text(upsOf(bridge), "UPS Problem");
    EXPECT_TRUE(problem == "Driver not connected" || problem == "Data stale") << problem;
    server.startDriver();
    ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return text(ups, "Is Present") == "1"; }));

    server.stopServer();
    ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return ups.isNull(); }));
    // Several polls later the refusal is still logged once.
    qorv::RunLoop::main().runUntil([] { return false; }, 300ms);
    const std::string subject = "UPS server " + server.address() + ": ";
    size_t refusals = 0;
    for (const auto& line : log.lines())
        refusals += line.find(subject) != std::string::npos && line.find("read again") == std::string::npos;
    EXPECT_EQ(refusals, 1u) << "one line per change of condition";
    EXPECT_TRUE(log.contains("UPS dummy@" + server.address() + ": "));
    EXPECT_TRUE(log.contains("UPS dummy@" + server.address() + ": read again"));
}

// A server that accepts and never answers holds up neither the window nor the other servers, nor stopping.
TEST(NUTPowerSourceTest, SilentServerHoldsUpNothing)
{
    NUTServer server;
    ASSERT_TRUE(server.ready()) << "upsd did not start; see " << server.log();
    const int silentPort = freeLocalPort();
    const TemporaryDirectory directory("cellsheet-silent");
    DaemonProcess silent({ "/usr/bin/python3", "-c",
                             "import socket,sys\n"
                             "s=socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
                             "s.bind(('127.0.0.1',"
                                 + std::to_string(silentPort)
                                 + ")); s.listen()\n"
                                   "open(sys.argv[1],'w').close()\nheld=[]\n"
                                   "while True: held.append(s.accept())\n",
                             directory / "listening" },
        {}, directory / "log");
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(directory / "listening"); }));

    qorv::LogCapture log;
    const std::string silentServer = "127.0.0.1:" + std::to_string(silentPort);
    {
        QorvCSPowerSourceBridge bridge(serviceReading({ silentServer, server.address() }));
        ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return text(ups, "UPS Status") == "On line"; }));
        EXPECT_FALSE(log.contains("UPS server " + silentServer)) << "the other server waited for the silent one";
        // The bridge goes while the silent server's reading is under way; stopping cancels it.
    }
}

// Servers chosen in the window replace the running ones without a restart: the new server's UPS comes, and goes
// again with a choice of none.
TEST(NUTPowerSourceTest, ChosenServersReplaceTheRunningOnes)
{
    NUTServer server;
    ASSERT_TRUE(server.ready()) << "upsd did not start; see " << server.log();
    auto nut = std::make_shared<QorvCSNUTPowerSourceProvider>(std::vector<std::string> { "127.0.0.1:1" }, 50ms, 1s);
    QorvCSNUTPowerSourceProvider::setFollowingChoice(nut);
    QorvCSPowerSourceBridge bridge(
        std::make_shared<QorvCSCombinedPowerSourceService>(std::make_shared<QorvCSLinuxPowerSourceService>(50ms),
            std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> { nut }));
    ASSERT_TRUE(qorv::RunLoop::main().runUntil([&] { return !bridge.isAwaitingFirstReading(); }, 10s));
    EXPECT_TRUE(upsOf(bridge).isNull());

    QorvCSNUTPowerSourceProvider::chooseServers(std::vector<std::string> { server.address() });
    EXPECT_EQ(QorvCSNUTPowerSourceProvider::configuredServers(), std::vector<std::string> { server.address() });
    ASSERT_TRUE(followUntil(bridge, [](const Value& ups) { return text(ups, "UPS Status") == "On line"; }))
        << "see " << server.log();

    QorvCSNUTPowerSourceProvider::chooseServers(std::vector<std::string> {});
    EXPECT_TRUE(followUntil(bridge, [](const Value& ups) { return ups.isNull(); }));

    QorvCSNUTPowerSourceProvider::chooseServers(std::nullopt);
    EXPECT_EQ(QorvCSNUTPowerSourceProvider::configuredServers(), QorvCSNUTPowerSourceProvider::bundleServers());
}
