// The regression chart: what one series draws (black "Data" circles, a red line per fit) and axes
// that follow the data, the same for the window and for pictures drawn without one.
#include "charts/chart.h"
#include "charts/regressionchart.h"
#include "common/messagesink.h"
#include "stats/statistics.h"

#include <gtest/gtest.h>

namespace {

using namespace charts;

class RegressionChart : public ::testing::Test
{
protected:
    RegressionChart()
    {
        setupRegressionChart(chart);
        for (const auto &[x, y] :
             std::vector<std::pair<int, int>>{{10, 2}, {12, 4}, {15, 5}, {18, 4}, {20, 6}})
            series.AddPoint(x, y);
    }
    Chart chart;
    common::RecordingSink sink;
    stats::TStatistics series{sink};
};

TEST_F(RegressionChart, DataAsBlackCirclesThenOneRedLinePerFit)
{
    series.Calculate(1);
    DrawRegression(chart, series, true);
    series.Calculate(2);
    DrawRegression(chart, series, false);

    ASSERT_EQ(chart.seriesCount(), 3);
    ASSERT_EQ(chart.series(0).kind(), SeriesKind::Point);
    const auto &data = static_cast<const PointSeries &>(chart.series(0));
    EXPECT_EQ(data.title(), "Data");
    EXPECT_EQ(data.color(), QColor(Qt::black));
    EXPECT_EQ(data.pointerStyle(), PointerStyle::Circle);
    EXPECT_EQ(data.points(), (std::vector<ChartPoint>{{10, 2}, {12, 4}, {15, 5}, {18, 4}, {20, 6}}));

    const char *titles[] = {"Regression (1)", "Regression (2)"};
    for (int i = 1; i <= 2; ++i) {
        ASSERT_EQ(chart.series(i).kind(), SeriesKind::Line);
        const auto &line = static_cast<const LineSeries &>(chart.series(i));
        EXPECT_EQ(line.title(), titles[i - 1]);
        EXPECT_EQ(line.color(), QColor(Qt::red));
        EXPECT_EQ(line.penStyle(), 0);
        EXPECT_EQ(line.penWidth(), 1);
        // From X.Min - w/10 to X.Max + w/10: 9 to 21, the curve in steps of 0.12 whose sum may round
        // just past 21.
        EXPECT_DOUBLE_EQ(line.points().front().x, 9);
        EXPECT_NEAR(line.points().back().x, 21, i == 1 ? 0 : 0.12 + 1e-9);
    }
    EXPECT_EQ(static_cast<const LineSeries &>(chart.series(1)).pointCount(), 2);
    EXPECT_NEAR(static_cast<const LineSeries &>(chart.series(2)).pointCount(), 101, 1);
    // The line y = 4.2 + (20 / 68)(x - 15) at x = 9.
    EXPECT_NEAR(static_cast<const LineSeries &>(chart.series(1)).points().front().y, 4.2 - 6 * 20.0 / 68,
                1e-9);

    // The axes follow the data, the line's ends and the points' extremes, with 3 % of the span to
    // spare on each side so that nothing lies on the frame.
    EXPECT_DOUBLE_EQ(chart.bottomAxis().minimum(), 9 - 0.03 * 12);
    EXPECT_DOUBLE_EQ(chart.bottomAxis().maximum(), 21 + 0.03 * 12);
    EXPECT_LE(chart.leftAxis().minimum(), 2);
    EXPECT_GE(chart.leftAxis().maximum(), 6);
    EXPECT_TRUE(sink.entries().empty());
}

TEST_F(RegressionChart, WithoutAPolynomialOnlyThePointsAndTheWarning)
{
    series.Calculate(0);
    DrawRegression(chart, series, true);
    ASSERT_EQ(chart.seriesCount(), 1);
    EXPECT_EQ(chart.series(0).title(), "Data");
    EXPECT_EQ(sink.entries(), (std::vector<common::RecordingSink::Entry>{
                                  {common::MessageKind::Warning, "Regression was not calculated"}}));
}

} // namespace
