// Standard errors, Wilson intervals and the homogeneity test of the transition matrices.
#include "model/transituncertainty.h"

#include "common/error.h"
#include "common/numbers.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include <cmath>
#include <string>

namespace model {

double WilsonZ(double level)
{
    if (!(level > 0 && level < 1))
        throw common::Error("The interval level must lie between 0 and 1, not " + common::floatToText(level));
    return boost::math::quantile(boost::math::normal(), (1 + level) / 2);
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

std::optional<HomogeneityTest> TestHomogeneity(const std::vector<TTransit> &list)
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
    return test;
}

} // namespace model
