// From a changed reading to the page: the window's controller renders the report again, compares it with the shown
// one and patches the changed tables and history charts into the page of a real web view (offscreen platform), until
// the view says the reading is on the page; against the same change loaded as a whole new document, until the load
// has finished. Each time is taken in the view's signal itself, so it does not depend on how the wait polls. The report
// has 20 battery-like sections of 25 rows through the real templates and rules; one battery's voltage changes with each
// reading, and readings come 10 s apart. The coalescing wait before a rendering (150 ms of quiet) is not included.
// Variants: tables only; a day's history chart below each battery, drawn up to the reading's second (every reading
// changes all 20 charts); and drawn up to the end of the reading's minute, as the window draws them, with samples
// once a minute that reach the charts in the recorder's five-minute batches. Goal: patched, the reading on the page
// under 16 ms, also for readings that move the charts (chart_median_ms; chart_handed_median_ms is the part until the
// controller has handed the reading to the view); the charts follow it (settled_*: until the view says the last chart
// the controller handed it is in).
#include "OffscreenWebEngine.h"
#include "QorvCSApplicationController.h"
#include "QorvCSHistoryCharts.h"
#include "QorvCSReportHistoryChart.h"
#include "QorvCSWebEngineView.h"
#include "QtRunLoopBinding.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
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

    int64_t chartEnd() const { return charts == Charts::ToTheMinute ? QorvCSHistoryCharts::drawnUntil(now) : now; }
    QorvCSHistoryChart chart()
    {
        QorvCSHistoryChart chart;
        chart.title = "Charge and rate";
        chart.summary = "The last day";
        chart.to = chartEnd();
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

// Runs Qt's event loop until done() holds or the time is up, waking for each event rather than polling.
bool waitFor(const std::function<bool()>& done, int milliseconds = 30000)
{
    QDeadlineTimer deadline(milliseconds);
    QTimer wake; // ends the last wait at the deadline
    wake.start(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

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
        controller.setContentWebView(&view);
        view.resize(900, 700);
        view.show();
        bool loaded = false;
        const auto connection
            = QObject::connect(&view, &QorvCSWebEngineView::reportLoaded, [&loaded] { loaded = true; });
        controller.refresh();
        waitFor([&] { return loaded; }, 120000);
        QObject::disconnect(connection);
    }
    // The next reading, 10 s on: 0.1 V more, which the report shows (a millivolt is rounded away).
    void nextReading()
    {
        battery->millivolts += 100;
        clock.now += readingInterval;
    }
    Clock clock;
    QorvCSApplicationController controller;
    QorvCSWebEngineView view { QStringLiteral("bench") };
    std::shared_ptr<Battery> battery;
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

// patches: the controller renders the change and patches the page, the tables at once and the charts afterwards: the
// time is until the new reading is on the page and laid out (the view's first patched signal), settled_* until the
// last chart the controller handed over is in too. Otherwise the new rendering is loaded whole, until it has loaded.
void readingToPage(benchmark::State& state, bool patches)
{
    auto& w = window(Charts(state.range(0)));
    QElapsedTimer timer;
    std::optional<qint64> patchedAt, settledAt, loadedAt; // ns after the reading
    const QMetaObject::Connection connections[] = {
        QObject::connect(&w.view, &QorvCSWebEngineView::reportPatched,
            [&] {
                if (!patchedAt)
                    patchedAt = timer.nsecsElapsed();
            }),
        // The view may settle on the tables before the controller has handed it the charts.
        QObject::connect(&w.view, &QorvCSWebEngineView::chartsSettled,
            [&] {
                if (!w.controller.hasPendingUpdate())
                    settledAt = timer.nsecsElapsed();
            }),
        QObject::connect(&w.view, &QorvCSWebEngineView::reportLoaded, [&] { loadedAt = timer.nsecsElapsed(); }),
    };
    std::vector<double> times, settledTimes; // ms, each reading's
    std::vector<double> chartTimes; // ms, those of readings that moved the charts
    std::vector<double> chartHandOvers; // ms until the controller had handed those over to the view
    for (auto _ : state) {
        patchedAt = settledAt = loadedAt = std::nullopt;
        const int64_t chartEnd = w.clock.chartEnd();
        timer.start();
        w.nextReading();
        const bool movesCharts = w.clock.charts != Charts::None && w.clock.chartEnd() != chartEnd;
        const int loadsBefore = w.view.loadCount();
        if (patches) {
            w.controller.renderChanges();
            if (movesCharts)
                chartHandOvers.push_back(double(timer.nsecsElapsed()) / 1e6);
        } else
            w.view.loadHTMLString(w.controller.reportHTMLForExport(false));
        auto& done = patches ? patchedAt : loadedAt;
        if (!waitFor([&] { return done.has_value(); })) {
            state.SkipWithError("the page did not change");
            break;
        }
        if (patches && w.view.loadCount() != loadsBefore) {
            state.SkipWithError("the change was loaded, not patched");
            break;
        }
        times.push_back(double(*done) / 1e6);
        state.SetIterationTime(times.back() / 1e3);
        if (movesCharts)
            chartTimes.push_back(times.back());
        if (patches) {
            if (!waitFor([&] { return settledAt.has_value(); })) {
                state.SkipWithError("the charts did not settle");
                break;
            }
            settledTimes.push_back(double(*settledAt) / 1e6);
        }
    }
    for (const auto& connection : connections)
        QObject::disconnect(connection);
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
    if (!chartHandOvers.empty())
        state.counters["chart_handed_median_ms"] = median(chartHandOvers);
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
    // The controller draws moved charts in a later turn of its run loop, as in the window.
    QtRunLoopBinding binding(qorv::RunLoop::main());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shownWindow.reset();
    return 0;
}
