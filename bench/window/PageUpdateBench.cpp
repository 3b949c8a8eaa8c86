// From a changed reading to the page: the report rendered again, compared with the shown one, and the changed
// tables and history charts patched into the page of a real web view (offscreen platform), until the page's script
// has run; against the same change loaded as a whole new document, until the load has finished. The report has 20
// battery-like sections of 25 rows through the real templates and rules; one battery's voltage changes with each
// reading, and readings come 10 s apart. The coalescing wait before a rendering (150 ms of quiet) is not included.
// Variants: tables only; a day's history chart below each battery, drawn up to the reading's second (every reading
// changes all 20 charts); and drawn up to the end of the reading's minute, as the window draws them, with samples
// once a minute that reach the charts in the recorder's five-minute batches. Goal: patched, the reading on the page
// under 16 ms; the charts follow it (settled_*).
#include "OffscreenWebEngine.h"
#include "QorvCSApplicationController.h"
#include "QorvCSHistoryCharts.h"
#include "QorvCSReportHistoryChart.h"
#include "QorvCSWebEngineView.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int sectionCount = 20;
constexpr int rowCount = 25;
constexpr int64_t readingInterval = 10; // s

enum class Charts {
    None,
    ToTheSecond,
    ToTheMinute,
};

// The simulated time of the current reading and the chart every battery shows at it.
struct Clock {
    int64_t now = 1'800'000'000;
    Charts charts = Charts::None;
    std::shared_ptr<const std::vector<QorvCSHistorySample>> samples;
    int64_t samplesUntil = 0;

    QorvCSHistoryChart chart()
    {
        QorvCSHistoryChart chart;
        chart.title = "Charge and rate";
        chart.summary = "The last day";
        chart.to = charts == Charts::ToTheMinute ? QorvCSHistoryCharts::drawnUntil(now) : now;
        chart.from = chart.to - 86400;
        // A sample at half past each minute, stored in batches every five minutes.
        const int64_t stored = now - now % 300;
        if (!samples || samplesUntil != stored || samples->front().time < chart.from) {
            auto fresh = std::make_shared<std::vector<QorvCSHistorySample>>();
            for (int64_t time = chart.from - chart.from % 60 + 30; time < stored; time += 60)
                if (time >= chart.from)
                    fresh->push_back({ time, double((time / 300) % 100), 5.0 + double((time / 300) % 7),
                        (time / 3600) % 2 ? QorvCSHistoryState::Charging : QorvCSHistoryState::Discharging });
            samples = std::move(fresh);
            samplesUntil = stored;
        }
        chart.samples = samples;
        chart.labels = { "Charge", "Rate", "Charging", "Discharging", "cycles" };
        chart.weekdays = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
        chart.months = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
        return chart;
    }
};

class Battery : public QorvCSContent {
public:
    Battery(int index, Clock& clock)
        : QorvCSContent(qorv::format("battery-%d", index), qorv::format("Battery %d", index))
        , m_clock(clock)
    { }
    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        auto table = QorvCSReportTable::tableWithSummary(label(), label());
        for (int row = 0; row < rowCount; ++row) {
            const std::string key = row == 0 ? "Voltage" : qorv::format("attribute_%d", row);
            auto heading = QorvCSReportTableHeading::headingWithTitle(key);
            heading->setRaw(key);
            const std::string value = row == 0 ? std::to_string(millivolts) : std::to_string(row * 37);
            auto item = QorvCSReportTableValue::valueWithLabel(value);
            item->setRaw(value);
            table->addHeading(heading, item);
        }
        QorvCSReportItemList items { QorvCSReportTitle::titleWithText(label()), table };
        if (m_clock.charts != Charts::None)
            items.push_back(QorvCSReportHistoryChart::itemWithChart(m_clock.chart()));
        return items;
    }
    int millivolts = 12000;

private:
    Clock& m_clock;
};

