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

} // namespace
