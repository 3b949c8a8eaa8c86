// The cost of one poll of a UPS server (connect, list the UPSes and their variables, disconnect), paid on the poll
// thread at every power poll interval, and of turning the reading into a description. Run:
// build/<dir>/bench/power-daemons/power_daemon_bench
#include "NUTServer.h"

#include "linux/QorvCSUPSDescription.h"

#include <benchmark/benchmark.h>
#include <sstream>

namespace {

// The desktop-ups example's variables, as its data file holds them.
std::string exampleReadings()
{
    std::ifstream file(CELLSHEET_EXAMPLES "/desktop-ups/ups.dev");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void BM_NUTPollOfOneServedUPS(benchmark::State& state)
{
    NUTServer server(exampleReadings());
    if (!server.ready()) {
        state.SkipWithError("upsd did not start");
        return;
    }
    QorvCSNUTClient client;
    const auto address = *QorvCSNUTClient::parseAddress(server.address());
    size_t variables = 0;
    for (auto _ : state) {
        auto result = client.read(address, server.address());
        if (result.upses.size() != 1) {
            state.SkipWithError("no UPS read");
            return;
        }
        variables = result.upses[0].variables.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["variables"] = static_cast<double>(variables);
}
BENCHMARK(BM_NUTPollOfOneServedUPS)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_UPSDescriptionOfTheExample(benchmark::State& state)
{
    QorvCSUPSReading reading { "localhost:3493", "ups", "", {} };
    std::istringstream lines(exampleReadings());
    for (std::string line; std::getline(lines, line);)
        if (const auto colon = line.find(": "); colon != std::string::npos)
            reading.variables[line.substr(0, colon)] = line.substr(colon + 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(QorvCSUPSDescription::describe(reading));
}
BENCHMARK(BM_UPSDescriptionOfTheExample)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
