// QCustomPlot pieces of the chart: label ticker, arrow and shape plottables, frame, pointer marks.
#include "charts/chartitems.h"

#include "charts/numberformat.h"

#include <algorithm>
#include <cmath>

namespace charts::detail {

// ---- FormatTicker ----------------------------------------------------------------------------

QString FormatTicker::label(double value) const
{
    return QString::fromStdString(formatNumber(value, pattern, decimalSeparator, thousandsSeparator));
}

double FormatTicker::widenedStep(const QCPRange &range, double length) const
{
    const double size = range.size();
    if (!(size > 0) || !std::isfinite(size)) return increment;
    // Room per label: the wider end label plus a gap along a horizontal axis, a text line upwards.
    const QFontMetricsF metrics(m_axis->tickLabelFont());
    double room = metrics.height();
    if (m_axis->orientation() == Qt::Horizontal)
        room = std::max(metrics.horizontalAdvance(label(range.lower)),
                        metrics.horizontalAdvance(label(range.upper)));
    room += 8;
    const double maxTicks = std::max(1.0, std::floor(length / room));
    const double ticks = size / increment;
    if (ticks <= maxTicks) return increment;
    // The smallest 1-2-5 multiple of the increment that fits.
    const double factor = ticks / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(factor)));
    const double mantissa = factor / magnitude;
    const double nice = mantissa <= 1 ? 1 : mantissa <= 2 ? 2 : mantissa <= 5 ? 5 : 10;
    const double step = increment * nice * magnitude;
    return std::isfinite(step) && step > 0 ? step : size;
}

double FormatTicker::getTickStep(const QCPRange &range)
{
    if (!(increment > 0)) return QCPAxisTicker::getTickStep(range);
    const QRect rect = m_axis->axisRect()->rect();
    const double length = m_axis->orientation() == Qt::Horizontal ? rect.width() : rect.height();
    return widenedStep(range, std::max(length, 1.0));
}

QString FormatTicker::getTickLabel(double tick, const QLocale &, QChar, int)
{
    return label(tick);
}

// ---- plottable ranges ------------------------------------------------------------------------

namespace {

bool inDomain(double v, QCP::SignDomain domain)
{
    if (!std::isfinite(v)) return false;
    if (domain == QCP::sdPositive) return v > 0;
    if (domain == QCP::sdNegative) return v < 0;
    return true;
}

QCPRange rangeOf(const std::vector<double> &values, bool &found, QCP::SignDomain domain)
{
    found = false;
    QCPRange range;
    for (double v : values) {
        if (!inDomain(v, domain)) continue;
        if (!found) {
            range = QCPRange(v, v);
            found = true;
        } else {
            range.expand(v);
        }
    }
    return range;
}

} // namespace

QCPRange ArrowPlottable::getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain) const
{
    std::vector<double> xs;
    for (const auto &a : arrows)
        xs.insert(xs.end(), {a.startX, a.endX});
    return rangeOf(xs, foundRange, inSignDomain);
}

QCPRange ArrowPlottable::getValueRange(bool &foundRange, QCP::SignDomain inSignDomain, const QCPRange &) const
{
    std::vector<double> ys;
    for (const auto &a : arrows)
        ys.insert(ys.end(), {a.startY, a.endY});
    return rangeOf(ys, foundRange, inSignDomain);
}

void ArrowPlottable::drawArrow(QCPPainter *painter, const QPointF &from, const QPointF &to) const
{
    if (from == to) return;
    painter->drawLine(QLineF(from, to));
    const QCPLineEnding head(QCPLineEnding::esFlatArrow, headWidth, headHeight);
    head.draw(painter, QCPVector2D(to), QCPVector2D(to - from));
}

void ArrowPlottable::draw(QCPPainter *painter)
{
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    for (const auto &a : arrows)
        drawArrow(painter, coordsToPixels(a.startX, a.startY), coordsToPixels(a.endX, a.endY));
}

void ArrowPlottable::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    const double y = rect.center().y();
    drawArrow(painter, QPointF(rect.left(), y), QPointF(rect.right(), y));
}

