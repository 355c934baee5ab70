// Editing benchmark: what storing one row of the data table costs (the record written in one write,
// the header, the undo journal and the row forced to the disk), what undoing it costs, and a Check
// deads run over the largest plot and species of a generated table answering Yes to every question.
//
//   bench_editing_bench    (the table is generated in a temporary directory and removed afterwards)
#include "data/database.h"
#include "data/editjournal.h"
#include "data/edittools.h"
#include "data/generator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kTrees = 20000, kPlots = 200, kYears = 10;

struct Table
{
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("fenoris-editing-bench-" + std::to_string(::getpid()));
    data::Connection connection;
    data::Query trees{connection};
    data::EditJournal journal{connection};

    Table()
    {
        std::filesystem::create_directories(dir);
        data::GeneratorSettings settings;
        settings.trees = kTrees;
        settings.plots = kPlots;
        settings.years = kYears;
        data::generateTable(dir / "TREES.DBF", settings);
        connection.setParam("PATH", dir.string() + "/");
        connection.open();
        trees.setJournal(&journal);
        trees.setSql({"SELECT * FROM 'TREES.DBF'", "WHERE ((PLOT = :PlotNames) and (SP = :NSpecies))"});
        trees.prepare();
    }
    ~Table()
    {
        trees.setJournal(nullptr);
        connection.close();
        std::filesystem::remove_all(dir);
    }
    // The plot and species with the most trees.
    void openLargest()
    {
        data::Query largest(connection);
        largest.setSql({"SELECT PLOT, SP, Count(*) AS N FROM 'TREES.DBF' GROUP BY PLOT, SP ORDER BY N DESC"});
        largest.open();
        trees.setParam("PlotNames", largest.asString("PLOT"));
        trees.setParam("NSpecies", largest.asString("SP"));
        largest.close();
        trees.open();
    }
};

void StoreRow(benchmark::State &state)
{
    Table table;
    table.openLargest();
    const std::size_t record = table.trees.recordNumber();
    int value = 0;
    for (auto _ : state)
        table.trees.storeRecord(record, {{"D1995", std::to_string(value++ % 100)}});
}

void StoreAndUndoRow(benchmark::State &state)
{
    Table table;
    table.openLargest();
    const std::size_t record = table.trees.recordNumber();
    for (auto _ : state) {
        table.trees.storeRecord(record, {{"D1995", "55"}});
        benchmark::DoNotOptimize(table.journal.undo());
    }
}

struct AlwaysYes final : data::Confirmations
{
    data::Answer confirm(const std::string &) override { return data::Answer::Yes; }
};

void CheckDeadsLargestSelection(benchmark::State &state)
{
    Table table;
    AlwaysYes yes;
    data::DeadCheckSettings settings{"0", "100", {}};
    for (int year = 0; year < kYears; ++year)
        settings.years.push_back({1995 + year, "D" + std::to_string(1995 + year)});
    for (auto _ : state) {
        table.openLargest();
        // Every tree once at 0 %: every later year that is not 0 is asked about and written.
        data::EditJournal::StepScope step(table.journal);
        const auto run = data::checkDeads(table.trees, settings, yes);
        state.counters["cells"] = run.changed;
        state.PauseTiming();
        table.journal.undo();
        state.ResumeTiming();
    }
}

BENCHMARK(StoreRow)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(StoreAndUndoRow)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(CheckDeadsLargestSelection)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
