// The whole inventory in-process: collection on this machine and on the fake laptop, and the two writers.
// The goal is the whole inventory, written as XML, in under 50 ms on the development machine.
#include "Inventory.h"
#include "PropertyListOutput.h"
#include "SystemRoot.h"
#include "foundation/Json.h"

#include <benchmark/benchmark.h>

using namespace cellsheet::profiler;

namespace {

void BM_InventoryThisMachineXML(benchmark::State& state)
{
    auto root = std::make_shared<SystemRoot>();
    for (auto _ : state) {
        Inventory inventory(root, DetailLevel::Full);
        benchmark::DoNotOptimize(PropertyListOutput::write(inventory.run()));
    }
}
BENCHMARK(BM_InventoryThisMachineXML)->Unit(benchmark::kMillisecond);

void BM_InventoryFakeLaptop(benchmark::State& state)
{
    auto root = std::make_shared<SystemRoot>(std::string(PROFILER_TEST_DATA) + "/laptop");
    for (auto _ : state) {
        Inventory inventory(root, DetailLevel::Full);
        benchmark::DoNotOptimize(inventory.run());
    }
}
BENCHMARK(BM_InventoryFakeLaptop)->Unit(benchmark::kMillisecond);

// One collector at a time, to see where the time goes.
void BM_Collector(benchmark::State& state)
{
    const auto collector = Inventory::collectors().at(static_cast<size_t>(state.range(0)));
    state.SetLabel(std::string(collector->dataType()));
    auto root = std::make_shared<SystemRoot>();
    for (auto _ : state) {
        Inventory inventory(root, DetailLevel::Full);
        benchmark::DoNotOptimize(inventory.run({ collector }));
    }
}
BENCHMARK(BM_Collector)->DenseRange(0, 12)->Unit(benchmark::kMicrosecond);

void BM_Writers(benchmark::State& state)
{
    Inventory inventory(std::make_shared<SystemRoot>(std::string(PROFILER_TEST_DATA) + "/laptop"), DetailLevel::Full);
    const qorv::Value result = inventory.run();
    for (auto _ : state) {
        if (state.range(0) == 0)
            benchmark::DoNotOptimize(PropertyListOutput::write(result));
        else
            benchmark::DoNotOptimize(qorv::Json::write(result));
    }
    state.SetLabel(state.range(0) == 0 ? "XML" : "JSON");
}
BENCHMARK(BM_Writers)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
