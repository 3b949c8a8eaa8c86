// How fast a change of the power supplies reaches a finished report, and what watching them costs while
// nothing changes. Run: build/<dir>/bench/power/power_bench (it restarts itself under umockdev's preload).
#include "FakePowerSupplies.h"

#include "QorvCSContentController.h"
#include "QorvCSContentPowerAdapterGroup.h"
#include "QorvCSContentPowerSourceGroup.h"
#include "QorvCSHTMLReport.h"
#include "linux/QorvCSLinuxPowerSourceService.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A laptop as the kernel shows it: two batteries, a mains adapter and a USB-C port.
struct Laptop {
    FakePowerSupplies fake;
    std::string battery = fake.addSupply("BAT0",
        { { "type", "Battery" }, { "status", "Discharging" }, { "present", "1" }, { "technology", "Li-ion" },
            { "cycle_count", "153" }, { "voltage_min_design", "11400000" }, { "voltage_now", "11820000" },
            { "power_now", "9450000" }, { "energy_full_design", "57000000" }, { "energy_full", "51300000" },
            { "energy_now", "39672000" }, { "capacity", "77" }, { "capacity_level", "Normal" },
            { "model_name", "5B10W13930" }, { "manufacturer", "SMP" }, { "serial_number", "1234" },
            { "charge_control_start_threshold", "75" }, { "charge_control_end_threshold", "80" }, { "alarm", "0" } });
    std::string second = fake.addSupply("BAT1",
        { { "type", "Battery" }, { "status", "Unknown" }, { "present", "1" }, { "energy_full_design", "23200000" },
            { "energy_full", "22050000" }, { "energy_now", "9480000" }, { "capacity", "43" },
            { "voltage_min_design", "11400000" }, { "voltage_now", "12180000" }, { "power_now", "0" } });
    std::string mains = fake.addSupply("AC", { { "type", "Mains" }, { "online", "0" } });
    std::string usb = fake.addSupply("ucsi-source-psy-USBC000:001",
        { { "type", "USB" }, { "usb_type", "C [PD] PD_PPS" }, { "online", "0" }, { "voltage_max", "20000000" },
            { "current_max", "3250000" }, { "voltage_now", "5000000" }, { "current_now", "0" } });
};

// Resources: the build's, with the poll interval given in a private Info.plist.
class Resources {
public:
    explicit Resources(double pollSeconds)
    {
        char pattern[] = "/tmp/cellsheet-power-bench-XXXXXX";
        m_directory = mkdtemp(pattern);
        qorv::PropertyList::writeXMLFile(m_directory + "/Info.plist",
            qorv::Value(qorv::Value::Dictionary { { "QorvCSPowerSourceBridgePollInterval", pollSeconds } }));
        qorv::Bundle::main().setResourceDirectories({ m_directory, CELLSHEET_BUILD_RESOURCES });
    }
    ~Resources() { std::filesystem::remove_all(m_directory); }

private:
    std::string m_directory;
};

// The two power groups under a content controller, rendered to HTML on every change as the window does.
class Report {
public:
    Report()
    {
        auto controller = std::make_shared<QorvCSPowerSourceController>();
        auto root = QorvCSContent::rootContent();
        root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children {
            QorvCSContentPowerSourceGroup::powerSourceGroupWithPowerSourceController(controller),
            QorvCSContentPowerAdapterGroup::powerAdapterGroupWithPowerSourceController(controller) }));
        m_contentController.setRoot(root);
        qorv::NotificationCenter::defaultCenter().addObserver(
            this, [this](const qorv::Notification&) { render(); },
            std::string(QorvCSContentControllerNotificationDidUpdate));
    }
    ~Report() { qorv::NotificationCenter::defaultCenter().removeObserver(this); }

    int renders() const { return m_renders; }
    const std::string& html() const { return m_html; }

    // Runs the main run loop until the report has been rendered for both groups after a change.
    bool waitForRerender(std::chrono::milliseconds limit)
    {
        const int target = m_renders + 2;
        return qorv::RunLoop::main().runUntil([&] { return m_renders >= target; }, limit);
    }

