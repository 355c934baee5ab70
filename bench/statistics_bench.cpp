// Statistics run benchmark on a national-size table (100,000 trees, 5,000 plots, 30 survey years):
// the whole run of every plot and species against its floor, one full read of the table through the
// engine plus copying both result tables as files; and the run's peak memory against the table's
// size, measured in a fresh child process so that the table generation does not count.
// bench/statistics_run.sh measures the same for the fenoris-cli command as a whole.
//
//   bench_statistics_bench [--benchmark_repetitions=3]   (FENORIS_BENCH_DIR keeps the generated table)
#include "common/messagesink.h"
#include "data/database.h"
#include "data/generator.h"
#include "model/modelsettings.h"
#include "model/resulttables.h"
#include "model/statisticsrun.h"
#include "nationaltable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using bench::kFirstYear;
using bench::kTable;
using bench::kYears;
using bench::tableDir;

model::TableSetup tableSetup()
{
    model::TableSetup setup{kTable, {"PLOT", "TREE", "SP", "DBH", "HEIGHT"}, "", {}};
    for (int y = kFirstYear; y < kFirstYear + kYears; ++y)
        setup.years.push_back({y, "D" + std::to_string(y)});
    return setup;
}

model::StatisticsSummary runStatistics(const std::filesystem::path &dir)
{
    data::Connection connection;
    connection.setParam("PATH", dir.string() + "/");
    connection.open();
    data::Query query(connection);
    common::NullSink sink;
    model::ModelSettings settings;
    settings.prcTreeFactor = model::ComputePrcTreeFactor(25, sink);
    const auto setup = tableSetup();
    model::QuerySelection selection(query, setup);
    return model::StatisticsRun(connection, query, setup, settings).execute(selection, sink);
}

void StatisticsRun(benchmark::State &state)
{
    for (auto _ : state) {
        const auto summary = runStatistics(tableDir());
        state.counters["species"] = summary.speciesProcessed;
        state.counters["rows"] = summary.transitRows + summary.averageRows;
    }
}

// The floor of a run: one full read of the data table through the engine, then both result tables
// copied as a file copy does it.
void ReadTableAndWriteResults(benchmark::State &state)
{
    data::Connection source;
    source.setParam("PATH", tableDir().string() + "/");
    source.open();
    if (!std::filesystem::exists(tableDir() / model::kTransitTable)) runStatistics(tableDir());
    const auto outDir = tableDir() / "baseline";
    std::filesystem::create_directories(outDir);

    for (auto _ : state) {
        data::Query scan(source);
        scan.setSql({std::string("SELECT * FROM '") + kTable + "'"});
        scan.open();
        const auto columns = static_cast<int>(scan.fieldNames().size());
        std::size_t bytes = 0;
        for (; !scan.eof(); scan.next())
            for (int c = 0; c < columns; ++c)
                bytes += scan.valueText(c).size();
        scan.close();
        benchmark::DoNotOptimize(bytes);

        for (const char *name : {model::kTransitTable, model::kAverageTable})
            std::filesystem::copy_file(tableDir() / name, outDir / name,
                                       std::filesystem::copy_options::overwrite_existing);
    }
}

BENCHMARK(ReadTableAndWriteResults)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(StatisticsRun)->Unit(benchmark::kMillisecond)->Iterations(3);

// The peak resident memory of this process in bytes (VmHWM), which an exec starts afresh.
long peakMemory()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) * 1024;
    return -1;
}

// Runs the statistics once in a fresh process (this program started again with --child-run), so
// that neither the table generation nor the benchmarks count, and returns its peak memory in bytes.
long peakMemoryOfRun()
{
    const auto self = std::filesystem::read_symlink("/proc/self/exe").string();
    FILE *child = popen(("'" + self + "' --child-run").c_str(), "r");
    if (!child) return -1;
    long peak = -1;
    if (std::fscanf(child, "%ld", &peak) != 1) peak = -1;
    return pclose(child) == 0 ? peak : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--child-run") == 0) {
        runStatistics(tableDir());
        std::cout << peakMemory() << "\n";
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    tableDir();
    bench::RatioReporter reporter("StatisticsRun", "ReadTableAndWriteResults",
                                  "statistics run / (full read + copying the results)",
                                  "target: at most 2, at most 3 required");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto tableSize = static_cast<double>(std::filesystem::file_size(tableDir() / kTable));
    const long peak = peakMemoryOfRun();
    std::cout << "table " << tableSize / 1e6 << " MB, peak memory of a run " << peak / 1e6
              << " MB = " << peak / tableSize << " x the table (target: below 1)\n";
}
