// Enhanced metafiles (.emf) written with libUEMF.
#include "charts/metafileformat.h"

#include "common/error.h"

#include <QtEndian>

#include <uemf.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace charts::detail {

namespace {

U_COLORREF colorRef(QRgb color)
{
    return colorref3_set(static_cast<uint8_t>(qRed(color)), static_cast<uint8_t>(qGreen(color)),
                         static_cast<uint8_t>(qBlue(color)));
}

U_POINTL pointl(const QPoint &p)
{
    return point32_set(p.x(), p.y());
}

// Inclusive bounds of points, as the records' rclBounds want them.
U_RECTL boundsOf(const MetaPolygon &points)
{
    if (points.empty()) return rectl_set(point32_set(0, 0), point32_set(0, 0));
    int left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (const QPoint &p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return rectl_set(point32_set(left, top), point32_set(right, bottom));
}

// UTF-16LE of a text, without a terminator.
std::vector<uint16_t> utf16le(const QString &text)
{
    std::vector<uint16_t> units;
    units.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text)
        units.push_back(qToLittleEndian(c.unicode()));
    return units;
}

// Styles as an extended pen takes them: one pixel wide pens are cosmetic (their dashes keep the
// screen's length), wider ones geometric with their caps and joins.
uint32_t extPenStyle(const MetaPen &pen)
{
    uint32_t style = static_cast<uint32_t>(pen.style);
    if (pen.width <= 1) return style | U_PS_COSMETIC;
    const uint32_t caps[] = {U_PS_ENDCAP_ROUND, U_PS_ENDCAP_SQUARE, U_PS_ENDCAP_FLAT};
    const uint32_t joins[] = {U_PS_JOIN_ROUND, U_PS_JOIN_BEVEL, U_PS_JOIN_MITER};
    return style | U_PS_GEOMETRIC | caps[std::clamp(pen.cap, 0, 2)] | joins[std::clamp(pen.join, 0, 2)];
}

class EmfFormat : public MetafileFormat
{
public:
    EmfFormat(const std::string &path, QSize size, const QString &description) : m_path(path)
    {
        errno = 0;
        if (emf_start(path.c_str(), 1 << 16, 1 << 16, &m_track) != 0) {
            const int error = errno;
            m_track = nullptr;
            throw common::FileError(error ? std::strerror(error) : "The metafile cannot be created.");
        }
        if (emf_htable_create(128, 128, &m_handles) != 0) {
            emf_free(&m_track);
            throw common::FileError("Out of memory for the metafile.");
        }
        writeHeader(size, description);
        append(U_EMRSETMAPMODE_set(U_MM_TEXT));
        setTextMode();
        append(U_EMRSETPOLYFILLMODE_set(U_ALTERNATE));
    }

    ~EmfFormat() override
    {
        if (m_track) emf_free(&m_track);
        if (m_handles) emf_htable_free(&m_handles);
    }

    std::uint32_t createPen(const MetaPen &pen) override
    {
        uint32_t handle = 0;
        PU_EXTLOGPEN logPen = extlogpen_set(extPenStyle(pen), static_cast<uint32_t>(std::max(pen.width, 1)),
                                            U_BS_SOLID, colorRef(pen.color), 0, 0, nullptr);
        append(extcreatepen_set(&handle, m_handles, nullptr, 0, nullptr, logPen));
        std::free(logPen);
        return handle;
    }

    std::uint32_t createBrush(const MetaBrush &brush) override
    {
        uint32_t handle = 0;
        append(createbrushindirect_set(
            &handle, m_handles,
            logbrush_set(static_cast<uint32_t>(brush.style), colorRef(brush.color), brush.hatch)));
        return handle;
    }