struct Window {
    explicit Window(Charts charts)
    {
        clock.charts = charts;
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
        auto root = QorvCSContent::rootContent();
        auto sections = std::make_shared<QorvCSContent::Children>();
        for (int i = 0; i < sectionCount; ++i)
            sections->push_back(std::make_shared<Battery>(i, clock));
        root->setChildren(sections);
        battery = std::static_pointer_cast<Battery>(sections->back());
        auto contentController = std::make_shared<QorvCSContentController>();
        contentController->setRoot(root);
        controller.setContentController(contentController);
        view.resize(900, 700);
        view.show();
        shown = controller.reportHTMLForExport(false);
        QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
        view.loadHTMLString(shown);
        loaded.wait(120000);
    }
    // The next reading, rendered.
    std::string nextRendering()
    {
        ++battery->millivolts;
        clock.now += readingInterval;
        return controller.reportHTMLForExport(false);
    }
    Clock clock;
    QorvCSApplicationController controller;
    QorvCSWebEngineView view { QStringLiteral("bench") };
    std::shared_ptr<Battery> battery;
    std::string shown;
};

std::unique_ptr<Window> shownWindow; // made after, and gone before, the application object

Window& window(Charts charts)
{
    if (!shownWindow || shownWindow->clock.charts != charts)
        shownWindow = std::make_unique<Window>(charts);
    return *shownWindow;
}

double median(std::vector<double> times)
{
    std::nth_element(times.begin(), times.begin() + std::ptrdiff_t(times.size() / 2), times.end());
    return times[times.size() / 2];
}

// patches: the changed parts replaced in the page; otherwise the new document loaded whole. A patch puts the tables in
// at once and the charts afterwards: the time is until the new reading is on the page and laid out (the view's
// patched signal), settled_* until the last chart is in too.
void readingToPage(benchmark::State& state, bool patches)
{
    auto& w = window(Charts(state.range(0)));
    QSignalSpy patched(&w.view, &QorvCSWebEngineView::reportPatched);
    QSignalSpy settled(&w.view, &QorvCSWebEngineView::chartsSettled);
    QSignalSpy loaded(&w.view, &QorvCSWebEngineView::reportLoaded);
    QSignalSpy& done = patches ? patched : loaded;
    std::vector<double> times, settledTimes; // ms, each reading's
    std::vector<double> chartTimes; // ms, those of readings whose patch replaced a chart
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        std::string next = w.nextRendering();
        const auto before = done.count();
        const auto settledBefore = settled.count();
        bool movesCharts = false;
        if (patches) {
            auto changes = QorvCSReportTableChanges::between(w.shown, next);
            if (!changes) {
                state.SkipWithError("the change is not a patch");
                return;
            }
            movesCharts = std::any_of(changes->replacements.begin(), changes->replacements.end(),
                [](const auto& r) { return r.html.starts_with("<figure"); });
            w.view.replaceTables(*changes, next);
        } else {
            w.view.loadHTMLString(next);
        }
        if (!QTest::qWaitFor([&] { return done.count() > before; }, 30000)) {
            state.SkipWithError("the page did not change");
            return;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (movesCharts)
            chartTimes.push_back(times.back());
        if (patches) {
            if (!QTest::qWaitFor([&] { return settled.count() > settledBefore; }, 30000)) {
                state.SkipWithError("the charts did not settle");
                return;
            }
            settledTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        w.shown = std::move(next);
    }
    // The time above is the mean of all readings; the typical and the slowest one, and how many moved a chart, say
    // more.
    if (!times.empty()) {
        state.counters["median_ms"] = median(times);
        state.counters["max_ms"] = *std::max_element(times.begin(), times.end());
    }
    if (!chartTimes.empty()) {
        state.counters["chart_readings"] = double(chartTimes.size());
        state.counters["chart_median_ms"] = median(chartTimes);
    }
    if (!settledTimes.empty()) {
        state.counters["settled_median_ms"] = median(settledTimes);
        state.counters["settled_max_ms"] = *std::max_element(settledTimes.begin(), settledTimes.end());
    }
}

void charts(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgName("charts")->DenseRange(int(Charts::None), int(Charts::ToTheMinute));
}

void BM_ReadingPatched(benchmark::State& state)
{
    readingToPage(state, true);
}
// 30 readings: five minutes, so the charts move on and take a batch of samples.
BENCHMARK(BM_ReadingPatched)->Apply(charts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_ReadingLoaded(benchmark::State& state)
{
    readingToPage(state, false);
}
BENCHMARK(BM_ReadingLoaded)
    ->ArgName("charts")
    ->Arg(int(Charts::ToTheMinute))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    prepareOffscreenWebEngine();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shownWindow.reset();
    return 0;
}
