// Normal and Student distribution functions: the approximations' own values, the parameter message,
// the tail bounds of the search, and inputs that must neither hang nor fault.
#include "common/error.h"
#include "common/messagesink.h"
#include "stats/distributions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using common::MessageKind;
using common::RecordingSink;

namespace {

const std::string kParameterError = "Error of the normal distribution parameter";
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr long double kInf = std::numeric_limits<long double>::infinity();

// The routine reproduces a documented rational approximation, so the expected values are the
// approximation's, to six decimals, not the exact quantiles (0.674490 for p = 0.75).
struct QuantileCase
{
    long double p;
    long double x;
};
const QuantileCase kNormal[] = {
    {0.5L, 0},           {0.5000005L, 0},      {0.4999995L, 0},
    {0.25L, -0.674189L}, {0.75L, 0.674189L},   {0.975L, 1.960395L},
    {0.05L, -1.645211L}, {0.001L, -3.090522L}, {0.50001L, 2.4891e-5L},
};

TEST(NormalQuantile, ReproducesTheApproximation)
{
    RecordingSink sink;
    for (const auto &c : kNormal)
        EXPECT_NEAR(stats::NormalQuantile(c.p, sink), c.x, 1e-6) << c.p;
    EXPECT_TRUE(sink.entries().empty());
}

TEST(NormalQuantile, ParameterOutsideTheOpenIntervalIsReportedAndGivesZero)
{
    for (long double p : {0.0L, 1.0L, 1.2L, -0.1L, kNaN, kInf, -kInf}) {
        RecordingSink sink;
        EXPECT_EQ(stats::NormalQuantile(p, sink), 0) << p;
        ASSERT_EQ(sink.entries().size(), 1u) << p;
        EXPECT_EQ(sink.entries()[0], (RecordingSink::Entry{MessageKind::Error, kParameterError}));
    }
}

// 1 - (1 - p) rounds to 0 below 2^-65; the tail is then taken as p itself instead of dividing by zero.
TEST(NormalQuantile, TinyProbabilitiesGiveFiniteQuantiles)
{
    RecordingSink sink;
    long double previous = 0;
    for (long double p : {1e-12L, 1e-30L, 1e-300L, 1e-3000L}) {
        long double x = stats::NormalQuantile(p, sink);
        EXPECT_TRUE(std::isfinite(x)) << p;
        EXPECT_LT(x, previous) << p;
        previous = x;
    }
    EXPECT_NEAR(stats::NormalQuantile(1e-30L, sink), -11.4638L, 1e-4);
    EXPECT_TRUE(sink.entries().empty());
}

TEST(StudentQuantile, CornishFisherValues)
{
    RecordingSink sink;
    EXPECT_NEAR(stats::StudentQuantile(10, 0.975L, sink), 2.228725L, 1e-6);
    EXPECT_NEAR(stats::StudentQuantile(3, 0.975L, sink), 3.179922L, 1e-6);
    // Coarse at one degree of freedom: the tabulated 12.706 is not what the expansion gives.
    EXPECT_NEAR(stats::StudentQuantile(1, 0.975L, sink), 11.31008L, 1e-5);
    for (int df : {1, 2, 10, 1000})
        EXPECT_EQ(stats::StudentQuantile(df, 0.5L, sink), 0) << df;
    EXPECT_TRUE(sink.entries().empty());

    EXPECT_EQ(stats::StudentQuantile(5, 1.5L, sink), 0);
    EXPECT_EQ(sink.entries().size(), 1u);
    EXPECT_THROW(stats::StudentQuantile(0, 0.9L, sink), common::MathError);
}

struct ProbabilityCase
{
    int df;
    long double t;
    long double p;
};
const ProbabilityCase kProbability[] = {
    {10, 0, 0.5L},
    {10, 2.228L, 0.974969L},
    {10, -2.228L, 0.025031L},
    {5, 1, 0.818423L},
};

TEST(StudentProbability, InvertsTheQuantile)
{
    RecordingSink sink;
    for (const auto &c : kProbability)
        EXPECT_NEAR(stats::StudentProbability(c.df, c.t, sink), c.p, 1e-6) << c.df << " " << c.t;
    // Round trip within the search tolerance in t.
    for (int df : {1, 3, 30}) {
        for (long double t : {-4.0L, -0.7L, 0.3L, 2.5L}) {
            long double p = stats::StudentProbability(df, t, sink);
            EXPECT_NEAR(stats::StudentQuantile(df, p, sink), t, 5e-5L) << df << " " << t;
        }
    }
    EXPECT_TRUE(sink.entries().empty());
}

// Far in the tails the search halves its distance to 1 (or 0) until it passes 0.9999 (or 0.0001):
// the result is exactly 1 - 2^-14 (2^-14), also for infinite t.
TEST(StudentProbability, StopsAtTheEndBounds)
{
    RecordingSink sink;
    EXPECT_EQ(stats::StudentProbability(2, 100, sink), 0.99993896484375L);
    EXPECT_EQ(stats::StudentProbability(2, -100, sink), 0.00006103515625L);
    EXPECT_EQ(stats::StudentProbability(2, kInf, sink), 0.99993896484375L);
    EXPECT_EQ(stats::StudentProbability(2, -kInf, sink), 0.00006103515625L);
    for (long double t : {1e30L, -1e30L, 1e4000L}) {
        long double p = stats::StudentProbability(1, t, sink);
        EXPECT_TRUE(p > 0.9999L || p < 0.0001L) << t;
    }
    EXPECT_TRUE(sink.entries().empty());
    EXPECT_THROW(stats::StudentProbability(2, kNaN, sink), common::MathError);
}

TEST(InvPower, DividesKTimes)
{
    EXPECT_EQ(stats::InvPower(4, 2), 0.0625L);
    EXPECT_EQ(stats::InvPower(4, 0), 1);
    EXPECT_EQ(stats::InvPower(4, -3), 1);
    EXPECT_EQ(stats::InvPower(-2, 3), -0.125L);
    EXPECT_EQ(stats::InvPower(0, 0), 1);
    EXPECT_THROW(stats::InvPower(0, 1), common::MathError);
}

} // namespace
