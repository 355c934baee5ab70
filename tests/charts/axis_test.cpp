// Chart axes: the range refusals and their order, automatic scaling, increments and label formats.
#include "charts/chart.h"
#include "common/error.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace charts;

namespace {

const std::string kMinimumRefused = "Axis Minimum Value must be <= Maximum";
const std::string kMaximumRefused = "Axis Maximum Value must be >= Minimum";
const std::string kIncrementRefused = "Axis increment must be >= 0";

// The message of the common::Error thrown by f, or "" when nothing was thrown.
std::string refusal(const std::function<void()> &f)
{
    try {
        f();
    } catch (const common::Error &e) {
        return e.what();
    }
    return {};
}

class AxisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        chart = std::make_unique<Chart>();
        axis().setAutomatic(false);
        axis().setRange(0, 10);
    }
    Axis &axis() { return chart->bottomAxis(); }
    std::unique_ptr<Chart> chart;
};

TEST_F(AxisTest, RefusesEachEndBeyondTheOtherAndKeepsItsValue)
{
    EXPECT_EQ(refusal([&] { axis().setMinimum(10.5); }), kMinimumRefused);
    EXPECT_EQ(refusal([&] { axis().setMaximum(-0.5); }), kMaximumRefused);
    EXPECT_EQ(refusal([&] { axis().setIncrement(-1); }), kIncrementRefused);
    EXPECT_EQ(refusal([&] { axis().setMinimum(std::numeric_limits<double>::quiet_NaN()); }), kMinimumRefused);
    EXPECT_EQ(refusal([&] { axis().setMaximum(std::numeric_limits<double>::infinity()); }), kMaximumRefused);
    EXPECT_EQ(refusal([&] { axis().setIncrement(std::numeric_limits<double>::quiet_NaN()); }),
              kIncrementRefused);
    EXPECT_EQ(axis().minimum(), 0);
    EXPECT_EQ(axis().maximum(), 10);
    EXPECT_EQ(axis().increment(), 0);

    // Equal ends and a zero increment are allowed; QCustomPlot still gets a range it can draw.
    EXPECT_EQ(refusal([&] { axis().setMinimum(10); }), "");
    EXPECT_EQ(refusal([&] { axis().setIncrement(0); }), "");
    EXPECT_EQ(axis().minimum(), 10);
    EXPECT_GT(chart->customPlot()->xAxis->range().size(), 0);
}

TEST_F(AxisTest, SetRangeOrdersTheEndsSoThatAValidRangeIsNeverRefused)
{
    // Wholly above the current range: the maximum goes first.
    EXPECT_EQ(refusal([&] { axis().setRange(20, 30); }), "");
    EXPECT_EQ(axis().minimum(), 20);
    EXPECT_EQ(axis().maximum(), 30);
    // Wholly below: the minimum goes first.
    EXPECT_EQ(refusal([&] { axis().setRange(-5, -1); }), "");
    EXPECT_EQ(axis().minimum(), -5);
    EXPECT_EQ(axis().maximum(), -1);
}

TEST_F(AxisTest, AnInvertedPairIsRefusedBySecondSetterAfterTheFirstApplied)
{
    // 0..10, then (5, 3): the minimum first (5 < 10), then the maximum 3 is below it.
    EXPECT_EQ(refusal([&] { axis().setRange(5, 3); }), kMaximumRefused);
    EXPECT_EQ(axis().minimum(), 5);
    EXPECT_EQ(axis().maximum(), 10);
    // 5..10, then (20, 15): the maximum first (20 >= 10), then the minimum 20 is above it.
    EXPECT_EQ(refusal([&] { axis().setRange(20, 15); }), kMinimumRefused);
    EXPECT_EQ(axis().minimum(), 5);
    EXPECT_EQ(axis().maximum(), 15);
}

TEST_F(AxisTest, AutomaticFollowsTheActiveSeriesWithAMarginAndSwitchingOffKeepsTheRange)
{
    axis().setAutomatic(true);
    chart->leftAxis().setAutomatic(true);
    LineSeries &a = chart->addLineSeries("a");
    a.addPoint(1995, 40);
    a.addPoint(2005, 20);
    LineSeries &b = chart->addLineSeries("b");
    b.addPoint(1990, 95);
    // 3 % of the span beyond the data on each side: 1990..2005 and 20..95.
    EXPECT_DOUBLE_EQ(axis().minimum(), 1990 - 0.45);
    EXPECT_DOUBLE_EQ(axis().maximum(), 2005 + 0.45);
    EXPECT_DOUBLE_EQ(chart->leftAxis().minimum(), 20 - 2.25);
    EXPECT_DOUBLE_EQ(chart->leftAxis().maximum(), 95 + 2.25);

    b.setActive(false);
    EXPECT_DOUBLE_EQ(axis().minimum(), 1994.7);
    EXPECT_DOUBLE_EQ(chart->leftAxis().maximum(), 40.6);
    EXPECT_TRUE(axis().automatic());

    // While automatic the checks use the range in use.
    EXPECT_EQ(refusal([&] { axis().setMinimum(2005.5); }), kMinimumRefused);

    axis().setAutomatic(false);
    a.addPoint(2015, 30);
    EXPECT_DOUBLE_EQ(axis().minimum(), 1994.7);
    EXPECT_DOUBLE_EQ(axis().maximum(), 2005.3);
    EXPECT_DOUBLE_EQ(chart->customPlot()->xAxis->range().upper, 2005.3);
}

