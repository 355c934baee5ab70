// The uncertainty band of a model projection.
#include "model/projectionband.h"

#include "common/error.h"
#include "common/numbers.h"
#include "model/modelchart.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace model {

namespace {

// A tree of a row of n trees from 32 random bits: the bits as a fraction of 2^32 scaled to 0 .. n - 1.
// The scaling favours some trees by at most n / 2^32, far below what a thousand draws can show.
std::size_t treeIndex(std::uint64_t bits, std::size_t n)
{
    return static_cast<std::size_t>(((bits & 0xffffffffu) * n) >> 32);
}

// The type 7 quantile q of n values in any order: h = (n - 1) q, interpolated between the order
// statistics floor h and floor h + 1. Only those two are looked for: a selection puts the first in
// place with the larger values after it, and the second is the least of those.
double unsortedQuantile(const double *values, std::size_t n, double q, std::vector<double> &work)
{
    const double h = static_cast<double>(n - 1) * q;
    const auto low = static_cast<std::size_t>(std::floor(h));
    work.assign(values, values + n);
    const auto lowAt = work.begin() + static_cast<std::ptrdiff_t>(low);
    std::nth_element(work.begin(), lowAt, work.end());
    const double lowValue = *lowAt;
    const double highValue = low + 1 < n ? *std::min_element(lowAt + 1, work.end()) : lowValue;
    return lowValue + (h - static_cast<double>(low)) * (highValue - lowValue);
}

void checkLevel(double level)
{
    if (!(level > 0 && level < 1))
        throw common::Error("The band level must lie between 0 and 1, not " + common::floatToText(level));
}

} // namespace

int MinBandDraws(double level)
{
    checkLevel(level);
    const double tail = (1 - level) / 2;
    // Rounded first: 0.98 leaves a tail of 0.010000000000000009, and 1000 draws are enough for it.
    const double needed = std::ceil(kMinDrawsBeyondBand / tail - 1e-9);
    return needed > kMaxBandDraws ? kMaxBandDraws + 1 : static_cast<int>(needed);
}

int DefaultBandDraws(double level)
{
    const int least = MinBandDraws(level);
    if (least > kMaxBandDraws)
        throw common::Error("A band at " + common::floatToText(level) + " needs more than " +
                            std::to_string(kMaxBandDraws) + " draws; choose a level of at most " +
                            common::floatToText(1 - 2.0 * kMinDrawsBeyondBand / kMaxBandDraws));
    return std::max(kDefaultBandDraws, least);
}

void CheckBandSettings(const BandSettings &settings)
{
    checkLevel(settings.level);
    if (settings.draws < 1 || settings.draws > kMaxBandDraws)
        throw common::Error("The band draws must be from 1 to " + std::to_string(kMaxBandDraws) + ", not " +
                            std::to_string(settings.draws));
    const int least = MinBandDraws(settings.level);
    if (settings.draws < least)
        throw common::Error(
            "A band at " + common::floatToText(settings.level) + " needs at least " +
            (least > kMaxBandDraws ? "more than " + std::to_string(kMaxBandDraws) : std::to_string(least)) +
            " draws (" + std::to_string(kMinDrawsBeyondBand) + " beyond each end), not " +
            std::to_string(settings.draws));
}

MatrixSampler::MatrixSampler(const TTransit &record)
{
    for (std::size_t a = 0; a < 6; ++a) {
        std::vector<unsigned char> trees;
        int moves = 0;
        for (std::size_t b = 0; b < 6; ++b) {
            const double count = record.Count[a][b];
            if (!(count >= 0) || count != std::floor(count) || count > 1e9)
                throw common::MathError("A transition count of " + common::floatToText(count) +
                                        " is not a number of trees");
            if (count > 0) ++moves;
            trees.insert(trees.end(), static_cast<std::size_t>(count), static_cast<unsigned char>(b));
        }
        if (trees.empty()) {
            m_fixed[a][a] = 1;
            continue;
        }
        for (std::size_t b = 0; b < 6; ++b)
            m_fixed[a][b] = record.Count[a][b] / static_cast<double>(trees.size());
        // One move only: every draw gives the row back.
        if (moves > 1) m_rows.push_back({a, std::move(trees)});
    }
}

