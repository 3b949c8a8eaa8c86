#include "DaemonProcess.h"
#include "ScopedEnvironment.h"

#include "linux/QorvCSCombinedPowerSourceService.h"
#include "linux/QorvCSUPowerPowerSourceProvider.h"

#include "foundation/DBusConnection.h"
#include "foundation/Log.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

using namespace std::chrono_literals;
using qorv::Value;

namespace {

// A private system bus (dbus-daemon with a configuration of its own) that DBUS_SYSTEM_BUS_ADDRESS names while the
// test runs, and python3-dbusmock's UPower on it, driven through upower-control.py.
class PrivateSystemBus {
public:
    PrivateSystemBus()
    {
        std::ofstream(m_directory / "bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>system</type><listen>unix:path="
            << m_directory / "bus"
            << "</listen><auth>EXTERNAL</auth>"
               "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/><allow send_type=\"method_call\"/>"
               "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
        m_daemon = std::make_unique<DaemonProcess>(
            std::vector<std::string> {
                "/usr/bin/dbus-daemon", "--config-file=" + m_directory / "bus.conf", "--nofork", "--nopidfile" },
            std::vector<std::string> {}, log());
        EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(m_directory / "bus"); }))
            << "dbus-daemon did not start; see " << log();
        m_address = std::make_unique<ScopedEnvironment>(
            "DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + m_directory / "bus").c_str());
    }
    ~PrivateSystemBus()
    {
        m_upower.reset();
        m_daemon.reset();
        m_address.reset();
    }

    void startUPower()
    {
        m_upower = std::make_unique<DaemonProcess>(
            std::vector<std::string> { "/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "upower" },
            std::vector<std::string> { "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + m_directory / "bus" }, log());
        EXPECT_EQ(control("wait"), 0) << "dbusmock's UPower did not start; see " << log();
    }
    void stopUPower() { m_upower.reset(); }

    // Runs upower-control.py with the arguments; its exit status.
    int control(const std::string& arguments)
    {
        const std::string command
            = std::string("/usr/bin/python3 ") + UPOWER_CONTROL + " " + arguments + " >>" + log() + " 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string log() const { return m_directory / "daemons.log"; }

private:
    TemporaryDirectory m_directory { "cellsheet-bus" };
    std::unique_ptr<DaemonProcess> m_daemon;
    std::unique_ptr<DaemonProcess> m_upower;
    std::unique_ptr<ScopedEnvironment> m_address;
};

// The provider under test, on the main run loop, counting its notices.
struct Follower {
    Follower()
        : provider(std::make_shared<QorvCSUPowerPowerSourceProvider>(2s))
    {
        provider->start(qorv::RunLoop::main(), [this] { ++notices; });
    }
    ~Follower() { provider->stop(); }

    Value::Array sources(const std::set<std::string, std::less<>>& kernel = {}) const
    {
        return provider->powerSources(kernel);
    }
    // Runs the main run loop until the sources satisfy done, at most 10 s.
    bool until(const std::function<bool(const Value::Array&)>& done)
    {
        return qorv::RunLoop::main().runUntil([&] { return done(sources()); }, 10s);
    }

    std::shared_ptr<QorvCSUPowerPowerSourceProvider> provider;
    int notices = 0;
};

// A provider with one fixed source, standing in for the other sources beside UPower.
class FixedProvider : public QorvCSPowerSourceProvider {
public:
    Value::Array powerSources(const std::set<std::string, std::less<>>&) const override
    {
        return { Value(Value::Dictionary { { "Name", "Other" }, { "Type", "UPS" } }) };
    }
    void start(qorv::RunLoop&, std::function<void()>) override { }
    void stop() override { }
    bool isAwaitingFirstReading() const override { return false; }
};

std::string field(const Value::Array& sources, size_t index, const char* key)
{
    if (index >= sources.size())
        return "(no source)";
    const Value* value = sources[index].find(key);
    return value ? value->description() : "(none)";
}

} // namespace

TEST(UPowerDescriptionTest, DevicesInTheSharedVocabulary)
{
    struct Case {
        Value::Dictionary properties;
        Value::Dictionary expected; // a subset; an empty one: no description at all
    };
    const std::vector<Case> cases {
        { { { "Type", 17u }, { "NativePath", "/org/bluez/hci0/dev_00_1B_66_AA_BB_CC" }, { "Model", "Momentum 4" },
              { "Percentage", 70.4 }, { "State", 2u }, { "TimeToEmpty", 7260ll }, { "IconName", "audio-headset" },
              { "IsPresent", true } },
            { { "Type", "Accessory Source" }, { "Name", "Momentum 4" }, { "Transport Type", "Bluetooth" },
                { "Kind", "Headset" }, { "Current Capacity", 70 }, { "Power Source State", "Battery Power" },
                { "Is Charging", false }, { "Time to Empty", 121 }, { "Icon", "audio-headset" } } },
        // Charging, no model: named by its kind; no estimate while UPower has none.
        { { { "Type", 12u }, { "State", 1u }, { "Percentage", 10.0 }, { "TimeToFull", 0ll } },
            { { "Name", "Game Controller" }, { "Power Source State", "AC Power" }, { "Is Charging", true } } },
        { { { "Type", 5u }, { "IsPresent", false }, { "Percentage", 0.0 } },
            { { "Power Source State", "Off Line" }, { "Is Present", false } } },
        { { { "Type", 99u }, { "Model", "Thing" } }, { { "Kind", "Unknown" } } },
        // Line power is the kernel's adapter.
        { { { "Type", 1u }, { "Online", true } }, {} },
    };
    for (const auto& c : cases) {
        const Value d = QorvCSUPowerPowerSourceProvider::describe("/org/freedesktop/UPower/devices/x", c.properties);
        if (c.expected.empty()) {
            EXPECT_TRUE(d.isNull());
            continue;
        }
        for (const auto& [key, value] : c.expected) {
            ASSERT_NE(d.find(key), nullptr) << key;
            EXPECT_EQ(*d.find(key), value) << key;
        }
    }
    const Value noEstimate = QorvCSUPowerPowerSourceProvider::describe("/x", cases[1].properties);
    EXPECT_EQ(noEstimate.find("Time to Full Charge"), nullptr);
    EXPECT_EQ(noEstimate.find("Current Capacity")->asInteger(), 10);
}

// UPower starts after the window, devices come, change and go; one the kernel has is not doubled.
TEST(UPowerPowerSourceTest, DevicesAppearChangeAndVanish)
{
    PrivateSystemBus bus;
    Follower follower;
    qorv::RunLoop::main().runUntil([] { return false; }, 100ms);
    bus.startUPower();
    ASSERT_EQ(bus.control("add headset 17 /org/bluez/hci0/dev_00_1B_66_AA_BB_CC Momentum_4 70 2"), 0);
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return s.size() == 1; })) << "see " << bus.log();
    EXPECT_EQ(field(follower.sources(), 0, "Name"), "Momentum_4");
    EXPECT_EQ(field(follower.sources(), 0, "Current Capacity"), "70");

