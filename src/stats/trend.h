// Trend of a yearly series: the Mann–Kendall test and Sen's slope, both free of any assumption about
// the distribution of the values, for the mean defoliation of a plot and species over the survey years.
#pragma once

#include <optional>
#include <vector>

namespace stats {

// One value of the series and the year it belongs to.
struct YearValue
{
    int year;
    double value;
};

struct MannKendall
{
    long long s = 0;         // S = sum over k < l of sgn(x_l - x_k)
    double variance = 0;     // Var S, corrected for groups of tied values
    std::optional<double> z; // (S - sgn S) / sqrt(Var S); none when Var S is 0
    std::optional<double> p; // two-sided, 2 (1 - Phi(|Z|)); none when Var S is 0
};

// The fewest values a trend is computed from.
inline constexpr std::size_t kMinTrendValues = 4;

// The Mann–Kendall test of the values in the order given (year order). Nothing for fewer than
// kMinTrendValues values. Values that compare equal form a tie group.
std::optional<MannKendall> MannKendallTest(const std::vector<double> &values);

// Sen's slope: the median of (x_l - x_k) / (year_l - year_k) over all pairs k < l, in value units per
// year. Pairs of the same year are passed over. Nothing for fewer than kMinTrendValues values.
std::optional<double> SenSlope(const std::vector<YearValue> &series);

struct SlopeInterval
{
    double lo = 0;
    double hi = 0;
};

// The confidence interval of Sen's slope (Sen 1968; Gilbert 1987, 16.5): with N the slopes of
// SenSlope in ascending order and C = z sqrt(varianceS) (z the normal quantile of (1 + level) / 2,
// varianceS the Mann–Kendall Var S of the same values), the slopes of rank round((N - C) / 2) and
// round((N + C) / 2 + 1), counted from 1. Nothing when SenSlope gives nothing, when Var S is 0 or
// when a rank falls outside 1 to N (too few values for the level).
std::optional<SlopeInterval> SenSlopeInterval(const std::vector<YearValue> &series, double varianceS,
                                              double z);

} // namespace stats
