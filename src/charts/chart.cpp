// The program's chart over QCustomPlot: title, axes, legend, frame, series and drawing.
#include "charts/chart.h"

#include "charts/chartcolor.h"
#include "charts/chartitems.h"
#include "charts/numberformat.h"
#include "common/error.h"

#include <QLocale>
#include <QPicture>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace charts {

using detail::FormatTicker;

namespace {

const char *const kMinimumRefused = "Axis Minimum Value must be <= Maximum";
const char *const kMaximumRefused = "Axis Maximum Value must be >= Minimum";
const char *const kIncrementRefused = "Axis increment must be >= 0";

// Colours of new series, in turn.
const QColor kSeriesColors[] = {QColor(255, 0, 0),     QColor(0, 128, 0),   QColor(0, 0, 255),
                                QColor(255, 0, 255),   QColor(0, 128, 128), QColor(0, 0, 128),
                                QColor(128, 0, 0),     QColor(128, 128, 0), QColor(128, 0, 128),
                                QColor(128, 128, 128), QColor(255, 128, 0), QColor(0, 0, 0)};

// Automatic axes reach this share of the data's span beyond it on each side, so that no line lies on
// the frame (a dead share of 100 %, a curve at 0 %); more where marks at the ends need it.
constexpr double kAutomaticMargin = 0.03;

// QCustomPlot ignores ranges it cannot draw (empty, or beyond 1e250): those are shown widened.
QCPRange drawableRange(double lower, double upper)
{
    constexpr double kLimit = 1e249;
    lower = std::clamp(lower, -kLimit, kLimit);
    upper = std::clamp(upper, -kLimit, kLimit);
    if (QCPRange::validRange(lower, upper)) return QCPRange(lower, upper);
    const double centre = lower / 2 + upper / 2;
    const double half = std::max(std::abs(centre) * 1e-3, 0.5);
    return QCPRange(centre - half, centre + half);
}

// Fits an automatic axis to the data of the series drawn on it, with the margin. Without any data
// the axis keeps its range.
void fitToData(QCPAxis *axis)
{
    bool any = false;
    QCPRange data;
    double marker = 0;
    for (QCPAbstractPlottable *plottable : axis->plottables()) {
        if (!plottable->visible()) continue;
        if (const auto *graph = qobject_cast<const QCPGraph *>(plottable);
            graph && graph->scatterStyle().shape() != QCPScatterStyle::ssNone)
            marker = std::max(marker, graph->scatterStyle().size());
        bool found = false;
        const QCPRange range =
            plottable->keyAxis() == axis ? plottable->getKeyRange(found) : plottable->getValueRange(found);
        if (!found) continue;
        if (any)
            data.expand(range);
        else
            data = range;
        any = true;
    }
    if (!any) return;
    // Marks at the ends are drawn whole also on a small chart: the margin holds half a mark and a
    // little more in pixels, where that is more than the share.
    double margin = data.size() * kAutomaticMargin;
    const double length =
        axis->orientation() == Qt::Vertical ? axis->axisRect()->height() : axis->axisRect()->width();
    const double pixels = marker / 2 + 3;
    if (marker > 0 && length > 4 * pixels)
        margin = std::max(margin, data.size() * pixels / (length - 2 * pixels));
    axis->setRange(drawableRange(data.lower - margin, data.upper + margin));
}

} // namespace

// ---- Chart::Impl -----------------------------------------------------------------------------

struct Chart::Impl
{
    Chart *self = nullptr;
    detail::Plot *plot = nullptr;
    QCPTextElement *title = nullptr;
    bool titleInLayout = false;
    QStringList titleLines;
    bool titleVisible = true;
    TitleAlignment titleAlignment = TitleAlignment::Center;
    std::unique_ptr<Axis> left, bottom;
    detail::FrameLayerable *frame = nullptr;
    BevelKind bevelInner = BevelKind::None;
    BevelKind bevelOuter = BevelKind::Raised;
    std::vector<std::unique_ptr<Series>> series;
    QColor chartColor = Qt::white;
    int chartSystemColor = kWindowSystemColor;
    bool legendVisible = false;
    int legendColorWidth = 25;
    QString decimalSeparator, thousandsSeparator;
    int colorsUsed = 0;

    ~Impl()
    {
        series.clear();
        if (!titleInLayout) delete title;
    }