// Points of two values only (defoliations of 15 and 20 on a small regression chart): the margin
// holds their whole marks inside the plot area, where 3 % of the span would cut them at the frame.
TEST_F(AxisTest, AutomaticKeepsWholeMarksOfPointsInside)
{
    Chart small;
    small.setBevelOuter(BevelKind::None);
    small.leftAxis().setAutomatic(true);
    PointSeries &points = small.addPointSeries("Data");
    points.setPointerStyle(PointerStyle::Circle);
    for (double y : {15.0, 20.0, 15.0, 20.0})
        points.addPoint(y + 10, y);
    small.toImage(QSize(400, 200));
    const QRect area = small.customPlot()->axisRect()->rect();
    QCPAxis *y = small.customPlot()->yAxis;
    const double radius = small.customPlot()->graph(0)->scatterStyle().size() / 2;
    EXPECT_GT(y->coordToPixel(20) - radius, area.top());
    EXPECT_LT(y->coordToPixel(15) + radius, area.bottom());
}

TEST_F(AxisTest, AutomaticKeepsLinesOffTheFrame)
{
    // A dead share of 100 % and an average of 0 % over the whole survey: with the margin both lines
    // lie inside the plot area, not on its frame, in the picture as on the screen.
    Chart model;
    model.setBevelOuter(BevelKind::None);
    LineSeries &deads = model.addLine("Deads", Qt::red, 0, 4);
    LineSeries &zero = model.addLine("zero", Qt::blue, 0, 4);
    for (int year : {2014, 2021}) {
        deads.addPoint(year, 100);
        zero.addPoint(year, 0);
    }
    const QImage image = model.toImage(QSize(680, 392));
    const QRect area = model.customPlot()->axisRect()->rect();
    QCPAxis *y = model.customPlot()->yAxis;
    const int top = static_cast<int>(std::lround(y->coordToPixel(100)));
    const int bottom = static_cast<int>(std::lround(y->coordToPixel(0)));
    EXPECT_GT(top, area.top() + 3);
    EXPECT_LT(bottom, area.bottom() - 3);
    EXPECT_EQ(image.pixelColor(area.center().x(), top), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(area.center().x(), bottom), QColor(Qt::blue));
    EXPECT_TRUE(model.leftAxis().automatic());
}

TEST_F(AxisTest, IncrementStepsAreMultiplesThatKeepLabelsApart)
{
    axis().setFormat("0");
    axis().setRange(1995, 2015);
    axis().setIncrement(1);
    QCPAxis *x = chart->customPlot()->xAxis;
    for (int width : {1200, 680, 250}) {
        chart->toImage(QSize(width, 300));
        const QVector<double> ticks = x->tickVector();
        ASSERT_GE(ticks.size(), 2) << width;
        const double step = ticks[1] - ticks[0];
        EXPECT_EQ(step, std::round(step)) << width;
        const double labelWidth = QFontMetricsF(x->tickLabelFont()).horizontalAdvance("2015");
        EXPECT_GT(x->coordToPixel(ticks[1]) - x->coordToPixel(ticks[0]), labelWidth) << width;
        if (width == 1200) {
            EXPECT_EQ(step, 1);
        }
        EXPECT_EQ(x->tickVectorLabels()[0], QString::number(ticks[0]));
    }
}

TEST_F(AxisTest, LabelsUseTheFormatAndTheChartsSeparators)
{
    chart->setNumberSeparators(",", ".");
    axis().setFormat("#,##0.00");
    EXPECT_EQ(axis().formatValue(1234.5), "1.234,50");
    EXPECT_EQ(axis().format(), "#,##0.00");

    axis().setRange(1000, 3000);
    axis().setIncrement(1000);
    chart->toImage(QSize(680, 392));
    EXPECT_EQ(chart->customPlot()->xAxis->tickVectorLabels(),
              (QVector<QString>{"1.000,00", "2.000,00", "3.000,00"}));
}

} // namespace
