// What the metafile paint engine hands to the writer of one metafile format: GDI objects and records
// in device pixels, already transformed and rounded. Private to src/charts.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace charts::detail {

// Pen styles as GDI numbers them.
enum class MetaPenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5 };

struct MetaPen
{
    MetaPenStyle style = MetaPenStyle::Solid;
    int width = 1; // device pixels, at least 1
    QRgb color = 0;
    int cap = 0;  // 0 round, 1 square, 2 flat
    int join = 0; // 0 round, 1 bevel, 2 miter
    auto key() const { return std::tie(style, width, color, cap, join); }
    bool operator<(const MetaPen &o) const { return key() < o.key(); }
};

// Brush styles and hatch styles as GDI numbers them.
enum class MetaBrushStyle { Solid = 0, Null = 1, Hatched = 2 };
enum MetaHatch {
    HatchHorizontal = 0,
    HatchVertical = 1,
    HatchFDiagonal = 2,
    HatchBDiagonal = 3,
    HatchCross = 4,
    HatchDiagCross = 5
};

struct MetaBrush
{
    MetaBrushStyle style = MetaBrushStyle::Solid;
    QRgb color = 0;
    int hatch = 0;
    auto key() const { return std::tie(style, color, hatch); }
    bool operator<(const MetaBrush &o) const { return key() < o.key(); }
};

struct MetaFont
{
    std::string face; // UTF-8
    int height = 12;  // em height in device pixels
    int weight = 400; // 100 to 900
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int escapement = 0; // tenths of a degree, counter-clockwise
    auto key() const { return std::tie(face, height, weight, italic, underline, strikeOut, escapement); }
    bool operator<(const MetaFont &o) const { return key() < o.key(); }
};

using MetaPolygon = std::vector<QPoint>;

// One metafile being written. Objects get handles from create*() and stay valid until deleted; the
// engine creates each distinct pen, brush and font once and deletes them all at the end.
class MetafileFormat
{
public:
    virtual ~MetafileFormat() = default;

    virtual std::uint32_t createPen(const MetaPen &pen) = 0;
    virtual std::uint32_t createBrush(const MetaBrush &brush) = 0;
    virtual std::uint32_t createFont(const MetaFont &font) = 0;
    virtual void selectObject(std::uint32_t handle) = 0;
    virtual void deleteObject(std::uint32_t handle) = 0;

    virtual void setTextColor(QRgb color) = 0;
    virtual void setPolyFillMode(bool winding) = 0;
    // The clip is set by saving the device context, intersecting, and restoring it for the next one.
    // A restore also brings back the objects selected when it was saved; the background mode and the
    // text alignment are set again after it, as some readers lose them.
    virtual void saveDC() = 0;
    virtual void restoreDC() = 0;
    virtual void intersectClipRect(const QRect &rect) = 0;

    virtual void polyline(const MetaPolygon &points) = 0;
    virtual void polygon(const MetaPolygon &points) = 0;
    virtual void polyPolygon(const std::vector<MetaPolygon> &polygons) = 0;
    // GDI rectangles: left, top, right and bottom, the right and bottom edges outside the figure.
    virtual void rectangle(int left, int top, int right, int bottom) = 0;
    virtual void ellipse(int left, int top, int right, int bottom) = 0;
    // Text on its baseline from `reference`, in the selected font and the text colour; dx are the
    // advances of the characters (UTF-16 code units), in pixels.
    virtual void text(QPoint reference, const QString &text, const std::vector<int> &dx) = 0;
    virtual void image(const QRect &target, const QImage &image) = 0;

    // Ends the records and writes the file; throws common::FileError.
    virtual void finish() = 0;
};

// The two formats, each at `size` device pixels of 96 per inch. The file is opened (and created empty)
// at once: throws common::FileError when it cannot be.
std::unique_ptr<MetafileFormat> makeEmfFormat(const std::string &path, QSize size,
                                              const QString &description);
std::unique_ptr<MetafileFormat> makeWmfFormat(const std::string &path, QSize size);

// Throws common::FileError unless the file holds exactly `bytes` bytes.
void checkWritten(const std::string &path, std::size_t bytes);

// 24-bit bottom-up DIB pixel rows of an image, each padded to four bytes, as both formats store them.
std::string dibPixels(const QImage &image);

} // namespace charts::detail