    void changed() { plot->replot(QCustomPlot::rpQueuedReplot); }
    void prepare();
    void placeTitle();
    void applyLegend();
    void applyFrame();
};

// ---- Axis ------------------------------------------------------------------------------------

struct Axis::Impl
{
    Chart::Impl *chart = nullptr;
    QCPAxis *axis = nullptr;
    QSharedPointer<FormatTicker> ticker;
    bool automatic = true;
    double minimum = 0;
    double maximum = 0;
    double increment = 0;
    QString format = QString::fromLatin1(kDefaultAxisFormat);

    void applyRange() { axis->setRange(drawableRange(minimum, maximum)); }
};

Axis::Axis(std::unique_ptr<Impl> impl) : m(std::move(impl)) {}
Axis::~Axis() = default;

bool Axis::automatic() const
{
    return m->automatic;
}

void Axis::setAutomatic(bool on)
{
    if (on == m->automatic) return;
    if (!on) {
        // The range in use becomes the fixed one.
        m->chart->prepare();
        m->minimum = m->axis->range().lower;
        m->maximum = m->axis->range().upper;
        m->automatic = false;
        m->applyRange();
    } else {
        m->automatic = true;
    }
    m->chart->changed();
}

double Axis::minimum() const
{
    if (!m->automatic) return m->minimum;
    m->chart->prepare();
    return m->axis->range().lower;
}

double Axis::maximum() const
{
    if (!m->automatic) return m->maximum;
    m->chart->prepare();
    return m->axis->range().upper;
}

void Axis::setMinimum(double value)
{
    if (!std::isfinite(value) || value > maximum()) throw common::Error(kMinimumRefused);
    m->minimum = value;
    if (!m->automatic) m->applyRange();
    m->chart->changed();
}

void Axis::setMaximum(double value)
{
    if (!std::isfinite(value) || value < minimum()) throw common::Error(kMaximumRefused);
    m->maximum = value;
    if (!m->automatic) m->applyRange();
    m->chart->changed();
}

void Axis::setRange(double minimumValue, double maximumValue)
{
    if (minimumValue >= maximum()) {
        setMaximum(maximumValue);
        setMinimum(minimumValue);
    } else {
        setMinimum(minimumValue);
        setMaximum(maximumValue);
    }
}

double Axis::increment() const
{
    return m->increment;
}

void Axis::setIncrement(double value)
{
    if (!(value >= 0) || !std::isfinite(value)) throw common::Error(kIncrementRefused);
    m->increment = value;
    m->ticker->increment = value;
    m->chart->changed();
}

QString Axis::format() const
{
    return m->format;
}

void Axis::setFormat(const QString &pattern)
{
    m->format = pattern;
    m->ticker->pattern = pattern.toStdString();
    m->chart->changed();
}

QString Axis::formatValue(double value) const
{
    return m->ticker->label(value);
}

ChartFont Axis::labelsFont() const
{
    return {m->axis->tickLabelFont(), m->axis->tickLabelColor()};
}

void Axis::setLabelsFont(const ChartFont &font)
{
    m->axis->setTickLabelFont(font.font);
    m->axis->setTickLabelColor(font.color);
    m->chart->changed();
}

QString Axis::title() const
{
    return m->axis->label();
}

void Axis::setTitle(const QString &caption)
{
    m->axis->setLabel(caption);
    m->chart->changed();
}

ChartFont Axis::titleFont() const
{
    return {m->axis->labelFont(), m->axis->labelColor()};
}

void Axis::setTitleFont(const ChartFont &font)
{
    m->axis->setLabelFont(font.font);
    m->axis->setLabelColor(font.color);
    m->chart->changed();
}

bool Axis::gridVisible() const
{
    return m->axis->grid()->visible();
}

void Axis::setGridVisible(bool visible)
{
    m->axis->grid()->setVisible(visible);
    m->chart->changed();
}

// ---- preparing a drawing ---------------------------------------------------------------------

void Chart::Impl::prepare()
{
    for (auto &s : series)
        s->sync();
    for (Axis *a : {left.get(), bottom.get()}) {
        if (a->m->automatic) fitToData(a->m->axis);
    }
    applyLegend();
    applyFrame();
    placeTitle();
}

