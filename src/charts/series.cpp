// The chart's series and the QCustomPlot plottables that draw them.
#include "charts/series.h"

#include "charts/chart.h"
#include "charts/chartitems.h"

#include <algorithm>

namespace charts {

using detail::ArrowPlottable;
using detail::ShapePlottable;

QString seriesKindName(SeriesKind kind)
{
    static const char *const kNames[] = {"?",    "Point", "Line",  "FLine", "Area",   "Bar",
                                         "HBar", "Pie",   "Arrow", "Gantt", "Bubble", "Shape"};
    const int code = static_cast<int>(kind);
    return QString::fromLatin1(code >= 0 && code < 12 ? kNames[code] : kNames[0]);
}

Qt::PenStyle penStyleFromIndex(int index)
{
    switch (index) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default:
        return Qt::SolidLine; // 0 solid, 6 inside frame, anything else
    }
}

Qt::BrushStyle brushStyleFromIndex(int index)
{
    switch (index) {
    case 1:
        return Qt::NoBrush;
    case 2:
        return Qt::HorPattern;
    case 3:
        return Qt::VerPattern;
    case 4:
        return Qt::FDiagPattern;
    case 5:
        return Qt::BDiagPattern;
    case 6:
        return Qt::CrossPattern;
    case 7:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

namespace {

// Widths of 0 and below draw one pixel. The pen is not cosmetic, so lines grow with a stretched
// drawing (a printout) as texts do.
QPen seriesPen(const QColor &color, int width, int style)
{
    QPen pen(color, std::max(width, 1), penStyleFromIndex(style));
    pen.setCosmetic(false);
    return pen;
}

} // namespace

// ---- Series ----------------------------------------------------------------------------------

Series::Series(Chart &chart, SeriesKind kind, QCPAbstractPlottable *plottable, const QString &title,
               const QColor &color)
    : m_chart(chart), m_kind(kind), m_plottable(plottable), m_title(title), m_color(color)
{
    m_plottable->setName(title);
}

Series::~Series()
{
    if (auto *plot = m_plottable->parentPlot()) plot->removePlottable(m_plottable);
}

void Series::changed()
{
    m_chart.seriesChanged();
}

void Series::setTitle(const QString &title)
{
    m_title = title;
    m_plottable->setName(title);
    changed();
}

void Series::setActive(bool active)
{
    m_active = active;
    m_plottable->setVisible(active);
    changed();
}

void Series::setShowInLegend(bool show)
{
    m_showInLegend = show;
    changed();
}

void Series::setColor(const QColor &color)
{
    m_color = color;
    applyStyle();
    changed();
}

// ---- XYSeries --------------------------------------------------------------------------------

XYSeries::XYSeries(Chart &chart, SeriesKind kind, QCPGraph *graph, const QString &title, const QColor &color)
    : Series(chart, kind, graph, title, color), m_graph(graph)
{
}

void XYSeries::addPoint(double x, double y)
{
    // After every point with an x not above this one: equal x keep their order of arrival.
    const auto at = std::upper_bound(m_points.begin(), m_points.end(), x,
                                     [](double value, const ChartPoint &p) { return value < p.x; });
    m_points.insert(at, {x, y});
    m_dataChanged = true;
    changed();
}

void XYSeries::clearPoints()
{
    m_points.clear();
    m_dataChanged = true;
    changed();
}

void XYSeries::sync()
{
    if (!m_dataChanged) return;
    // Handed over already sorted: QCustomPlot's own insertion would put a tie before its equals.
    QVector<QCPGraphData> data;
    data.reserve(static_cast<int>(m_points.size()));
    for (const auto &p : m_points)
        data.append(QCPGraphData(p.x, p.y));
    m_graph->data()->set(data, true);
    m_dataChanged = false;
}

// ---- LineSeries ------------------------------------------------------------------------------

LineSeries::LineSeries(Chart &chart, QCustomPlot &plot, SeriesKind kind, const QString &title,
                       const QColor &color)
    : XYSeries(chart, kind, new QCPGraph(plot.xAxis, plot.yAxis), title, color)
{
    graph()->setLineStyle(QCPGraph::lsLine);
    graph()->setAdaptiveSampling(kind == SeriesKind::FastLine);
    applyStyle();
}

void LineSeries::applyStyle()
{
    graph()->setPen(seriesPen(color(), m_penWidth, m_penStyle));
    // One point makes no line: it is shown as a dot of the series' colour, a little wider than the pen.
    const bool dot = pointCount() == 1 && penStyleFromIndex(m_penStyle) != Qt::NoPen;
    graph()->setScatterStyle(
        dot ? QCPScatterStyle(QCPScatterStyle::ssDisc, color(), color(), std::max(m_penWidth, 1) + 5)
            : QCPScatterStyle());
}

void LineSeries::sync()
{
    XYSeries::sync();
    applyStyle();
}

void LineSeries::setPenStyle(int style)
{
    m_penStyle = style;
    applyStyle();
    changed();
}

void LineSeries::setPenWidth(int width)
{
    m_penWidth = width;
    applyStyle();
    changed();
}

// ---- AreaSeries ------------------------------------------------------------------------------

AreaSeries::AreaSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color)
    : Series(chart, SeriesKind::Area, new QCPGraph(plot.xAxis, plot.yAxis), title, color),
      m_upper(static_cast<QCPGraph *>(plottable())), m_lower(new QCPGraph(plot.xAxis, plot.yAxis))
{
    m_upper->setLineStyle(QCPGraph::lsLine);
    m_lower->setLineStyle(QCPGraph::lsLine);
    m_lower->setPen(Qt::NoPen);
    m_lower->setBrush(Qt::NoBrush);
    m_lower->removeFromLegend();
    m_upper->setChannelFillGraph(m_lower);
    applyStyle();
}

AreaSeries::~AreaSeries()
{
    if (auto *plot = m_lower->parentPlot()) plot->removePlottable(m_lower);
}

void AreaSeries::addRange(double x, double lower, double upper)
{
    const auto at = std::upper_bound(m_ranges.begin(), m_ranges.end(), x,
                                     [](double value, const Range &r) { return value < r.x; });
    m_ranges.insert(at, {x, lower, upper});
    m_dataChanged = true;
    changed();
}

void AreaSeries::applyStyle()
{
    m_upper->setPen(Qt::NoPen);
    m_upper->setBrush(QBrush(color()));
}

void AreaSeries::sync()
{
    // The lower edge is not a series of its own: it follows the area's visibility.
    m_lower->setVisible(active());
    if (!m_dataChanged) return;
    QVector<QCPGraphData> upper, lower;
    for (const auto &r : m_ranges) {
        upper.append(QCPGraphData(r.x, r.upper));
        lower.append(QCPGraphData(r.x, r.lower));
    }
    m_upper->data()->set(upper, true);
    m_lower->data()->set(lower, true);
    m_dataChanged = false;
}

// ---- PointSeries -----------------------------------------------------------------------------

PointSeries::PointSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color)
    : XYSeries(chart, SeriesKind::Point, new QCPGraph(plot.xAxis, plot.yAxis), title, color)
{
    graph()->setLineStyle(QCPGraph::lsNone);
    applyStyle();
}

