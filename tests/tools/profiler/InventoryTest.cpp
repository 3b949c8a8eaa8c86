#include "InventoryShape.h"

#include "Collector.h"
#include "Inventory.h"
#include "SystemRoot.h"
#include "foundation/Assert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace cellsheet::profiler;
using namespace cellsheet::profiler::testing;
using namespace std::chrono_literals;

namespace {

const Schema testSchema { { "step" }, { "secret", DetailLevel::Basic } };

// Adds one item, then waits until released: a collector stuck in a read that never returns.
class StuckCollector final : public Collector {
public:
    std::string_view dataType() const override { return "SPStuckDataType"; }
    const Schema& schema() const override { return testSchema; }
    void collect(const CollectorContext& context, ItemSink& sink) const override
    {
        sink.add(Item(testSchema, context.level, "before").set("step", 1));
        std::unique_lock lock(m_mutex);
        m_condition.wait(lock, [&] { return m_released; });
        sink.add(Item(testSchema, context.level, "after").set("step", 2));
        m_finished = true;
    }
    void release() const
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_condition.notify_all();
    }
    mutable std::atomic<bool> m_finished { false };

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_condition;
    mutable bool m_released = false;
};

class FailingCollector final : public Collector {
public:
    std::string_view dataType() const override { return "SPFailingDataType"; }
    const Schema& schema() const override { return testSchema; }
    void collect(const CollectorContext& context, ItemSink& sink) const override
    {
        sink.add(Item(testSchema, context.level, "kept").set("step", 1).set("secret", "s3cret"));
        Item(testSchema, context.level, "never").set("no_such_key", 1); // raises an assertion
    }
};

// Lists `count` devices, some with the same name.
class ManyDevicesCollector final : public Collector {
public:
    explicit ManyDevicesCollector(size_t count)
        : m_count(count)
    { }
    std::string_view dataType() const override { return "SPGadgetDataType"; }
    const Schema& schema() const override { return testSchema; }
    void collect(const CollectorContext& context, ItemSink& sink) const override
    {
        for (size_t i = 0; i < m_count; ++i)
            sink.add(Item(testSchema, context.level, i < 2 ? "_twin" : "gadget " + std::to_string(i))
                         .set("step", static_cast<int64_t>(i)));
    }
    bool listsDevices() const override { return true; }
    std::string summary(const qorv::Value& item) const override { return "step " + item.find("step")->description(); }

private:
    size_t m_count;
};

std::shared_ptr<SystemRoot> fakeRoot(const char* machine)
{
    return std::make_shared<SystemRoot>(std::string(PROFILER_TEST_DATA) + "/" + machine);
}

} // namespace

