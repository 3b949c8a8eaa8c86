// Reading XML property lists against their floor: expat tokenising the same bytes with empty handlers, in the
// same process. Fixtures: the real 3.1 MB inventory, and one string of many entities (linear time expected).
// Each benchmark times the reader and the floor in alternation, in the thread's processor time so that the ratio
// holds on a busy machine, and reports the ratio of their medians.
#include "../ThreadTime.h"
#include "foundation/PropertyList.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <plist/plist.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

std::string inventory()
{
    std::ifstream file(INVENTORY_FIXTURE, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string entities(int64_t count)
{
    std::string xml = "<plist><string>";
    for (int64_t i = 0; i < count; ++i)
        xml += "a &amp; ";
    return xml + "</string></plist>";
}

void tokenise(const std::string& bytes)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(
        parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
    benchmark::DoNotOptimize(XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE));
    XML_ParserFree(parser);
}

std::shared_ptr<void> readWithLibplist(const std::string& bytes)
{
    plist_t root = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return std::shared_ptr<void>(root, [](void* p) { plist_free(p); });
}

qorv::PropertyList::Result read(const std::string& bytes)
{
    return qorv::PropertyList::parse(bytes);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Times reader and floor in alternation; the benchmark's own time is the reader's. Freeing what the reader built
// comes after the reading and is timed apart: `ratio` is reading alone, `ratio_with_free` adds the freeing (expat's
// freeing of its parser is part of the floor either way).
template <typename Reader> void againstFloor(benchmark::State& state, const std::string& bytes, Reader reader)
{
    std::vector<double> readerTimes, withFreeTimes, floorTimes;
    for (auto _ : state) {
        state.PauseTiming();
        const double floorStart = benchtime::threadSeconds();
        tokenise(bytes);
        floorTimes.push_back((benchtime::threadSeconds() - floorStart) * 1e3);
        state.ResumeTiming();
        const double start = benchtime::threadSeconds();
        double read = 0;
        {
            auto result = reader(bytes);
            read = benchtime::threadSeconds();
            state.PauseTiming();
        }
        const double freed = benchtime::threadSeconds();
        state.ResumeTiming();
        readerTimes.push_back((read - start) * 1e3);
        withFreeTimes.push_back((freed - start) * 1e3);
    }
    const double floor = median(floorTimes);
    state.counters["reader_ms"] = median(readerTimes);
    state.counters["expat_ms"] = floor;
    state.counters["ratio"] = median(readerTimes) / floor;
    state.counters["ratio_with_free"] = median(withFreeTimes) / floor;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_InventoryXML(benchmark::State& state)
{
    static const std::string bytes = inventory();
    againstFloor(state, bytes, read);
}
BENCHMARK(BM_InventoryXML)->Unit(benchmark::kMillisecond)->MinTime(2);

// Before: libplist 2.2's own XML reader (its tree only, not yet our values).
void BM_InventoryXMLLibplist(benchmark::State& state)
{
    static const std::string bytes = inventory();
    againstFloor(state, bytes, readWithLibplist);
}
BENCHMARK(BM_InventoryXMLLibplist)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_EntitiesXML(benchmark::State& state)
{
    const std::string bytes = entities(state.range(0));
    againstFloor(state, bytes, read);
}
BENCHMARK(BM_EntitiesXML)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_EntitiesXMLLibplist(benchmark::State& state)
{
    const std::string bytes = entities(state.range(0));
    againstFloor(state, bytes, readWithLibplist);
}
BENCHMARK(BM_EntitiesXMLLibplist)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
