// The uncertainty band of one model curve: 1000 drawn matrices, each projected the model's 10 steps,
// and the quantiles at every step, as the model chart computes it for each transition record.
//
//   bench_band_bench [--benchmark_repetitions=3]
#include "model/projectionband.h"

#include <benchmark/benchmark.h>

namespace {

using Counts = double[6][6];
// A record of 194 trees in five observed classes (class 4 assumed), as a large plot gives.
const Counts kLargePlot = {{20, 6, 1, 0, 0, 0}, {4, 40, 10, 1, 0, 1}, {0, 5, 50, 12, 1, 2},
                           {0, 0, 3, 25, 6, 2}, {0, 0, 0, 0, 0, 0},   {0, 0, 0, 0, 0, 5}};
// A record of 20 trees in three classes, as most plots of a national survey give.
const Counts kSmallPlot = {{5, 2, 0, 0, 0, 0}, {1, 6, 2, 0, 0, 0}, {0, 1, 2, 0, 0, 1},
                           {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};

model::TTransit record(const Counts &counts)
{
    model::TTransit r;
    r.Year = 2000;
    r.Valid = true;
    for (std::size_t a = 0; a < 6; ++a) {
        for (std::size_t b = 0; b < 6; ++b) {
            r.Count[a][b] = counts[a][b];
            r.RowSum[a] += counts[a][b];
        }
        for (std::size_t b = 0; b < 6; ++b)
            r.T[a][b] = r.RowSum[a] > 0 ? r.Count[a][b] / r.RowSum[a] : (a == b ? 1 : 0);
    }
    return r;
}

void Band(benchmark::State &state, const Counts &counts)
{
    const model::TTransit r = record(counts);
    model::BandSettings settings;
    settings.draws = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(model::ProjectionBand(r, settings));
}

BENCHMARK_CAPTURE(Band, LargePlot, kLargePlot)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Band, SmallPlot, kSmallPlot)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