TEST(ProfilerInventory, AStuckCollectorCostsOnlyItsOwnRest)
{
    auto stuck = std::make_shared<StuckCollector>();
    Inventory inventory(fakeRoot("vm"), DetailLevel::Full, 1500ms);
    const auto start = std::chrono::steady_clock::now();
    const qorv::Value result = inventory.run(
        { Inventory::collectorFor("SPHardwareDataType"), stuck, Inventory::collectorFor("SPSoftwareDataType") });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    stuck->release();

    EXPECT_LT(elapsed, 10s); // bounded by the budget, not by the collector
    EXPECT_TRUE(inventory.leftWorkBehind());
    EXPECT_EQ(shapeProblems(result), std::vector<std::string> {});
    ASSERT_EQ(result.asArray()->size(), 3u);
    const auto* stuckType = dataType(result, "SPStuckDataType");
    ASSERT_TRUE(stuckType);
    EXPECT_EQ(stuckType->find("_items")->asArray()->size(), 1u); // what it finished in time
    EXPECT_TRUE(stuckType->find("_timedOut"));
    EXPECT_EQ(property(firstItem(result, "SPSoftwareDataType"), "os_version"), "Fedora Linux 39 (Server Edition)");
    EXPECT_FALSE(dataType(result, "SPSoftwareDataType")->find("_timedOut"));

    // The left-behind thread still ends cleanly once its read returns.
    for (int i = 0; i < 500 && !stuck->m_finished; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(stuck->m_finished);
    std::this_thread::sleep_for(20ms); // let the thread drop its references
}

TEST(ProfilerInventory, AFailingCollectorKeepsWhatItFinished)
{
    Inventory inventory(fakeRoot("vm"), DetailLevel::Mini);
    const qorv::Value result = inventory.run({ std::make_shared<FailingCollector>() });
    EXPECT_FALSE(inventory.leftWorkBehind());
    const auto* item = firstItem(result, "SPFailingDataType");
    ASSERT_TRUE(item);
    EXPECT_EQ(property(item, "_name"), "kept");
    EXPECT_EQ(property(item, "secret"), ""); // basic detail, not in mini
    EXPECT_EQ(result.asArray()->size(), 1u);
}

TEST(ProfilerInventory, ItemsRefuseKeysOutsideTheSchemaAndEmptyValues)
{
    Item item(testSchema, DetailLevel::Full, " name\twith  spaces ");
    EXPECT_THROW(item.set("no_such_key", 1), qorv::AssertionFailure);
    item.set("step", "").set("secret", std::optional<std::string>());
    EXPECT_TRUE(item.isEmpty());
    item.set("step", "bad\x01text\xff");
    const qorv::Value value = item.value();
    EXPECT_EQ(property(&value, "step"), "bad text\xEF\xBF\xBD");
    EXPECT_EQ(property(&value, "_name"), "name with spaces");
}

TEST(ProfilerInventory, FifosAndUnreadableFilesNeverHang)
{
    // A copy of the broken machine with files that block or refuse to open.
    namespace fs = std::filesystem;
    const fs::path copy = fs::temp_directory_path() / ("profiler-broken-" + std::to_string(getpid()));
    fs::remove_all(copy);
    fs::copy(std::string(PROFILER_TEST_DATA) + "/broken", copy,
        fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    for (const char* fifo : { "/proc/meminfo", "/etc/os-release", "/sys/class/dmi/id/bios_vendor", "/proc/mounts" }) {
        fs::remove(copy.string() + fifo);
        fs::create_directories(fs::path(copy.string() + fifo).parent_path());
        ASSERT_EQ(mkfifo((copy.string() + fifo).c_str(), 0600), 0) << fifo;
    }
    fs::create_directories(copy / "etc");
    std::ofstream(copy / "etc" / "machine-info") << "PRETTY_HOSTNAME=secret\n";
    chmod((copy / "etc" / "machine-info").c_str(), 0); // unreadable unless the tests run as root

    Inventory inventory(std::make_shared<SystemRoot>(copy.string()), DetailLevel::Full, 10s);
    const auto start = std::chrono::steady_clock::now();
    const qorv::Value result = inventory.run();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_FALSE(inventory.leftWorkBehind()); // nothing even came near the budget
    EXPECT_EQ(shapeProblems(result), std::vector<std::string> {});
    EXPECT_EQ(property(firstItem(result, "SPSoftwareDataType"), "os_version"), "");
    EXPECT_FALSE(dataType(result, "SPMemoryDataType"));
    fs::remove_all(copy);
}

TEST(ProfilerSystemRoot, ReadsOnlyRegularFilesWithinTheTree)
{
    const SystemRoot root(std::string(PROFILER_TEST_DATA) + "/laptop");
    EXPECT_EQ(root.readLine("/sys/class/dmi/id/sys_vendor"), "LENOVO");
    EXPECT_FALSE(root.read("/sys/class/dmi")); // a directory
    EXPECT_FALSE(root.read("/no/such/file"));
    EXPECT_EQ(root.read("/proc/uptime", 6), "273845"); // the size limit holds
    EXPECT_EQ(root.linkName("/sys/class/net/wlp0s20f3/device/driver"), "iwlwifi");
    EXPECT_EQ(root.canonical("/sys/class/net/wlp0s20f3/device"), "/sys/devices/pci0000:00/0000:00:14.3");
    EXPECT_EQ(root.fileSystemSpace("/media/ada/USB STICK")->freeBytes, 31000000000u);
    EXPECT_FALSE(root.fileSystemSpace("/media"));
    EXPECT_EQ(root.userID(), 1000u);
    const auto names = root.list("/sys/class/net");
    EXPECT_EQ(names, (std::vector<std::string> { "docker0", "enp0s31f6", "enx0c3796aabbcc", "lo", "wlp0s20f3" }));
}

TEST(ProfilerInventory, DevicesGoUnderAnOverviewWithALinePerDevice)
{
    Inventory inventory(fakeRoot("vm"), DetailLevel::Full);
    const qorv::Value result = inventory.run({ std::make_shared<ManyDevicesCollector>(950) });
    EXPECT_EQ(shapeProblems(result), std::vector<std::string> {});
    const auto* overview = firstItem(result, "SPGadgetDataType");
    ASSERT_TRUE(overview);
    EXPECT_EQ(property(overview, "_name"), "gadget_overview");
    EXPECT_EQ(overview->find("_items")->asArray()->size(), 950u); // every device, in full
    // Names made unique and visible; lines stop where three-digit orders run out.
    EXPECT_EQ(property(overview, "twin"), "step 0");
    EXPECT_EQ(property(overview, "twin (2)"), "step 1");
    EXPECT_EQ(property(overview, "gadget 899"), "step 899");
    EXPECT_EQ(property(overview, "gadget 900"), "");
    const auto* properties = dataType(result, "SPGadgetDataType")->find("_properties");
    EXPECT_EQ(properties->find("twin")->find("_order")->description(), "100");
    EXPECT_EQ(properties->find("gadget 899")->find("_order")->description(), "999");
    EXPECT_TRUE(properties->find("step")); // the devices' own property
}