void Chart::Impl::placeTitle()
{
    const bool anyText =
        std::any_of(titleLines.begin(), titleLines.end(), [](const QString &l) { return !l.isEmpty(); });
    const bool show = titleVisible && anyText;
    if (show && !titleInLayout) {
        plot->plotLayout()->insertRow(0);
        plot->plotLayout()->addElement(0, 0, title);
        titleInLayout = true;
    } else if (!show && titleInLayout) {
        plot->plotLayout()->take(title);
        plot->plotLayout()->simplify();
        titleInLayout = false;
    }
    title->setVisible(show);
    title->setText(titleLines.join(QLatin1Char('\n')));
    int flags = Qt::AlignVCenter;
    switch (titleAlignment) {
    case TitleAlignment::Center:
        flags |= Qt::AlignHCenter;
        break;
    case TitleAlignment::Left:
        flags |= Qt::AlignLeft;
        break;
    case TitleAlignment::Right:
        flags |= Qt::AlignRight;
        break;
    }
    title->setTextFlags(flags);
}

void Chart::Impl::applyLegend()
{
    QCPLegend *legend = plot->legend;
    legend->clearItems();
    for (const auto &s : series)
        if (s->active() && s->showInLegend()) s->plottable()->addToLegend(legend);
    legend->setVisible(legendVisible);
    legend->setIconSize(std::clamp(legendColorWidth, 0, 1000), QFontMetrics(legend->font()).height() * 2 / 3);
}

void Chart::Impl::applyFrame()
{
    frame->inner = static_cast<int>(bevelInner);
    frame->outer = static_cast<int>(bevelOuter);
    const int t = frame->thickness();
    plot->plotLayout()->setMargins(QMargins(t, t, t, t));
    plot->setBackground(QBrush(chartColor));
}

// ---- Chart -----------------------------------------------------------------------------------

Chart::Chart(QWidget *parent) : QWidget(parent), m(std::make_unique<Impl>())
{
    m->self = this;
    m->plot = new detail::Plot(this);
    // The marks' share of an automatic range depends on the plot area's size, known once laid out.
    m->plot->afterLayout = [impl = m.get()] {
        for (Axis *a : {impl->left.get(), impl->bottom.get()})
            if (a && a->m->automatic) fitToData(a->m->axis);
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m->plot);

    QCustomPlot *plot = m->plot;
    plot->setAutoAddPlottableToLegend(false);
    plot->plotLayout()->setAutoMargins(QCP::msNone);

    const QLocale locale;
    m->decimalSeparator = locale.decimalPoint();
    m->thousandsSeparator = locale.groupSeparator();

    auto makeAxis = [this](QCPAxis *axis) {
        auto impl = std::make_unique<Axis::Impl>();
        impl->chart = m.get();
        impl->axis = axis;
        impl->ticker = QSharedPointer<FormatTicker>::create(axis);
        impl->ticker->pattern = kDefaultAxisFormat;
        impl->ticker->decimalSeparator = m->decimalSeparator.toStdString();
        impl->ticker->thousandsSeparator = m->thousandsSeparator.toStdString();
        axis->setTicker(impl->ticker);
        return std::unique_ptr<Axis>(new Axis(std::move(impl)));
    };
    m->left = makeAxis(plot->yAxis);
    m->bottom = makeAxis(plot->xAxis);
    // The top and right axes only close the plot area into a frame.
    for (QCPAxis *edge : {plot->xAxis2, plot->yAxis2}) {
        edge->setVisible(true);
        edge->setTicks(false);
        edge->setTickLabels(false);
    }

    QFont titleFont = font();
    titleFont.setBold(true);
    m->title = new QCPTextElement(plot, QString(), titleFont);
    m->title->setTextColor(Qt::black);
    m->title->setVisible(false);

    // Series are drawn over the axes, so that a line on the edge of the plot area (a dead share of
    // 100 %, the first year) stays visible instead of lying under the frame's line.
    plot->addLayer(QStringLiteral("series"), plot->layer(QStringLiteral("axes")), QCustomPlot::limAbove);
    plot->setCurrentLayer(QStringLiteral("series"));

    m->frame = new detail::FrameLayerable(plot);
    plot->legend->setVisible(false);

    connect(plot, &QCustomPlot::beforeReplot, this, [this] { m->prepare(); });
    m->prepare();
}

Chart::~Chart()
{
    m->series.clear();
}

QSize Chart::sizeHint() const
{
    return QSize(680, 392);
}

QCustomPlot *Chart::customPlot() const
{
    return m->plot;
}

void Chart::seriesChanged()
{
    m->changed();
}

// Title

QStringList Chart::titleLines() const
{
    return m->titleLines;
}

