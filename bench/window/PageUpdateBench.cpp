// From a changed reading to the page: the report rendered again, compared with the shown one, and the changed
// table and history chart patched into the page of a real web view (offscreen platform), until the page's script
// has run; against the same change loaded as a whole new document, until the load has finished. The report has 20
// battery-like sections of 25 rows and a day's chart through the real templates and rules. The coalescing wait before a
// rendering (150 ms of quiet) is not included. Goal: patched, under 16 ms.
#include "OffscreenWebEngine.h"
#include "QorvCSApplicationController.h"
#include "QorvCSReportHistoryChart.h"
#include "QorvCSWebEngineView.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int sectionCount = 20;
constexpr int rowCount = 25;

class Battery : public QorvCSContent {
public:
    Battery(int index)
        : QorvCSContent(qorv::format("battery-%d", index), qorv::format("Battery %d", index))
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
        return { QorvCSReportTitle::titleWithText(label()), table, QorvCSReportHistoryChart::itemWithChart(chart()) };
    }
    // A day of readings every five minutes, drawn up to now: each reading moves the chart on a minute.
    QorvCSHistoryChart chart() const
    {
        QorvCSHistoryChart chart;
        chart.title = "Charge and rate";
        chart.summary = "The last day";
        chart.to = 1'800'000'000 + int64_t(millivolts) * 60;
        chart.from = chart.to - 86400;
        auto samples = std::make_shared<std::vector<QorvCSHistorySample>>();
        for (int64_t time = chart.from; time < chart.to; time += 300)
            samples->push_back({ time, double((time / 300) % 100), 5.0 + double((time / 300) % 7),
                (time / 3600) % 2 ? QorvCSHistoryState::Charging : QorvCSHistoryState::Discharging });
        chart.samples = std::move(samples);
        chart.labels = { "Charge", "Rate", "Charging", "Discharging", "cycles" };
        chart.weekdays = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
        chart.months = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
        return chart;
    }
    int millivolts = 12000;
};

struct Window {
    Window()
    {
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
        auto root = QorvCSContent::rootContent();
        auto sections = std::make_shared<QorvCSContent::Children>();
        for (int i = 0; i < sectionCount; ++i)
            sections->push_back(std::make_shared<Battery>(i));
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
        return controller.reportHTMLForExport(false);
    }
    QorvCSApplicationController controller;
    QorvCSWebEngineView view { QStringLiteral("bench") };
    std::shared_ptr<Battery> battery;
    std::string shown;
};

std::unique_ptr<Window> shownWindow; // made after, and gone before, the application object

Window& window()
{
    if (!shownWindow)
        shownWindow = std::make_unique<Window>();
    return *shownWindow;
}

// patches: the changed table replaced in the page; otherwise the new document loaded whole.
void readingToPage(benchmark::State& state, bool patches)
{
    auto& w = window();
    QSignalSpy patched(&w.view, &QorvCSWebEngineView::reportPatched);
    QSignalSpy loaded(&w.view, &QorvCSWebEngineView::reportLoaded);
    QSignalSpy& done = patches ? patched : loaded;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        std::string next = w.nextRendering();
        const auto before = done.count();
        if (patches) {
            auto changes = QorvCSReportTableChanges::between(w.shown, next);
            if (!changes) {
                state.SkipWithError("the change is not a patch");
                return;
            }
            w.view.replaceTables(*changes, next);
        } else {
            w.view.loadHTMLString(next);
        }
        if (!QTest::qWaitFor([&] { return done.count() > before; }, 30000)) {
            state.SkipWithError("the page did not change");
            return;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        w.shown = std::move(next);
    }
}

void BM_ReadingPatched(benchmark::State& state)
{
    readingToPage(state, true);
}
BENCHMARK(BM_ReadingPatched)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ReadingLoaded(benchmark::State& state)
{
    readingToPage(state, false);
}
BENCHMARK(BM_ReadingLoaded)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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
