// Standard errors, Wilson intervals and the homogeneity test of the transition matrices.
#include "model/transituncertainty.h"

#include "common/error.h"
#include "common/numbers.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace model {

double WilsonZ(double level)
{
    if (!(level > 0 && level < 1))
        throw common::Error("The interval level must lie between 0 and 1, not " + common::floatToText(level));
    // (1 + level) / 2 rounds to 1 for a level next to 1, where the quantile is infinite; (1 - level) / 2
    // does not, and the upper tail gives every level below 1 its quantile.
    try {
        const double p = (1 + level) / 2;
        if (p < 1) return boost::math::quantile(boost::math::normal(), p);
        return boost::math::quantile(boost::math::complement(boost::math::normal(), (1 - level) / 2));
    } catch (const std::exception &) {
        throw common::Error("The interval level " + common::floatToText(level) + " has no normal quantile");
    }
}

ShareInterval WilsonInterval(double count, double n, double z)
{
    if (!(n > 0) || !(count >= 0) || count > n)
        throw common::MathError("A share of " + common::floatToText(count) + " of " + common::floatToText(n) +
                                " trees has no interval");
    const double p = count / n;
    const double z2 = z * z;
    const double scale = 1 + z2 / n;
    const double centre = (p + z2 / (2 * n)) / scale;
    const double half = z / scale * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n));
    // At p = 0 the centre and the half-width are equal and at p = 1 they add up to 1, but only up to
    // rounding: those ends are set, not computed.
    return {count == 0 ? 0.0 : centre - half, count == n ? 1.0 : centre + half};
}

TransitEstimate EstimateTransit(const TTransit &record, double z)
{
    TransitEstimate rows;
    for (std::size_t i = 0; i < 6; ++i) {
        RowEstimate &row = rows[i];
        for (double count : record.Count[i])
            row.n += count;
        row.observed = row.n > 0;
        for (std::size_t j = 0; j < 6; ++j) {
            CellEstimate &cell = row.cells[j];
            if (!row.observed) {
                cell.share = i == j ? 1 : 0;
                continue;
            }
            cell.count = record.Count[i][j];
            cell.share = cell.count / row.n;
            cell.se = std::sqrt(cell.share * (1 - cell.share) / row.n);
            cell.interval = WilsonInterval(cell.count, row.n, z);
        }
    }
    return rows;
}

std::vector<TransitEstimate> EstimateTransits(const std::vector<TTransit> &list, double level)
{
    const double z = WilsonZ(level);
    std::vector<TransitEstimate> estimates;
    estimates.reserve(list.size());
    for (const auto &record : list)
        estimates.push_back(EstimateTransit(record, z));
    return estimates;
}

std::optional<HomogeneityTest> TestHomogeneity(const std::vector<TTransit> &list, ExactP exact)
{
    if (list.size() < 2) return std::nullopt;
    HomogeneityTest test;
    test.periods = static_cast<int>(list.size());
    for (std::size_t i = 0; i < 6; ++i) {
        // The pooled row: all periods' trees of class i together.
        std::array<double, 6> pooledCount{};
        double pooledN = 0;
        int periodsObserved = 0;
        for (const auto &record : list) {
            double n = 0;
            for (std::size_t j = 0; j < 6; ++j) {
                pooledCount[j] += record.Count[i][j];
                n += record.Count[i][j];
            }
            pooledN += n;
            if (n > 0) ++periodsObserved;
        }
        if (periodsObserved == 0) continue;
        int cellsPositive = 0;
        for (std::size_t j = 0; j < 6; ++j) {
            if (pooledCount[j] == 0) continue;
            ++cellsPositive;
            const double pooled = pooledCount[j] / pooledN;
            for (const auto &record : list) {
                double n = 0;
                for (double count : record.Count[i])
                    n += count;
                if (n == 0) continue;
                const double deviation = record.Count[i][j] / n - pooled;
                test.chi2 += n * deviation * deviation / pooled;
                ++test.cellsUsed;
                if (n * pooled < 5) ++test.smallCells;
            }
        }
        test.df += (periodsObserved - 1) * (cellsPositive - 1);
    }
    test.smallCounts = 5 * test.smallCells > test.cellsUsed;
    if (test.df > 0)
        test.p = boost::math::cdf(
            boost::math::complement(boost::math::chi_squared(static_cast<double>(test.df)), test.chi2));
    if (test.p && (exact == ExactP::Always || (exact == ExactP::WhenRough && test.smallCounts)))
        test.exactP = ExactHomogeneityP(list);
    return test;
}