void Chart::setTitleLines(const QStringList &lines)
{
    m->titleLines = lines;
    m->placeTitle();
    m->changed();
}

bool Chart::titleVisible() const
{
    return m->titleVisible;
}

void Chart::setTitleVisible(bool visible)
{
    m->titleVisible = visible;
    m->placeTitle();
    m->changed();
}

ChartFont Chart::titleFont() const
{
    return {m->title->font(), m->title->textColor()};
}

void Chart::setTitleFont(const ChartFont &font)
{
    m->title->setFont(font.font);
    m->title->setTextColor(font.color);
    m->changed();
}

TitleAlignment Chart::titleAlignment() const
{
    return m->titleAlignment;
}

void Chart::setTitleAlignment(TitleAlignment alignment)
{
    m->titleAlignment = alignment;
    m->placeTitle();
    m->changed();
}

// Axes

Axis &Chart::leftAxis()
{
    return *m->left;
}

const Axis &Chart::leftAxis() const
{
    return *m->left;
}

Axis &Chart::bottomAxis()
{
    return *m->bottom;
}

const Axis &Chart::bottomAxis() const
{
    return *m->bottom;
}

// Frame, colour, legend

bool Chart::borderVisible() const
{
    return m->frame->border;
}

void Chart::setBorderVisible(bool single)
{
    m->frame->border = single;
    m->changed();
}

QColor Chart::chartColor() const
{
    return m->chartColor;
}

void Chart::setChartColor(const QColor &color)
{
    m->chartColor = color;
    m->chartSystemColor = -1;
    m->applyFrame();
    m->changed();
}

int Chart::chartSystemColor() const
{
    return m->chartSystemColor;
}

void Chart::setChartSystemColor(int index)
{
    setChartColor(systemColor(index));
    m->chartSystemColor = index;
}

BevelKind Chart::bevelInner() const
{
    return m->bevelInner;
}

void Chart::setBevelInner(BevelKind kind)
{
    m->bevelInner = kind;
    m->changed();
}

BevelKind Chart::bevelOuter() const
{
    return m->bevelOuter;
}

void Chart::setBevelOuter(BevelKind kind)
{
    m->bevelOuter = kind;
    m->changed();
}

int Chart::bevelWidth() const
{
    return m->frame->width;
}

void Chart::setBevelWidth(int width)
{
    m->frame->width = width;
    m->changed();
}

bool Chart::legendVisible() const
{
    return m->legendVisible;
}

void Chart::setLegendVisible(bool visible)
{
    m->legendVisible = visible;
    m->changed();
}

ChartFont Chart::legendFont() const
{
    return {m->plot->legend->font(), m->plot->legend->textColor()};
}

void Chart::setLegendFont(const ChartFont &font)
{
    m->plot->legend->setFont(font.font);
    m->plot->legend->setTextColor(font.color);
    m->changed();
}

int Chart::legendColorWidth() const
{
    return m->legendColorWidth;
}

void Chart::setLegendColorWidth(int width)
{
    m->legendColorWidth = width;
    m->changed();
}

QString Chart::decimalSeparator() const
{
    return m->decimalSeparator;
}

QString Chart::thousandsSeparator() const
{
    return m->thousandsSeparator;
}

void Chart::setNumberSeparators(const QString &decimal, const QString &thousands)
{
    m->decimalSeparator = decimal;
    m->thousandsSeparator = thousands;
    for (Axis *a : {m->left.get(), m->bottom.get()}) {
        a->m->ticker->decimalSeparator = decimal.toStdString();
        a->m->ticker->thousandsSeparator = thousands.toStdString();
    }
    m->changed();
}

// Series

int Chart::seriesCount() const
{
    return static_cast<int>(m->series.size());
}

Series &Chart::series(int index)
{
    return *m->series.at(index);
}

const Series &Chart::series(int index) const
{
    return *m->series.at(index);
}

int Chart::indexOf(const Series &series) const
{
    for (size_t i = 0; i < m->series.size(); ++i)
        if (m->series[i].get() == &series) return static_cast<int>(i);
    return -1;
}

void Chart::removeSeries(int index)
{
    if (index < 0 || index >= seriesCount()) throw std::out_of_range("Chart::removeSeries: no such series");
    m->series.erase(m->series.begin() + index);
    m->changed();
}

void Chart::clearSeries()
{
    m->series.clear();
    m->colorsUsed = 0;
    m->changed();
}

