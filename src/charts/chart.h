// The program's chart: one widget with the chart semantics the windows, pictures, printing, the
// properties dialog and the chart settings file rely on, drawn by QCustomPlot behind the scenes.
//
// Two-dimensional only: a title of text lines, a left and a bottom axis, a legend (hidden by
// default), a border, a bevel, a chart colour, and a list of series owned by the chart.
// QCustomPlot itself stays out of this header so that the windows compile quickly.
#pragma once

#include "charts/series.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QCustomPlot;
class QCPPainter;
class QPainter;

namespace charts {

enum class TitleAlignment { Center, Left, Right };
enum class BevelKind { None, Lowered, Raised };
enum class AxisId { Left, Bottom };

// Text style of a chart text: typeface, size and style in `font`, and the text colour.
struct ChartFont
{
    QFont font;
    QColor color = Qt::black;
    bool operator==(const ChartFont &) const = default;
};

class Chart;

// One axis of a chart. Owned by the chart; get it with Chart::leftAxis() or bottomAxis().
class Axis
{
public:
    ~Axis();
    Axis(const Axis &) = delete;
    Axis &operator=(const Axis &) = delete;

    // Automatic: the range follows the data of the active series, from their smallest to their
    // largest value and 3 % of that span beyond each end, so that no line lies on the chart's frame
    // (more where the marks of points at the ends need it to be drawn whole). A single value is shown
    // in a range of at least 1 around it. Minimum and maximum then report the range in use; switching
    // automatic off keeps that range.
    bool automatic() const;
    void setAutomatic(bool on);

    // The refusals come before any change: a minimum above the current maximum throws common::Error
    // "Axis Minimum Value must be <= Maximum", a maximum below the current minimum "Axis Maximum
    // Value must be >= Minimum". A value that is not a finite number is refused with the same
    // message. Minimum equal to maximum is allowed. While automatic, a set value lasts until the
    // range is next fitted to the data.
    double minimum() const;
    void setMinimum(double value);
    double maximum() const;
    void setMaximum(double value);

    // Sets both ends in the order that keeps the axis valid at every moment: the maximum first when
    // minimum >= the current maximum, else the minimum first. A pair with minimum > maximum is refused
    // by the second setter, after the first one has been applied.
    void setRange(double minimum, double maximum);

    // Desired distance between labels; 0 lets the chart choose. Throws common::Error "Axis increment
    // must be >= 0" for a negative (or not finite) value. Labels never crowd: when the increment would
    // make them overlap, the chart uses a multiple of it (1, 2, 5, 10, 20, ... times).
    double increment() const;
    void setIncrement(double value);

    // The labels' number format pattern (see numberformat.h); kDefaultAxisFormat at first.
    QString format() const;
    void setFormat(const QString &pattern);
    // A value as the labels write it, with the chart's separators.
    QString formatValue(double value) const;

    ChartFont labelsFont() const;
    void setLabelsFont(const ChartFont &font);

    QString title() const;
    void setTitle(const QString &caption);
    ChartFont titleFont() const;
    void setTitleFont(const ChartFont &font);

    bool gridVisible() const;
    void setGridVisible(bool visible);

private:
    friend class Chart;
    struct Impl;
    explicit Axis(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m;
};

class Chart : public QWidget
{
    Q_OBJECT

public:
    explicit Chart(QWidget *parent = nullptr);
    ~Chart() override;

    // Title: text lines, shown one under the other; no lines (or all hidden) take no room.
    QStringList titleLines() const;
    void setTitleLines(const QStringList &lines);
    bool titleVisible() const;
    void setTitleVisible(bool visible);
    ChartFont titleFont() const;
    void setTitleFont(const ChartFont &font);
    TitleAlignment titleAlignment() const;
    void setTitleAlignment(TitleAlignment alignment);

    Axis &leftAxis();
    const Axis &leftAxis() const;
    Axis &bottomAxis();
    const Axis &bottomAxis() const;
    Axis &axis(AxisId id) { return id == AxisId::Left ? leftAxis() : bottomAxis(); }

    // Border style: single (a one-pixel black frame around the whole chart) or none.
    bool borderVisible() const;
    void setBorderVisible(bool single);

