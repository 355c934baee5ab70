// The series a chart holds: lines, fast lines, points, arrows and shapes, each with a title, an
// active flag, a legend flag and a colour, and the settings of its kind.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

class QCustomPlot;
class QCPAbstractPlottable;
class QCPGraph;

namespace charts {

class Chart;
struct ChartFont;

// Kind codes as the properties dialog lists them. Only Point, Line, FastLine, Arrow and Shape are
// built by this chart; the others name series of other programs' charts.
enum class SeriesKind {
    Other = 0,
    Point = 1,
    Line = 2,
    FastLine = 3,
    Area = 4,
    Bar = 5,
    HBar = 6,
    Pie = 7,
    Arrow = 8,
    Gantt = 9,
    Bubble = 10,
    Shape = 11
};

// "?", "Point", "Line", "FLine", "Area", "Bar", "HBar", "Pie", "Arrow", "Gantt", "Bubble", "Shape".
QString seriesKindName(SeriesKind kind);

// Pen styles by index: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 clear (no line),
// 6 inside frame (solid for lines). Any other index draws solid.
Qt::PenStyle penStyleFromIndex(int index);

// Pointer styles of point series, in the properties dialog's order.
enum class PointerStyle {
    Rectangle = 0,
    Circle = 1,
    Triangle = 2,
    DownTriangle = 3,
    Cross = 4,
    DiagonalCross = 5,
    Star = 6,
    Diamond = 7,
    SmallDot = 8
};

// Brush styles of shapes, in the properties dialog's order: solid, clear (none), horizontal,
// vertical, forward diagonal, backward diagonal, cross, diagonal cross. Others draw solid.
Qt::BrushStyle brushStyleFromIndex(int index);

struct ChartPoint
{
    double x = 0;
    double y = 0;
    bool operator==(const ChartPoint &) const = default;
};

class Series
{
public:
    virtual ~Series();
    Series(const Series &) = delete;
    Series &operator=(const Series &) = delete;

    SeriesKind kind() const { return m_kind; }
    Chart &chart() const { return m_chart; }

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    // An inactive series is neither drawn, nor in the legend, nor counted by automatic axes.
    bool active() const { return m_active; }
    void setActive(bool active);
    bool showInLegend() const { return m_showInLegend; }
    void setShowInLegend(bool show);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    QCPAbstractPlottable *plottable() const { return m_plottable; }

    // Called by the chart before drawing: brings the plottable up to date.
    virtual void sync() {}

protected:
    Series(Chart &chart, SeriesKind kind, QCPAbstractPlottable *plottable, const QString &title,
           const QColor &color);
    void changed();
    virtual void applyStyle() = 0;

private:
    Chart &m_chart;
    SeriesKind m_kind;
    QCPAbstractPlottable *m_plottable;
    QString m_title;
    bool m_active = true;
    bool m_showInLegend = true;
    QColor m_color;
};

// Series of (x, y) points kept in ascending x; points with equal x keep the order they were added in.
class XYSeries : public Series
{
public:
    void addPoint(double x, double y);
    void clearPoints();
    int pointCount() const { return static_cast<int>(m_points.size()); }
    const std::vector<ChartPoint> &points() const { return m_points; }
    void sync() override;

protected:
    XYSeries(Chart &chart, SeriesKind kind, QCPGraph *graph, const QString &title, const QColor &color);
    QCPGraph *graph() const { return m_graph; }

private:
    QCPGraph *m_graph;
    std::vector<ChartPoint> m_points;
    bool m_dataChanged = false;
};

// Line and fast line series: the points joined in ascending x by the series' pen. A series of a single
// point shows it as a dot in its colour (unless its pen style is clear), as a line of one point has no
// length to draw.
class LineSeries : public XYSeries
{
public:
    void sync() override;
    int penStyle() const { return m_penStyle; }
    void setPenStyle(int style); // 0-6, see penStyleFromIndex
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width); // pixels; 0 and below draw one pixel, as 1 does

private:
    friend class Chart;
    LineSeries(Chart &chart, QCustomPlot &plot, SeriesKind kind, const QString &title, const QColor &color);
    void applyStyle() override;
    int m_penStyle = 0;
    int m_penWidth = 1;
};