namespace {

// One class of the first year as the permutations see it: the second-year class of each of its trees
// in period order, the period of each place in that order, and, for each period t and second-year
// class j, trees of the row / (trees of the period * pooled trees of class j) (0 where none went).
struct PermutedRow
{
    std::vector<unsigned char> to;
    std::vector<std::uint32_t> period;
    std::vector<double> weight;      // [t * 6 + j]
    std::vector<std::uint32_t> cell; // counts of the arrangement, [t * 6 + j]
};

// chi2 of a row from the counts in row.cell: the sum of n_ij(t)^2 / (n_i(t) p_ij) less n_i (p_ij
// pooled), the same as TestHomogeneity's sum of n_i(t) (p_ij(t) - p_ij)^2 / p_ij, as a period's cells
// add up to its trees and the pooled shares to 1.
double rowChi2(const PermutedRow &row)
{
    double sum = 0;
    for (std::size_t c = 0; c < row.cell.size(); ++c)
        sum += static_cast<double>(row.cell[c]) * row.cell[c] * row.weight[c];
    return sum - static_cast<double>(row.to.size());
}

// An index 0 .. n - 1 from 32 random bits.
std::size_t below(std::uint64_t bits, std::size_t n)
{
    return static_cast<std::size_t>(((bits & 0xffffffffu) * n) >> 32);
}

} // namespace

std::optional<double> ExactHomogeneityP(const std::vector<TTransit> &list, int draws, std::uint64_t seed,
                                        int reach)
{
    if (draws < 1)
        throw common::Error("The draws of the exact p must be 1 or more, not " + std::to_string(draws));
    if (reach < 0)
        throw common::Error("The stop of the exact p must be 0 or more, not " + std::to_string(reach));
    const auto test = TestHomogeneity(list);
    if (!test || !test->p) return std::nullopt;
    std::vector<PermutedRow> rows;
    for (std::size_t i = 0; i < 6; ++i) {
        PermutedRow row;
        std::array<double, 6> pooled{};
        std::vector<std::size_t> periodTrees;
        for (const auto &record : list) {
            std::size_t n = 0;
            for (std::size_t j = 0; j < 6; ++j) {
                const auto count = static_cast<std::size_t>(record.Count[i][j]);
                row.to.insert(row.to.end(), count, static_cast<unsigned char>(j));
                pooled[j] += record.Count[i][j];
                n += count;
            }
            if (n == 0) continue;
            row.period.insert(row.period.end(), n, static_cast<std::uint32_t>(periodTrees.size()));
            periodTrees.push_back(n);
        }
        // A row of one period, or whose trees all went to one class, is the same in every arrangement.
        const auto classes = std::count_if(pooled.begin(), pooled.end(), [](double c) { return c > 0; });
        if (periodTrees.size() < 2 || classes < 2) continue;
        const auto total = static_cast<double>(row.to.size());
        for (const std::size_t n : periodTrees)
            for (std::size_t j = 0; j < 6; ++j)
                row.weight.push_back(pooled[j] > 0 ? total / (static_cast<double>(n) * pooled[j]) : 0);
        row.cell.assign(row.weight.size(), 0);
        for (std::size_t k = 0; k < row.to.size(); ++k)
            ++row.cell[row.period[k] * 6 + row.to[k]];
        rows.push_back(std::move(row));
    }
    double observed = 0;
    for (const auto &row : rows)
        observed += rowChi2(row);
    // A statistic equal to the observed one but for rounding counts as reaching it: the sums are taken
    // in another order than the observed one's, so the margin is wider than R's 64 epsilon.
    const double reached = observed * (1 - 1e-9);
    std::mt19937_64 engine(seed);
    long long atLeast = 0;
    for (int d = 0; d < draws; ++d) {
        double chi2 = 0;
        for (auto &row : rows) {
            // Fisher-Yates from the last place down, two places per 64-bit output of the generator (the
            // same arrangements on every machine); a place is final once passed, and counted then.
            // The sum of c^2 w grows by (2c + 1) w as a cell's count c grows by one.
            std::fill(row.cell.begin(), row.cell.end(), 0);
            unsigned char *to = row.to.data();
            const std::uint32_t *period = row.period.data();
            const double *weight = row.weight.data();
            std::uint32_t *cell = row.cell.data();
            double sum = 0;
            const auto place = [&](std::size_t k) {
                const std::size_t c = period[k] * 6 + to[k];
                sum += (2.0 * cell[c] + 1) * weight[c];
                ++cell[c];
            };
            std::size_t k = row.to.size() - 1;
            for (; k >= 2; k -= 2) {
                const std::uint64_t bits = engine();
                std::swap(to[k], to[below(bits, k + 1)]);
                place(k);
                std::swap(to[k - 1], to[below(bits >> 32, k)]);
                place(k - 1);
            }
            for (; k >= 1; --k) {
                std::swap(to[k], to[below(engine(), k + 1)]);
                place(k);
            }
            place(0);
            chi2 += sum - static_cast<double>(row.to.size());
        }
        if (chi2 >= reached && ++atLeast == reach) return static_cast<double>(reach) / (d + 1);
    }
    return static_cast<double>(1 + atLeast) / (draws + 1);
}

} // namespace model
