// Engine benchmark on a national-size table: one full scan against the per-plot and per-species
// queries a statistics run makes (species list, tree count, selected trees), and their ratio.
//
//   bench_engine_bench [--benchmark_repetitions=3]    (FENORIS_BENCH_DIR keeps the generated table)
#include "data/database.h"
#include "data/generator.h"
#include "nationaltable.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using bench::tableDir;

struct Open
{
    data::Connection connection;
    Open()
    {
        connection.setParam("PATH", tableDir().string() + "/");
        connection.open();
    }
};

// Reads every column of every row as the windows do, so the work of converting values is counted.
size_t readAll(data::Query &query)
{
    size_t bytes = 0;
    const auto fields = query.fieldNames();
    for (; !query.eof(); query.next())
        for (const auto &f : fields) bytes += query.asString(f).size();
    return bytes;
}

void FullScan(benchmark::State &state)
{
    Open db;
    for (auto _ : state) {
        data::Query q(db.connection);
        q.setSql({"SELECT * FROM 'NATIONAL.DBF'"});
        q.open();
        benchmark::DoNotOptimize(readAll(q));
        q.close();
    }
}

void PerPlotQueries(benchmark::State &state)
{
    Open db;
    for (auto _ : state) {
        data::Query list(db.connection), count(db.connection), trees(db.connection);
        list.setSql({"SELECT DISTINCT PLOT FROM 'NATIONAL.DBF'"});
        list.open();
        std::vector<std::string> plots;
        for (; !list.eof(); list.next()) plots.push_back(list.asString("PLOT"));
        list.close();

        count.setSql({"SELECT Count(TREE) FROM 'NATIONAL.DBF'", "WHERE ((PLOT=:PlotNames) AND (SP=:Species))"});
        count.prepare();
        trees.setSql({"SELECT * FROM 'NATIONAL.DBF'", "WHERE ((PLOT = :PlotNames) and (SP = :NSpecies))"});
        trees.prepare();
        size_t bytes = 0;
        for (const auto &plot : plots) {
            list.setSql({"SELECT DISTINCT SP FROM 'NATIONAL.DBF'", "WHERE (PLOT='" + plot + "')"});
            list.open();
            std::vector<std::string> species;
            for (; !list.eof(); list.next()) species.push_back(list.asString("SP"));
            list.close();
            for (const auto &sp : species) {
                count.setParam("PlotNames", plot);
                count.setParam("Species", sp);
                count.open();
                bytes += count.asInteger(count.fieldNames().front());
                count.close();
                trees.setParam("PlotNames", plot);
                trees.setParam("NSpecies", sp);
                trees.open();
                bytes += readAll(trees);
                trees.close();
            }
        }
        benchmark::DoNotOptimize(bytes);
        state.counters["plots"] = static_cast<double>(plots.size());
    }
}

BENCHMARK(FullScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PerPlotQueries)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opening the table by a new connection: with its language driver byte, and without one, when its
// character fields are looked at for UTF-8 (plain ASCII here, so every record is read: the worst case).
void OpenTable(benchmark::State &state, const char *file)
{
    const auto unmarked = tableDir() / "NATIONAL_U.DBF";
    if (!std::filesystem::exists(unmarked)) {
        std::filesystem::copy_file(tableDir() / "NATIONAL.DBF", unmarked);
        std::fstream f(unmarked, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(29);
        f.put('\0');
    }
    for (auto _ : state) {
        Open db;
        data::Table table(db.connection, file);
        table.open();
        benchmark::DoNotOptimize(table.fieldNames());
    }
}
BENCHMARK_CAPTURE(OpenTable, marked, "NATIONAL.DBF")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(OpenTable, unmarked, "NATIONAL_U.DBF")->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    tableDir();
    // The per-plot queries against one full scan.
    bench::RatioReporter reporter("PerPlotQueries", "FullScan", "per-plot queries / full scan",
                                  "target: at most 3");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