template <class T> T &Chart::adopt(std::unique_ptr<T> series)
{
    T &added = *series;
    m->series.push_back(std::move(series));
    m->changed();
    return added;
}

namespace {

QColor nextColor(int &used)
{
    constexpr int count = sizeof kSeriesColors / sizeof kSeriesColors[0];
    return kSeriesColors[used++ % count];
}

} // namespace

LineSeries &Chart::addLineSeries(const QString &title)
{
    return adopt(std::unique_ptr<LineSeries>(
        new LineSeries(*this, *m->plot, SeriesKind::Line, title, nextColor(m->colorsUsed))));
}

LineSeries &Chart::addFastLineSeries(const QString &title)
{
    return adopt(std::unique_ptr<LineSeries>(
        new LineSeries(*this, *m->plot, SeriesKind::FastLine, title, nextColor(m->colorsUsed))));
}

PointSeries &Chart::addPointSeries(const QString &title)
{
    return adopt(
        std::unique_ptr<PointSeries>(new PointSeries(*this, *m->plot, title, nextColor(m->colorsUsed))));
}

ArrowSeries &Chart::addArrowSeries(const QString &title)
{
    return adopt(
        std::unique_ptr<ArrowSeries>(new ArrowSeries(*this, *m->plot, title, nextColor(m->colorsUsed))));
}

ShapeSeries &Chart::addShapeSeries(const QString &title)
{
    return adopt(
        std::unique_ptr<ShapeSeries>(new ShapeSeries(*this, *m->plot, title, nextColor(m->colorsUsed))));
}

AreaSeries &Chart::addAreaSeries(const QString &title, const QColor &color)
{
    return adopt(std::unique_ptr<AreaSeries>(new AreaSeries(*this, *m->plot, title, color)));
}

LineSeries &Chart::addLine(const QString &title, const QColor &color, int penStyle, int penWidth)
{
    LineSeries &line = addLineSeries(title);
    line.setColor(color);
    line.setPenStyle(penStyle);
    line.setPenWidth(penWidth);
    return line;
}

QString Chart::seriesListEntry(int index) const
{
    const Series &s = series(index);
    return QString::number(index) + QLatin1Char(' ') + seriesKindName(s.kind()) + QLatin1String(": ") +
           s.title();
}

ArrowSeries &Chart::convertPointsToArrows(int index, double originX, double originY, double multiplier,
                                          int penWidth)
{
    auto *points = dynamic_cast<PointSeries *>(&series(index));
    if (!points) throw std::logic_error("convertPointsToArrows: not a point series");
    ArrowSeries &arrows = addArrowSeries(points->title());
    arrows.setShowInLegend(false);
    arrows.setPenStyle(0);
    arrows.setPenWidth(penWidth);
    arrows.setHeadWidth(4 * penWidth);
    arrows.setHeadHeight(4 * penWidth);
    for (const ChartPoint &p : points->points())
        arrows.addArrow(originX, originY, originX + (p.x - originX) * multiplier,
                        originY + (p.y - originY) * multiplier);
    removeSeries(index);
    return arrows;
}

// Drawing

void Chart::render(QCPPainter &painter, const QSize &size)
{
    m->prepare();
    m->plot->toPainter(&painter, size.width(), size.height());
}

void Chart::drawTo(QPainter &painter, const QRectF &target, const QSize &size)
{
    if (size.isEmpty() || !painter.isActive()) return;
    // Recorded at the layout size, then played back stretched: QCustomPlot only draws at 1:1.
    QPicture picture;
    {
        QCPPainter recorder(&picture);
        recorder.setMode(QCPPainter::pmVectorized);
        // Hairlines would stay one device pixel thin on a printer; these grow with the drawing.
        recorder.setMode(QCPPainter::pmNonCosmetic);
        render(recorder, size);
    }
    // drawPicture scales by the ratio of the two resolutions itself; undo that.
    const double kx = double(picture.logicalDpiX()) / painter.device()->logicalDpiX();
    const double ky = double(picture.logicalDpiY()) / painter.device()->logicalDpiY();
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width() * kx, target.height() / size.height() * ky);
    painter.drawPicture(0, 0, picture);
    painter.restore();
}

QImage Chart::toImage(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(m->chartColor);
    QCPPainter painter(&image);
    render(painter, size);
    painter.end();
    return image;
}

} // namespace charts
