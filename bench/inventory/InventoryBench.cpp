// The inventory from the tool's output to HTML: parse the property list, wrap it as data types and content
// nodes, render the report. Fixture: the real 42-data-type, 3.1 MB macOS output.
#include "QorvCSContentComputerGroup.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSSystemProfilerController.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string fixture()
{
    std::ifstream file(INVENTORY_FIXTURE, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The build's resources behind a folder with minimal templates, so the renderer has what it needs.
void useResources()
{
    static std::string directory = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "cellsheet-inventory-bench-XXXXXX").string();
        std::string made = ::mkdtemp(pattern.data());
        qorv::PropertyList::writeXMLFile(
            made + "/QorvCSHTMLReport.plist", qorv::Value::Dictionary { { "top", "<body>" }, { "bottom", "</body>" } });
        return made;
    }();
    qorv::Bundle::main().setResourceDirectories({ directory, CELLSHEET_BUILD_RESOURCES });
}

QorvCSSystemProfilerController::DataTypes parse(const std::string& bytes)
{
    return QorvCSSystemProfilerController::dataTypesFromRaw(qorv::PropertyList::parse(bytes).value);
}

// The group is made without its factory, so no profiler run starts; its children come from the data types.
std::shared_ptr<QorvCSContent> wrap(const QorvCSSystemProfilerController::DataTypes& dataTypes)
{
    auto root = QorvCSContent::rootContent();
    auto group = std::make_shared<QorvCSContentComputerGroup>();
    group->setChildren(group->childrenWithDataTypes(&dataTypes));
    root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { group }));
    return root;
}

size_t render(QorvCSContent& root)
{
    auto report = QorvCSHTMLReport::reportForExport(false);
    report->setItems(root.itemsForReport(*report));
    return report->asHTML().size();
}

void BM_InventoryParse(benchmark::State& state)
{
    const std::string bytes = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(parse(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_InventoryWrap(benchmark::State& state)
{
    useResources();
    qorv::LogCapture quiet;
    const auto dataTypes = parse(fixture());
    for (auto _ : state)
        benchmark::DoNotOptimize(wrap(dataTypes));
}

void BM_InventoryRender(benchmark::State& state)
{
    useResources();
    qorv::LogCapture quiet;
    auto root = wrap(parse(fixture()));
    for (auto _ : state)
        benchmark::DoNotOptimize(render(*root));
}

void BM_InventoryParseWrapRender(benchmark::State& state)
{
    useResources();
    qorv::LogCapture quiet;
    const std::string bytes = fixture();
    for (auto _ : state) {
        auto root = wrap(parse(bytes));
        benchmark::DoNotOptimize(render(*root));
    }
}

} // namespace

BENCHMARK(BM_InventoryParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InventoryWrap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InventoryRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InventoryParseWrapRender)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
