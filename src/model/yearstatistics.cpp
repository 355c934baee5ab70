// Yearly statistics of one plot and species.
#include "model/yearstatistics.h"

#include "common/numbers.h"

#include <cmath>

namespace model {

namespace {

constexpr std::size_t kMinTrees = 5;

YearSeries emptySeries(std::size_t years)
{
    YearSeries s;
    s.YearDefAvg.assign(years, 0);
    s.YearDefStd.assign(years, 0);
    s.YearDead.assign(years, 0);
    s.YearTrees.assign(years, 0);
    s.YearClasses.assign(years, {});
    return s;
}

// Sums of one year while the trees are read: YearDefAvg holds the sum, YearDefStd the sum of squares
// and YearDead the number of dead trees.
void addValue(YearSeries &s, std::size_t y, long long stored, ValueType type)
{
    if (stored < 0) return;
    double v = static_cast<double>(stored);
    if (type == ValueType::DamageClasses) {
        v = ClassValue(stored > 5 ? -1 : static_cast<int>(stored));
        // A class outside 0 to 5 has no per-cent value: the tree is left out of this year.
        if (v < 0) return;
    }
    if (v >= 100) {
        s.YearDead[y] += 1;
    } else {
        s.YearDefAvg[y] += v;
        s.YearDefStd[y] += v * v;
        s.YearTrees[y] += 1;
    }
    const int c = DefClass(static_cast<double>(stored), type);
    if (c >= 0) s.YearClasses[y][static_cast<std::size_t>(c)] += 1;
}

void finishYear(YearSeries &s, std::size_t y)
{
    const int n = s.YearTrees[y];
    const double dead = s.YearDead[y];
    if (n + dead <= 4) {
        s.YearDefAvg[y] = -1;
        s.YearDefStd[y] = 0;
        s.YearDead[y] = 0;
        s.YearTrees[y] = 0;
        return;
    }
    if (n >= 2) {
        const double avg = static_cast<double>(common::checkedDiv(s.YearDefAvg[y], n));
        // Equal values can leave a variance a rounding error below zero: that is no spread at all.
        const double variance = static_cast<double>(common::checkedDiv(s.YearDefStd[y], n)) - avg * avg;
        s.YearDefAvg[y] = avg;
        s.YearDefStd[y] = variance > 0 ? std::sqrt(variance) : 0;
    } else {
        // One living tree keeps its value as the average (the sum); none gives 0.
        s.YearDefStd[y] = 0;
    }
    s.YearDead[y] = static_cast<double>(common::checkedDiv(100 * dead, dead + n));
}

} // namespace

double DefMin(const YearSeries &series, std::size_t year, double prcTreeFactor)
{
    return series.YearDefAvg[year] - prcTreeFactor * series.YearDefStd[year];
}

YearSeries ComputeYearStatistics(const TreeValues &trees, ValueType type)
{
    const std::size_t years = trees.yearCount();
    YearSeries s = emptySeries(years);
    if (trees.treeCount() < kMinTrees) {
        s.YearDefAvg.assign(years, -1);
        return s;
    }
    for (std::size_t t = 0; t < trees.treeCount(); ++t)
        for (std::size_t y = 0; y < years; ++y)
            if (const auto &stored = trees.value(t, y)) addValue(s, y, *stored, type);
    for (std::size_t y = 0; y < years; ++y)
        finishYear(s, y);
    return s;
}

YearSeries ComputeYearStatistics(data::Query &query, const std::string &plot, const std::string &species,
                                 const std::vector<data::YearColumn> &years, ValueType type)
{
    return ComputeYearStatistics(ReadTreeValues(query, plot, species, years), type);
}

} // namespace model
