// The metafile paint device and its engine: QPainter's state and calls turned into GDI objects and
// records for one of the two metafile formats.
#include "charts/metafile.h"

#include "charts/metafileformat.h"
#include "common/error.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <QTransform>

#include <cmath>
#include <map>
#include <numbers>
#include <optional>

namespace charts {

namespace detail {

namespace {

constexpr int kDpi = 96;

// Every feature a painter could otherwise emulate by drawing into a bitmap, which would turn the
// chart into pictures instead of records. Not AllFeatures: its highest bit makes QPainter hand
// every primitive over as an image.
const QPaintEngine::PaintEngineFeatures kFeatures =
    QPaintEngine::PrimitiveTransform | QPaintEngine::PatternTransform | QPaintEngine::PixmapTransform |
    QPaintEngine::PatternBrush | QPaintEngine::LinearGradientFill | QPaintEngine::RadialGradientFill |
    QPaintEngine::ConicalGradientFill | QPaintEngine::AlphaBlend | QPaintEngine::PorterDuff |
    QPaintEngine::PainterPaths | QPaintEngine::Antialiasing | QPaintEngine::BrushStroke |
    QPaintEngine::ConstantOpacity | QPaintEngine::MaskedBrush | QPaintEngine::PerspectiveTransform |
    QPaintEngine::BlendModes | QPaintEngine::ObjectBoundingModeGradients | QPaintEngine::RasterOpModes;

// A metafile has no transparency: a colour is laid on white paper.
QRgb opaque(const QColor &color)
{
    const QRgb c = color.rgba();
    const int a = qAlpha(c);
    if (a == 255) return c;
    auto mix = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)));
}

// The brush's colour as a plain fill: gradients and textures take their first stop or their
// average colour.
QColor plainColor(const QBrush &brush)
{
    if (const QGradient *gradient = brush.gradient()) {
        const QGradientStops stops = gradient->stops();
        return stops.isEmpty() ? QColor(Qt::black) : stops.first().second;
    }
    if (brush.style() == Qt::TexturePattern) {
        const QImage texture = brush.textureImage();
        if (texture.isNull()) return brush.color();
        return QColor(texture.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0));
    }
    return brush.color();
}

// Qt's generic families have no Windows font of that name.
std::string faceName(const QFont &font)
{
    const QString family = font.family();
    const QString f = family.toLower();
    if (f.isEmpty() || f == "sans serif" || f == "sansserif" || f == "sans-serif" || f == "sans" ||
        f == "helvetica")
        return "Arial";
    if (f == "serif" || f == "times") return "Times New Roman";
    if (f == "monospace" || f == "courier" || f == "typewriter") return "Courier New";
    return family.toStdString();
}

} // namespace

class MetafileEngine : public QPaintEngine
{
public:
    MetafileEngine(MetafileKind kind, std::string path, QSize size, QString description)
        : QPaintEngine(kFeatures), m_kind(kind), m_path(std::move(path)), m_size(size),
          m_description(std::move(description))
    {
    }

    std::string error;

    bool begin(QPaintDevice *device) override
    {
        m_device = device;
        error.clear();
        try {
            m_format = m_kind == MetafileKind::Emf ? makeEmfFormat(m_path, m_size, m_description)
                                                   : makeWmfFormat(m_path, m_size);
        } catch (const common::Error &e) {
            error = e.what();
            return false;
        }
        m_pens.clear();
        m_brushes.clear();
        m_fonts.clear();
        m_selectedPen = m_selectedBrush = m_selectedFont = 0;
        m_textColor.reset();
        m_winding = false;
        m_clipSaved = false;
        m_appliedClip.reset();
        m_clip.reset();
        m_clipEnabled = false;
        return true;
    }

