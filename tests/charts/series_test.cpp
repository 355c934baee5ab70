// Chart series: kinds and list entries, what QCustomPlot is given for pens and pointers, points in
// ascending x, the legend, removal, and arrows made from points.
#include "charts/chart.h"
#include "charts/modelchart.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace charts;

namespace {

class SeriesTest : public ::testing::Test
{
protected:
    void SetUp() override { chart = std::make_unique<Chart>(); }
    QCustomPlot *plot() { return chart->customPlot(); }
    std::unique_ptr<Chart> chart;
};

QCPGraph *graphOf(const Series &s)
{
    return qobject_cast<QCPGraph *>(s.plottable());
}

std::vector<ChartPoint> graphPoints(const Series &s)
{
    std::vector<ChartPoint> points;
    for (const auto &d : *graphOf(s)->data())
        points.push_back({d.key, d.value});
    return points;
}

TEST_F(SeriesTest, KindsAreListedByIndexKindNameAndTitle)
{
    chart->addLineSeries("Data");
    chart->addArrowSeries("Data");
    chart->addFastLineSeries("Fast");
    chart->addPointSeries("");
    chart->addShapeSeries("Box");
    const QStringList expected{"0 Line: Data", "1 Arrow: Data", "2 FLine: Fast", "3 Point: ", "4 Shape: Box"};
    ASSERT_EQ(chart->seriesCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(chart->seriesListEntry(i), expected[i]);
    EXPECT_EQ(seriesKindName(SeriesKind::Other), "?");
    EXPECT_EQ(seriesKindName(SeriesKind::Bubble), "Bubble");
    EXPECT_EQ(plot()->plottableCount(), 5);
}

TEST_F(SeriesTest, LinePensTakeTheStyleIndexWidthAndColour)
{
    const Qt::PenStyle styles[] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
                                   Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
    for (int i = 0; i < 7; ++i) {
        LineSeries &line = chart->addLine("l", QColor(0, 128, 0), i, 3);
        const QPen pen = graphOf(line)->pen();
        EXPECT_EQ(pen.style(), styles[i]) << i;
        EXPECT_EQ(pen.width(), 3);
        EXPECT_EQ(pen.color(), QColor(0, 128, 0));
        EXPECT_EQ(line.color(), QColor(0, 128, 0));
        EXPECT_EQ(graphOf(line)->lineStyle(), QCPGraph::lsLine);
    }
    EXPECT_EQ(penStyleFromIndex(7), Qt::SolidLine);
    EXPECT_EQ(penStyleFromIndex(-1), Qt::SolidLine);

    // A colour change reaches the pen; widths of 0 and below draw one pixel.
    LineSeries &line = chart->addLine("l", Qt::black, 2, 0);
    EXPECT_EQ(graphOf(line)->pen().width(), 1);
    line.setColor(Qt::red);
    EXPECT_EQ(graphOf(line)->pen().color(), QColor(Qt::red));
    EXPECT_EQ(graphOf(line)->pen().style(), Qt::DotLine);
}

TEST_F(SeriesTest, PointerStylesMapToScatterShapesOfTwiceTheHalfSize)
{
    const QCPScatterStyle::ScatterShape shapes[] = {
        QCPScatterStyle::ssSquare,   QCPScatterStyle::ssCircle,
        QCPScatterStyle::ssTriangle, QCPScatterStyle::ssTriangleInverted,
        QCPScatterStyle::ssPlus,     QCPScatterStyle::ssCross,
        QCPScatterStyle::ssStar,     QCPScatterStyle::ssDiamond,
        QCPScatterStyle::ssDot};
    PointSeries &points = chart->addPointSeries("p");
    points.setColor(Qt::blue);
    EXPECT_EQ(graphOf(points)->lineStyle(), QCPGraph::lsNone);
    for (int i = 0; i < 9; ++i) {
        points.setPointerStyle(static_cast<PointerStyle>(i));
        const QCPScatterStyle style = graphOf(points)->scatterStyle();
        EXPECT_EQ(style.shape(), shapes[i]) << i;
        EXPECT_EQ(style.size(), 8) << i;
    }
    // Filled marks are outlined black and filled with the colour; crosses are drawn in it.
    points.setPointerStyle(PointerStyle::Circle);
    EXPECT_EQ(graphOf(points)->scatterStyle().brush().color(), QColor(Qt::blue));
    EXPECT_EQ(graphOf(points)->scatterStyle().pen().color(), QColor(Qt::black));
    points.setPointerStyle(PointerStyle::Cross);
    EXPECT_EQ(graphOf(points)->scatterStyle().pen().color(), QColor(Qt::blue));

    // Different sizes stretch the mark: a path of 2h by 2v pixels.
    points.setPointerStyle(PointerStyle::Rectangle);
    points.setHorizontalSize(6);
    points.setVerticalSize(2);
    const QCPScatterStyle stretched = graphOf(points)->scatterStyle();
    EXPECT_EQ(stretched.shape(), QCPScatterStyle::ssCustom);
    EXPECT_EQ(stretched.size(), 6); // QCustomPlot scales custom paths by size / 6
    EXPECT_EQ(stretched.customPath().boundingRect(), QRectF(-6, -2, 12, 4));
}

TEST_F(SeriesTest, PointsStayInAscendingXAndTiesKeepTheirOrder)
{
    LineSeries &line = chart->addLineSeries("l");
    line.addPoint(3, 30);
    line.addPoint(1, 10);
    line.addPoint(2, 20);
    line.addPoint(1, 11);
    line.addPoint(2, 21); // a tie in the middle: QCustomPlot alone would put it before 20
    const std::vector<ChartPoint> expected{{1, 10}, {1, 11}, {2, 20}, {2, 21}, {3, 30}};
    EXPECT_EQ(line.points(), expected);
    chart->toImage(QSize(200, 100));
    EXPECT_EQ(graphPoints(line), expected);

    PointSeries &points = chart->addPointSeries("p");
    points.addPoint(5, 1);
    points.addPoint(4, 2);
    EXPECT_EQ(points.points(), (std::vector<ChartPoint>{{4, 2}, {5, 1}}));
}

TEST_F(SeriesTest, LegendListsActiveSeriesShownInLegendAndIsHiddenAtFirst)
{
    chart->addLineSeries("a");
    chart->addLineSeries("b").setShowInLegend(false);
    chart->addLineSeries("c").setActive(false);
    chart->addPointSeries("d");
    chart->toImage(QSize(300, 200));
    QCPLegend *legend = plot()->legend;
    EXPECT_FALSE(legend->visible());
    ASSERT_EQ(legend->itemCount(), 2);
    EXPECT_EQ(static_cast<QCPPlottableLegendItem *>(legend->item(0))->plottable()->name(), "a");
    EXPECT_EQ(static_cast<QCPPlottableLegendItem *>(legend->item(1))->plottable()->name(), "d");

    chart->setLegendVisible(true);
    chart->setLegendColorWidth(40);
    chart->toImage(QSize(300, 200));
    EXPECT_TRUE(legend->visible());
    EXPECT_EQ(legend->iconSize().width(), 40);
}

TEST_F(SeriesTest, RemovingASeriesTakesItsPlottableAndShiftsTheOthers)
{
    chart->addLineSeries("a");
    Series &b = chart->addPointSeries("b");
    chart->addArrowSeries("c");
    chart->removeSeries(0);
    EXPECT_EQ(chart->seriesCount(), 2);
    EXPECT_EQ(chart->indexOf(b), 0);
    EXPECT_EQ(chart->seriesListEntry(1), "1 Arrow: c");
    EXPECT_EQ(plot()->plottableCount(), 2);
    chart->clearSeries();
    EXPECT_EQ(chart->seriesCount(), 0);
    EXPECT_EQ(plot()->plottableCount(), 0);
}

TEST_F(SeriesTest, PointsBecomeArrowsFromTheOriginAtTheEndOfTheOrder)
{
    chart->addLineSeries("first");
    PointSeries &points = chart->addPointSeries("Data");
    points.addPoint(1, 2);
    points.addPoint(3, -1);
    chart->addLineSeries("last");

    ArrowSeries &arrows = chart->convertPointsToArrows(1, 0, 0, 2, 3);
    ASSERT_EQ(chart->seriesCount(), 3);
    EXPECT_EQ(chart->indexOf(arrows), 2);
    EXPECT_EQ(chart->seriesListEntry(1), "1 Line: last");
    EXPECT_EQ(arrows.title(), "Data");
    EXPECT_FALSE(arrows.showInLegend());
    EXPECT_EQ(arrows.penWidth(), 3);
    EXPECT_EQ(arrows.penStyle(), 0);
    EXPECT_EQ(arrows.headWidth(), 12);
    EXPECT_EQ(arrows.headHeight(), 12);
    EXPECT_EQ(arrows.arrows(), (std::vector<Arrow>{{0, 0, 2, 4}, {0, 0, 6, -2}}));

    // Multipliers act on the current lengths: 2 and 2 again give four times.
    arrows.multiplyLengths(2);
    arrows.multiplyLengths(2);
    EXPECT_EQ(arrows.arrows(), (std::vector<Arrow>{{0, 0, 8, 16}, {0, 0, 24, -8}}));
    chart->bottomAxis().setAutomatic(true);
    EXPECT_DOUBLE_EQ(chart->bottomAxis().maximum(), 24 * 1.03); // arrows count for automatic axes
}

TEST_F(SeriesTest, ModelLinesTakeTheirLineSettings)
{
    setupModelChart(*chart);
    LineSeries &limit = AddModelLine(*chart, "AVG+n(%)STD", {common::LineColor::fromRgb(0, 0, 255), 1, 1});
    EXPECT_EQ(limit.color(), QColor(0, 0, 255));
    EXPECT_EQ(graphOf(limit)->pen().style(), Qt::DashLine);
    EXPECT_EQ(chart->bottomAxis().title(), "Year");
    EXPECT_EQ(chart->bottomAxis().increment(), 1);
    EXPECT_EQ(chart->leftAxis().title(), "Defoliation / Deads share [%]");
    EXPECT_TRUE(chart->leftAxis().automatic());
    EXPECT_FALSE(chart->legendVisible());
    EXPECT_EQ(toLineColor(toQColor(common::LineColor::fromRgb(1, 2, 3))),
              common::LineColor::fromRgb(1, 2, 3));
}

} // namespace