QCPRange ShapePlottable::getKeyRange(bool &foundRange, QCP::SignDomain inSignDomain) const
{
    return rangeOf({corner0.x, corner1.x}, foundRange, inSignDomain);
}

QCPRange ShapePlottable::getValueRange(bool &foundRange, QCP::SignDomain inSignDomain, const QCPRange &) const
{
    return rangeOf({corner0.y, corner1.y}, foundRange, inSignDomain);
}

void ShapePlottable::draw(QCPPainter *painter)
{
    const QRectF rect =
        QRectF(coordsToPixels(corner0.x, corner0.y), coordsToPixels(corner1.x, corner1.y)).normalized();
    if (!transparent) {
        applyDefaultAntialiasingHint(painter);
        painter->setPen(mPen);
        painter->setBrush(mBrush);
        painter->drawRect(rect);
    }
    if (!lines.isEmpty()) {
        painter->setFont(font);
        painter->setPen(fontColor);
        painter->drawText(rect, Qt::AlignCenter | Qt::TextDontClip, lines.join(QLatin1Char('\n')));
    }
}

void ShapePlottable::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->setPen(mPen);
    painter->setBrush(transparent ? QBrush() : mBrush);
    painter->drawRect(rect.adjusted(1, 1, -1, -1));
}

// ---- FrameLayerable --------------------------------------------------------------------------

namespace {

constexpr int kMaxBevelWidth = 50;

// The outermost pixels of rect: top and left in one colour, bottom and right in the other.
void drawRing(QCPPainter *painter, const QRect &r, const QColor &topLeft, const QColor &bottomRight)
{
    painter->setPen(QPen(topLeft, 0));
    painter->drawLine(QLineF(r.left(), r.top(), r.right(), r.top()));
    painter->drawLine(QLineF(r.left(), r.top(), r.left(), r.bottom()));
    painter->setPen(QPen(bottomRight, 0));
    painter->drawLine(QLineF(r.left(), r.bottom(), r.right(), r.bottom()));
    painter->drawLine(QLineF(r.right(), r.top(), r.right(), r.bottom()));
}

// One bevel ring of `width` pixels starting `at` pixels inside rect; raised: light top and left.
void drawBevel(QCPPainter *painter, const QRect &rect, int at, int width, int kind)
{
    if (kind == 0 || width <= 0) return;
    const QColor light(255, 255, 255), dark(128, 128, 128);
    const QColor &topLeft = kind == 2 ? light : dark;
    const QColor &bottomRight = kind == 2 ? dark : light;
    for (int i = at; i < at + width; ++i)
        drawRing(painter, rect.adjusted(i, i, -i, -i), topLeft, bottomRight);
}

} // namespace

FrameLayerable::FrameLayerable(QCustomPlot *plot) : QCPLayerable(plot)
{
    if (!plot->layer(QStringLiteral("frame")))
        plot->addLayer(QStringLiteral("frame"), plot->layer(plot->layerCount() - 1), QCustomPlot::limAbove);
    setLayer(QStringLiteral("frame"));
}

int FrameLayerable::drawnWidth() const
{
    return std::clamp(width, 0, kMaxBevelWidth);
}

int FrameLayerable::thickness() const
{
    return (border ? 1 : 0) + (outer ? drawnWidth() : 0) + (inner ? drawnWidth() : 0);
}

QRect FrameLayerable::clipRect() const
{
    // QCustomPlot clips every layerable one pixel higher than asked; the frame needs the last row.
    return mParentPlot->viewport().adjusted(0, 0, 0, 1);
}

void FrameLayerable::applyDefaultAntialiasingHint(QCPPainter *painter) const
{
    painter->setAntialiasing(false);
}

