// The statistics engine of a paired series: descriptive statistics, correlation and its probability,
// the polynomial fit and its faults, missing values and point order, and the chart's point lists.
#include "common/error.h"
#include "common/messagesink.h"
#include "stats/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using common::MessageKind;
using common::RecordingSink;
using stats::ChartSeries;
using stats::TPoint;
using stats::TStatistics;

namespace {

const RecordingSink::Entry kNotCalculated{MessageKind::Warning, "Regression was not calculated"};

void addAll(TStatistics &series, const std::vector<TPoint> &points)
{
    for (const auto &p : points)
        series.AddPoint(p.X, p.Y);
}

const std::vector<TPoint> kWorked = {{1, 2}, {2, 4}, {3, 5}, {4, 4}, {5, 6}};

TEST(TStatistics, WorkedExample)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, kWorked);

    series.Calculate(1);
    const auto &r = series.Res;
    EXPECT_TRUE(r.Calculated);
    EXPECT_EQ(r.X.N, 5);
    EXPECT_EQ(r.Y.N, 5);
    EXPECT_NEAR(r.X.Mean, 3, 1e-12);
    EXPECT_NEAR(r.X.StDev, 1.414214L, 1e-6);
    EXPECT_NEAR(r.Y.Mean, 4.2L, 1e-12);
    EXPECT_NEAR(r.Y.StDev, 1.326650L, 1e-6);
    EXPECT_EQ(r.X.Min, 1);
    EXPECT_EQ(r.X.Max, 5);
    EXPECT_EQ(r.Y.Min, 2);
    EXPECT_EQ(r.Y.Max, 6);
    EXPECT_NEAR(r.R, 0.852803L, 1e-6);
    EXPECT_NEAR(r.P, 0.966894L, 1e-6);
    EXPECT_EQ(r.Degree, 1);
    ASSERT_EQ(r.Coef.size(), 2u);
    EXPECT_NEAR(r.Coef[0], 1.8L, 1e-12);
    EXPECT_NEAR(r.Coef[1], 0.8L, 1e-12);
    EXPECT_NEAR(r.R2, 0.727273L, 1e-6);
    EXPECT_EQ(r.R2, r.R * r.R);
    EXPECT_NEAR(series.PolynomValue(10), 9.8L, 1e-12);

    series.Calculate(2);
    EXPECT_EQ(r.Degree, 2);
    ASSERT_EQ(r.Coef.size(), 3u);
    EXPECT_NEAR(r.Coef[0], 0.8L, 1e-6);
    EXPECT_NEAR(r.Coef[1], 1.657143L, 1e-6);
    EXPECT_NEAR(r.Coef[2], -0.142857L, 1e-6);
    EXPECT_NEAR(r.R2, 0.759740L, 1e-6);
    EXPECT_NEAR(r.P, 0.966894L, 1e-6);
    EXPECT_EQ(series.Matrix().size(), 3u);
    EXPECT_EQ(series.Matrix()[0].size(), 4u);
    EXPECT_TRUE(sink.entries().empty());
}

// Three points on one X: the degree-1 system is singular, so the fit fails quietly.
TEST(TStatistics, SingularSystemLeavesDegreeZero)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, {{2, 1}, {2, 3}, {2, 5}});
    series.Calculate(1);
    const auto &r = series.Res;
    EXPECT_TRUE(r.Calculated);
    EXPECT_EQ(r.X.StDev, 0);
    EXPECT_EQ(r.R, 0);
    EXPECT_EQ(r.P, 0.5L);
    EXPECT_EQ(r.Degree, 0);
    EXPECT_EQ(r.R2, 0);
    EXPECT_TRUE(r.Coef.empty());
    EXPECT_TRUE(sink.entries().empty());
}

