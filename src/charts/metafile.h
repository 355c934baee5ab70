// Windows metafiles of a chart's drawing: a paint device whose paint engine turns QPainter's calls
// into vector records (lines, polylines, polygons, rectangles, ellipses, text with its font, pens with
// style and width, brushes, clipping, and bitmaps where a bitmap is drawn), written with libUEMF as a
// placeable Windows metafile (.wmf) or an enhanced metafile (.emf).
//
// The device has 96 pixels per inch, like the screen the chart is laid out for, and one metafile unit
// is one pixel. Texts keep their characters: UTF-16 in an EMF; in a WMF the first of Windows code pages
// 1252, 1250, 1251, 1253 and 1254 that holds the whole text, with that code page's character set on the
// font. Fonts keep their family, except Qt's generic families, which become Arial, Times New Roman or
// Courier New. Every character's advance is stored, so that the text stands where Qt placed it.
#pragma once

#include <QPaintDevice>
#include <QSize>
#include <QString>

#include <memory>
#include <string>

namespace charts {

namespace detail {
class MetafileEngine;
}

enum class MetafileKind { Wmf, Emf };

class MetafileDevice : public QPaintDevice
{
public:
    // `size` is the picture's size in pixels; an EMF's header carries the description (a WMF has no
    // place for one). The file is created when a painter begins on the device and written whole when
    // it ends.
    MetafileDevice(MetafileKind kind, std::string path, QSize size, QString description = {});
    ~MetafileDevice() override;
    MetafileDevice(const MetafileDevice &) = delete;
    MetafileDevice &operator=(const MetafileDevice &) = delete;

    QPaintEngine *paintEngine() const override;

    // After the painter has ended: empty when the file was written whole, else why it was not.
    std::string error() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    std::unique_ptr<detail::MetafileEngine> m_engine;
};

} // namespace charts
