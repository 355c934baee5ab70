// The model chart's fixed look and its lines.
#include "charts/modelchart.h"

namespace charts {

void setupModelChart(Chart &chart)
{
    chart.bottomAxis().setTitle(QStringLiteral("Year"));
    chart.bottomAxis().setAutomatic(true);
    chart.bottomAxis().setIncrement(1);
    // Years read 1995, not 1,995.
    chart.bottomAxis().setFormat(QStringLiteral("0"));
    chart.leftAxis().setTitle(QStringLiteral("Defoliation / Deads share [%]"));
    chart.leftAxis().setAutomatic(true);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSizeF(12);
    chart.setTitleFont({font, Qt::black});
    chart.setLegendVisible(false);
}

QColor toQColor(common::LineColor color)
{
    return QColor(color.red(), color.green(), color.blue());
}

common::LineColor toLineColor(const QColor &color)
{
    return common::LineColor::fromRgb(color.red(), color.green(), color.blue());
}

LineSeries &AddModelLine(Chart &chart, const QString &title, const common::LineSettings &line)
{
    return chart.addLine(title, toQColor(line.color), line.style, line.width);
}

void drawModelLines(Chart &chart, const std::vector<model::ChartLine> &lines,
                    std::vector<std::string> &graphSettings)
{
    for (const model::ChartLine &line : lines) {
        // Read as each line is created, so that a missing setting is stored with this line's default.
        const auto look = common::ReadChartLineSettings(graphSettings, line.lineType,
                                                        model::ModelLineDefaults(line.lineType));
        LineSeries &series = AddModelLine(chart, QString::fromStdString(line.title), look);
        for (const model::ChartPoint &p : line.points)
            series.addPoint(p.x, p.y);
    }
}

} // namespace charts
