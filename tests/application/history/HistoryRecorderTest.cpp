#include "HistoryTestSupport.h"
#include "QorvCSHistory.h"
#include "QorvCSHistoryReading.h"
#include "QorvCSHistoryRecorder.h"

#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using qorv::Value;

Value::Dictionary battery(std::string_view kernelName, std::string_view serial)
{
    Value::Dictionary d;
    d["Type"] = "InternalBattery";
    d["Name"] = "InternalBattery-0";
    d["Power Source ID"] = static_cast<int64_t>(std::hash<std::string_view>()(kernelName) & 0xffffff);
    d["model_name"] = "5B10W13930";
    d["manufacturer"] = "SMP";
    if (!serial.empty())
        d["Hardware Serial Number"] = std::string(serial);
    d["Current Capacity"] = int64_t(57);
    d["Power Source State"] = "Battery Power";
    d["Is Charging"] = false;
    d["Is Charged"] = false;
    d["Voltage"] = int64_t(11500);
    d["Current"] = int64_t(-800);
    d["Nominal Capacity"] = int64_t(4100);
    d["DesignCapacity"] = int64_t(5000);
    d["Cycle Count"] = int64_t(62);
    return d;
}

} // namespace

TEST(HistoryReading, KeepsABatterysIdentityAcrossRenamesAndTellsBatteriesApart)
{
    // The kernel may call the same battery BAT1 after a reboot; its sysfs path (and "Power Source ID") changes.
    EXPECT_EQ(QorvCSHistoryReading(battery("BAT0", "4711")).identity(),
        QorvCSHistoryReading(battery("BAT1", "4711")).identity());
    EXPECT_NE(QorvCSHistoryReading(battery("BAT0", "4711")).identity(),
        QorvCSHistoryReading(battery("BAT0", "4712")).identity());
    // Without a serial (or with one every battery shares) the model and the bridge's name stand in.
    auto first = battery("BAT0", ""), second = battery("BAT1", "0000");
    second["Name"] = "InternalBattery-1";
    EXPECT_EQ(QorvCSHistoryReading(first).identity(), QorvCSHistoryReading(battery("BAT1", " ")).identity());
    EXPECT_NE(QorvCSHistoryReading(first).identity(), QorvCSHistoryReading(second).identity());
    EXPECT_EQ(QorvCSHistoryReading(Value::Dictionary {}).identity(), "");
}

TEST(HistoryReading, ReadsChargeRateStateAndCapacity)
{
    struct Case {
        const char* name;
        std::function<void(Value::Dictionary&)> change;
        std::optional<double> watts;
        QorvCSHistoryState state;
    } cases[] = {
        { "discharging, rate from volts and amps", [](Value::Dictionary&) {}, 9.2, QorvCSHistoryState::Discharging },
        { "charging, rate from power_now",
            [](Value::Dictionary& d) {
                d["Is Charging"] = true;
                d["Power Source State"] = "AC Power";
                d["power_now"] = "23456000";
            },
            23.456, QorvCSHistoryState::Charging },
        { "full",
            [](Value::Dictionary& d) {
                d["Is Charged"] = true;
                d["Power Source State"] = "AC Power";
                d.erase("Current");
            },
            0.0, QorvCSHistoryState::Charged },
        { "held by a charge limit",
            [](Value::Dictionary& d) {
                d["Power Source State"] = "AC Power";
                d["Current"] = int64_t(0);
            },
            0.0, QorvCSHistoryState::Idle },
        { "no rate", [](Value::Dictionary& d) { d.erase("Voltage"); }, std::nullopt, QorvCSHistoryState::Discharging },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = battery("BAT0", "4711");
        c.change(d);
        auto sample = QorvCSHistoryReading(d).sample(1234);
        ASSERT_TRUE(sample.has_value());
        EXPECT_EQ(sample->time, 1234);
        EXPECT_EQ(sample->percent, 57.0);
        ASSERT_EQ(sample->watts.has_value(), c.watts.has_value());
        if (c.watts) {
            EXPECT_NEAR(*sample->watts, *c.watts, 1e-9);
        }
        EXPECT_EQ(sample->state, c.state);
    }
    EXPECT_EQ(
        QorvCSHistoryReading(battery("BAT0", "1")).capacity(5), (QorvCSHistoryCapacity { 5, 4100.0, 5000.0, 62 }));
    Value::Dictionary adapter { { "Name", Value("Mains") }, { "Watts", Value(int64_t(65)) } };
    EXPECT_FALSE(QorvCSHistoryReading(adapter).sample(1).has_value());
    EXPECT_FALSE(QorvCSHistoryReading(adapter).capacity(1).has_value());
}