// Five distinct X cannot determine a polynomial of degree 6, though rounding keeps the normal
// equations from being exactly singular: no fit, the user told why, and a lower degree still fits.
TEST(TStatistics, ADegreeThePointsCannotDetermineIsRefusedWithItsReason)
{
    RecordingSink sink;
    TStatistics series(sink);
    for (int i = 0; i < 40; ++i)
        series.AddPoint(1 + i % 5, (i * 7919) % 13);
    series.Calculate(6);
    EXPECT_TRUE(series.Res.Undetermined);
    EXPECT_EQ(series.Res.Degree, 0);
    EXPECT_FALSE(series.HasPolynomial());
    EXPECT_EQ(
        sink.entries(),
        (std::vector<RecordingSink::Entry>{
            {MessageKind::Error,
             "A polynomial of degree 6 cannot be fitted reliably to these 40 points; try a lower degree"}}));
    sink.clear();
    series.Calculate(4);
    EXPECT_FALSE(series.Res.Undetermined);
    EXPECT_EQ(series.Res.Degree, 4);
    EXPECT_GE(series.Res.R2, 0);
    EXPECT_LE(series.Res.R2, 1);
    EXPECT_TRUE(sink.entries().empty());
}

struct CorrelationCase
{
    const char *name;
    std::vector<TPoint> points;
    long double r;
    long double p;
};

TEST(TStatistics, CorrelationAndProbabilityEdgeCases)
{
    const CorrelationCase cases[] = {
        {"rising line", {{1, 1}, {2, 2}, {3, 3}}, 1, 1},
        {"falling line", {{1, 3}, {2, 2}, {3, 1}}, -1, 0},
        {"two points rising", {{1, 1}, {2, 5}}, 1, 0},
        {"two points falling", {{1, 5}, {2, 1}}, -1, 0},
        {"all Y equal", {{1, 4}, {2, 4}, {3, 4}, {7, 4}}, 0, 0.5L},
        {"one point", {{3, 4}}, 0, 0},
    };
    for (const auto &c : cases) {
        RecordingSink sink;
        TStatistics series(sink);
        addAll(series, c.points);
        series.Calculate(1);
        EXPECT_NEAR(series.Res.R, c.r, 1e-15) << c.name;
        EXPECT_EQ(series.Res.P, c.p) << c.name;
        EXPECT_TRUE(series.Res.Calculated) << c.name;
    }
}

TEST(TStatistics, AllYEqual)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, {{1, 4}, {2, 4}, {3, 4}, {7, 4}});
    series.Calculate(1);
    EXPECT_EQ(series.Res.R2, 0);
    ASSERT_EQ(series.Res.Coef.size(), 2u);
    EXPECT_NEAR(series.Res.Coef[0], 4, 1e-15);
    EXPECT_NEAR(series.Res.Coef[1], 0, 1e-15);

    // Degree 2 divides by the zero variance of Y: the fault ends the calculation after the fit, so
    // the new degree and coefficients stay and R2 keeps its earlier value.
    series.Res.R2 = 0.25L;
    EXPECT_THROW(series.Calculate(2), common::MathError);
    EXPECT_TRUE(series.Res.Calculated);
    EXPECT_EQ(series.Res.Degree, 2);
    EXPECT_EQ(series.Res.Coef.size(), 3u);
    EXPECT_EQ(series.Res.R2, 0.25L);
}

TEST(TStatistics, OverflowIsAFault)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, {{1e300L, 1}, {2e300L, 2}, {3e300L, 1}});
    EXPECT_THROW(series.Calculate(10), common::MathError);
    EXPECT_FALSE(series.Res.Calculated);
    EXPECT_FALSE(series.HasPolynomial());
}

TEST(TStatistics, MissingValuesAreComparedExactly)
{
    RecordingSink sink;
    TStatistics byDefault(sink);
    EXPECT_EQ(byDefault.MissingX, -9999.9999L);
    EXPECT_FALSE(byDefault.AddPoint(-9999.9999L, 1));
    EXPECT_FALSE(byDefault.AddPoint(1, -9999.9999L));
    // A value read from a table is a double, and -9999.9999 as a double is not the default.
    EXPECT_TRUE(byDefault.AddPoint(static_cast<double>(-9999.9999L), 1));
    EXPECT_EQ(byDefault.Points().size(), 1u);

    TStatistics zero(sink);
    zero.MissingX = 0;
    zero.MissingY = -1;
    EXPECT_FALSE(zero.AddPoint(0.0L, 5));
    EXPECT_FALSE(zero.AddPoint(-0.0L, 5));
    EXPECT_FALSE(zero.AddPoint(3, -1));
    EXPECT_TRUE(zero.AddPoint(-0.0001L, 5));
    EXPECT_TRUE(zero.AddPoint(3, -0.999L));
    ASSERT_EQ(zero.Points().size(), 2u);
    EXPECT_EQ(zero.Points()[0].X, -0.0001L);

    EXPECT_THROW(zero.AddPoint(std::nanl(""), 1), common::MathError);
    EXPECT_EQ(zero.Points().size(), 2u);
}

