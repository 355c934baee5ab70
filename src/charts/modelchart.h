// The model chart's fixed look, and its lines drawn in the line settings kept in Graph.ini.
#pragma once

#include "charts/chart.h"
#include "common/graphsettings.h"
#include "model/modelchart.h"

#include <QColor>

#include <string>
#include <vector>

namespace charts {

// The look of the single-plot model chart: axis titles "Year" (values as plain integers, a
// desired increment of 1) and "Defoliation / Deads share [%]", both axes automatic, title font
// Arial bold 12 points (16 pixels on a 96 dpi screen), legend hidden.
void setupModelChart(Chart &chart);

// Colour conversions between the settings' colour reference and Qt; the high byte is not a colour
// and is dropped.
QColor toQColor(common::LineColor color);
common::LineColor toLineColor(const QColor &color);

// A line series on the chart with the title and the colour, pen style and width of `line`.
LineSeries &AddModelLine(Chart &chart, const QString &title, const common::LineSettings &line);

// The opacity (of 255) of an uncertainty band's fill in its curve's colour.
inline constexpr int kBandAlpha = 64;

// Adds the model chart's lines in their order, each in the settings of its line type as
// `graphSettings` (the lines of Graph.ini) hold them; a missing setting takes the line type's default
// and is stored there as the line is drawn. The window and fenoris-cli both draw through this.
// A line with a band (see model::ChartLine) also gets an area series from the band's low to its high
// in the line's colour at kBandAlpha; all areas are added before the lines, so they lie under every
// line. Throws common::ConvertError for a stored style or width that is not a number.
void drawModelLines(Chart &chart, const std::vector<model::ChartLine> &lines,
                    std::vector<std::string> &graphSettings);

} // namespace charts
