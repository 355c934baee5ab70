// QCustomPlot pieces of the chart that QCustomPlot does not have: the label ticker with our number
// formats and increments, arrow and shape plottables, the border and bevel frame, and the plot
// itself. Private to src/charts: include only from its .cpp files.
#pragma once

#include "charts/series.h"

#include <qcustomplot.h>

#include <functional>
#include <string>
#include <vector>

namespace charts::detail {

// Tick steps and labels of one axis: the desired increment (0: QCustomPlot's own choice), widened
// to a 1-2-5 multiple when the labels would overlap, and labels in our number format.
class FormatTicker : public QCPAxisTicker
{
public:
    explicit FormatTicker(QCPAxis *axis) : m_axis(axis) {}

    double increment = 0;
    std::string pattern;
    std::string decimalSeparator = ".";
    std::string thousandsSeparator = ",";

    QString label(double value) const;
    // The step used for `range` with the increment set and `length` pixels of axis.
    double widenedStep(const QCPRange &range, double length) const;

protected:
    double getTickStep(const QCPRange &range) override;
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar, int precision) override;

private:
    QCPAxis *m_axis;
};

class ArrowPlottable : public QCPAbstractPlottable
{
public:
    ArrowPlottable(QCPAxis *keyAxis, QCPAxis *valueAxis) : QCPAbstractPlottable(keyAxis, valueAxis) {}

    std::vector<Arrow> arrows;
    double headWidth = 4;
    double headHeight = 4;

    double selectTest(const QPointF &, bool, QVariant * = nullptr) const override { return -1; }
    QCPRange getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange &inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

private:
    void drawArrow(QCPPainter *painter, const QPointF &from, const QPointF &to) const;
};

class ShapePlottable : public QCPAbstractPlottable
{
public:
    ShapePlottable(QCPAxis *keyAxis, QCPAxis *valueAxis) : QCPAbstractPlottable(keyAxis, valueAxis) {}

    ChartPoint corner0, corner1;
    bool transparent = false;
    QFont font;
    QColor fontColor = Qt::black;
    QStringList lines;

    double selectTest(const QPointF &, bool, QVariant * = nullptr) const override { return -1; }
    QCPRange getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange &inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;
};

// Border and bevel around the whole chart, drawn last.
class FrameLayerable : public QCPLayerable
{
public:
    explicit FrameLayerable(QCustomPlot *plot);

    bool border = false;
    int inner = 0; // BevelKind as int: 0 none, 1 lowered, 2 raised
    int outer = 2;
    int width = 1;

    int drawnWidth() const;
    // Pixels taken from each side of the chart.
    int thickness() const;

protected:
    QRect clipRect() const override;
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override;
    void draw(QCPPainter *painter) override;
};

// The plot: lays itself out twice so that tick steps chosen from the axis length see the length of
// the size being drawn, not of the previous one.
class Plot : public QCustomPlot
{
public:
    using QCustomPlot::QCustomPlot;

    // Called between two layouts of every drawing, when the plot area has its size: ranges that
    // depend on it in pixels are set there.
    std::function<void()> afterLayout;

protected:
    void updateLayout() override
    {
        QCustomPlot::updateLayout();
        if (afterLayout) afterLayout();
        QCustomPlot::updateLayout();
    }
};

// Scatter style of a point series' pointer with half sizes h and v.
QCPScatterStyle pointerScatterStyle(PointerStyle style, int h, int v, const QColor &color);

} // namespace charts::detail
