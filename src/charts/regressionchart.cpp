// The regression chart.
#include "charts/regressionchart.h"

#include "stats/statistics.h"

namespace charts {

void setupRegressionChart(Chart &chart)
{
    chart.setTitleLines({});
    chart.setChartColor(Qt::white);
    chart.setLegendVisible(false);
    chart.leftAxis().setAutomatic(true);
    chart.bottomAxis().setAutomatic(true);
}

void DrawRegression(Chart &chart, const stats::TStatistics &series, bool withData)
{
    for (const stats::ChartSeries &drawn : series.DrawRegression(withData)) {
        const QString title = QString::fromStdString(drawn.title);
        XYSeries *target = nullptr;
        if (drawn.style == stats::ChartSeries::Style::DataPoints) {
            PointSeries &points = chart.addPointSeries(title);
            points.setColor(Qt::black);
            points.setPointerStyle(PointerStyle::Circle);
            target = &points;
        } else {
            target = &chart.addLine(title, Qt::red, 0, 1);
        }
        for (const stats::TPoint &p : drawn.points)
            target->addPoint(static_cast<double>(p.X), static_cast<double>(p.Y));
    }
}

} // namespace charts
