// One refresh of the report: the screen and the export rendering of 5,000 table rows (200 sections of 25 rows,
// power-source and inventory keys with typical values) through the application's own rule set.
//   mode 0, plain: rule files read and every expression compiled at every application, as the simplest
//           reading allows;
//   mode 1, first: cached, but every rule file read and compiled anew, as at start-up or after the rule
//           folder changed, so the first rendering passes every row through the rules;
//   mode 2, again: cached, a refresh like the one before (rules compiled once per file version, rendered
//           tables remembered).
// Goal: both renderings together under 10 ms. Each figure is also given as a ratio to a floor measured in the same
// process, in the thread's processor time: the same titles and rows escaped and appended into a page twice.
#include "QorvCSHTMLReport.h"
#include "QorvCSReportCupelController.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include "../FloorPage.h"
#include "../ThreadTime.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int sectionCount = 200;
constexpr int rowCount = 25;

struct Sample {
    const char* key;
    const char* value;
};

// Keys and values as the power-source bridge and the inventory tool give them; the last digit of numbers
// varies by section so that not every table is the same.
const std::vector<Sample> samples {
    { "BatteryHealth", "Good" },
    { "Current", "-1234" },
    { "Current Capacity", "85" },
    { "Cycle Count", "312" },
    { "DesignCapacity", "5000" },
    { "Hardware Serial Number", "SN-4711" },
    { "Is Charged", "0" },
    { "Is Charging", "1" },
    { "Is Present", "1" },
    { "Max Capacity", "100" },
    { "Name", "InternalBattery-0" },
    { "Nominal Capacity", "4500" },
    { "Power Source ID", "123456789" },
    { "Power Source State", "AC Power" },
    { "Temperature", "31" },
    { "Time to Empty", "155" },
    { "Time to Full Charge", "-1" },
    { "Transport Type", "Internal" },
    { "Type", "InternalBattery" },
    { "Voltage", "12788" },
    { "capacity", "85" },
    { "charge_control_end_threshold", "80" },
    { "charge_control_start_threshold", "40" },
    { "cycle_count", "312" },
    { "energy_full", "50000000" },
    { "energy_full_design", "57020000" },
    { "energy_now", "42000000" },
    { "manufacturer", "SMP" },
    { "model_name", "5B10W13975" },
    { "online", "1" },
    { "power_now", "8500000" },
    { "present", "1" },
    { "status", "Charging" },
    { "technology", "Li-ion" },
    { "temp", "312" },
    { "usb_type", "C [PD] PD_PPS" },
    { "voltage_now", "12788000" },
    { "current_now", "-1500000" },
    { "size_in_bytes", "249661751296" },
    { "free_space_in_bytes", "23864803328" },
    { "current_processor_speed", "2.80 GHz" },
    { "physical_memory", "16 GB" },
    { "machine_model", "ThinkPad T14 Gen 3" },
    { "cpu_type", "Intel Core i7-1260P" },
    { "dimm_speed", "3200 MT/s" },
    { "os_version", "Debian GNU/Linux 13 (trixie)" },
    { "kernel_version", "Linux 6.12.48" },
    { "file_system", "ext4" },
    { "bsd_name", "nvme0n1p2" },
    { "spnvme_transport", "NVMe" },
};

QorvCSReportItemList reportItems()
{
    QorvCSReportItemList items;
    size_t sample = 0;
    for (int section = 0; section < sectionCount; ++section) {
        const std::string provider = qorv::format("InternalBattery-%d", section);
        auto table = QorvCSReportTable::tableWithSummary(provider + " summary", provider + " caption");
        for (int row = 0; row < rowCount; ++row, ++sample) {
            const Sample& s = samples[sample % samples.size()];
            std::string value = s.value;
            if (!value.empty() && value.back() >= '0' && value.back() <= '9')
                value.back() = static_cast<char>('0' + section % 10);
            auto heading = QorvCSReportTableHeading::headingWithTitle(s.key);
            heading->setRaw(s.key);
            heading->setProvider(provider);
            auto item = QorvCSReportTableValue::valueWithLabel(value);
            item->setRaw(value);
            item->setProvider(provider);
            table->addHeading(heading, item);
        }
        items.push_back(QorvCSReportTitle::titleWithText(provider));
        items.push_back(QorvCSReportSubSectionStart::item());
        items.push_back(table);
        items.push_back(QorvCSReportSubSectionEnd::item());
    }
    return items;
}

// The floor: the items' titles and rows, escaped and appended into one page, as for both renderings.
size_t floorPage(const QorvCSReportItemList& items)
{
    size_t bytes = 0;
    for (int rendering = 0; rendering < 2; ++rendering) {
        FloorPage page;
        for (const auto& item : items) {
            if (const auto* title = dynamic_cast<const QorvCSReportTitle*>(item.get())) {
                page.title(title->title());
            } else if (const auto* table = dynamic_cast<const QorvCSReportTable*>(item.get())) {
                page.table(table->summary(), table->caption());
                for (const auto& pair : *table->headingValuePairs())
                    page.row(pair.heading->title(), pair.value->label());
                page.endTable();
            }
        }
        bytes += page.finish();
    }
    return bytes;
}

// The floor's median processor time in seconds.
double floorSeconds(const QorvCSReportItemList& items)
{
    return benchtime::medianSeconds([&] { return floorPage(items); });
}

size_t refresh(const QorvCSReportItemList& items)
{
    size_t bytes = 0;
    for (bool forExport : { false, true }) {
        auto report = QorvCSHTMLReport::reportForExport(forExport);
        report->addItemsFromArray(items);
        bytes += report->asHTML().size();
    }
    return bytes;
}

void BM_Refresh(benchmark::State& state)
{
    qorv::Bundle::main().setResourceDirectories({ CELLSHEET_SOURCE_RESOURCES });
    const int64_t mode = state.range(0);
    QorvCSReportCupelController::setCachesRules(mode != 0);
    const QorvCSReportItemList items = reportItems();
    const double floor = floorSeconds(items);
    size_t bytes = refresh(items);
    double total = 0;
    for (auto _ : state) {
        const double start = benchtime::threadSeconds();
        if (mode == 1)
            QorvCSReportCupelController::forgetCachedRules();
        benchmark::DoNotOptimize(bytes = refresh(items));
        total += benchtime::threadSeconds() - start;
    }
    state.counters["floor_ms"] = floor * 1000;
    state.counters["x_floor"] = total / double(state.iterations()) / floor;
    state.counters["rows"] = sectionCount * rowCount;
    state.counters["rules"] = static_cast<double>(QorvCSReportCupelController::cupelController()->cupels().size());
    state.counters["bytes"] = static_cast<double>(bytes);
    QorvCSReportCupelController::setCachesRules(true);
}

} // namespace

BENCHMARK(BM_Refresh)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
