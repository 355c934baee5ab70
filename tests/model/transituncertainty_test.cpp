// Standard errors and Wilson intervals of the transition cells, and the homogeneity test of the
// periods, on transition records counted from hand-made trees.
#include "model/transituncertainty.h"

#include "common/error.h"
#include "model/treebuilder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

using model::ValueType;
using modeltest::blank;

namespace {

using CountTable = std::array<std::array<int, 6>, 6>; // trees from class (row) to class (column)

// One record per table, of the survey years 2000, 2001, ...: table t counts trees valued (as damage
// classes) in years t and t + 1 only, so each table becomes exactly the counts of record t.
std::vector<model::TTransit> recordsOf(const std::vector<CountTable> &tables)
{
    const std::size_t years = tables.size() + 1;
    model::TreeValues trees(years);
    for (std::size_t t = 0; t < tables.size(); ++t)
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j) {
                std::vector<model::StoredValue> values(years, blank);
                values[t] = i;
                values[t + 1] = j;
                modeltest::addTrees(
                    trees, tables[t][static_cast<std::size_t>(i)][static_cast<std::size_t>(j)], values);
            }
    std::vector<int> yearList;
    for (std::size_t y = 0; y < years; ++y)
        yearList.push_back(2000 + static_cast<int>(y));
    std::vector<data::YearColumn> columns;
    for (int year : yearList)
        columns.push_back({year, "D" + std::to_string(year)});
    auto list = model::BuildTransitList(trees, "P1", columns, 1, ValueType::DamageClasses);
    EXPECT_TRUE(list && list->size() == tables.size());
    return list ? *list : std::vector<model::TTransit>{};
}

// Expected values from R 4: p and sqrt(p(1-p)/n) by hand, the interval by
// prop.test(x, n, correct = FALSE)$conf.int, which is the Wilson score interval, at 0.95.
struct CellCase
{
    int count, n;
    double p, se, lo, hi;
};
const CellCase kCells[] = {
    {3, 4, 0.75, 0.21650635094610965, 0.30064184258240201, 0.95441273919029945},
    {1, 4, 0.25, 0.21650635094610965, 0.045587260809700589, 0.69935815741759799},
    {0, 4, 0, 0, 0, 0.48989083645459719},
    {1, 1, 1, 0, 0.2065493143772375, 1},
    {0, 1, 0, 0, 0, 0.79345068562276255},
    {2, 12, 0.16666666666666666, 0.10758287072798381, 0.046965142183853829, 0.44803086225297334},
    {5, 10, 0.5, 0.15811388300841897, 0.23659309051256402, 0.76340690948743595},
    {0, 10, 0, 0, 0, 0.27753279986288915},
    {7, 7, 1, 0, 0.64566956493331262, 1},
    {0, 7, 0, 0, 0, 0.35433043506668732},
};

const CellCase &expectedCell(int count, int n)
{
    for (const auto &c : kCells)
        if (c.count == count && c.n == n) return c;
    ADD_FAILURE() << "no expected values for " << count << " of " << n;
    return kCells[0];
}

} // namespace