TEST(TStatistics, PointsAreKeptInXOrderAndEqualXInArrivalOrder)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, {{3, 10}, {1, 20}, {2, 30}, {1, 40}});
    const std::vector<long double> xs = {1, 1, 2, 3}, ys = {20, 40, 30, 10};
    ASSERT_EQ(series.Points().size(), 4u);
    for (size_t i = 0; i < xs.size(); ++i) {
        EXPECT_EQ(series.Points()[i].X, xs[i]) << i;
        EXPECT_EQ(series.Points()[i].Y, ys[i]) << i;
    }
}

// Degree 0 computes the statistics only; a failed fit also ends at degree 0 with the earlier
// coefficients, whose first entry then serves as the constant.
TEST(TStatistics, DegreeZeroKeepsR2AndCoef)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, kWorked);
    series.Calculate(2);
    const auto coef = series.Res.Coef;
    const long double r2 = series.Res.R2;

    series.AddPoint(6, 9);
    series.Calculate(0);
    EXPECT_TRUE(series.Res.Calculated);
    EXPECT_EQ(series.Res.Degree, 0);
    EXPECT_EQ(series.Res.X.N, 6);
    EXPECT_EQ(series.Res.Coef, coef);
    EXPECT_EQ(series.Res.R2, r2);
    EXPECT_EQ(series.PolynomValue(100), coef[0]);

    EXPECT_TRUE(sink.entries().empty());

    // Two distinct X cannot carry a parabola: the refused fit keeps the line's coefficients.
    TStatistics two(sink);
    addAll(two, {{1, 1}, {2, 3}});
    two.Calculate(1);
    const auto line = two.Res.Coef;
    two.Calculate(2);
    EXPECT_EQ(two.Res.Degree, 0);
    EXPECT_TRUE(two.Res.Undetermined);
    EXPECT_EQ(two.Res.Coef, line);
    EXPECT_EQ(two.Res.R2, two.Res.R * two.Res.R);
    EXPECT_EQ(
        sink.entries(),
        (std::vector<RecordingSink::Entry>{
            {MessageKind::Error,
             "A polynomial of degree 2 cannot be fitted reliably to these 2 points; try a lower degree"}}));
}

// Left to us: a series at degree 0 that never had a successful fit has no coefficients. It has no
// polynomial: PolynomValue warns and gives MissingY, and the chart gets the data but no curve.
TEST(TStatistics, NoCoefficientsMeansNoPolynomial)
{
    for (int degree : {0, 1}) {
        RecordingSink sink;
        TStatistics series(sink);
        series.MissingY = -1;
        addAll(series, degree == 0 ? kWorked : std::vector<TPoint>{{2, 1}, {2, 3}, {2, 5}});
        series.Calculate(degree);
        ASSERT_TRUE(series.Res.Calculated);
        ASSERT_TRUE(series.Res.Coef.empty());
        EXPECT_FALSE(series.HasPolynomial());

        EXPECT_EQ(series.PolynomValue(3), -1);
        const auto drawn = series.DrawRegression(true);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].style, ChartSeries::Style::DataPoints);
        EXPECT_EQ(sink.entries(), (std::vector<RecordingSink::Entry>{kNotCalculated, kNotCalculated}));
    }
}

TEST(TStatistics, NothingToCalculate)
{
    RecordingSink sink;
    TStatistics series(sink);
    series.Calculate(1);
    EXPECT_FALSE(series.Res.Calculated);
    EXPECT_EQ(series.Res.Degree, 0);
    EXPECT_EQ(series.PolynomValue(1), stats::kDefaultMissing);
    const auto drawn = series.DrawRegression(true);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].title, "Data");
    EXPECT_TRUE(drawn[0].points.empty());
    EXPECT_EQ(sink.entries(), (std::vector<RecordingSink::Entry>{kNotCalculated, kNotCalculated}));
}