    std::uint32_t createFont(const MetaFont &font) override
    {
        // The face name has room for 31 characters and the terminator.
        std::vector<uint16_t> face = utf16le(QString::fromStdString(font.face).left(31));
        face.push_back(0);
        const U_LOGFONT logFont = logfont_set(
            -std::max(font.height, 1), 0, font.escapement, font.escapement, font.weight, font.italic,
            font.underline, font.strikeOut, U_DEFAULT_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
            U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
        uint32_t handle = 0;
        append(extcreatefontindirectw_set(&handle, m_handles, reinterpret_cast<const char *>(&logFont),
                                          nullptr));
        return handle;
    }

    void selectObject(std::uint32_t handle) override { append(selectobject_set(handle, m_handles)); }

    void deleteObject(std::uint32_t handle) override
    {
        if (!m_stockSelected) {
            // An object is deleted only once no device context holds it.
            for (uint32_t stock : {U_NULL_PEN, U_NULL_BRUSH, U_SYSTEM_FONT})
                append(selectobject_set(stock, m_handles));
            m_stockSelected = true;
        }
        uint32_t h = handle;
        append(deleteobject_set(&h, m_handles));
    }

    void setTextColor(QRgb color) override { append(U_EMRSETTEXTCOLOR_set(colorRef(color))); }

    void setPolyFillMode(bool winding) override
    {
        append(U_EMRSETPOLYFILLMODE_set(winding ? U_WINDING : U_ALTERNATE));
    }

    void saveDC() override { append(U_EMRSAVEDC_set()); }
    void restoreDC() override
    {
        append(U_EMRRESTOREDC_set(-1));
        setTextMode();
    }

    void intersectClipRect(const QRect &rect) override
    {
        append(U_EMRINTERSECTCLIPRECT_set(rectl_set(point32_set(rect.left(), rect.top()),
                                                    point32_set(rect.right() + 1, rect.bottom() + 1))));
    }

    void polyline(const MetaPolygon &points) override
    {
        const std::vector<U_POINTL> p = pointsOf(points);
        append(U_EMRPOLYLINE_set(boundsOf(points), static_cast<uint32_t>(p.size()), p.data()));
    }

    void polygon(const MetaPolygon &points) override
    {
        const std::vector<U_POINTL> p = pointsOf(points);
        append(U_EMRPOLYGON_set(boundsOf(points), static_cast<uint32_t>(p.size()), p.data()));
    }

    void polyPolygon(const std::vector<MetaPolygon> &polygons) override
    {
        MetaPolygon all;
        std::vector<uint32_t> counts;
        for (const MetaPolygon &polygon : polygons) {
            all.insert(all.end(), polygon.begin(), polygon.end());
            counts.push_back(static_cast<uint32_t>(polygon.size()));
        }
        const std::vector<U_POINTL> p = pointsOf(all);
        append(U_EMRPOLYPOLYGON_set(boundsOf(all), static_cast<uint32_t>(counts.size()), counts.data(),
                                    static_cast<uint32_t>(p.size()), p.data()));
    }

    void rectangle(int left, int top, int right, int bottom) override
    {
        append(U_EMRRECTANGLE_set(rectl_set(point32_set(left, top), point32_set(right, bottom))));
    }

    void ellipse(int left, int top, int right, int bottom) override
    {
        append(U_EMRELLIPSE_set(rectl_set(point32_set(left, top), point32_set(right, bottom))));
    }

    void text(QPoint reference, const QString &text, const std::vector<int> &dx) override
    {
        std::vector<uint16_t> units = utf16le(text);
        std::vector<uint32_t> advances(dx.begin(), dx.end());
        int width = 0;
        for (int d : dx)
            width += d;
        const U_RECTL bounds =
            rectl_set(pointl(reference - QPoint(0, 0)), point32_set(reference.x() + width, reference.y()));
        char *emrText =
            emrtext_set(pointl(reference), static_cast<U_NUM_STR>(units.size()), 2, units.data(), U_ETO_NONE,
                        rectl_set(point32_set(0, 0), point32_set(-1, -1)), advances.data());
        if (!emrText) {
            m_failed = true;
            return;
        }
        append(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrText)));
        std::free(emrText);
    }

