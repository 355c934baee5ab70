// The model chart's fixed look and its lines.
#include "charts/modelchart.h"

#include <algorithm>

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
    const bool banded =
        std::any_of(lines.begin(), lines.end(), [](const auto &l) { return !l.band.empty(); });
    if (banded) {
        // The bands go first, under every line, so that no fill covers a curve even where a
        // metafile lays the translucent colour on white as an opaque tint. Reading the settings in
        // the lines' order stores missing ones in the same order as without bands.
        std::vector<common::LineSettings> looks;
        for (const model::ChartLine &line : lines)
            looks.push_back(common::ReadChartLineSettings(graphSettings, line.lineType,
                                                          model::ModelLineDefaults(line.lineType)));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const model::ChartLine &line = lines[i];
            if (line.band.empty()) continue;
            QColor fill = toQColor(looks[i].color);
            fill.setAlpha(kBandAlpha);
            AreaSeries &area =
                chart.addAreaSeries(QStringLiteral("Band ") + QString::fromStdString(line.title), fill);
            area.setShowInLegend(false);
            for (std::size_t k = 0; k < line.points.size() && k < line.band.size(); ++k)
                area.addRange(line.points[k].x, line.band[k].lo, line.band[k].hi);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            LineSeries &series = AddModelLine(chart, QString::fromStdString(lines[i].title), looks[i]);
            for (const model::ChartPoint &p : lines[i].points)
                series.addPoint(p.x, p.y);
        }
        return;
    }
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