TEST(HistoryRecorder, SamplesTheLatestDescriptionsAndWritesCapacityOnceADay)
{
    TemporaryFolder folder;
    auto store = std::make_shared<QorvCSHistoryStore>(folder.path() + "/h.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
    std::atomic<int64_t> clock { 1'800'000'000 };
    const std::string identity = QorvCSHistoryReading(battery("BAT0", "4711")).identity();
    {
        // The recorder's own interval is far beyond the test: every sample here is taken by hand.
        QorvCSHistoryRecorder recorder(
            store, { std::chrono::hours(1), std::chrono::hours(1), 1000, {} }, [&] { return clock.load(); });
        recorder.update({ Value(battery("BAT0", "4711")), Value(Value::Dictionary { { "Name", Value("AC") } }) });
        for (int minute = 0; minute < 3; ++minute, clock += 60)
            recorder.sampleNow();
        // Nothing reaches the file before the batch is written.
        EXPECT_TRUE(store->samples(identity, 0, INT64_MAX).empty());
        recorder.flush();
        EXPECT_EQ(store->samples(identity, 0, INT64_MAX).size(), 3u);
        EXPECT_EQ(store->capacities(identity).size(), 1u);

        clock += 24 * 3600;
        recorder.update({ Value(battery("BAT1", "4711")) });
        recorder.sampleNow();
    }
    // The destructor wrote the last batch: a new day's capacity, under the same identity after the rename.
    EXPECT_EQ(store->samples(identity, 0, INT64_MAX).size(), 4u);
    EXPECT_EQ(store->capacities(identity).size(), 2u);
}

TEST(HistoryRecorder, SamplesOnItsOwnThread)
{
    TemporaryFolder folder;
    auto store = std::make_shared<QorvCSHistoryStore>(folder.path() + "/h.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
    const std::string identity = QorvCSHistoryReading(battery("BAT0", "4711")).identity();
    QorvCSHistoryRecorder recorder(store, { std::chrono::milliseconds(5), std::chrono::milliseconds(20), 1000, {} });
    recorder.update({ Value(battery("BAT0", "4711")) });
    // Waits for the thread's work, however slow the machine; the test's own time-out ends it otherwise.
    auto samples = store->samples(identity, 0, INT64_MAX);
    for (; samples.empty(); samples = store->samples(identity, 0, INT64_MAX))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(samples.front().percent, 57.0);
}

TEST(History, OneProcessRecordsAtATime)
{
    TemporaryFolder folder;
    const std::string path = folder.path() + "/history.sqlite";
    auto first = QorvCSHistory::forRecording(path);
    EXPECT_NE(first->recorder(), nullptr);
    {
        qorv::LogCapture log;
        auto second = QorvCSHistory::forRecording(path);
        EXPECT_EQ(second->recorder(), nullptr);
        EXPECT_TRUE(second->store()->isOpen()) << "the second still reads";
        EXPECT_TRUE(log.contains("only reads it"));
    }
    first.reset();
    EXPECT_NE(QorvCSHistory::forRecording(path)->recorder(), nullptr) << "the lock goes with the first";
}