    bool end() override
    {
        if (!m_format) return false;
        try {
            if (m_clipSaved) m_format->restoreDC();
            for (const auto &[pen, handle] : m_pens)
                m_format->deleteObject(handle);
            for (const auto &[brush, handle] : m_brushes)
                m_format->deleteObject(handle);
            for (const auto &[font, handle] : m_fonts)
                m_format->deleteObject(handle);
            m_format->finish();
        } catch (const common::Error &e) {
            error = e.what();
        }
        m_format.reset();
        return error.empty();
    }

    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyTransform) m_transform = state.transform();
        if (flags & DirtyPen) m_pen = state.pen();
        if (flags & DirtyBrush) m_brush = state.brush();
        if (flags & DirtyClipEnabled) m_clipEnabled = state.isClipEnabled();
        if (flags & (DirtyClipRegion | DirtyClipPath)) {
            // The clip comes in the coordinates of the transform in force when it was set.
            const QRectF logical = flags & DirtyClipRegion ? QRectF(state.clipRegion().boundingRect())
                                                           : state.clipPath().boundingRect();
            const QRect device = state.transform().mapRect(logical).toAlignedRect();
            switch (state.clipOperation()) {
            case Qt::NoClip:
                m_clip.reset();
                break;
            case Qt::ReplaceClip:
                m_clip = device;
                break;
            case Qt::IntersectClip:
                m_clip = m_clip ? m_clip->intersected(device) : device;
                break;
            }
            if (state.clipOperation() != Qt::NoClip) m_clipEnabled = true;
        }
    }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        MetaPolygon polygon;
        polygon.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            polygon.push_back(device(points[i]));
        if (mode == PolylineMode) {
            if (!prepare(true, false)) return;
            m_format->polyline(polygon);
        } else {
            if (!prepare(true, true)) return;
            setWinding(mode == WindingMode);
            m_format->polygon(polygon);
        }
    }

    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i)
            polygon << QPointF(points[i]);
        drawPolygon(polygon.constData(), count, mode);
    }

    void drawLines(const QLineF *lines, int count) override
    {
        if (!prepare(true, false)) return;
        for (int i = 0; i < count; ++i)
            m_format->polyline({device(lines[i].p1()), device(lines[i].p2())});
    }

    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }

    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            if (!axisAligned()) {
                drawPath(pathOf(rects[i], false));
                continue;
            }
            if (!prepare(true, true)) return;
            // GDI leaves out the right and bottom edges that Qt's outline covers.
            const QRect r = deviceRect(rects[i]);
            m_format->rectangle(r.left(), r.top(), r.right() + 2, r.bottom() + 2);
        }
    }

    void drawRects(const QRect *rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF rect(rects[i]);
            drawRects(&rect, 1);
        }
    }

    void drawEllipse(const QRectF &rect) override
    {
        if (!axisAligned()) {
            drawPath(pathOf(rect, true));
            return;
        }
        if (!prepare(true, true)) return;
        const QRect r = deviceRect(rect);
        m_format->ellipse(r.left(), r.top(), r.right() + 2, r.bottom() + 2);
    }

    void drawEllipse(const QRect &rect) override { drawEllipse(QRectF(rect)); }

    void drawPath(const QPainterPath &path) override
    {
        const QPainterPath mapped = m_transform.map(path);
        if (m_brush.style() != Qt::NoBrush) {
            std::vector<MetaPolygon> fills;
            for (const QPolygonF &polygon : mapped.toFillPolygons())
                fills.push_back(devicePolygon(polygon));
            const QPen pen = m_pen;
            m_pen = QPen(Qt::NoPen);
            if (!fills.empty() && prepare(false, true)) {
                setWinding(path.fillRule() == Qt::WindingFill);
                if (fills.size() == 1)
                    m_format->polygon(fills.front());
                else
                    m_format->polyPolygon(fills);
            }
            m_pen = pen;
        }
        if (m_pen.style() != Qt::NoPen && prepare(true, false)) {
            for (const QPolygonF &polygon : mapped.toSubpathPolygons())
                m_format->polyline(devicePolygon(polygon));
        }
    }

    void drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source) override
    {
        drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF &target, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags) override
    {
        if (image.isNull() || !axisAligned() || !prepare(false, false)) return;
        QImage part = image.copy(source.toAlignedRect());
        if (part.hasAlphaChannel()) {
            // On white paper, as the metafile has no transparency.
            QImage paper(part.size(), QImage::Format_RGB32);
            paper.fill(Qt::white);
            QPainter painter(&paper);
            painter.drawImage(0, 0, part);
            part = paper;
        }
        m_format->image(deviceRect(target), part);
    }

    void drawTextItem(const QPointF &p, const QTextItem &textItem) override
    {
        const QString text = textItem.text();
        if (text.isEmpty()) return;
        const QFont font = textItem.font();
        const double scale = transformScale();
        const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDpi / 72.0;

        MetaFont meta;
        meta.face = faceName(font);
        meta.height = std::max(1, static_cast<int>(std::lround(pixels * scale)));
        meta.weight = std::clamp(static_cast<int>(font.weight()), 100, 900);
        meta.italic = font.italic();
        meta.underline = font.underline();
        meta.strikeOut = font.strikeOut();
        // Qt turns clockwise on the screen, GDI's escapement counter-clockwise, in tenths of a degree.
        const double degrees = std::atan2(m_transform.m12(), m_transform.m11()) * 180 / std::numbers::pi;
        meta.escapement = ((static_cast<int>(std::lround(-degrees * 10)) % 3600) + 3600) % 3600;

        // The advance of every character as Qt placed it, rounded so that the errors do not add up.
        const QFontMetricsF metrics(font, m_device);
        std::vector<int> dx;
        double at = 0;
        int placed = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            at += metrics.horizontalAdvance(pair ? text.mid(i, 2) : QString(text[i])) * scale;
            const int next = static_cast<int>(std::lround(at));
            dx.push_back(next - placed);
            placed = next;
            if (pair) {
                dx.push_back(0);
                ++i;
            }
        }

        const QPen pen = m_pen;
        if (!prepare(false, false)) return;
        selectFont(meta);
        const QRgb color = opaque(pen.color());
        if (m_textColor != color) {
            m_format->setTextColor(color);
            m_textColor = color;
        }
        m_format->text(device(p), text, dx);
    }