struct CurveCase
{
    std::vector<TPoint> points;
    int degree;
    long double start;
    long double stop;
};

TEST(TStatistics, CurveRanges)
{
    const CurveCase cases[] = {
        {{{10, 1}, {15, 3}, {20, 2}}, 1, 9, 21},
        {{{10, 1}, {15, 3}, {20, 2}}, 2, 9, 21},
        {{{0.5L, 1}, {7, 3}, {20.5L, 2}}, 1, 0, 22.5L}, // a start below 0 is clamped for positive X
        {{{0.5L, 1}, {7, 3}, {20.5L, 2}}, 2, 0, 22.5L},
        {{{0, 1}, {5, 3}, {10, 2}}, 2, -1, 11}, // X.Min of 0 is not positive: no clamp
        {{{-10, 1}, {-5, 3}, {10, 2}}, 1, -12, 12},
        // start + (stop - start) rounds past stop here; the line still reaches its end.
        {{{-79.5L, 1}, {-50, 3}, {-17.7L, 2}}, 1, -85.68L, -11.52L},
    };
    for (const auto &c : cases) {
        RecordingSink sink;
        TStatistics series(sink);
        addAll(series, c.points);
        series.Calculate(c.degree);
        ASSERT_EQ(series.Res.Degree, c.degree);
        const auto drawn = series.DrawRegression(false);
        ASSERT_EQ(drawn.size(), 1u);
        const ChartSeries &curve = drawn[0];
        EXPECT_EQ(curve.style, ChartSeries::Style::RegressionLine);
        EXPECT_EQ(curve.title, "Regression (" + std::to_string(c.degree) + ")");
        const auto &pts = curve.points;
        ASSERT_FALSE(pts.empty());
        EXPECT_NEAR(pts.front().X, c.start, 1e-12) << c.start;
        const long double step = (c.stop - c.start) / 100;
        if (c.degree == 1) {
            ASSERT_EQ(pts.size(), 2u) << c.start;
            EXPECT_NEAR(pts.back().X, c.stop, 1e-12) << c.start;
        } else {
            EXPECT_GE(pts.size(), 100u);
            EXPECT_LE(pts.size(), 101u);
            EXPECT_LE(pts.back().X, c.stop);
            EXPECT_GT(pts.back().X, c.stop - 1.5L * step);
        }
        for (const auto &p : pts)
            EXPECT_EQ(p.Y, series.PolynomValue(p.X));
        EXPECT_TRUE(sink.entries().empty());
    }
}

TEST(TStatistics, DrawRegressionWithDataAddsTheSeriesInListOrder)
{
    RecordingSink sink;
    TStatistics series(sink);
    addAll(series, {{3, 1}, {1, 2}, {2, 3}});
    series.Calculate(1);
    const auto drawn = series.DrawRegression(true);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].style, ChartSeries::Style::DataPoints);
    EXPECT_EQ(drawn[0].title, "Data");
    ASSERT_EQ(drawn[0].points.size(), 3u);
    EXPECT_EQ(drawn[0].points[0].X, 1);
    EXPECT_EQ(drawn[0].points[0].Y, 2);
    EXPECT_EQ(drawn[1].title, "Regression (1)");
}

// A "successful" fit on X values that differ by a few units in the last place gives a curve whose
// step is lost in the rounding of x: the stepping must still end.
TEST(TStatistics, CurveOverAVanishingWidthEnds)
{
    RecordingSink sink;
    TStatistics series(sink);
    for (int k = 0; k < 5; ++k)
        series.AddPoint(3 + k * 3 * 0x1p-62L, k * k);
    series.Calculate(2);
    // The curve is what is tested: a singular fit would leave nothing to step over.
    ASSERT_EQ(series.Res.Degree, 2) << "the fit was singular";
    const auto drawn = series.DrawRegression(false);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_GE(drawn[0].points.size(), 1u);
    EXPECT_LE(drawn[0].points.size(), 102u);
}

} // namespace
