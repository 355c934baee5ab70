// The uncertainty band of a model projection.
#include "model/projectionband.h"

#include "common/error.h"
#include "model/modelchart.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace model {

namespace {

// A uniform double in the open interval (0, 1) from the top 53 bits of one output: the middle of
// one of 2^53 equal cells, so neither 0 nor 1 can come out.
double openUniform(std::mt19937_64 &engine)
{
    return (static_cast<double>(engine() >> 11) + 0.5) * 0x1p-53;
}

// A standard normal variate by Marsaglia's polar method: only sqrt and log, no sine or cosine, and
// one variate per accepted pair so that no state is carried between calls.
double normalVariate(std::mt19937_64 &engine)
{
    for (;;) {
        const double u = 2 * openUniform(engine) - 1;
        const double v = 2 * openUniform(engine) - 1;
        const double s = u * u + v * v;
        if (s >= 1 || s == 0) continue;
        return u * std::sqrt(-2 * std::log(s) / s);
    }
}

} // namespace

void CheckBandSettings(const BandSettings &settings)
{
    if (!(settings.level > 0 && settings.level < 1))
        throw common::Error("The band level must lie between 0 and 1, not " + std::to_string(settings.level));
    if (settings.draws < 1 || settings.draws > kMaxBandDraws)
        throw common::Error("The band draws must be from 1 to " + std::to_string(kMaxBandDraws) + ", not " +
                            std::to_string(settings.draws));
}

double GammaVariate(std::mt19937_64 &engine, double alpha)
{
    if (alpha < 1) {
        // gamma(alpha) = gamma(alpha + 1) * U^(1/alpha), in logarithms so that a tiny alpha cannot
        // underflow U^(1/alpha) before the product.
        const double g = GammaVariate(engine, alpha + 1);
        return std::exp(std::log(g) + std::log(openUniform(engine)) / alpha);
    }
    const double d = alpha - 1.0 / 3;
    const double c = 1 / std::sqrt(9 * d);
    for (;;) {
        const double x = normalVariate(engine);
        double v = 1 + c * x;
        if (v <= 0) continue;
        v = v * v * v;
        const double u = openUniform(engine);
        const double x2 = x * x;
        // The squeeze accepts most draws without a logarithm.
        if (u < 1 - 0.0331 * x2 * x2) return d * v;
        if (std::log(u) < 0.5 * x2 + d * (1 - v + std::log(v))) return d * v;
    }
}

TransitMatrix DrawTransitMatrix(const TTransit &record, std::mt19937_64 &engine)
{
    TransitMatrix m{};
    for (std::size_t a = 0; a < 6; ++a) {
        if (!(record.RowSum[a] > 0)) {
            m[a][a] = 1;
            continue;
        }
        double sum = 0;
        // A sum of 0 needs all six gamma variates to underflow; draw the row again rather than divide.
        while (!(sum > 0)) {
            sum = 0;
            for (std::size_t b = 0; b < 6; ++b) {
                m[a][b] = GammaVariate(engine, record.Count[a][b] + 0.5);
                sum += m[a][b];
            }
        }
        for (double &cell : m[a])
            cell /= sum;
    }
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
    const auto draws = static_cast<std::size_t>(settings.draws);
    // averages[step][draw]
    std::vector<std::vector<double>> averages(kModelSteps + 1, std::vector<double>(draws));
    std::mt19937_64 engine(settings.seed);
    TTransit drawn = record;
    for (std::size_t k = 0; k < draws; ++k) {
        drawn.T = DrawTransitMatrix(record, engine);
        // The draw is projected by the model's own start and step, so the band follows the curve's
        // definition exactly (the class-5 cut-off of the average included).
        Distribution p{};
        averages[0][k] = ModelStart(drawn, p);
        for (int step = 1; step <= kModelSteps; ++step)
            averages[static_cast<std::size_t>(step)][k] = ModelStep(drawn, p);
    }
    std::vector<BandRange> band;
    band.reserve(averages.size());
    for (auto &values : averages) {
        std::sort(values.begin(), values.end());
        band.push_back({SortedQuantile(values, (1 - settings.level) / 2),
                        SortedQuantile(values, (1 + settings.level) / 2)});
    }
    return band;
}

} // namespace model