private:
    QPoint device(const QPointF &p) const
    {
        const QPointF d = m_transform.map(p);
        constexpr double kLimit = 1 << 27;
        return QPoint(static_cast<int>(std::lround(std::clamp(d.x(), -kLimit, kLimit))),
                      static_cast<int>(std::lround(std::clamp(d.y(), -kLimit, kLimit))));
    }

    // Corners are rounded each, so that neighbouring rectangles meet.
    QRect deviceRect(const QRectF &rect) const
    {
        const QPoint a = device(rect.topLeft()), b = device(rect.bottomRight());
        return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                     QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
    }

    MetaPolygon devicePolygon(const QPolygonF &polygon) const
    {
        MetaPolygon points;
        for (const QPointF &p : polygon)
            points.push_back(
                QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))));
        return points;
    }

    QPainterPath pathOf(const QRectF &rect, bool ellipse) const
    {
        QPainterPath path;
        if (ellipse)
            path.addEllipse(rect);
        else
            path.addRect(rect);
        return path;
    }

    bool axisAligned() const { return m_transform.type() <= QTransform::TxScale; }

    double transformScale() const { return std::sqrt(std::abs(m_transform.determinant())); }

    MetaPen metaPen() const
    {
        MetaPen pen;
        const QColor color =
            m_pen.brush().style() == Qt::SolidPattern ? m_pen.color() : plainColor(m_pen.brush());
        switch (m_pen.style()) {
        case Qt::NoPen:
            pen.style = MetaPenStyle::Null;
            break;
        case Qt::DashLine:
        case Qt::CustomDashLine:
            pen.style = MetaPenStyle::Dash;
            break;
        case Qt::DotLine:
            pen.style = MetaPenStyle::Dot;
            break;
        case Qt::DashDotLine:
            pen.style = MetaPenStyle::DashDot;
            break;
        case Qt::DashDotDotLine:
            pen.style = MetaPenStyle::DashDotDot;
            break;
        default:
            pen.style = MetaPenStyle::Solid;
        }
        if (color.alpha() == 0) pen.style = MetaPenStyle::Null;
        const double width = m_pen.isCosmetic() ? m_pen.widthF() : m_pen.widthF() * transformScale();
        pen.width = std::max(1, static_cast<int>(std::lround(width)));
        pen.color = pen.style == MetaPenStyle::Null ? 0 : opaque(color);
        pen.cap = m_pen.capStyle() == Qt::FlatCap ? 2 : m_pen.capStyle() == Qt::SquareCap ? 1 : 0;
        pen.join = m_pen.joinStyle() == Qt::RoundJoin ? 0 : m_pen.joinStyle() == Qt::BevelJoin ? 1 : 2;
        return pen;
    }

    MetaBrush metaBrush() const
    {
        MetaBrush brush;
        const QColor color = plainColor(m_brush);
        brush.color = opaque(color);
        switch (m_brush.style()) {
        case Qt::NoBrush:
            brush.style = MetaBrushStyle::Null;
            brush.color = 0;
            return brush;
        case Qt::HorPattern:
            brush.hatch = HatchHorizontal;
            break;
        case Qt::VerPattern:
            brush.hatch = HatchVertical;
            break;
        case Qt::FDiagPattern:
            brush.hatch = HatchFDiagonal;
            break;
        case Qt::BDiagPattern:
            brush.hatch = HatchBDiagonal;
            break;
        case Qt::CrossPattern:
            brush.hatch = HatchCross;
            break;
        case Qt::DiagCrossPattern:
            brush.hatch = HatchDiagCross;
            break;
        default:
            brush.style = color.alpha() == 0 ? MetaBrushStyle::Null : MetaBrushStyle::Solid;
            return brush;
        }
        brush.style = MetaBrushStyle::Hatched;
        return brush;
    }

    // Brings the clip up to date and selects the pen and the brush the call draws with; false when
    // there is nothing to draw into.
    bool prepare(bool usesPen, bool usesBrush)
    {
        if (!m_format) return false;
        const std::optional<QRect> clip = m_clipEnabled ? m_clip : std::nullopt;
        if (clip && clip->isEmpty()) return false;
        if (clip != m_appliedClip) {
            if (m_clipSaved) {
                m_format->restoreDC();
                m_clipSaved = false;
                // The restored context has the objects and settings of before the save.
                m_selectedPen = m_selectedBrush = m_selectedFont = 0;
                m_textColor.reset();
                m_winding.reset();
            }
            if (clip) {
                m_format->saveDC();
                m_format->intersectClipRect(*clip);
                m_clipSaved = true;
            }
            m_appliedClip = clip;
        }
        if (usesPen)
            select(metaPen(), m_pens, m_selectedPen,
                   [this](const MetaPen &p) { return m_format->createPen(p); });
        if (usesBrush)
            select(metaBrush(), m_brushes, m_selectedBrush,
                   [this](const MetaBrush &b) { return m_format->createBrush(b); });
        return true;
    }

    void selectFont(const MetaFont &font)
    {
        select(font, m_fonts, m_selectedFont, [this](const MetaFont &f) { return m_format->createFont(f); });
    }

    // Each distinct object is created once and kept to the end: a saved device context may still
    // refer to it.
    template <class Key, class Create>
    void select(const Key &key, std::map<Key, std::uint32_t> &made, std::uint32_t &selected, Create create)
    {
        auto found = made.find(key);
        if (found == made.end()) found = made.emplace(key, create(key)).first;
        if (selected != found->second) {
            m_format->selectObject(found->second);
            selected = found->second;
        }
    }

    void setWinding(bool winding)
    {
        if (m_winding == winding) return;
        m_format->setPolyFillMode(winding);
        m_winding = winding;
    }

    MetafileKind m_kind;
    std::string m_path;
    QSize m_size;
    QString m_description;
    QPaintDevice *m_device = nullptr;
    std::unique_ptr<MetafileFormat> m_format;

    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    std::optional<QRect> m_clip;
    bool m_clipEnabled = false;

    std::map<MetaPen, std::uint32_t> m_pens;
    std::map<MetaBrush, std::uint32_t> m_brushes;
    std::map<MetaFont, std::uint32_t> m_fonts;
    std::uint32_t m_selectedPen = 0, m_selectedBrush = 0, m_selectedFont = 0;
    std::optional<QRgb> m_textColor;
    std::optional<bool> m_winding; // the fill mode in force; unknown after a restore
    bool m_clipSaved = false;
    std::optional<QRect> m_appliedClip;
};

} // namespace detail

MetafileDevice::MetafileDevice(MetafileKind kind, std::string path, QSize size, QString description)
    : m_size(size),
      m_engine(std::make_unique<detail::MetafileEngine>(kind, std::move(path), size, std::move(description)))
{
}

MetafileDevice::~MetafileDevice() = default;

QPaintEngine *MetafileDevice::paintEngine() const
{
    return m_engine.get();
}

std::string MetafileDevice::error() const
{
    return m_engine->error;
}

int MetafileDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return static_cast<int>(std::lround(m_size.width() * 25.4 / detail::kDpi));
    case PdmHeightMM:
        return static_cast<int>(std::lround(m_size.height() * 25.4 / detail::kDpi));
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return detail::kDpi;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

} // namespace charts
