#include "HistoryTestSupport.h"
#include "QorvCSHistoryReading.h"
#include "QorvCSUPowerHistory.h"
#include "QorvCSUPowerSDBusClient.h"
#include "ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int64_t now = 1'800'000'000;

// Devices and their history as a test gives them.
class FakeUPower : public QorvCSUPowerHistoryClient {
public:
    std::vector<Device> list;
    std::map<std::string, std::vector<Point>> points; // "path kind" → points
    std::vector<Device> devices() override { return list; }
    std::vector<Point> history(const std::string& path, std::string_view kind, uint32_t, uint32_t) override
    {
        return points[path + " " + std::string(kind)];
    }
};

std::string identityOf(const std::string& vendor, const std::string& model, const std::string& serial)
{
    return QorvCSHistoryReading(
        { { "Type", qorv::Value("InternalBattery") }, { "manufacturer", qorv::Value(vendor) },
            { "model_name", qorv::Value(model) }, { "Hardware Serial Number", qorv::Value(serial) } })
        .identity();
}

} // namespace

TEST(UPowerHistory, FillsWhatOurOwnSamplesDoNotCoverOnce)
{
    TemporaryFolder folder;
    QorvCSHistoryStore store(folder.path() + "/h.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
    const std::string identity = identityOf("SMP", "01AV489", "28971");
    // We recorded the last ten minutes ourselves.
    QorvCSHistoryStore::Batch own;
    for (int64_t t = now - 600; t < now; t += 60)
        own.samples.push_back({ identity, { t, 50.0, 8.0, QorvCSHistoryState::Discharging } });
    ASSERT_TRUE(store.write(own));

    FakeUPower upower;
    upower.list = { { "/bat0", 2, true, "SMP", "01AV489", "28971" }, // the battery the kernel knows
        { "/nameless", 2, true, "SMP", "01AV489", "" }, // no serial: cannot be matched for certain
        { "/mouse", 2, false, "Logitech", "M705", "abc" }, // a device's own battery
        { "/ac", 1, true, "", "Mains", "" } };
    for (const char* path : { "/bat0", "/nameless", "/mouse", "/ac" }) {
        auto& charge = upower.points[std::string(path) + " charge"];
        for (int64_t t = now - 3600; t <= now; t += 300)
            charge.push_back({ t, 80.0 - static_cast<double>(now - t) / 300, t < now - 1800 ? 1u : 2u });
        charge.push_back({ now - 8 * 24 * 3600, 90.0, 2 }); // older than a week
        charge.push_back({ now - 100, 150.0, 2 }); // not a percentage
        upower.points[std::string(path) + " rate"] = { { now - 3600 - 200, 25.0, 1 }, { now - 1500, 7.5, 2 } };
    }
    // 13 points over the hour, of which the last three fall among our own samples.
    EXPECT_EQ(QorvCSUPowerHistory::import(upower, store, now), 10u);
    EXPECT_EQ(QorvCSUPowerHistory::import(upower, store, now), 0u) << "a second import adds nothing";

    const auto samples = store.samples(identity, 0, INT64_MAX);
    ASSERT_EQ(samples.size(), 20u);
    EXPECT_EQ(samples[0], (QorvCSHistorySample { now - 3600, 68.0, 25.0, QorvCSHistoryState::Charging }));
    // The nearest rate point is more than five minutes away.
    EXPECT_EQ(samples[1], (QorvCSHistorySample { now - 3300, 69.0, std::nullopt, QorvCSHistoryState::Charging }));
    EXPECT_EQ(samples[7], (QorvCSHistorySample { now - 1500, 75.0, 7.5, QorvCSHistoryState::Discharging }));
    EXPECT_TRUE(store.samples(identityOf("Logitech", "M705", "abc"), 0, INT64_MAX).empty());
}

// The sd-bus client against python-dbusmock's UPower on a private system bus.
TEST(UPowerHistory, ReadsUPowerOverTheSystemBus)
{
    if (::access("/usr/bin/python3", X_OK) != 0 || ::system("/usr/bin/python3 -c 'import dbusmock' 2>&1") != 0)
        GTEST_SKIP() << "python3-dbusmock is not installed";
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t mock = ::fork();
    ASSERT_GE(mock, 0);
    if (mock == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        ::setpgid(0, 0);
        const std::string newest = std::to_string(now);
        ::execl("/usr/bin/python3", "/usr/bin/python3", UPOWER_MOCK, newest.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(mock, mock);
    // The mock, its bus and the template go together, whatever the test's outcome.
    struct Stop {
        pid_t group;
        ~Stop()
        {
            ::kill(-group, SIGTERM);
            ::waitpid(group, nullptr, 0);
        }
    } stop { mock };
    ::close(out[1]);
    std::string address;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        address += c;
    ::close(out[0]);
    ASSERT_FALSE(address.empty()) << "the mock did not start";

    {
        ScopedEnvironment bus("DBUS_SYSTEM_BUS_ADDRESS", address.c_str());
        auto client = QorvCSUPowerSDBusClient::system();
        ASSERT_NE(client, nullptr);
        const auto devices = client->devices();
        ASSERT_EQ(devices.size(), 2u);
        const auto battery = std::find_if(devices.begin(), devices.end(), [](const auto& d) { return d.type == 2; });
        ASSERT_NE(battery, devices.end());
        EXPECT_EQ(battery->path, "/org/freedesktop/UPower/devices/BAT0");
        EXPECT_EQ(battery->vendor + "/" + battery->model + "/" + battery->serial, "SMP/01AV489/28971");
        EXPECT_TRUE(battery->powerSupply);
        EXPECT_TRUE(client->history(battery->path, "nonsense", 600, 10).empty());
        EXPECT_TRUE(client->history("/org/freedesktop/UPower/devices/gone", "charge", 600, 10).empty());

        TemporaryFolder folder;
        QorvCSHistoryStore store(folder.path() + "/h.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
        EXPECT_EQ(QorvCSUPowerHistory::import(*client, store, now), 5u);
        const auto samples = store.samples(identityOf("SMP", "01AV489", "28971"), 0, INT64_MAX);
        ASSERT_EQ(samples.size(), 5u);
        EXPECT_EQ(samples.back(), (QorvCSHistorySample { now, 60.0, 9.5, QorvCSHistoryState::Discharging }));
    }
}

TEST(UPowerHistory, NoBusReadsAsNothing)
{
    ScopedEnvironment bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/cellsheet-test-bus");
    auto client = QorvCSUPowerSDBusClient::system();
    if (client) {
        EXPECT_TRUE(client->devices().empty());
    }
}