void PointSeries::applyStyle()
{
    graph()->setPen(QPen(color()));
    graph()->setScatterStyle(detail::pointerScatterStyle(m_style, m_horizontalSize, m_verticalSize, color()));
}

void PointSeries::setPointerStyle(PointerStyle style)
{
    m_style = style;
    applyStyle();
    changed();
}

void PointSeries::setHorizontalSize(int size)
{
    m_horizontalSize = size;
    applyStyle();
    changed();
}

void PointSeries::setVerticalSize(int size)
{
    m_verticalSize = size;
    applyStyle();
    changed();
}

// ---- ArrowSeries -----------------------------------------------------------------------------

ArrowSeries::ArrowSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color)
    : Series(chart, SeriesKind::Arrow, new ArrowPlottable(plot.xAxis, plot.yAxis), title, color)
{
    applyStyle();
}

void ArrowSeries::applyStyle()
{
    auto *arrows = static_cast<ArrowPlottable *>(plottable());
    arrows->setPen(seriesPen(color(), m_penWidth, m_penStyle));
    arrows->headWidth = std::max(m_headWidth, 0);
    arrows->headHeight = std::max(m_headHeight, 0);
    arrows->arrows = m_arrows;
}

void ArrowSeries::addArrow(double startX, double startY, double endX, double endY)
{
    m_arrows.push_back({startX, startY, endX, endY});
    static_cast<ArrowPlottable *>(plottable())->arrows.push_back(m_arrows.back());
    changed();
}

void ArrowSeries::setArrow(int index, const Arrow &arrow)
{
    m_arrows.at(index) = arrow;
    applyStyle();
    changed();
}

void ArrowSeries::multiplyLengths(double multiplier)
{
    for (auto &a : m_arrows) {
        a.endX = a.startX + (a.endX - a.startX) * multiplier;
        a.endY = a.startY + (a.endY - a.startY) * multiplier;
    }
    applyStyle();
    changed();
}

void ArrowSeries::setPenStyle(int style)
{
    m_penStyle = style;
    applyStyle();
    changed();
}

void ArrowSeries::setPenWidth(int width)
{
    m_penWidth = width;
    applyStyle();
    changed();
}

void ArrowSeries::setHeadWidth(int width)
{
    m_headWidth = width;
    applyStyle();
    changed();
}

void ArrowSeries::setHeadHeight(int height)
{
    m_headHeight = height;
    applyStyle();
    changed();
}

// ---- ShapeSeries -----------------------------------------------------------------------------

ShapeSeries::ShapeSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color)
    : Series(chart, SeriesKind::Shape, new ShapePlottable(plot.xAxis, plot.yAxis), title, color)
{
    applyStyle();
}

void ShapeSeries::applyStyle()
{
    auto *shape = static_cast<ShapePlottable *>(plottable());
    shape->setPen(QPen(Qt::black, 1));
    shape->setBrush(hasBrushBitmap() ? QBrush(m_bitmap) : QBrush(color(), brushStyleFromIndex(m_brushStyle)));
    shape->corner0 = m_corner0;
    shape->corner1 = m_corner1;
    shape->transparent = m_transparent;
    shape->font = m_font;
    shape->fontColor = m_fontColor;
    shape->lines = m_lines;
}

void ShapeSeries::setCorners(double x0, double y0, double x1, double y1)
{
    m_corner0 = {x0, y0};
    m_corner1 = {x1, y1};
    applyStyle();
    changed();
}

void ShapeSeries::setTransparent(bool transparent)
{
    m_transparent = transparent;
    applyStyle();
    changed();
}

void ShapeSeries::setBrushStyle(int style)
{
    m_brushStyle = style;
    applyStyle();
    changed();
}

void ShapeSeries::setBrushBitmap(const QImage &bitmap)
{
    m_bitmap = bitmap;
    applyStyle();
    changed();
}

ChartFont ShapeSeries::font() const
{
    return {m_font, m_fontColor};
}

void ShapeSeries::setFont(const ChartFont &font)
{
    m_font = font.font;
    m_fontColor = font.color;
    applyStyle();
    changed();
}

void ShapeSeries::setTextLines(const QStringList &lines)
{
    m_lines = lines;
    applyStyle();
    changed();
}

} // namespace charts
