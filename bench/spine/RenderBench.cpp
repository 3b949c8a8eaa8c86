// Both renderings of one report, as the command line makes them for --html with --export-html (the window makes the
// screen's at each change, the export's when it prints): the screen and the export rendering of a synthetic tree of 100
// sections with a 50-row table each, through the real templates, rule set and texts. Each figure is also given as a
// ratio to a floor measured in the same process: the same rows escaped and appended into a page twice, nothing else.
// Both are timed in the thread's processor time, so the ratio holds on a machine others are busy on. Goals: a first
// rendering in English (rules read and compiled anew, nothing remembered) under 10 ms, the German one given beside it;
// warm, both renderings within 2x the floor.
#include "QorvCSApplicationController.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSReportCupelController.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include "../FloorPage.h"
#include "../ThreadTime.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int sectionCount = 100;
constexpr int rowCount = 50;

// The keys a power-source table shows, then the kernel's own attribute names, so the rules see familiar rows.
const std::vector<std::string>& rowKeys()
{
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k { "BatteryHealth", "Current", "Current Capacity", "Cycle Count", "DesignCapacity",
            "Hardware Serial Number", "Is Charged", "Is Charging", "Is Present", "Max Capacity", "Name",
            "Nominal Capacity", "Power Source ID", "Power Source State", "Temperature", "Time to Empty",
            "Time to Full Charge", "Transport Type", "Type", "Voltage", "capacity_level",
            "charge_control_end_threshold", "charge_control_start_threshold", "energy_full", "energy_full_design",
            "energy_now", "manufacturer", "model_name", "power_now", "status", "technology", "voltage_min_design",
            "voltage_now", "alarm", "scope" };
        for (int i = 0; k.size() < size_t(rowCount); ++i)
            k.push_back(qorv::format("attribute_%d", i));
        return k;
    }();
    return keys;
}

// A report section: its title and one table.
class SectionContent : public QorvCSContent {
public:
    SectionContent(int index)
        : QorvCSContent(qorv::format("section-%d", index), qorv::format("InternalBattery-%d", index))
        , m_index(index)
    { }
    std::string_view className() const override { return "SectionContent"; }

    static std::string valueText(int index, int row)
    {
        return (row % 3 == 0) ? std::to_string(1000 * index + row * 37)
            : (row % 3 == 1)  ? "Yes"
                              : qorv::format("Value <%d> & more", row);
    }

    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        auto table = QorvCSReportTable::tableWithSummary(label() + " summary", label() + " caption");
        table->reserveRows(rowKeys().size());
        int index = 0;
        for (const auto& key : rowKeys()) {
            std::string text = valueText(m_index, index++);
            auto row = QorvCSReportTablePair::pairWithTitleAndLabel(localise(key), text);
            row.heading->setRaw(key);
            row.heading->setProvider(providerLabel());
            row.value->setRaw(std::move(text));
            row.value->setProvider(providerLabel());
            table->addHeadingAndValue(std::move(row));
        }
        return { QorvCSReportTitle::titleWithText(localisedLabel()), table };
    }

private:
    int m_index;
};

struct Fixture {
    Fixture()
    {
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
        qorv::Bundle::main().setLanguages({ "en" });
        auto root = QorvCSContent::rootContent();
        auto sections = std::make_shared<QorvCSContent::Children>();
        for (int i = 0; i < sectionCount; ++i)
            sections->push_back(std::make_shared<SectionContent>(i));
        root->setChildren(sections);
        auto contentController = std::make_shared<QorvCSContentController>();
        contentController->setRoot(root);
        controller.setContentController(contentController);
    }
    QorvCSApplicationController controller;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// The floor: the same titles and rows, escaped and appended into one page, as for both renderings.
size_t floorPage()
{
    size_t bytes = 0;
    for (int rendering = 0; rendering < 2; ++rendering) {
        FloorPage page;
        for (int section = 0; section < sectionCount; ++section) {
            const std::string label = qorv::format("InternalBattery-%d", section);
            page.title(label);
            page.table(label + " summary", label + " caption");
            int row = 0;
            for (const auto& key : rowKeys())
                page.row(key, SectionContent::valueText(section, row++));
            page.endTable();
        }
        bytes += page.finish();
    }
    return bytes;
}

// The floor's median processor time in seconds, measured once per process.
double floorSeconds()
{
    static const double seconds = benchtime::medianSeconds(floorPage);
    return seconds;
}

// Both renderings, timed per iteration so the ratio to the floor can be given; first forgets every compiled
// rule and so every remembered table before each iteration (outside the timing, as at start-up the files are
// read anyway), so every row passes through the rules.
void renderBoth(benchmark::State& state, bool first)
{
    auto& controller = fixture().controller;
    const double floor = floorSeconds();
    size_t bytes = 0;
    double total = 0;
    for (auto _ : state) {
        if (first) {
            state.PauseTiming();
            QorvCSReportCupelController::forgetCachedRules();
            QorvCSReportCupelController::cupelController()->cupels();
            state.ResumeTiming();
        }
        const double start = benchtime::threadSeconds();
        const auto documents = controller.reportHTMLForScreenAndExport();
        total += benchtime::threadSeconds() - start;
        bytes = documents.screen.size() + documents.exported.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
    state.counters["floor_ms"] = floor * 1000;
    state.counters["x_floor"] = total / double(state.iterations()) / floor;
}

void BM_RenderBoth(benchmark::State& state)
{
    renderBoth(state, false);
}
BENCHMARK(BM_RenderBoth)->Unit(benchmark::kMillisecond);

void BM_RenderFirst(benchmark::State& state)
{
    renderBoth(state, true);
}
BENCHMARK(BM_RenderFirst)->Unit(benchmark::kMillisecond);

// The same in German, where the rules that only translate run as well.
void BM_RenderFirstGerman(benchmark::State& state)
{
    fixture();
    qorv::Bundle::main().setLanguages({ "de" });
    renderBoth(state, true);
    qorv::Bundle::main().setLanguages({ "en" });
    QorvCSReportCupelController::forgetCachedRules();
}
BENCHMARK(BM_RenderFirstGerman)->Unit(benchmark::kMillisecond);

void BM_RenderScreen(benchmark::State& state)
{
    auto& controller = fixture().controller;
    for (auto _ : state)
        benchmark::DoNotOptimize(controller.reportHTMLForExport(false));
}
BENCHMARK(BM_RenderScreen)->Unit(benchmark::kMillisecond);

void BM_RenderExport(benchmark::State& state)
{
    auto& controller = fixture().controller;
    for (auto _ : state)
        benchmark::DoNotOptimize(controller.reportHTMLForExport(true));
}
BENCHMARK(BM_RenderExport)->Unit(benchmark::kMillisecond);

// The items alone, without the HTML: what the content tree costs.
void BM_ItemsOnly(benchmark::State& state)
{
    auto& controller = fixture().controller;
    for (auto _ : state) {
        QorvCSReport report(false);
        benchmark::DoNotOptimize(controller.contentController()->itemsForReport(report));
    }
}
BENCHMARK(BM_ItemsOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
