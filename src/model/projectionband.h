// The uncertainty band around a model projection: the transition matrix redrawn many times from its
// tree counts (a Bayesian bootstrap), every draw projected as the model projects the record, and at
// every step the central share of the modelled averages of the draws.
#pragma once

#include "model/projection.h"
#include "model/transitlist.h"

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace model {

// The seed of the draws when none is asked for: the same table gives the same band every time.
inline constexpr std::uint64_t kDefaultBandSeed = 20260501;
inline constexpr int kDefaultBandDraws = 1000;
inline constexpr int kMaxBandDraws = 1000000;
inline constexpr double kDefaultBandLevel = 0.95;

struct BandSettings
{
    double level = kDefaultBandLevel; // central share of the draws inside the band, in (0, 1)
    int draws = kDefaultBandDraws;    // 1 to kMaxBandDraws
    std::uint64_t seed = kDefaultBandSeed;
};

// Refuses a level outside the open interval (0, 1) (or not a number) and draws outside 1 to
// kMaxBandDraws with common::Error naming the value.
void CheckBandSettings(const BandSettings &settings);

// A gamma(alpha, 1) variate from the generator, alpha > 0 (Marsaglia and Tsang 2000; alpha < 1 by
// the boost gamma(alpha + 1) * U^(1/alpha)). Built on the generator's 64-bit output only, so the
// sequence is the same with every standard library.
double GammaVariate(std::mt19937_64 &engine, double alpha);

using TransitMatrix = std::array<std::array<double, 6>, 6>;

// One draw of the record's matrix: every observed row (RowSum > 0) from the Dirichlet distribution
// with parameters Count + 0.5 in all six cells (Jeffreys prior), every assumed row the identity row.
TransitMatrix DrawTransitMatrix(const TTransit &record, std::mt19937_64 &engine);

struct BandRange
{
    double lo = 0;
    double hi = 0;
    bool operator==(const BandRange &) const = default;
};

// The band of one record: the ranges at the model's start and each of its kModelSteps steps, in this
// order (the start is one value, as every draw starts from the record's first-year distribution).
// Each record's draws start from settings.seed, so its band does not depend on the other records.
// Settings out of range throw common::Error (see CheckBandSettings); a record without counted trees
// throws common::MathError as ModelStart does.
std::vector<BandRange> ProjectionBand(const TTransit &record, const BandSettings &settings);

// The quantile q in [0, 1] of sorted values by linear interpolation between order statistics
// (Hyndman and Fan type 7, R's default): h = (n - 1) q, x[floor h] + (h - floor h)(x[floor h + 1] -
// x[floor h]). Needs at least one value.
double SortedQuantile(const std::vector<double> &sorted, double q);

} // namespace model
