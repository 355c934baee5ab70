// Drawing a chart into images at a given size: title, axes, series, frame and stretching.
#include "charts/chart.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QPainter>

using namespace charts;

namespace {

class RenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        chart = std::make_unique<Chart>();
        chart->resize(640, 480);
        chart->setBevelOuter(BevelKind::None);
        for (Axis *axis : {&chart->bottomAxis(), &chart->leftAxis()}) {
            axis->setAutomatic(false);
            axis->setRange(0, 100);
            axis->setGridVisible(false);
        }
        // A thick red horizontal line at y = 50 across the whole range.
        LineSeries &line = chart->addLine("red", Qt::red, 0, 5);
        line.addPoint(0, 50);
        line.addPoint(100, 50);
    }

    // The pixel of a chart value after the last drawing.
    QPoint pixelOf(double x, double y) const
    {
        QCustomPlot *plot = chart->customPlot();
        return QPointF(plot->xAxis->coordToPixel(x), plot->yAxis->coordToPixel(y)).toPoint();
    }

    static int darkPixelsInRows(const QImage &image, int from, int to)
    {
        int dark = 0;
        for (int y = from; y < to; ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 100;
        return dark;
    }

    std::unique_ptr<Chart> chart;
};

TEST_F(RenderTest, DrawsSeriesAxesAndTitleAtTheGivenSize)
{
    chart->setTitleLines({"Plot 7", "- species 21"});
    chart->bottomAxis().setTitle("Year");
    const QImage image = chart->toImage(QSize(400, 300));
    ASSERT_EQ(image.size(), QSize(400, 300));

    const QRect area = chart->customPlot()->axisRect()->rect();
    EXPECT_TRUE(QRect(0, 0, 400, 300).contains(area));
    EXPECT_GT(area.width(), 250);
    // The line crosses the middle of the plot area in red; above it, the chart colour.
    const QPoint middle = pixelOf(50, 50);
    EXPECT_NEAR(middle.y(), area.center().y(), 2);
    EXPECT_EQ(image.pixelColor(middle), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(pixelOf(50, 75)), QColor(Qt::white));
    // Axis lines: dark along the left and bottom edges of the plot area.
    EXPECT_LT(qGray(image.pixel(pixelOf(0, 75))), 100);
    EXPECT_LT(qGray(image.pixel(pixelOf(25, 0))), 100);
    // Two title lines above the plot area, text below it (labels and the axis title).
    EXPECT_GT(darkPixelsInRows(image, 0, area.top()), 50);
    EXPECT_GT(darkPixelsInRows(image, area.bottom() + 3, 300), 50);
}

TEST_F(RenderTest, AHiddenOrEmptyTitleTakesNoRoom)
{
    chart->setTitleLines({"Title"});
    chart->toImage(QSize(400, 300));
    const int withTitle = chart->customPlot()->axisRect()->rect().top();
    chart->setTitleVisible(false);
    chart->toImage(QSize(400, 300));
    const int hidden = chart->customPlot()->axisRect()->rect().top();
    chart->setTitleVisible(true);
    chart->setTitleLines({});
    chart->toImage(QSize(400, 300));
    EXPECT_EQ(chart->customPlot()->axisRect()->rect().top(), hidden);
    EXPECT_GT(withTitle, hidden + 8);
}

TEST_F(RenderTest, InactiveSeriesAreNotDrawn)
{
    chart->series(0).setActive(false);
    const QImage image = chart->toImage(QSize(400, 300));
    EXPECT_EQ(image.pixelColor(pixelOf(50, 50)), QColor(Qt::white));
}

TEST_F(RenderTest, BorderBevelAndChartColourFrameTheChart)
{
    chart->setChartColor(QColor(255, 255, 200));
    chart->setBorderVisible(true);
    chart->setBevelOuter(BevelKind::Raised);
    chart->setBevelWidth(2);
    const QImage image = chart->toImage(QSize(300, 200));
    const QColor black(Qt::black), light(255, 255, 255), shadow(128, 128, 128);
    for (QPoint p : {QPoint(0, 100), QPoint(299, 100), QPoint(150, 0), QPoint(150, 199)})
        EXPECT_EQ(image.pixelColor(p), black) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixelColor(1, 100), light);
    EXPECT_EQ(image.pixelColor(2, 100), light);
    EXPECT_EQ(image.pixelColor(298, 100), shadow);
    EXPECT_EQ(image.pixelColor(150, 197), shadow);
    EXPECT_EQ(image.pixelColor(3, 100), QColor(255, 255, 200));
    // The chart's content keeps off the frame.
    EXPECT_GE(chart->customPlot()->plotLayout()->rect().left(), 3);

    chart->setBorderVisible(false);
    chart->setBevelOuter(BevelKind::None);
    EXPECT_EQ(chart->toImage(QSize(300, 200)).pixelColor(0, 100), QColor(255, 255, 200));
}