private:
    void render()
    {
        auto report = QorvCSHTMLReport::reportForExport(false);
        report->addItemsFromArray(m_contentController.itemsForReport(*report));
        m_html = report->asHTML();
        ++m_renders;
    }

    QorvCSContentController m_contentController;
    std::string m_html;
    int m_renders = 0;
};

double processCPUSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// From writing an attribute and sending udev's "change" event to the finished HTML.
void BM_UdevEventToRerender(benchmark::State& state)
{
    Resources resources(3600);
    Laptop laptop;
    Report report;
    bool online = false;
    for (auto _ : state) {
        online = !online;
        const auto start = Clock::now();
        laptop.fake.setAttribute(laptop.mains, "online", online ? "1" : "0");
        laptop.fake.uevent(laptop.mains, "change");
        if (!report.waitForRerender(5s))
            state.SkipWithError("no re-render after the udev event");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_UdevEventToRerender)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// From writing a new charge (no event, as the kernel does) to the finished HTML, at the default poll period.
void BM_PolledChangeToRerender(benchmark::State& state)
{
    qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
    Laptop laptop;
    Report report;
    const double period = std::chrono::duration<double>(QorvCSLinuxPowerSourceService::defaultPollInterval()).count();
    double worst = 0;
    int capacity = 77;
    for (auto _ : state) {
        const auto start = Clock::now();
        laptop.fake.setAttribute(laptop.battery, "capacity", std::to_string(--capacity));
        if (!report.waitForRerender(std::chrono::milliseconds(static_cast<int64_t>(period * 2000))))
            state.SkipWithError("no re-render within two poll periods");
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["poll_period_s"] = period;
    state.counters["worst_s"] = worst;
}
BENCHMARK(BM_PolledChangeToRerender)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

// CPU time the watching takes while nothing changes, scaled to an hour at the default poll period: polls at a
// short period for a while and divides the process's CPU time by the number of polls.
void BM_IdlePollingCPUPerHour(benchmark::State& state)
{
    constexpr double testPeriod = 0.01;
    Resources resources(testPeriod);
    Laptop laptop;
    Report report;
    const double period = 5.0; // the default, which the figure is scaled to
    for (auto _ : state) {
        const int rendersBefore = report.renders();
        const double cpuBefore = processCPUSeconds();
        const auto start = Clock::now();
        qorv::RunLoop::main().runUntil([] { return false; }, 2s);
        const double polls = std::chrono::duration<double>(Clock::now() - start).count() / testPeriod;
        const double cpuPerPoll = (processCPUSeconds() - cpuBefore) / polls;
        if (report.renders() != rendersBefore)
            state.SkipWithError("idle polling re-rendered");
        state.counters["cpu_per_poll_us"] = cpuPerPoll * 1e6;
        state.counters["cpu_s_per_hour"] = cpuPerPoll * 3600 / period;
    }
}
BENCHMARK(BM_IdlePollingCPUPerHour)->Unit(benchmark::kMillisecond)->Iterations(1);

// One reading of every supply, as each poll makes it.
void BM_ReadPowerSupplies(benchmark::State& state)
{
    Laptop laptop;
    auto service = std::make_shared<QorvCSLinuxPowerSourceService>();
    for (auto _ : state)
        benchmark::DoNotOptimize(service->powerSupplies());
}
BENCHMARK(BM_ReadPowerSupplies)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // umockdev's preload library redirects sysfs and the udev monitor to the fake supplies.
    if (!FakePowerSupplies::available() && !std::getenv("CELLSHEET_POWER_BENCH_RESTARTED")) {
        setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
        setenv("CELLSHEET_POWER_BENCH_RESTARTED", "1", 1);
        execv("/proc/self/exe", argv);
    }
    qorv::setLogSink([](const std::string&) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