    void image(const QRect &target, const QImage &image) override
    {
        std::string pixels = dibPixels(image);
        const U_BITMAPINFOHEADER header =
            bitmapinfoheader_set(image.width(), image.height(), 1, 24, U_BI_RGB,
                                 static_cast<uint32_t>(pixels.size()), 3780, 3780, 0, 0);
        PU_BITMAPINFO info = bitmapinfo_set(header, nullptr);
        const U_RECTL bounds = rectl_set(pointl(target.topLeft()), pointl(target.bottomRight()));
        append(U_EMRSTRETCHDIBITS_set(bounds, pointl(target.topLeft()),
                                      point32_set(target.width(), target.height()), point32_set(0, 0),
                                      point32_set(image.width(), image.height()), U_DIB_RGB_COLORS, U_SRCCOPY,
                                      info, static_cast<uint32_t>(pixels.size()), pixels.data()));
        std::free(info);
    }

    void finish() override
    {
        append(U_EMREOF_set(0, nullptr, m_track));
        if (m_failed) throw common::FileError("A record of the metafile could not be made.");
        const std::size_t bytes = m_track->used;
        errno = 0;
        if (emf_finish(m_track, m_handles) != 0) {
            const int error = errno;
            throw common::FileError(error ? std::strerror(error) : "The metafile could not be written.");
        }
        checkWritten(m_path, bytes);
    }

private:
    void writeHeader(QSize size, const QString &description)
    {
        const int w = std::max(size.width(), 1), h = std::max(size.height(), 1);
        // Bounds are inclusive device pixels; the frame is the same area in 0.01 mm at 96 pixels per
        // inch; the reference device is 96 pixels per inch too.
        const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(w - 1, h - 1));
        const auto hundredths = [](int pixels) {
            return static_cast<int32_t>(std::lround(pixels * 2540.0 / 96));
        };
        const U_RECTL frame = rectl_set(point32_set(0, 0), point32_set(hundredths(w) - 1, hundredths(h) - 1));
        // "Fenoris\0description\0\0": the program, then the picture, each ended by a NUL.
        std::vector<uint16_t> text = utf16le(QStringLiteral("Fenoris"));
        text.push_back(0);
        const std::vector<uint16_t> what = utf16le(description);
        text.insert(text.end(), what.begin(), what.end());
        text.push_back(0);
        text.push_back(0);
        append(U_EMRHEADER_set(bounds, frame, nullptr, static_cast<U_CBSTR>(text.size()), text.data(),
                               sizel_set(9600, 9600), sizel_set(2540, 2540), 0));
    }

    // Texts on their baseline, on a transparent background.
    void setTextMode()
    {
        append(U_EMRSETBKMODE_set(U_TRANSPARENT));
        append(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT));
    }

    static std::vector<U_POINTL> pointsOf(const MetaPolygon &points)
    {
        std::vector<U_POINTL> p;
        p.reserve(points.size());
        for (const QPoint &q : points)
            p.push_back(pointl(q));
        return p;
    }

    void append(char *record)
    {
        if (!record || emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), m_track, 1) != 0)
            m_failed = true;
    }

    std::string m_path;
    EMFTRACK *m_track = nullptr;
    EMFHANDLES *m_handles = nullptr;
    bool m_failed = false;
    bool m_stockSelected = false;
};

} // namespace

std::unique_ptr<MetafileFormat> makeEmfFormat(const std::string &path, QSize size, const QString &description)
{
    return std::make_unique<EmfFormat>(path, size, description);
}

void checkWritten(const std::string &path, std::size_t bytes)
{
    // libUEMF closes the file without looking at the result, so a full disk shows only in its size.
    std::error_code error;
    if (std::filesystem::file_size(path, error) != bytes || error)
        throw common::FileError("The metafile could not be written completely (is the disk full?).");
}

std::string dibPixels(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int stride = (rgb.width() * 3 + 3) / 4 * 4;
    std::string pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(rgb.height()), '\0');
    for (int y = 0; y < rgb.height(); ++y) {
        // Bottom-up rows of blue, green, red.
        auto *row = reinterpret_cast<unsigned char *>(pixels.data()) +
                    static_cast<std::size_t>(rgb.height() - 1 - y) * static_cast<std::size_t>(stride);
        const auto *source = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            row[3 * x] = static_cast<unsigned char>(qBlue(source[x]));
            row[3 * x + 1] = static_cast<unsigned char>(qGreen(source[x]));
            row[3 * x + 2] = static_cast<unsigned char>(qRed(source[x]));
        }
    }
    return pixels;
}

} // namespace charts::detail
