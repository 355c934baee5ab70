// Mann–Kendall test and Sen's slope against hand computations.
#include "stats/trend.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct MannKendallCase
{
    std::vector<double> values;
    long long s;
    double variance;
    double z;
    double p;
    const char *why;
};

// Expected values worked by hand: S counts rising minus falling pairs, Var S = [n(n-1)(2n+5) -
// sum over tie groups t(t-1)(2t+5)] / 18, Z = (S - sgn S) / sqrt(Var S), p = erfc(|Z| / sqrt 2)
// (python3: math.erfc).
const MannKendallCase kMannKendall[] = {
    {{1, 2, 3, 4}, 6, 156.0 / 18, 5 / std::sqrt(156.0 / 18), 0.08942935902899359, "n = 4, rising"},
    {{10, 12, 11, 15, 14}, 6, 300.0 / 18, 5 / std::sqrt(300.0 / 18), 0.22067136191984688, "no ties"},
    // n = 6: 6*5*17 = 510; two pairs of ties take 2*1*9 = 18 each.
    {{5, 5, 7, 7, 6, 9}, 9, 474.0 / 18, 8 / std::sqrt(474.0 / 18), 0.11900406643496333, "two tie groups"},
    {{4, 3, 2, 1, 0, -1}, -15, 510.0 / 18, -14 / std::sqrt(510.0 / 18), 0.00853492041422708, "falling"},
};

TEST(MannKendallTest, MatchesHandComputations)
{
    for (const auto &c : kMannKendall) {
        const auto result = stats::MannKendallTest(c.values);
        ASSERT_TRUE(result) << c.why;
        EXPECT_EQ(result->s, c.s) << c.why;
        EXPECT_NEAR(result->variance, c.variance, 1e-12) << c.why;
        ASSERT_TRUE(result->z && result->p) << c.why;
        EXPECT_NEAR(*result->z, c.z, 1e-12) << c.why;
        EXPECT_NEAR(*result->p, c.p, 1e-12) << c.why;
    }
}

TEST(MannKendallTest, NeedsFourValuesAndSomeSpread)
{
    EXPECT_FALSE(stats::MannKendallTest({1, 2, 3}));
    EXPECT_FALSE(stats::MannKendallTest({}));
    // A constant series: every value tied, Var S = 0, so S is 0 and no p is given.
    const auto constant = stats::MannKendallTest({3, 3, 3, 3});
    ASSERT_TRUE(constant);
    EXPECT_EQ(constant->s, 0);
    EXPECT_EQ(constant->variance, 0);
    EXPECT_FALSE(constant->z);
    EXPECT_FALSE(constant->p);
}

struct SenCase
{
    std::vector<stats::YearValue> series;
    double slope;
    const char *why;
};

// Slopes of all pairs listed and sorted by hand (python3); the median of an even count is the mean
// of the middle two.
const SenCase kSen[] = {
    // Pair slopes -0.5, 1/3, 1, 1.25, 2, 4: the years are not evenly spaced.
    {{{2000, 10}, {2001, 12}, {2003, 11}, {2004, 15}}, (1 + 1.25) / 2, "gap in the years, even count"},
    // Ten pair slopes; the fifth and sixth are 1 and 1.5.
    {{{2000, 10}, {2001, 12}, {2002, 11}, {2003, 15}, {2004, 14}}, 1.25, "five years"},
    {{{1990, 5}, {1991, 5}, {1992, 5}, {1993, 5}}, 0, "constant"},
    {{{2000, 30}, {2001, 27}, {2002, 24}, {2003, 21}, {2004, 18}}, -3, "straight line"},
};

TEST(SenSlope, IsTheMedianOfThePairSlopes)
{
    for (const auto &c : kSen) {
        const auto slope = stats::SenSlope(c.series);
        ASSERT_TRUE(slope) << c.why;
        EXPECT_NEAR(*slope, c.slope, 1e-12) << c.why;
    }
    EXPECT_FALSE(stats::SenSlope({{2000, 1}, {2001, 2}, {2002, 4}}));
}

TEST(SenSlopeInterval, TakesTheOrderedSlopesAtTheRanksOfC)
{
    // Ten years without ties: Var S = 10 * 9 * 25 / 18 = 125, N = 45 slopes. At 95 %, C = 21.913 and
    // the ranks are round(11.54) = 12 and round(34.46) = 34; at 90 %, C = 18.39, ranks 13 and 33.
    // The slopes of those ranks as sorted by hand (Python): 8/7, 2; 7/6, 1.75.
    const std::vector<stats::YearValue> series = {{2000, 10}, {2001, 12}, {2002, 11}, {2003, 15}, {2004, 14},
                                                  {2005, 18}, {2006, 17}, {2007, 21}, {2008, 20}, {2009, 25}};
    const auto mk = stats::MannKendallTest({10, 12, 11, 15, 14, 18, 17, 21, 20, 25});
    ASSERT_TRUE(mk);
    EXPECT_DOUBLE_EQ(mk->variance, 125);
    const struct
    {
        double z, lo, hi;
    } cases[] = {{1.959963984540054, 8.0 / 7, 2}, {1.6448536269514722, 7.0 / 6, 1.75}};
    for (const auto &c : cases) {
        const auto interval = stats::SenSlopeInterval(series, mk->variance, c.z);
        ASSERT_TRUE(interval) << c.z;
        EXPECT_DOUBLE_EQ(interval->lo, c.lo) << c.z;
        EXPECT_DOUBLE_EQ(interval->hi, c.hi) << c.z;
    }
    // Four values: N = 6, Var S = 8.67, C = 5.77 at 95 %: the lower rank rounds to 0, no interval;
    // no spread (Var S 0): none either.
    const std::vector<stats::YearValue> four = {{2000, 1}, {2001, 2}, {2002, 4}, {2003, 3}};
    EXPECT_FALSE(stats::SenSlopeInterval(four, 4 * 3 * 13 / 18.0, 1.959963984540054));
    EXPECT_FALSE(stats::SenSlopeInterval(series, 0, 1.959963984540054));
}

} // namespace
