// fenoris-cli models on a national-size table (100,000 trees, 5,000 plots, 30 survey years), as
// `fenoris-cli models T.dbf --out DIR --type .bmp --min-trees 10` runs it: the pictures per second
// (target: at least 50), and the time per picture against the same command with a writer that draws
// and writes nothing, which computes the same models' lines (target: at most 3 times that).
// Every iteration writes into a fresh directory, as a first run does.
//
//   bench_models_bench [--benchmark_repetitions=3]   (FENORIS_BENCH_DIR keeps the generated table)
#include "cli/commands.h"
#include "cli/drawing/chartpictures.h"
#include "cli/pictures.h"
#include "nationaltable.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

using bench::kTable;
using bench::tableDir;

// Runs the command into a fresh directory, the old one removed outside the timing; returns the number
// of pictures it reports.
int runCommand(benchmark::State &state)
{
    const fs::path out = tableDir() / "pictures";
    state.PauseTiming();
    fs::remove_all(out);
    fs::create_directories(out);
    state.ResumeTiming();
    std::ostringstream stdOut, stdErr;
    const int status = cli::runModels(
        {(tableDir() / kTable).string(), "--out", out.string(), "--type", ".bmp", "--min-trees", "10"},
        stdOut, stdErr);
    if (status != 0) state.SkipWithError(("fenoris-cli models failed: " + stdErr.str()).c_str());
    return std::atoi(stdOut.str().c_str());
}

// The rates are over all iterations, each of which made `pictures`.
void report(benchmark::State &state, int pictures)
{
    const double made = double(pictures) * double(state.iterations());
    state.counters["pictures"] = pictures;
    state.counters["pictures/s"] = benchmark::Counter(made, benchmark::Counter::kIsRate);
    state.counters["ms/picture"] =
        benchmark::Counter(made / 1000.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The command with a writer that neither draws nor writes: what computing the lines costs.
void ModelsLinesOnly(benchmark::State &state)
{
    cli::PictureWriters none;
    none.modelSession = [] {
        return [](const cli::ModelPicture &, const std::string &, cli::PictureSize) {};
    };
    cli::setPictureWriters(none);
    int pictures = 0;
    for (auto _ : state)
        pictures = runCommand(state);
    report(state, pictures);
}

// The command as fenoris-cli runs it: BMP pictures of 680 x 392 pixels.
void ModelsBmp(benchmark::State &state)
{
    cli::setPictureWriters(cli::drawing::chartPictureWriters());
    int pictures = 0;
    for (auto _ : state)
        pictures = runCommand(state);
    report(state, pictures);
}

BENCHMARK(ModelsLinesOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(ModelsBmp)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    tableDir();
    bench::RatioReporter reporter("ModelsBmp", "ModelsLinesOnly", "time per picture / time per model's lines",
                                  "target: at most 3");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(tableDir() / "pictures");
}