void MatrixSampler::draw(std::mt19937_64 &engine, TransitMatrix &m) const
{
    m = m_fixed;
    for (const Row &row : m_rows) {
        std::array<unsigned, 6> counts{};
        const std::size_t n = row.trees.size();
        const unsigned char *trees = row.trees.data();
        // Two trees from each output: its low and its high 32 bits.
        std::size_t t = 0;
        for (; t + 1 < n; t += 2) {
            const std::uint64_t bits = engine();
            ++counts[trees[treeIndex(bits, n)]];
            ++counts[trees[treeIndex(bits >> 32, n)]];
        }
        if (t < n) ++counts[trees[treeIndex(engine(), n)]];
        for (std::size_t b = 0; b < 6; ++b)
            m[row.from][b] = counts[b] / static_cast<double>(n);
    }
}

TransitMatrix DrawTransitMatrix(const TTransit &record, std::mt19937_64 &engine)
{
    TransitMatrix m;
    MatrixSampler(record).draw(engine, m);
    return m;
}

double SortedQuantile(const std::vector<double> &sorted, double q)
{
    const double h = static_cast<double>(sorted.size() - 1) * q;
    const auto low = static_cast<std::size_t>(std::floor(h));
    if (low + 1 >= sorted.size()) return sorted.back();
    return sorted[low] + (h - static_cast<double>(low)) * (sorted[low + 1] - sorted[low]);
}

std::vector<BandRange> ProjectionBand(const TTransit &record, const BandSettings &settings)
{
    CheckBandSettings(settings);
    Distribution start{};
    const double startAverage = ModelStart(record, start);
    const MatrixSampler sampler(record);
    std::vector<BandRange> band(kModelSteps + 1, BandRange{startAverage, startAverage});
    if (!sampler.varies()) {
        // Every draw is the record itself: the band is the curve.
        Distribution p = start;
        for (std::size_t step = 1; step < band.size(); ++step) {
            const double v = ModelStep(record, p);
            band[step] = {v, v};
        }
        return band;
    }
    const auto draws = static_cast<std::size_t>(settings.draws);
    // averages[(step - 1) * draws + draw]; the start is the same in every draw.
    std::vector<double> averages(kModelSteps * draws);
    std::mt19937_64 engine(settings.seed);
    // The draws are projected a batch at a time: the steps of one draw wait for each other, those of
    // different draws do not, and the processor overlaps them.
    constexpr std::size_t kBatch = 8;
    std::array<TransitMatrix, kBatch> drawn;
    std::array<Distribution, kBatch> p;
    for (std::size_t first = 0; first < draws; first += kBatch) {
        const std::size_t count = std::min(kBatch, draws - first);
        for (std::size_t j = 0; j < count; ++j) {
            sampler.draw(engine, drawn[j]);
            p[j] = start;
        }
        // Each draw is projected by the model's own step from the record's start, so the band follows
        // the curve's definition exactly (the class-5 cut-off of the average included).
        for (std::size_t step = 0; step < kModelSteps; ++step)
            for (std::size_t j = 0; j < count; ++j)
                averages[step * draws + first + j] = ModelStep(drawn[j], p[j]);
    }
    std::vector<double> work;
    for (std::size_t step = 0; step < kModelSteps; ++step) {
        const double *values = averages.data() + step * draws;
        band[step + 1] = {unsortedQuantile(values, draws, (1 - settings.level) / 2, work),
                          unsortedQuantile(values, draws, (1 + settings.level) / 2, work)};
    }
    return band;
}

} // namespace model
