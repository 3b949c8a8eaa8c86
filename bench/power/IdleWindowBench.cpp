// CPU time of the idle window: the window controller over the power groups, with its views faked, while one
// battery's voltage changes every second (as a discharging battery's does) and while nothing changes. Measured as
// the process's CPU time over 60 s of the main run loop, at the default poll period; the web engine's work for
// each load is not included (the counter "loads" says how many documents it would have been given).
// Part of power_bench: build/<dir>/bench/power/power_bench --benchmark_filter=IdleWindow
#include "FakePowerSupplies.h"
#include "WindowFakes.h"

#include "QorvCSApplicationController.h"
#include "QorvCSContentPowerAdapterGroup.h"
#include "QorvCSContentPowerSourceGroup.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <string>

using namespace std::chrono_literals;

namespace {

double processCPUSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// state.range(0): 1 when the battery's voltage changes every second, 0 when nothing changes.
void BM_IdleWindowCPU(benchmark::State& state)
{
    const bool changing = state.range(0) != 0;
    qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
    FakePowerSupplies fake;
    const std::string battery = fake.addSupply("BAT0",
        { { "type", "Battery" }, { "status", "Discharging" }, { "present", "1" }, { "technology", "Li-ion" },
            { "cycle_count", "153" }, { "voltage_min_design", "11400000" }, { "voltage_now", "11820000" },
            { "power_now", "9450000" }, { "energy_full_design", "57000000" }, { "energy_full", "51300000" },
            { "energy_now", "39672000" }, { "capacity", "77" }, { "model_name", "5B10W13930" },
            { "manufacturer", "SMP" } });
    fake.addSupply("AC", { { "type", "Mains" }, { "online", "0" } });

    auto powerSourceController = std::make_shared<QorvCSPowerSourceController>();
    auto root = QorvCSContent::rootContent();
    root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children {
        QorvCSContentPowerSourceGroup::powerSourceGroupWithPowerSourceController(powerSourceController),
        QorvCSContentPowerAdapterGroup::powerAdapterGroupWithPowerSourceController(powerSourceController) }));
    auto contentController = std::make_shared<QorvCSContentController>();
    contentController->setRoot(root);
    FakeOutline outline;
    FakeWebView screen, exported;
    FakeToolbar toolbar;
    QorvCSApplicationController controller;
    controller.setContentController(contentController);
    controller.setToolbar(&toolbar);
    controller.setContentOutline(&outline);
    controller.setContentWebView(&screen);
    controller.setContentPrintView(&exported);
    controller.awakeFromNib();

    int microvolts = 11820000;
    const auto ticker = qorv::RunLoop::main().addTimer(1s, true, [&] {
        if (changing)
            fake.setAttribute(battery, "voltage_now", std::to_string(microvolts -= 1000));
    });
    for (auto _ : state) {
        const unsigned long rendersBefore = controller.renderCount();
        const double cpuBefore = processCPUSeconds();
        const auto start = std::chrono::steady_clock::now();
        qorv::RunLoop::main().runUntil([] { return false; }, 60s);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["cpu_percent_of_core"] = (processCPUSeconds() - cpuBefore) / wall * 100;
        state.counters["loads"] = static_cast<double>(controller.renderCount() - rendersBefore);
    }
    qorv::RunLoop::main().removeTimer(ticker);
}
BENCHMARK(BM_IdleWindowCPU)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
