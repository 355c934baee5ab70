// The uncertainty band around a model projection: the transition matrix redrawn many times from its
// tree counts (a parametric bootstrap), every draw projected as the model projects the record, and at
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
// The fewest draws that must lie beyond each end of the band: fewer, and the ends are a handful of
// draws that move from seed to seed.
inline constexpr int kMinDrawsBeyondBand = 10;

// What the band shows where it is drawn: a row of one move only is the same in every draw.
inline constexpr const char *kBandSameMoveNote =
    "A class whose trees all made the same move (all stayed, say) adds no width to the band; a band of "
    "zero width means that in every class the trees all moved alike, most often that no tree moved.";

struct BandSettings
{
    double level = kDefaultBandLevel; // central share of the draws inside the band, in (0, 1)
    int draws = kDefaultBandDraws;    // MinBandDraws(level) to kMaxBandDraws
    std::uint64_t seed = kDefaultBandSeed;
};

// The fewest draws for a level: kMinDrawsBeyondBand draws beyond each end, draws (1 - level) / 2 >= 10.
// A level outside the open interval (0, 1) (or not a number) throws common::Error.
int MinBandDraws(double level);

// The draws to use for a level when none are asked for: kDefaultBandDraws, or MinBandDraws(level)
// when that is more (a level of 0.99 needs 2000). A level it cannot serve throws common::Error.
int DefaultBandDraws(double level);

// Refuses a level outside the open interval (0, 1) (or not a number), draws above kMaxBandDraws and
// draws below MinBandDraws(level) with common::Error naming the value (and the fewest draws).
void CheckBandSettings(const BandSettings &settings);

using TransitMatrix = std::array<std::array<double, 6>, 6>;

// The bootstrap draws of one record's matrix. Every observed row (RowSum > 0) is drawn anew as
// multinomial counts of its own trees over its own shares, divided by its trees; every assumed row
// stays the identity row. A row whose trees all made the same move is the same in every draw. The
// trees of a row are drawn one by one from a table of the row's trees, by the generator's 64-bit
// output only, so the draws are the same with every standard library.
class MatrixSampler
{
public:
    // A count that is not a whole number of trees throws common::MathError.
    explicit MatrixSampler(const TTransit &record);
    // One drawn matrix into m.
    void draw(std::mt19937_64 &engine, TransitMatrix &m) const;
    // Whether some row can vary; false: every draw is the record's matrix.
    bool varies() const { return !m_rows.empty(); }

private:
    struct Row
    {
        std::size_t from;                 // the row's class
        std::vector<unsigned char> trees; // the class each tree of the row moved to
    };
    TransitMatrix m_fixed{}; // the record's matrix, for the rows that do not vary
    std::vector<Row> m_rows;
};

// One draw of the record's matrix (see MatrixSampler).
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