    ASSERT_EQ(bus.control("set headset Percentage 40"), 0);
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return field(s, 0, "Current Capacity") == "40"; }));

    ASSERT_EQ(bus.control("add battery 2 BAT0 5B10W13930 77 2"), 0);
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return s.size() == 2; }));
    const auto withKernel = follower.sources({ "BAT0", "/sys/devices/LNXSYSTM:00/PNP0C0A:00/power_supply/BAT0" });
    ASSERT_EQ(withKernel.size(), 1u) << "the kernel's battery appears once, from the kernel";
    EXPECT_EQ(field(withKernel, 0, "Name"), "Momentum_4");

    const int before = follower.notices;
    ASSERT_EQ(bus.control("remove headset"), 0);
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return s.size() == 1; }));
    EXPECT_EQ(field(follower.sources(), 0, "Name"), "5B10W13930");
    EXPECT_GT(follower.notices, before);
}

// The devices UPower has when the provider starts are awaited, then all present.
TEST(UPowerPowerSourceTest, FirstReadingIsAwaitedThenPresent)
{
    PrivateSystemBus bus;
    bus.startUPower();
    ASSERT_EQ(bus.control("add mouse 5 /org/bluez/hci0/dev_00_1F_20_AA_BB_CC MX_Anywhere 55 2"), 0);
    ASSERT_EQ(bus.control("add headset 17 /org/bluez/hci0/dev_00_1B_66_AA_BB_CC Momentum_4 70 2"), 0);
    Follower follower;
    EXPECT_TRUE(follower.provider->isAwaitingFirstReading());
    ASSERT_TRUE(qorv::RunLoop::main().runUntil([&] { return !follower.provider->isAwaitingFirstReading(); }, 10s));
    EXPECT_EQ(follower.sources().size(), 2u) << "awaited no more, yet not read";

    bus.stopUPower();
    Follower withoutUPower;
    EXPECT_TRUE(qorv::RunLoop::main().runUntil([&] { return !withoutUPower.provider->isAwaitingFirstReading(); }, 10s))
        << "no UPower is an answer too";
}