void FrameLayerable::draw(QCPPainter *painter)
{
    applyDefaultAntialiasingHint(painter);
    painter->setBrush(Qt::NoBrush);
    const QRect rect = mParentPlot->viewport();
    int at = 0;
    if (border) {
        drawRing(painter, rect, Qt::black, Qt::black);
        at = 1;
    }
    drawBevel(painter, rect, at, drawnWidth(), outer);
    if (outer) at += drawnWidth();
    drawBevel(painter, rect, at, drawnWidth(), inner);
}

// ---- pointers --------------------------------------------------------------------------------

namespace {

bool isFilled(PointerStyle style)
{
    switch (style) {
    case PointerStyle::Rectangle:
    case PointerStyle::Circle:
    case PointerStyle::Triangle:
    case PointerStyle::DownTriangle:
    case PointerStyle::Diamond:
        return true;
    default:
        return false;
    }
}

QCPScatterStyle::ScatterShape nativeShape(PointerStyle style)
{
    switch (style) {
    case PointerStyle::Rectangle:
        return QCPScatterStyle::ssSquare;
    case PointerStyle::Circle:
        return QCPScatterStyle::ssCircle;
    case PointerStyle::Triangle:
        return QCPScatterStyle::ssTriangle;
    case PointerStyle::DownTriangle:
        return QCPScatterStyle::ssTriangleInverted;
    case PointerStyle::Cross:
        return QCPScatterStyle::ssPlus;
    case PointerStyle::DiagonalCross:
        return QCPScatterStyle::ssCross;
    case PointerStyle::Star:
        return QCPScatterStyle::ssStar;
    case PointerStyle::Diamond:
        return QCPScatterStyle::ssDiamond;
    case PointerStyle::SmallDot:
        return QCPScatterStyle::ssDot;
    }
    return QCPScatterStyle::ssSquare;
}

// The same marks stretched to h by v half sizes, in pixels around the point.
QPainterPath stretchedPath(PointerStyle style, double h, double v)
{
    QPainterPath path;
    switch (style) {
    case PointerStyle::Rectangle:
        path.addRect(QRectF(-h, -v, 2 * h, 2 * v));
        break;
    case PointerStyle::Circle:
        path.addEllipse(QPointF(0, 0), h, v);
        break;
    case PointerStyle::Triangle:
        path.addPolygon(QPolygonF({QPointF(-h, v), QPointF(h, v), QPointF(0, -v), QPointF(-h, v)}));
        break;
    case PointerStyle::DownTriangle:
        path.addPolygon(QPolygonF({QPointF(-h, -v), QPointF(h, -v), QPointF(0, v), QPointF(-h, -v)}));
        break;
    case PointerStyle::Diamond:
        path.addPolygon(
            QPolygonF({QPointF(-h, 0), QPointF(0, -v), QPointF(h, 0), QPointF(0, v), QPointF(-h, 0)}));
        break;
    case PointerStyle::Star:
        path.moveTo(-h, -v);
        path.lineTo(h, v);
        path.moveTo(-h, v);
        path.lineTo(h, -v);
        [[fallthrough]];
    case PointerStyle::Cross:
        path.moveTo(-h, 0);
        path.lineTo(h, 0);
        path.moveTo(0, -v);
        path.lineTo(0, v);
        break;
    case PointerStyle::DiagonalCross:
        path.moveTo(-h, -v);
        path.lineTo(h, v);
        path.moveTo(-h, v);
        path.lineTo(h, -v);
        break;
    case PointerStyle::SmallDot:
        break;
    }
    return path;
}

} // namespace

QCPScatterStyle pointerScatterStyle(PointerStyle style, int h, int v, const QColor &color)
{
    h = std::max(h, 0);
    v = std::max(v, 0);
    const bool filled = isFilled(style);
    const QPen pen(filled ? QColor(Qt::black) : color, 0);
    const QBrush brush = filled ? QBrush(color) : QBrush();
    if (h == v || style == PointerStyle::SmallDot)
        return QCPScatterStyle(nativeShape(style), pen, brush, 2.0 * h);
    // A custom path is scaled by size / 6: size 6 keeps it in pixels.
    return QCPScatterStyle(stretchedPath(style, h, v), pen, brush, 6);
}

} // namespace charts::detail
