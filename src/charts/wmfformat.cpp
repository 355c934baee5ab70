// Placeable Windows metafiles (.wmf) written with libUEMF.
//
// libUEMF 0.2.8 writes a SETWINDOWEXT record for SETVIEWPORTEXT and a SETBKMODE record for
// SETTEXTJUSTIFICATION, so neither is used here. A WMF keeps 16-bit coordinates: points beyond them
// are clamped.
#include "charts/metafileformat.h"

#include "common/error.h"
#include "data/codepage.h"

#include <uwmf.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

namespace charts::detail {

namespace {

U_COLORREF colorRef(QRgb color)
{
    return colorref3_set(static_cast<uint8_t>(qRed(color)), static_cast<uint8_t>(qGreen(color)),
                         static_cast<uint8_t>(qBlue(color)));
}

int16_t coordinate(int value)
{
    return static_cast<int16_t>(std::clamp(value, -32768, 32767));
}

U_POINT16 point16(const QPoint &p)
{
    return point16_set(coordinate(p.x()), coordinate(p.y()));
}

U_RECT16 rect16(int left, int top, int right, int bottom)
{
    return U_RECT16_set(point16_set(coordinate(left), coordinate(top)),
                        point16_set(coordinate(right), coordinate(bottom)));
}

std::vector<U_POINT16> pointsOf(const MetaPolygon &points)
{
    std::vector<U_POINT16> p;
    p.reserve(points.size());
    for (const QPoint &q : points)
        p.push_back(point16(q));
    return p;
}

// A text in the bytes of one Windows code page and the character set that names it on a font.
struct EncodedText
{
    std::string bytes;
    uint8_t charset = U_ANSI_CHARSET;
};

struct CodePageCharset
{
    const char *codePage;
    uint8_t charset;
};

// Western first, then Central European (the program's users), Cyrillic, Greek and Turkish.
const CodePageCharset kCodePages[] = {{"CP1252", U_ANSI_CHARSET},
                                      {"CP1250", U_EASTEUROPE_CHARSET},
                                      {"CP1251", U_RUSSIAN_CHARSET},
                                      {"CP1253", U_GREEK_CHARSET},
                                      {"CP1254", U_TURKISH_CHARSET}};

// One byte per UTF-16 code unit, so that the advances stay one per character; a character none of
// the code pages has becomes '?'.
EncodedText encode(const QString &text)
{
    for (const auto &[name, charset] : kCodePages) {
        try {
            const data::CodePage codePage(name);
            std::string bytes = codePage.encode(text.toStdString(), std::string::npos, false);
            if (bytes.size() == static_cast<std::size_t>(text.size())) return {bytes, charset};
        } catch (const common::Error &) {
            // Not in this code page: try the next one.
        }
    }
    const data::CodePage western(kCodePages[0].codePage);
    EncodedText encoded;
    for (QChar c : text) {
        std::string byte;
        try {
            byte = western.encode(QString(c).toStdString(), std::string::npos, false);
        } catch (const common::Error &) {
        }
        encoded.bytes += byte.size() == 1 ? byte : std::string("?");
    }
    return encoded;
}

class WmfFormat : public MetafileFormat
{
public:
    WmfFormat(const std::string &path, QSize size) : m_path(path)
    {
        // The object count of the header is a library-wide high-water mark.
        wmf_highwater(U_HIGHWATER_CLEAR);
        errno = 0;
        if (wmf_start(path.c_str(), 1 << 16, 1 << 16, &m_track) != 0) {
            const int error = errno;
            m_track = nullptr;
            throw common::FileError(error ? std::strerror(error) : "The metafile cannot be created.");
        }
        if (wmf_htable_create(128, 128, &m_handles) != 0) {
            wmf_free(&m_track);
            throw common::FileError("Out of memory for the metafile.");
        }
        const int w = std::clamp(size.width(), 1, 32767), h = std::clamp(size.height(), 1, 32767);
        U_PAIRF *inches = U_PAIRF_set(static_cast<float>(w / 96.0), static_cast<float>(h / 96.0));
        char *header = U_WMRHEADER_set(inches, 96);
        std::free(inches);
        if (!header || wmf_header_append(reinterpret_cast<U_METARECORD *>(header), m_track, 1) != 0)
            m_failed = true;
        append(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        append(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
        append(U_WMRSETWINDOWEXT_set(point16_set(coordinate(w), coordinate(h))));
        setTextMode();
        append(U_WMRSETPOLYFILLMODE_set(U_ALTERNATE));
    }

    ~WmfFormat() override
    {
        if (m_track) wmf_free(&m_track);
        if (m_handles) wmf_htable_free(&m_handles);
    }

    std::uint32_t createPen(const MetaPen &pen) override
    {
        uint32_t handle = 0;
        append(wcreatepenindirect_set(&handle, m_handles,
                                      U_PEN_set(static_cast<uint16_t>(pen.style),
                                                static_cast<uint16_t>(std::clamp(pen.width, 1, 32767)),
                                                colorRef(pen.color))));
        return handle;
    }

    std::uint32_t createBrush(const MetaBrush &brush) override
    {
        uint32_t handle = 0;
        append(wcreatebrushindirect_set(&handle, m_handles,
                                        U_WLOGBRUSH_set(static_cast<uint16_t>(brush.style),
                                                        colorRef(brush.color),
                                                        static_cast<uint16_t>(brush.hatch))));
        return handle;
    }

    // Fonts wait for their text: its code page decides the font's character set. The handle given
    // out stands for the font in every character set it is used with.
    std::uint32_t createFont(const MetaFont &font) override
    {
        const std::uint32_t handle = kFontHandle + static_cast<std::uint32_t>(m_fonts.size());
        m_fonts.push_back({font, {}});
        return handle;
    }

    void selectObject(std::uint32_t handle) override
    {
        if (handle >= kFontHandle) {
            m_font = handle - kFontHandle;
            return;
        }
        append(wselectobject_set(handle, m_handles));
    }

    void deleteObject(std::uint32_t handle) override
    {
        if (handle >= kFontHandle) {
            for (auto &[charset, made] : m_fonts[handle - kFontHandle].made) {
                uint32_t h = made;
                append(wdeleteobject_set(&h, m_handles));
            }
            m_fonts[handle - kFontHandle].made.clear();
            return;
        }
        uint32_t h = handle;
        append(wdeleteobject_set(&h, m_handles));
    }

    void setTextColor(QRgb color) override { append(U_WMRSETTEXTCOLOR_set(colorRef(color))); }

    void setPolyFillMode(bool winding) override
    {
        append(U_WMRSETPOLYFILLMODE_set(winding ? U_WINDING : U_ALTERNATE));
    }

    void saveDC() override
    {
        append(U_WMRSAVEDC_set());
        // libwmf starts the saved context's successor without the text alignment.
        setTextMode();
    }

    void restoreDC() override
    {
        append(U_WMRRESTOREDC_set(-1));
        // libwmf forgets the text alignment with the restore.
        setTextMode();
        m_selectedFont = 0;
    }

    void intersectClipRect(const QRect &rect) override
    {
        append(
            U_WMRINTERSECTCLIPRECT_set(rect16(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1)));
    }

    void polyline(const MetaPolygon &points) override
    {
        if (points.size() == 2) {
            // A single line as Windows programs record it; libwmf's renderer skips two-point polylines.
            append(U_WMRMOVETO_set(point16(points[0])));
            append(U_WMRLINETO_set(point16(points[1])));
            return;
        }
        for (std::size_t from = 0; from + 1 < points.size(); from += kMaxPoints - 1) {
            // A record holds at most 16-bit counts; long lines go on in the next record.
            const std::size_t n = std::min(points.size() - from, kMaxPoints);
            const std::vector<U_POINT16> p =
                pointsOf(MetaPolygon(points.begin() + from, points.begin() + from + n));
            append(U_WMRPOLYLINE_set(static_cast<uint16_t>(p.size()), p.data()));
        }
    }

    void polygon(const MetaPolygon &points) override
    {
        const std::vector<U_POINT16> p = pointsOf(truncated(points));
        append(U_WMRPOLYGON_set(static_cast<uint16_t>(p.size()), p.data()));
    }

    void polyPolygon(const std::vector<MetaPolygon> &polygons) override
    {
        MetaPolygon all;
        std::vector<uint16_t> counts;
        for (const MetaPolygon &polygon : polygons) {
            const MetaPolygon p = truncated(polygon);
            if (all.size() + p.size() > kMaxPoints) break;
            all.insert(all.end(), p.begin(), p.end());
            counts.push_back(static_cast<uint16_t>(p.size()));
        }
        const std::vector<U_POINT16> p = pointsOf(all);
        append(U_WMRPOLYPOLYGON_set(static_cast<uint16_t>(counts.size()), counts.data(), p.data()));
    }

    void rectangle(int left, int top, int right, int bottom) override
    {
        append(U_WMRRECTANGLE_set(rect16(left, top, right, bottom)));
    }

    void ellipse(int left, int top, int right, int bottom) override
    {
        append(U_WMRELLIPSE_set(rect16(left, top, right, bottom)));
    }

    void text(QPoint reference, const QString &text, const std::vector<int> &dx) override
    {
        const EncodedText encoded = encode(text.left(kMaxText));
        selectFont(encoded.charset);
        std::vector<int16_t> advances;
        for (std::size_t i = 0; i < encoded.bytes.size(); ++i)
            advances.push_back(coordinate(i < dx.size() ? dx[i] : 0));
        append(U_WMREXTTEXTOUT_set(point16(reference), static_cast<int16_t>(encoded.bytes.size()), 0,
                                   encoded.bytes.c_str(), advances.data(), rect16(0, 0, 0, 0)));
    }

    void image(const QRect &target, const QImage &image) override
    {
        std::string pixels = dibPixels(image);
        const U_BITMAPINFOHEADER header =
            bitmapinfoheader_set(image.width(), image.height(), 1, 24, U_BI_RGB,
                                 static_cast<uint32_t>(pixels.size()), 3780, 3780, 0, 0);
        PU_BITMAPINFO info = bitmapinfo_set(header, nullptr);
        append(U_WMRSTRETCHDIB_set(
            point16(target.topLeft()), point16_set(coordinate(target.width()), coordinate(target.height())),
            point16_set(0, 0), point16_set(coordinate(image.width()), coordinate(image.height())),
            U_DIB_RGB_COLORS, U_SRCCOPY, info, static_cast<uint32_t>(pixels.size()), pixels.data()));
        std::free(info);
    }

    void finish() override
    {
        append(U_WMREOF_set());
        if (m_failed) throw common::FileError("A record of the metafile could not be made.");
        const std::size_t bytes = m_track->used;
        errno = 0;
        if (wmf_finish(m_track) != 0) {
            const int error = errno;
            throw common::FileError(error ? std::strerror(error) : "The metafile could not be written.");
        }
        checkWritten(m_path, bytes);
    }

private:
    static constexpr std::uint32_t kFontHandle = 0x10000;
    static constexpr std::size_t kMaxPoints = 16000;
    static constexpr int kMaxText = 16000;

    void setTextMode()
    {
        append(U_WMRSETBKMODE_set(U_TRANSPARENT));
        append(U_WMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT));
    }

    struct Font
    {
        MetaFont font;
        std::map<uint8_t, std::uint32_t> made; // character set -> object
    };

    static MetaPolygon truncated(const MetaPolygon &points)
    {
        return points.size() <= kMaxPoints ? points
                                           : MetaPolygon(points.begin(), points.begin() + kMaxPoints);
    }

    void selectFont(uint8_t charset)
    {
        if (m_font >= m_fonts.size()) return;
        Font &font = m_fonts[m_font];
        auto made = font.made.find(charset);
        if (made == font.made.end()) {
            const MetaFont &f = font.font;
            std::string face = f.face.substr(0, 31);
            U_FONT *logFont = U_FONT_set(
                static_cast<int16_t>(-std::clamp(f.height, 1, 32767)), 0, static_cast<int16_t>(f.escapement),
                static_cast<int16_t>(f.escapement), static_cast<int16_t>(f.weight), f.italic, f.underline,
                f.strikeOut, charset, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
            uint32_t handle = 0;
            append(wcreatefontindirect_set(&handle, m_handles, logFont));
            std::free(logFont);
            made = font.made.emplace(charset, handle).first;
        }
        if (m_selectedFont != made->second) {
            append(wselectobject_set(made->second, m_handles));
            m_selectedFont = made->second;
        }
    }

    void append(char *record)
    {
        if (!record || wmf_append(reinterpret_cast<U_METARECORD *>(record), m_track, 1) != 0) m_failed = true;
    }

    std::string m_path;
    WMFTRACK *m_track = nullptr;
    WMFHANDLES *m_handles = nullptr;
    bool m_failed = false;
    std::vector<Font> m_fonts;
    std::size_t m_font = 0;           // the font the engine selected, by index
    std::uint32_t m_selectedFont = 0; // the font object selected in the device context
};

} // namespace

std::unique_ptr<MetafileFormat> makeWmfFormat(const std::string &path, QSize size)
{
    return std::make_unique<WmfFormat>(path, size);
}

} // namespace charts::detail
