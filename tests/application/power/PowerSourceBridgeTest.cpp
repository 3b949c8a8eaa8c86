#include "PowerTestSupport.h"

#include "QorvCSPowerSourceBridge.h"
#include "linux/QorvCSLinuxPowerSourceService.h"

#include <thread>

#include "foundation/Format.h"
#include "foundation/Log.h"

using namespace power_test;
using qorv::Value;

namespace {

class PowerSourceBridgeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FakePowerSupplies::available()) << "umockdev's preload library is not loaded"; }

    TestResources resources;
    FakePowerSupplies fake;
};

Value::Array twoDiagnosticSources()
{
    return { Value(Value::Dictionary { { "Name", "First" }, { "Power Source ID", 1 } }),
        Value(Value::Dictionary { { "Name", "Second" }, { "Power Source ID", 2 } }) };
}

std::string nameOf(const Value& description)
{
    return description.find("Name")->description();
}

} // namespace

TEST_F(PowerSourceBridgeTest, DiagnosticFilesOverrideLiveReadingsEachOnItsOwn)
{
    fake.addSupply("BAT0", laptopBattery());
    QorvCSPowerSourceBridge bridge;

    resources.writePlist("QorvCSPowerSourceBridgePowerSources.plist", Value(twoDiagnosticSources()));
    EXPECT_EQ(bridge.rawPowerSources(), twoDiagnosticSources());
    EXPECT_TRUE(bridge.rawPowerAdapter().isNull()) << "the sources file does not replace the adapter";

    const Value adapter(Value::Dictionary { { "FamilyCode", "Mains" }, { "Watts", 90 } });
    resources.writePlist("QorvCSPowerSourceBridgePowerAdapter.plist", adapter);
    EXPECT_EQ(bridge.rawPowerAdapter(), adapter) << "read although no adapter is connected";
    EXPECT_EQ(
        bridge.debugPathFor("PowerAdapter"), resources.directory() + "/QorvCSPowerSourceBridgePowerAdapter.plist");
}

TEST_F(PowerSourceBridgeTest, AttributeTextIsCleanedWhereItIsRead)
{
    // A driver's strings reach the terminal through `--html -`: no escape sequences, no invalid UTF-8.
    auto attributes = laptopBattery();
    attributes.back().second = std::string("\x1b[2J\xff") + "1234";
    fake.addSupply("BAT0", attributes);
    QorvCSPowerSourceBridge bridge;
    const Value sources = bridge.rawPowerSources();
    ASSERT_NE(sources.at(0), nullptr);
    EXPECT_EQ(sources.at(0)->find("Hardware Serial Number")->stringOr(""), "\uFFFD[2J\uFFFD1234");
}

TEST_F(PowerSourceBridgeTest, DiagnosticFileWithWrongRootOrBrokenIsIgnored)
{
    fake.addSupply("BAT0", laptopBattery());
    fake.addSupply("AC", mainsAdapter());
    QorvCSPowerSourceBridge bridge;

    resources.writePlist("QorvCSPowerSourceBridgePowerSources.plist", Value(Value::Dictionary { { "Name", "X" } }));
    resources.writePlist("QorvCSPowerSourceBridgePowerAdapter.plist", Value(twoDiagnosticSources()));
    ASSERT_EQ(bridge.rawPowerSources().size(), 1u);
    EXPECT_EQ(nameOf(bridge.rawPowerSources()[0]), "InternalBattery-0");
    EXPECT_EQ(*bridge.rawPowerAdapter().find("FamilyCode"), Value("Mains"));

    resources.writeFile("QorvCSPowerSourceBridgePowerSources.plist", "<plist><array><dict>");
    EXPECT_EQ(bridge.rawPowerSources().size(), 1u);
    EXPECT_FALSE(bridge.debugPowerSources().has_value());
}

TEST_F(PowerSourceBridgeTest, CallbackPostsOnceAndLogsTheBridge)
{
    QorvCSPowerSourceBridge bridge;
    NotificationCounter notices(QorvCSPowerSourceBridgeNotificationSourcesDidChange);
    qorv::LogCapture log;

    QorvCSPowerSourceBridgeCallback(nullptr);
    EXPECT_EQ(notices.count(), 0u);
    EXPECT_TRUE(log.lines().empty());

    QorvCSPowerSourceBridgeCallback(&bridge);
    ASSERT_EQ(notices.count(), 1u);
    EXPECT_EQ(notices.objects()[0], &bridge);
    EXPECT_EQ(
        log.lines(), std::vector<std::string> { qorv::format("notified: %p", static_cast<const void*>(&bridge)) });
}

TEST_F(PowerSourceBridgeTest, PolledCapacityChangeNotifiesExactlyOnce)
{
    const std::string battery = fake.addSupply("BAT0", laptopBattery());
    QorvCSPowerSourceBridge bridge;
    NotificationCounter notices(QorvCSPowerSourceBridgeNotificationSourcesDidChange);

    runMainLoopFor(200ms);
    EXPECT_EQ(notices.count(), 0u) << "unchanged readings are not announced";

    // The kernel sends no uevent for a change of charge.
    fake.setAttribute(battery, "capacity", "76");
    ASSERT_TRUE(runMainLoopUntil([&] { return notices.count() > 0; }));
    runMainLoopFor(300ms);
    EXPECT_EQ(notices.count(), 1u);
    EXPECT_EQ(notices.objects()[0], &bridge);
    EXPECT_EQ(*bridge.rawPowerSources()[0].find("Current Capacity"), Value(76));
}