// UPower going away empties its list and changes nothing else; coming back is followed.
TEST(UPowerPowerSourceTest, DaemonVanishingAndReturning)
{
    PrivateSystemBus bus;
    bus.startUPower();
    Follower follower;
    auto upower = std::make_shared<QorvCSUPowerPowerSourceProvider>(2s);
    QorvCSCombinedPowerSourceService service(
        std::make_shared<QorvCSLinuxPowerSourceService>(), { std::make_shared<FixedProvider>(), upower });
    int notices = 0;
    auto changeSource = service.createChangeSource([](void* count) { ++*static_cast<int*>(count); }, &notices);
    changeSource->schedule(qorv::RunLoop::main());
    // The machine's own supplies come first; the test looks at what follows them.
    auto names = [&] {
        std::string text;
        for (const auto& source : service.copyDescriptions().powerSources)
            text += source.find("Name")->description() + ";";
        return text;
    };
    ASSERT_EQ(bus.control("add mouse 5 /org/bluez/hci0/dev_00_1F_20_AA_BB_CC MX_Anywhere 55 2"), 0);
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return s.size() == 1; })) << "see " << bus.log();

    ASSERT_TRUE(qorv::RunLoop::main().runUntil([&] { return names().ends_with("Other;MX_Anywhere;"); }, 10s))
        << names();
    const int before = notices;
    bus.stopUPower();
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return s.empty(); }));
    ASSERT_TRUE(qorv::RunLoop::main().runUntil([&] { return names().ends_with("Other;"); }, 10s)) << names();
    EXPECT_GT(notices, before) << "the vanishing is a change like any other";

    bus.startUPower();
    ASSERT_EQ(bus.control("add mouse 5 /org/bluez/hci0/dev_00_1F_20_AA_BB_CC MX_Anywhere 50 2"), 0);
    ASSERT_TRUE(follower.until([](const Value::Array& s) { return field(s, 0, "Current Capacity") == "50"; }));
    changeSource->unschedule(qorv::RunLoop::main());
}

// Without a system bus the provider is silent, reports nothing and leaves the run loop as it was.
TEST(UPowerPowerSourceTest, NoBusIsSilent)
{
    const TemporaryDirectory directory("cellsheet-nobus");
    qorv::LogCapture log;
    {
        ScopedEnvironment nowhere("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + directory / "none").c_str());
        auto& loop = qorv::RunLoop::main();
        const size_t sources = loop.sourceCount(), timers = loop.timerCount();
        Follower follower;
        loop.runUntil([] { return false; }, 200ms);
        EXPECT_TRUE(follower.sources().empty());
        EXPECT_EQ(loop.sourceCount(), sources);
        EXPECT_EQ(loop.timerCount(), timers);
    }
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

// Typed arguments reach the method as their D-Bus types, on a run loop of the caller's own; arguments that do not fit
// their types are refused before anything is sent. The bus daemon's RequestName (s name, u flags) answers 1 to a
// new primary owner.
TEST(DBusConnectionTest, CallsWithTypedArguments)
{
    PrivateSystemBus bus;
    qorv::RunLoop loop;
    auto connection = qorv::DBusConnection::openSystemBus(loop);
    ASSERT_NE(connection, nullptr);
    const std::string name = "org.example.Cellsheet";
    const struct {
        const char* signature;
        std::vector<Value> arguments;
    } refused[] = {
        { "su", { name } }, // an argument short
        { "s", { name, 4 } }, // one too many
        { "su", { name, -1 } }, { "su", { name, 1ull << 32 } }, { "su", { name, "4" } }, { "su", { 7, 4 } },
        { "sb", { name, 1 } }, { "sv", { name, 4 } }, // not a basic type
    };
    for (const auto& call : refused)
        EXPECT_FALSE(connection->callMethod("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", call.signature, call.arguments, 2s,
            [](const auto&) { ADD_FAILURE() << "a refused call ran"; }))
            << call.signature << " " << Value(Value::Array(call.arguments)).description();

    std::optional<qorv::DBusConnection::Reply> reply;
    ASSERT_TRUE(connection->callMethod("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", "su", { name, 4 }, 2s, [&](const auto& r) { reply = r; }));
    ASSERT_TRUE(loop.runUntil([&] { return reply.has_value(); }, 5s));
    ASSERT_TRUE(reply->ok()) << *reply->errorName << ": " << reply->errorMessage;
    ASSERT_EQ(reply->arguments.size(), 1u);
    EXPECT_EQ(reply->arguments[0].asUnsigned(), 1u);
}
