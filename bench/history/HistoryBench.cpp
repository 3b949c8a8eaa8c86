// The battery history's costs.
//   BM_ChartsForAYear: the three charts of each of two batteries after a year of recording (the store as the
//     recorder leaves it: thinned samples, a capacity row a day), read from the store and drawn for the screen.
//     Goal: under 10 ms for both batteries.
//   BM_DrawChartsForAYear: the drawing alone, from series already read.
//   BM_DrawChartsAMinuteOn: the same charts drawn anew a minute further on, as when the minute turns.
//   BM_StoreHourOfSampling: one simulated hour of recording two batteries into that store: a sample a minute,
//     a batch written every five minutes, one thinning pass. The CPU time of one iteration over 3,600 s is the
//     share of a core the history costs; the "core_percent" counter states it. Goal: under 0.1 %.
#include "QorvCSHistoryChartRenderer.h"
#include "QorvCSHistoryCharts.h"

#include "application/history/QorvCSHistoryReading.h"
#include "application/history/QorvCSHistoryRecorder.h"
#include "foundation/Bundle.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <stdlib.h>

namespace {

constexpr int64_t minute = 60, day = 24 * 3600;
constexpr int64_t now = 1'800'000'000;

qorv::Value::Dictionary battery(int index, double percent, bool charging)
{
    using qorv::Value;
    return {
        { "Type", Value("InternalBattery") },
        { "Name", Value("InternalBattery-" + std::to_string(index)) },
        { "Hardware Serial Number", Value(std::to_string(4711 + index)) },
        { "model_name", Value("01AV48" + std::to_string(index)) },
        { "Current Capacity", Value(static_cast<int64_t>(percent)) },
        { "Power Source State", Value(charging ? "AC Power" : "Battery Power") },
        { "Is Charging", Value(charging) },
        { "Is Charged", Value(false) },
        { "Voltage", Value(int64_t(11800)) },
        { "Current", Value(int64_t(charging ? 2500 : -700)) },
        { "Nominal Capacity", Value(int64_t(4500)) },
        { "DesignCapacity", Value(int64_t(5000)) },
        { "Cycle Count", Value(int64_t(300)) },
    };
}

// A temporary folder holding a store with a year of two batteries' history, thinned as the recorder thins it.
struct YearOfHistory {
    std::string folder;
    std::shared_ptr<QorvCSHistoryStore> store;
    std::vector<qorv::Value::Dictionary> batteries { battery(0, 50, false), battery(1, 50, false) };

    YearOfHistory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cellsheet-history-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        store = std::make_shared<QorvCSHistoryStore>(folder + "/history.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
        for (int64_t from = now - 365 * day; from < now; from += day) {
            QorvCSHistoryStore::Batch batch;
            for (size_t b = 0; b < batteries.size(); ++b) {
                const std::string identity = QorvCSHistoryReading(batteries[b]).identity();
                // Samples only where the store keeps them at full resolution or in buckets, as a year of
                // thinning leaves them; writing all and thinning once gives the same rows.
                const int64_t step = now - from > QorvCSHistoryStore::hourlyAge ? 0
                    : now - from > QorvCSHistoryStore::tenMinuteAge             ? 3600
                    : now - from > QorvCSHistoryStore::fullResolutionAge        ? 600
                                                                                : 60;
                for (int64_t t = from; step && t < from + day; t += step) {
                    const bool charging = (t / 5400) % 3 == 0;
                    const double percent = 50 + 40 * std::sin(static_cast<double>(t) / 5400);
                    batch.samples.push_back({ identity,
                        { t, percent, charging ? 30.0 : 6 + std::fmod(static_cast<double>(t), 7.0),
                            charging ? QorvCSHistoryState::Charging : QorvCSHistoryState::Discharging } });
                }
                batch.capacities.push_back({ identity,
                    { from, 5000 * (1 - 0.1 * static_cast<double>(from - now + 365 * day) / (365 * day)), 5000.0,
                        (from - now + 365 * day) / day } });
            }
            store->write(batch);
        }
        store->thin(now);
    }
    ~YearOfHistory()
    {
        store.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

void useResources()
{
    qorv::Bundle::main().setResourceDirectories({ CELLSHEET_SOURCE_RESOURCES });
    qorv::Bundle::main().setLanguages({ "en" });
}

void BM_ChartsForAYear(benchmark::State& state)
{
    useResources();
    YearOfHistory year;
    QorvCSHistory history(year.store, nullptr);
    const QorvCSHistoryChartRenderer renderer(QorvCSReportPalette {}, false);
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const auto& description : year.batteries)
            for (const auto& item : QorvCSHistoryCharts::itemsForSource(history, description, now)) {
                const auto& chart = static_cast<const QorvCSReportHistoryChart&>(*item).chart();
                bytes += renderer.html(chart, "h").size();
            }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["markup_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ChartsForAYear)->Unit(benchmark::kMillisecond);

void BM_DrawChartsForAYear(benchmark::State& state)
{
    useResources();
    YearOfHistory year;
    QorvCSHistory history(year.store, nullptr);
    QorvCSReportItemList items;
    for (const auto& description : year.batteries)
        for (const auto& item : QorvCSHistoryCharts::itemsForSource(history, description, now))
            items.push_back(item);
    const QorvCSHistoryChartRenderer renderer(QorvCSReportPalette {}, false);
    for (auto _ : state)
        for (const auto& item : items)
            benchmark::DoNotOptimize(
                renderer.html(static_cast<const QorvCSReportHistoryChart&>(*item).chart(), "h").size());
}
BENCHMARK(BM_DrawChartsForAYear)->Unit(benchmark::kMillisecond);

// A minute later: the same series drawn one minute further on, as every chart of the window is when the minute turns.
void BM_DrawChartsAMinuteOn(benchmark::State& state)
{
    useResources();
    YearOfHistory year;
    QorvCSHistory history(year.store, nullptr);
    std::vector<QorvCSHistoryChart> charts;
    for (const auto& description : year.batteries)
        for (const auto& item : QorvCSHistoryCharts::itemsForSource(history, description, now))
            charts.push_back(static_cast<const QorvCSReportHistoryChart&>(*item).chart());
    const QorvCSHistoryChartRenderer renderer(QorvCSReportPalette {}, false);
    int64_t minutes = 0;
    for (auto _ : state) {
        ++minutes;
        for (auto chart : charts) {
            chart.from += minutes * minute;
            chart.to += minutes * minute;
            benchmark::DoNotOptimize(renderer.html(chart, "h").size());
        }
    }
    state.counters["charts"] = static_cast<double>(charts.size());
}
BENCHMARK(BM_DrawChartsAMinuteOn)->Unit(benchmark::kMillisecond);

void BM_StoreHourOfSampling(benchmark::State& state)
{
    YearOfHistory year;
    int64_t clock = now;
    // The recorder's own timer never fires here: the benchmark takes each minute's sample itself.
    QorvCSHistoryRecorder recorder(
        year.store, { std::chrono::hours(24), std::chrono::hours(24), 100000, {} }, [&] { return clock; });
    for (auto _ : state) {
        for (int m = 0; m < 60; ++m) {
            clock += minute;
            const bool charging = (clock / 5400) % 3 == 0;
            recorder.update({ qorv::Value(battery(0, 40 + m % 50, charging)), qorv::Value(battery(1, 60, false)) });
            recorder.sampleNow();
            if (m % 5 == 4)
                recorder.flush(); // also thins once per simulated hour
        }
    }
    state.counters["core_percent"]
        = benchmark::Counter(36.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StoreHourOfSampling)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