TEST(WilsonZ, IsTheExactNormalQuantileAndRefusesLevelsOutsideZeroToOne)
{
    // R: qnorm((1 + L) / 2).
    const std::pair<double, double> cases[] = {{0.95, 1.9599639845400536},
                                               {0.90, 1.6448536269514715},
                                               {0.99, 2.5758293035488999},
                                               {0.999, 3.2905267314919255}};
    for (const auto &[level, z] : cases)
        EXPECT_NEAR(model::WilsonZ(level), z, 1e-15) << level;
    for (double level : {0.0, 1.0, -0.5, 1.5, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_THROW(model::WilsonZ(level), common::Error) << level;
}

TEST(WilsonInterval, EndsAtZeroAndOneForTheExtremeCountsAndRefusesImpossibleShares)
{
    const double z = model::WilsonZ(0.95);
    for (double n : {1.0, 4.0, 7.0, 250.0}) {
        // At a count of 0 the interval is [0, z²/(n + z²)], at n it is [n/(n + z²), 1].
        const auto none = model::WilsonInterval(0, n, z);
        EXPECT_EQ(none.lo, 0.0);
        EXPECT_NEAR(none.hi, z * z / (n + z * z), 1e-15);
        const auto all = model::WilsonInterval(n, n, z);
        EXPECT_NEAR(all.lo, n / (n + z * z), 1e-15);
        EXPECT_EQ(all.hi, 1.0);
    }
    // R: prop.test(1, 4, correct = FALSE, conf.level = 0.9)$conf.int.
    const auto ninety = model::WilsonInterval(1, 4, model::WilsonZ(0.9));
    EXPECT_NEAR(ninety.lo, 0.057907321199858731, 1e-15);
    EXPECT_NEAR(ninety.hi, 0.6438319914014935, 1e-15);
    for (auto [count, n] : {std::pair{1.0, 0.0}, {-1.0, 4.0}, {5.0, 4.0}})
        EXPECT_THROW(model::WilsonInterval(count, n, z), common::MathError) << count << " of " << n;
}

TEST(EstimateTransits, GiveEveryCellItsShareStandardErrorAndInterval)
{
    // Row 0: 3 and 1 trees; row 1: no tree; row 2: one tree; row 3: equal counts; row 4: two halves;
    // row 5: the dead stay dead.
    const CountTable counts{{{3, 1, 0, 0, 0, 0},
                             {0, 0, 0, 0, 0, 0},
                             {0, 0, 0, 1, 0, 0},
                             {2, 2, 2, 2, 2, 2},
                             {0, 5, 5, 0, 0, 0},
                             {0, 0, 0, 0, 0, 7}}};
    const auto list = recordsOf({counts});
    ASSERT_EQ(list.size(), 1u);
    const auto estimates = model::EstimateTransits(list);
    ASSERT_EQ(estimates.size(), 1u);
    const auto &rows = estimates[0];
    for (std::size_t i = 0; i < 6; ++i) {
        int n = 0;
        for (int count : counts[i])
            n += count;
        EXPECT_EQ(rows[i].n, n) << "row " << i;
        EXPECT_EQ(rows[i].observed, n > 0) << "row " << i;
        for (std::size_t j = 0; j < 6; ++j) {
            const auto &cell = rows[i].cells[j];
            SCOPED_TRACE("cell " + std::to_string(i) + std::to_string(j));
            EXPECT_EQ(cell.count, counts[i][j]);
            if (n == 0) {
                // The assumed identity row: no standard error, nothing known of its shares.
                EXPECT_EQ(cell.share, i == j ? 1.0 : 0.0);
                EXPECT_FALSE(cell.se);
                EXPECT_EQ(cell.interval.lo, 0.0);
                EXPECT_EQ(cell.interval.hi, 1.0);
                continue;
            }
            const auto &expected = expectedCell(counts[i][j], n);
            EXPECT_NEAR(cell.share, expected.p, 1e-15);
            ASSERT_TRUE(cell.se);
            EXPECT_NEAR(*cell.se, expected.se, 1e-15);
            EXPECT_NEAR(cell.interval.lo, expected.lo, 1e-15);
            EXPECT_NEAR(cell.interval.hi, expected.hi, 1e-15);
        }
    }
    EXPECT_THROW(model::EstimateTransits(list, 1.0), common::Error);
}

namespace {

// Three periods: class 0 and 1 observed in all, class 2 only in the second (no degree of freedom),
// class 3 in the first and the third, class 5 in the first two with one destination only.
const std::vector<CountTable> kPeriods = {
    {{{10, 5, 0, 0, 0, 0}, {2, 8, 3, 0, 0, 0}, {}, {0, 0, 1, 4, 0, 1}, {}, {0, 0, 0, 0, 0, 4}}},
    {{{12, 2, 1, 0, 0, 0}, {1, 6, 6, 0, 0, 0}, {0, 1, 3, 2, 0, 0}, {}, {}, {0, 0, 0, 0, 0, 3}}},
    {{{6, 9, 0, 0, 0, 0}, {0, 4, 9, 1, 0, 0}, {}, {0, 0, 0, 2, 0, 3}, {}, {}}},
};

std::vector<CountTable> scaled(std::vector<CountTable> tables, int factor)
{
    for (auto &table : tables)
        for (auto &row : table)
            for (int &count : row)
                count *= factor;
    return tables;
}

} // namespace

TEST(TestHomogeneity, AgreesWithPearsonsTestOfEachClassTable)
{
    // Expected values from R 4: for every class, chisq.test(correct = FALSE) of the table periods x
    // destinations, kept to the periods with trees of the class and the destinations with trees;
    // statistics and degrees of freedom summed, p = pchisq(chi2, df, lower.tail = FALSE); small cells
    // counted from the expected counts outer(rowSums, colSums) / total below 5.
    // The last two cases: one class in two periods with equal rows, 10 cells of which exactly a fifth
    // (2) are small; and every class going to one destination only, so no degree of freedom is left.
    struct Case
    {
        const char *name;
        std::vector<CountTable> periods;
        double chi2;
        int df;
        std::optional<double> p;
        int used, small;
        bool smallCounts;
    };
    const CountTable equalRow{{{20, 20, 20, 20, 4, 0}}};
    const CountTable stay{{{5, 0, 0, 0, 0, 0}, {0, 3, 0, 0, 0, 0}}};
    const CountTable stayAgain{{{7, 0, 0, 0, 0, 0}, {}, {0, 0, 2, 0, 0, 0}}};
    const Case cases[] = {
        {"worked", kPeriods, 19.390720390720389, 12, 0.079525439976174409, 32, 20, true},
        {"worked x 20", scaled(kPeriods, 20), 387.81440781440779, 12, 1.436299618048224e-75, 32, 0, false},
        {"a fifth small", {equalRow, equalRow}, 0, 4, 1.0, 10, 2, false},
        {"no freedom", {stay, stayAgain}, 0, 0, std::nullopt, 4, 2, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto test = model::TestHomogeneity(recordsOf(c.periods));
        ASSERT_TRUE(test);
        EXPECT_EQ(test->periods, static_cast<int>(c.periods.size()));
        EXPECT_NEAR(test->chi2, c.chi2, 1e-12 * std::max(1.0, c.chi2));
        EXPECT_EQ(test->df, c.df);
        ASSERT_EQ(test->p.has_value(), c.p.has_value());
        if (c.p) {
            EXPECT_NEAR(*test->p, *c.p, 1e-12 * *c.p);
        }
        EXPECT_EQ(test->cellsUsed, c.used);
        EXPECT_EQ(test->smallCells, c.small);
        EXPECT_EQ(test->smallCounts, c.smallCounts);
    }
    EXPECT_FALSE(model::TestHomogeneity(recordsOf({kPeriods[0]})));
}

namespace {

// Every arrangement of a small table counted: within each class of the first year, which of its trees
// (each with its second-year class) fall into the first period. All are equally likely given both
// margins, so the exact p is the share of arrangements whose chi2 reaches the observed one.
TEST(WilsonZ, HasAQuantileForEveryLevelBelowOne)
{
    // (1 + L) / 2 rounds to 1 here; the upper tail (1 - L) / 2 = 5.55e-17 gives z = 8.29.
    const double z = model::WilsonZ(0.9999999999999999);
    EXPECT_TRUE(std::isfinite(z));
    EXPECT_NEAR(z, 8.29, 0.01);
}

TEST(ExactHomogeneityP, AgreesWithTheCountOfEveryArrangement)
{
    // Class 1: 1, 1, 1 in the first period, 2, 2, 3 in the second; class 2: 2, 2 then 3, 3, 5.
    const std::vector<std::vector<int>> pools = {{1, 1, 1, 2, 2, 3}, {2, 2, 3, 3, 5}};
    const std::size_t firstPeriod[] = {3, 2};
    const auto tablesOf = [&](unsigned mask0, unsigned mask1) {
        std::vector<CountTable> tables(2, CountTable{});
        const unsigned masks[] = {mask0, mask1};
        for (std::size_t r = 0; r < 2; ++r)
            for (std::size_t k = 0; k < pools[r].size(); ++k)
                ++tables[(masks[r] >> k) & 1 ? 0 : 1][r + 1][static_cast<std::size_t>(pools[r][k])];
        return tables;
    };
    const auto chi2Of = [](const std::vector<CountTable> &tables) {
        return model::TestHomogeneity(recordsOf(tables))->chi2;
    };
    const auto observedList = recordsOf(tablesOf(0b000111, 0b00011));
    const auto observed = model::TestHomogeneity(observedList, model::ExactP::Always);
    ASSERT_TRUE(observed && observed->p && observed->exactP);
    EXPECT_TRUE(observed->smallCounts);
    int reached = 0, all = 0;
    for (unsigned m0 = 0; m0 < 64; ++m0) {
        if (std::popcount(m0) != static_cast<int>(firstPeriod[0])) continue;
        for (unsigned m1 = 0; m1 < 32; ++m1) {
            if (std::popcount(m1) != static_cast<int>(firstPeriod[1])) continue;
            ++all;
            if (chi2Of(tablesOf(m0, m1)) >= observed->chi2 * (1 - 1e-12)) ++reached;
        }
    }
    ASSERT_EQ(all, 20 * 10);
    const double exact = static_cast<double>(reached) / all;
    // All 10,000 draws: the Monte Carlo p lies within 4 standard errors of the exact one (and
    // 1/10,001 for the observed table counted in).
    const double all10000 =
        *model::ExactHomogeneityP(observedList, model::kDefaultExactDraws, model::kDefaultExactSeed, 0);
    const double se = std::sqrt(exact * (1 - exact) / model::kDefaultExactDraws);
    EXPECT_NEAR(all10000, exact, 4 * se + 1.0 / (model::kDefaultExactDraws + 1)) << exact;
    // Stopped at the 50th draw that reaches chi2: 50 / draws, whose relative error is about
    // 1 / sqrt(50); it is the p every caller gets.
    const double sequential = *observed->exactP;
    EXPECT_NEAR(sequential, exact, 4 * exact / std::sqrt(50.0)) << exact;
    EXPECT_EQ(model::ExactHomogeneityP(observedList), sequential);
    EXPECT_NE(sequential, all10000);
    EXPECT_EQ(std::fmod(50 / sequential, 1.0), 0.0) << sequential;
    // Seeded: the same p every time.
    EXPECT_EQ(model::ExactHomogeneityP(observedList, 10000, 7),
              model::ExactHomogeneityP(observedList, 10000, 7));
    // Without the stop the p is (1 + reached) / (draws + 1): with one draw it is 1/2 or 1. With
    // fewer draws reaching chi2 than the stop asks for, the stop changes nothing.
    const double one = *model::ExactHomogeneityP(observedList, 1, 3, 0);
    EXPECT_TRUE(one == 0.5 || one == 1.0) << one;
    EXPECT_EQ(model::ExactHomogeneityP(observedList, 100, 3, 1000),
              model::ExactHomogeneityP(observedList, 100, 3, 0));
    EXPECT_THROW(model::ExactHomogeneityP(observedList, 0), common::Error);
    EXPECT_THROW(model::ExactHomogeneityP(observedList, 10, 3, -1), common::Error);
    // One period: nothing to test.
    EXPECT_FALSE(model::ExactHomogeneityP(recordsOf({tablesOf(0b000111, 0b00011)[0]})));
    // Without small counts only when asked.
    EXPECT_FALSE(model::TestHomogeneity(observedList)->exactP);
}

} // namespace