TEST_F(PowerSourceBridgeTest, UdevEventNotifiesOnceWithoutWaitingForThePoll)
{
    TestResources slowPoll(3600);
    const std::string adapter = fake.addSupply("AC", mainsAdapter());
    QorvCSPowerSourceBridge bridge;
    NotificationCounter notices(QorvCSPowerSourceBridgeNotificationSourcesDidChange);

    fake.setAttribute(adapter, "online", "0");
    fake.uevent(adapter, "change");
    ASSERT_TRUE(runMainLoopUntil([&] { return notices.count() > 0; }));
    runMainLoopFor(100ms);
    EXPECT_EQ(notices.count(), 1u);
    EXPECT_TRUE(bridge.rawPowerAdapter().isNull());

    fake.addSupply("BAT0", laptopBattery());
    fake.uevent(fake.addSupply("BAT1", laptopBattery()), "add");
    ASSERT_TRUE(runMainLoopUntil([&] { return notices.count() > 1; }));
    EXPECT_EQ(bridge.rawPowerSources().size(), 2u);
}

// A slow embedded controller must not freeze the window, and each change is read once, not once to notice it and
// again for each description.
TEST_F(PowerSourceBridgeTest, EachChangeIsReadOnceAwayFromTheMainThread)
{
    const std::string battery = fake.addSupply("BAT0", laptopBattery());
    fake.addSupply("AC", mainsAdapter());
    auto service = std::make_shared<QorvCSLinuxPowerSourceService>();
    QorvCSPowerSourceBridge bridge(service);
    NotificationCounter notices(QorvCSPowerSourceBridgeNotificationSourcesDidChange);
    const unsigned long before = service->readCount();

    fake.setAttribute(battery, "capacity", "76");
    std::this_thread::sleep_for(300ms); // the main run loop does not run
    const unsigned long read = service->readCount();
    EXPECT_GT(read, before) << "the poll read without the main thread";
    ASSERT_TRUE(runMainLoopUntil([&] { return notices.count() > 0; }));
    const unsigned long noticed = service->readCount();
    const auto descriptions = bridge.rawDescriptions();
    EXPECT_EQ(service->readCount(), noticed) << "the reading that showed the change serves both descriptions";
    ASSERT_EQ(descriptions.powerSources.size(), 1u);
    EXPECT_EQ(*descriptions.powerSources[0].find("Current Capacity"), Value(76));
    EXPECT_FALSE(descriptions.powerAdapter.isNull());
    bridge.rawDescriptions();
    EXPECT_EQ(service->readCount(), noticed + 1) << "without a fresh reading, the system is read";
}

TEST_F(PowerSourceBridgeTest, TeardownUnschedulesBeforeAnythingElse)
{
    const std::string battery = fake.addSupply("BAT0", laptopBattery());
    auto& loop = qorv::RunLoop::main();
    const size_t sources = loop.sourceCount(), timers = loop.timerCount();
    NotificationCounter notices(QorvCSPowerSourceBridgeNotificationSourcesDidChange);
    {
        QorvCSPowerSourceBridge bridge;
        ASSERT_TRUE(bridge.powerSourceLoop());
        EXPECT_TRUE(bridge.powerSourceLoop()->isScheduled());
        EXPECT_EQ(loop.sourceCount(), sources + 1) << "the udev monitor's socket";
        EXPECT_EQ(loop.timerCount(), timers) << "the poll runs on a thread of its own";
    }
    EXPECT_EQ(loop.sourceCount(), sources);
    EXPECT_EQ(loop.timerCount(), timers);

    fake.setAttribute(battery, "capacity", "12");
    fake.uevent(battery, "change");
    runMainLoopFor(200ms);
    EXPECT_EQ(notices.count(), 0u);
}

namespace {

// Stands in for a platform's change source to count how the bridge schedules it.
class CountingChangeSource : public QorvCSPowerSourceChangeSource {
public:
    void schedule(qorv::RunLoop&) override { ++schedules, scheduled = true; }
    void unschedule(qorv::RunLoop&) override { ++unschedules, scheduled = false; }
    bool isScheduled() const override { return scheduled; }
    int schedules = 0, unschedules = 0;
    bool scheduled = false;
};

} // namespace

TEST_F(PowerSourceBridgeTest, SettingTheHeldSourceAgainChangesNothing)
{
    QorvCSPowerSourceBridge bridge;
    auto first = std::make_shared<CountingChangeSource>();
    auto second = std::make_shared<CountingChangeSource>();
    bridge.setPowerSourceLoop(first);
    bridge.setPowerSourceLoop(first);
    EXPECT_EQ(first->schedules, 1);
    EXPECT_EQ(first->unschedules, 0);

    bridge.setPowerSourceLoop(second);
    EXPECT_EQ(first->unschedules, 1);
    EXPECT_TRUE(second->scheduled);
    bridge.setPowerSourceLoop(nullptr);
    EXPECT_FALSE(second->scheduled);
    EXPECT_EQ(bridge.powerSourceLoop(), nullptr);
}