    // The colour the whole chart is painted on; white at first.
    QColor chartColor() const;
    void setChartColor(const QColor &color);
    // The chart colour as a system colour (chartcolor.h), so that the chart settings file keeps it as
    // one: its index, or -1 after setChartColor. At first kWindowSystemColor, the window background.
    int chartSystemColor() const;
    void setChartSystemColor(int index);

    // Bevel: an outer and an inner frame of `width` pixels, raised or lowered, inside the border.
    // At first the outer one is raised, the inner one none, width 1. Widths outside 0 to 50 are kept
    // as set but drawn as the nearest of these.
    BevelKind bevelInner() const;
    void setBevelInner(BevelKind kind);
    BevelKind bevelOuter() const;
    void setBevelOuter(BevelKind kind);
    int bevelWidth() const;
    void setBevelWidth(int width);

    // Legend: the titles of the active series shown in the legend, each behind a sample of the series
    // that is `colorWidth` pixels wide (25 at first; drawn within 0 to 1000). Hidden at first.
    bool legendVisible() const;
    void setLegendVisible(bool visible);
    ChartFont legendFont() const;
    void setLegendFont(const ChartFont &font);
    int legendColorWidth() const;
    void setLegendColorWidth(int width);

    // Separators of the axis labels; the user's locale ones (QLocale()) at first.
    QString decimalSeparator() const;
    QString thousandsSeparator() const;
    void setNumberSeparators(const QString &decimal, const QString &thousands);

    // Series, in the chart's order (creation order; the first is drawn first). The chart owns them:
    // a reference stays valid until the series is removed or the chart destroyed.
    int seriesCount() const;
    Series &series(int index); // index in 0 .. seriesCount() - 1
    const Series &series(int index) const;
    int indexOf(const Series &series) const; // -1 when not on this chart
    void removeSeries(int index);
    void clearSeries();

    LineSeries &addLineSeries(const QString &title = {});
    LineSeries &addFastLineSeries(const QString &title = {});
    PointSeries &addPointSeries(const QString &title = {});
    ArrowSeries &addArrowSeries(const QString &title = {});
    ShapeSeries &addShapeSeries(const QString &title = {});

    // An area series in the given colour (which, unlike the other kinds, takes no colour of the
    // chart's sequence): the model chart's uncertainty bands.
    AreaSeries &addAreaSeries(const QString &title, const QColor &color);
    // A line series with its title, colour, pen style (0-6) and pen width: the model chart's lines.
    LineSeries &addLine(const QString &title, const QColor &color, int penStyle, int penWidth);

    // The series list text of the properties dialog: index, blank, kind name, ": ", title.
    QString seriesListEntry(int index) const;

    // Turns the point series at `index` into an arrow series: one arrow per point, in order, from
    // (originX, originY) to origin + (point - origin) * multiplier. The arrow series is a new series
    // (with a new series' colour) that takes the title, is not shown in the legend, has a solid pen
    // of `penWidth` and heads of 4 * penWidth, and is appended at the end of the series order; the
    // point series is removed. Throws std::logic_error when the series is not a point series.
    ArrowSeries &convertPointsToArrows(int index, double originX, double originY, double multiplier,
                                       int penWidth);

    // Drawing the whole chart laid out at `size` pixels:
    // - render: with a QCPPainter already active on its device (set QCPPainter::pmVectorized for
    //   vector devices), for writers that want QCustomPlot's own drawing calls;
    // - drawTo: into `target` of any active painter, stretched with separate horizontal and vertical
    //   factors (texts and lines scale with it); works for images, printers, PDF and picture devices;
    // - toImage: an RGB32 image of that size.
    void render(QCPPainter &painter, const QSize &size);
    void drawTo(QPainter &painter, const QRectF &target, const QSize &size);
    void drawTo(QPainter &painter, const QRectF &target) { drawTo(painter, target, size()); }
    QImage toImage(const QSize &size);
    QImage toImage() { return toImage(size()); }

    // The QCustomPlot inside, for tests and special cases; windows do not need it.
    QCustomPlot *customPlot() const;

    QSize sizeHint() const override;

    // For the series: their data or look changed.
    void seriesChanged();

private:
    friend class Axis;
    struct Impl;
    std::unique_ptr<Impl> m;
    template <class T> T &adopt(std::unique_ptr<T> series);
};

} // namespace charts