TEST_F(RenderTest, DrawToStretchesTheLayoutSizeIntoTheTarget)
{
    const QSize layout(400, 300);
    chart->toImage(layout);
    const QPoint atLayout = pixelOf(25, 50);

    // Twice as wide, the same height, placed at (100, 50) of a larger grey page, on a screen-like
    // and on a printer-like resolution: the geometry must not depend on it.
    for (int dotsPerMeter : {3780, 23622}) {
        QImage page(1000, 400, QImage::Format_RGB32);
        page.setDotsPerMeterX(dotsPerMeter);
        page.setDotsPerMeterY(dotsPerMeter);
        page.fill(Qt::gray);
        {
            QPainter painter(&page);
            chart->drawTo(painter, QRectF(100, 50, 800, 300), layout);
        }
        EXPECT_EQ(page.pixelColor(50, 200), QColor(Qt::gray)) << dotsPerMeter;  // outside the target
        EXPECT_EQ(page.pixelColor(110, 60), QColor(Qt::white)) << dotsPerMeter; // chart colour inside
        const QPoint stretched(100 + 2 * atLayout.x(), 50 + atLayout.y());
        EXPECT_EQ(page.pixelColor(stretched), QColor(Qt::red)) << dotsPerMeter;
        EXPECT_EQ(page.pixelColor(898, 60), QColor(Qt::white)) << dotsPerMeter;
        EXPECT_EQ(page.pixelColor(902, 60), QColor(Qt::gray)) << dotsPerMeter;
    }
}

TEST_F(RenderTest, ShapesFillWithTheirBrushUnlessTransparent)
{
    ShapeSeries &shape = chart->addShapeSeries("box");
    shape.setCorners(60, 60, 90, 90);
    shape.setColor(Qt::blue);
    chart->toImage(QSize(400, 300));
    const QPoint inside = pixelOf(75, 75);
    EXPECT_EQ(chart->toImage(QSize(400, 300)).pixelColor(inside), QColor(Qt::blue));

    QImage bitmap(8, 8, QImage::Format_RGB32);
    bitmap.fill(QColor(0, 200, 0));
    shape.setBrushBitmap(bitmap);
    EXPECT_EQ(chart->toImage(QSize(400, 300)).pixelColor(inside), QColor(0, 200, 0));
    shape.clearBrushBitmap();
    shape.setBrushStyle(1); // clear
    EXPECT_EQ(chart->toImage(QSize(400, 300)).pixelColor(inside), QColor(Qt::white));
    shape.setBrushStyle(0);
    shape.setTransparent(true);
    EXPECT_EQ(chart->toImage(QSize(400, 300)).pixelColor(inside), QColor(Qt::white));
}

TEST_F(RenderTest, ASinglePointShowsAsADotInTheSeriesColour)
{
    // One survey year of statistics: the line has no length, the dot shows where it is.
    LineSeries &single = chart->addLine("single", QColor(0, 128, 0), 0, 2);
    single.addPoint(25, 75);
    chart->toImage(QSize(400, 300));
    const QPoint at = pixelOf(25, 75);
    const QImage image = chart->toImage(QSize(400, 300));
    EXPECT_EQ(image.pixelColor(at), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(at + QPoint(2, 0)), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(at + QPoint(12, 0)), QColor(Qt::white));

    // A second point makes it a line again, without the dot; a clear pen shows nothing.
    single.addPoint(30, 75);
    EXPECT_EQ(chart->toImage(QSize(400, 300)).pixelColor(at + QPoint(0, 3)), QColor(Qt::white));
    single.clearPoints();
    single.addPoint(25, 75);
    single.setPenStyle(5);
    EXPECT_EQ(chart->toImage(QSize(400, 300)).pixelColor(at), QColor(Qt::white));
}

TEST_F(RenderTest, TheShownWidgetRedrawsAfterAChange)
{
    chart->show();
    QCoreApplication::processEvents();
    LineSeries &blue = chart->addLine("blue", Qt::blue, 0, 5);
    blue.addPoint(0, 25);
    blue.addPoint(100, 25);
    QCoreApplication::processEvents(); // the queued redraw
    const QImage shown = chart->grab().toImage();
    EXPECT_EQ(shown.pixelColor(pixelOf(50, 25)), QColor(Qt::blue));
}

} // namespace
