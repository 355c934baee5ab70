// How sure the transition matrices are: for every cell its tree counts, standard error and Wilson
// score interval, and for a plot and species whether the matrices of the different periods may be
// taken for one (the Anderson-Goodman chi-square test of homogeneity).
#pragma once

#include "model/transitlist.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace model {

// The interval level when none is asked for.
inline constexpr double kDefaultIntervalLevel = 0.95;

// The standard normal quantile of (1 + level) / 2, exact to double precision: 1.959963984540054 for
// 0.95. A level outside the open interval (0, 1), or not a number, throws common::Error.
double WilsonZ(double level);

struct ShareInterval
{
    double lo = 0;
    double hi = 1;
};

// The Wilson score interval of a share count / n at the quantile z: centre (p + z²/2n) / (1 + z²/n),
// half-width z / (1 + z²/n) * sqrt(p(1 - p)/n + z²/4n²), with p = count / n. A count of 0 gives
// lo = 0 and a count of n gives hi = 1 exactly. Needs 0 <= count <= n and n > 0; otherwise throws
// common::MathError.
ShareInterval WilsonInterval(double count, double n, double z);

struct CellEstimate
{
    double count = 0;         // n_ij: trees moving from class i to class j
    double share = 0;         // p_ij = n_ij / n_i; the identity row's 0 or 1 when the row is assumed
    std::optional<double> se; // sqrt(p(1 - p) / n_i); none for an assumed row
    ShareInterval interval;   // Wilson score interval; [0, 1] for an assumed row
};

struct RowEstimate
{
    double n = 0;          // n_i: trees in class i in the first year
    bool observed = false; // false: no tree, the row is the assumed identity row
    std::array<CellEstimate, 6> cells;
};

// The estimates of one record's 36 cells, row = class of the first year.
using TransitEstimate = std::array<RowEstimate, 6>;

// The estimates of a record from its tree counts (TTransit::Count), at the quantile z (see WilsonZ).
TransitEstimate EstimateTransit(const TTransit &record, double z);

// The estimates of every record of a list, in its order, at the given interval level (see WilsonZ;
// a level out of range throws common::Error).
std::vector<TransitEstimate> EstimateTransits(const std::vector<TTransit> &list,
                                              double level = kDefaultIntervalLevel);

// The Anderson-Goodman test that the records of one plot, species and interval share one matrix.
struct HomogeneityTest
{
    int periods = 0;          // records compared
    double chi2 = 0;          // sum over periods, observed rows and pooled cells > 0 of n_i(t)(p - p̄)²/p̄
    int df = 0;               // sum over rows of (periods observing the row - 1)(pooled cells > 0 - 1)
    std::optional<double> p;  // upper tail of the chi-square distribution; none when df is 0
    int cellsUsed = 0;        // the terms of chi2
    int smallCells = 0;       // of them, those whose expected count n_i(t) p̄_ij is below 5
    bool smallCounts = false; // more than a fifth of the cells used are small: the p-value is rough
    // The Monte Carlo p of chi2 given the margins (see ExactHomogeneityP), when it was asked for.
    std::optional<double> exactP;
};

inline constexpr int kDefaultExactDraws = 10000;
inline constexpr std::uint64_t kDefaultExactSeed = 20261211;
// The draws stop once this many arrangements reached the observed chi2 (see ExactHomogeneityP).
inline constexpr int kDefaultExactReach = 50;

// When TestHomogeneity also computes the exact p.
enum class ExactP {
    Never,
    WhenRough, // when the small-counts flag is set and there is a degree of freedom
    Always,    // whenever there is a degree of freedom
};

// The test over the records of a list (one plot, species and interval, as BuildTransitList gives
// them); nullopt when the list holds fewer than two records. exact: when to add the exact p (with
// kDefaultExactDraws and kDefaultExactSeed).
std::optional<HomogeneityTest> TestHomogeneity(const std::vector<TTransit> &list,
                                               ExactP exact = ExactP::Never);

// The Monte Carlo p of the test's chi2 conditional on both margins: within each class of the first
// year, the second-year classes of its trees are dealt out anew among the periods (each period keeps
// its trees of the class, each second-year class its trees), at most draws times from the generator
// seeded with seed; a chi2* equal to chi2 up to rounding counts as reaching it. The draws stop as soon
// as reach of them reached chi2, with p = reach / draws made (Besag and Clifford's sequential p,
// Biometrika 1991): a large p needs few draws and a small one gets them all, and the p is as valid
// as the fixed number's. Otherwise, and always when reach is 0, p = (1 + #{chi2* >= chi2}) /
// (draws + 1). The draws are the same from one seed either way, so a p below reach / draws is the
// same with and without the stop. nullopt when TestHomogeneity gives no p (fewer than two records,
// no degree of freedom). draws below 1 or reach below 0 throw common::Error.
std::optional<double> ExactHomogeneityP(const std::vector<TTransit> &list, int draws = kDefaultExactDraws,
                                        std::uint64_t seed = kDefaultExactSeed,
                                        int reach = kDefaultExactReach);

} // namespace model
