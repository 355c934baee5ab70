// The Mann–Kendall test and Sen's slope.
#include "stats/trend.h"

#include <algorithm>
#include <cmath>

namespace stats {

namespace {

int sign(double d)
{
    return (d > 0) - (d < 0);
}

// n (n - 1) (2n + 5), the term of the variance for n values, or for a tie group of n.
double varianceTerm(double n)
{
    return n * (n - 1) * (2 * n + 5);
}

} // namespace

std::optional<MannKendall> MannKendallTest(const std::vector<double> &values)
{
    const std::size_t n = values.size();
    if (n < kMinTrendValues) return std::nullopt;
    MannKendall result;
    for (std::size_t k = 0; k + 1 < n; ++k)
        for (std::size_t l = k + 1; l < n; ++l)
            result.s += sign(values[l] - values[k]);

    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    double ties = 0;
    for (std::size_t first = 0; first < n;) {
        std::size_t last = first;
        while (last + 1 < n && sorted[last + 1] == sorted[first])
            ++last;
        ties += varianceTerm(static_cast<double>(last - first + 1));
        first = last + 1;
    }
    result.variance = (varianceTerm(static_cast<double>(n)) - ties) / 18;
    // All values tied: no spread to test against.
    if (result.variance <= 0) {
        result.variance = 0;
        return result;
    }
    const double z =
        static_cast<double>(result.s - sign(static_cast<double>(result.s))) / std::sqrt(result.variance);
    result.z = z;
    result.p = std::erfc(std::fabs(z) / std::sqrt(2.0));
    return result;
}

namespace {

// The slopes of every pair of values of different years.
std::vector<double> pairSlopes(const std::vector<YearValue> &series)
{
    std::vector<double> slopes;
    slopes.reserve(series.size() * (series.size() - 1) / 2);
    for (std::size_t k = 0; k + 1 < series.size(); ++k)
        for (std::size_t l = k + 1; l < series.size(); ++l) {
            const int years = series[l].year - series[k].year;
            if (years == 0) continue;
            slopes.push_back((series[l].value - series[k].value) / years);
        }
    return slopes;
}

} // namespace

std::optional<double> SenSlope(const std::vector<YearValue> &series)
{
    if (series.size() < kMinTrendValues) return std::nullopt;
    std::vector<double> slopes = pairSlopes(series);
    if (slopes.empty()) return std::nullopt;
    const std::size_t half = slopes.size() / 2;
    std::nth_element(slopes.begin(), slopes.begin() + static_cast<long>(half), slopes.end());
    const double upper = slopes[half];
    if (slopes.size() % 2 == 1) return upper;
    const double lower = *std::max_element(slopes.begin(), slopes.begin() + static_cast<long>(half));
    return (lower + upper) / 2;
}

std::optional<SlopeInterval> SenSlopeInterval(const std::vector<YearValue> &series, double varianceS,
                                              double z)
{
    if (series.size() < kMinTrendValues || !(varianceS > 0)) return std::nullopt;
    std::vector<double> slopes = pairSlopes(series);
    if (slopes.empty()) return std::nullopt;
    const auto n = static_cast<double>(slopes.size());
    const double c = z * std::sqrt(varianceS);
    const double lower = std::round((n - c) / 2);
    const double upper = std::round((n + c) / 2 + 1);
    if (!(lower >= 1) || !(upper <= n)) return std::nullopt;
    std::sort(slopes.begin(), slopes.end());
    return SlopeInterval{slopes[static_cast<std::size_t>(lower) - 1],
                         slopes[static_cast<std::size_t>(upper) - 1]};
}

} // namespace stats