// Area series: the region between a lower and an upper value over the same x, filled with the
// series' colour without an outline (a translucent colour lets the lines under it show through;
// metafiles lay it on white). Both bounds count for automatic axes. Ranges are kept in ascending x.
class AreaSeries : public Series
{
public:
    ~AreaSeries() override;
    void addRange(double x, double lower, double upper);
    int rangeCount() const { return static_cast<int>(m_ranges.size()); }
    void sync() override;

private:
    friend class Chart;
    AreaSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color);
    void applyStyle() override;
    struct Range
    {
        double x, lower, upper;
    };
    QCPGraph *m_upper;
    QCPGraph *m_lower; // the edge the upper graph's fill reaches down to; owned by the plot
    std::vector<Range> m_ranges;
    bool m_dataChanged = false;
};

// Point series: a mark (pointer) at every point. The sizes are half the mark's width and height in
// pixels, 4 and 4 at first; negative sizes draw as 0.
class PointSeries : public XYSeries
{
public:
    PointerStyle pointerStyle() const { return m_style; }
    void setPointerStyle(PointerStyle style);
    int horizontalSize() const { return m_horizontalSize; }
    void setHorizontalSize(int size);
    int verticalSize() const { return m_verticalSize; }
    void setVerticalSize(int size);

private:
    friend class Chart;
    PointSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color);
    void applyStyle() override;
    PointerStyle m_style = PointerStyle::Rectangle;
    int m_horizontalSize = 4;
    int m_verticalSize = 4;
};

struct Arrow
{
    double startX = 0;
    double startY = 0;
    double endX = 0;
    double endY = 0;
    bool operator==(const Arrow &) const = default;
};

// Arrow series: arrows in the order added, drawn in the series' colour with the pen's style and
// width and a filled head of the given width (across) and height (along), in pixels.
class ArrowSeries : public Series
{
public:
    void addArrow(double startX, double startY, double endX, double endY);
    int arrowCount() const { return static_cast<int>(m_arrows.size()); }
    const std::vector<Arrow> &arrows() const { return m_arrows; }
    void setArrow(int index, const Arrow &arrow);
    // Every arrow keeps its start and gets end = start + (end - start) * multiplier.
    void multiplyLengths(double multiplier);

    int penStyle() const { return m_penStyle; }
    void setPenStyle(int style);
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width);
    int headWidth() const { return m_headWidth; }
    void setHeadWidth(int width);
    int headHeight() const { return m_headHeight; }
    void setHeadHeight(int height);

private:
    friend class Chart;
    ArrowSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color);
    void applyStyle() override;
    std::vector<Arrow> m_arrows;
    int m_penStyle = 0;
    int m_penWidth = 1;
    int m_headWidth = 4;
    int m_headHeight = 4;
};

// A chart shape: a rectangle between two corners in axis values, filled with the series' colour in
// a brush style or with a bitmap, outlined black, with centred text lines in its own font.
// Transparent shapes draw only their text.
class ShapeSeries : public Series
{
public:
    void setCorners(double x0, double y0, double x1, double y1);
    ChartPoint corner0() const { return m_corner0; }
    ChartPoint corner1() const { return m_corner1; }

    bool transparent() const { return m_transparent; }
    void setTransparent(bool transparent);
    int brushStyle() const { return m_brushStyle; }
    void setBrushStyle(int style); // 0-7, see brushStyleFromIndex
    // A bitmap on the brush replaces the brush style while it is there.
    bool hasBrushBitmap() const { return !m_bitmap.isNull(); }
    QImage brushBitmap() const { return m_bitmap; }
    void setBrushBitmap(const QImage &bitmap);
    void clearBrushBitmap() { setBrushBitmap(QImage()); }

    ChartFont font() const;
    void setFont(const ChartFont &font);
    QStringList textLines() const { return m_lines; }
    void setTextLines(const QStringList &lines);

private:
    friend class Chart;
    ShapeSeries(Chart &chart, QCustomPlot &plot, const QString &title, const QColor &color);
    void applyStyle() override;
    ChartPoint m_corner0, m_corner1;
    bool m_transparent = false;
    int m_brushStyle = 0;
    QImage m_bitmap;
    QFont m_font;
    QColor m_fontColor = Qt::black;
    QStringList m_lines;
};

} // namespace charts
