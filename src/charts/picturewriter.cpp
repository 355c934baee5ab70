// Picture files of a chart.
#include "charts/picturewriter.h"

#include "charts/chart.h"
#include "charts/metafile.h"
#include "common/error.h"
#include "common/picturetype.h"
#include "common/replacingfile.h"

#include <QBuffer>
#include <QFile>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <qcustomplot.h>

namespace charts {

namespace {

constexpr int kDpi = 96;

QString title(const Chart &chart)
{
    return chart.titleLines().join(QLatin1Char(' '));
}

// Draws the chart with QCustomPlot's vector drawing calls onto a device; false when the device could
// not be painted on.
bool drawVector(Chart &chart, QPaintDevice &device, QSize size)
{
    QCPPainter painter;
    if (!painter.begin(&device)) return false;
    painter.setMode(QCPPainter::pmVectorized);
    chart.render(painter, size);
    return painter.end();
}

// Qt's writers report no failed write, so they write into memory and the file is written from there.
std::string imageBytes(Chart &chart, QSize size, const char *format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!chart.toImage(size).save(&buffer, format)) throw common::Error("The image could not be made.");
    return buffer.data().toStdString();
}

// XML 1.0 has no place for the control characters other than tab, line feed and carriage return, yet
// a plot or species name may hold them and the SVG generator writes text as it is: each becomes
// U+FFFD, so the picture stays well-formed. Such a byte is never part of a longer UTF-8 character.
std::string withoutXmlControls(std::string bytes)
{
    static const std::string replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            out += replacement;
        else
            out += c;
    }
    return out;
}

std::string svgBytes(Chart &chart, QSize size)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(kDpi);
        // The generator writes the title into <title> as it is: a plot or species name with "&" or "<"
        // would break the XML.
        svg.setTitle(title(chart).toHtmlEscaped());
        svg.setDescription(QStringLiteral("Fenoris"));
        if (!drawVector(chart, svg, size)) throw common::Error("The SVG drawing could not be made.");
    }
    return withoutXmlControls(buffer.data().toStdString());
}

std::string pdfBytes(Chart &chart, QSize size)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        // At the screen's resolution the chart's fonts keep their size; the page is the picture.
        pdf.setResolution(kDpi);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / kDpi, size.height() * 72.0 / kDpi),
                                  QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(title(chart));
        pdf.setCreator(QStringLiteral("Fenoris"));
        if (!drawVector(chart, pdf, size)) throw common::Error("The PDF document could not be made.");
    }
    return buffer.data().toStdString();
}

// libUEMF writes the file itself: under the temporary name, checked, then renamed.
void writeMetafile(Chart &chart, const std::string &target, QSize size, MetafileKind kind)
{
    common::ReplacingFile file(target);
    {
        MetafileDevice device(kind, file.path(), size, title(chart));
        const bool drawn = drawVector(chart, device, size);
        std::string error = device.error();
        if (error.empty() && !drawn) error = "The metafile could not be drawn.";
        // The temporary name means nothing to the user.
        if (!error.empty()) throw common::FileError("Cannot write file \"" + target + "\". " + error);
    }
    file.commit();
}

} // namespace

void writeChartPicture(Chart &chart, const QString &fileName, QSize size)
{
    const std::string target = QFile::encodeName(fileName).toStdString();
    const auto type = common::pictureTypeOf(target);
    if (!type) throw common::Error(common::unknownPictureTypeMessage(fileName.toStdString()));
    if (size.isEmpty()) throw common::Error("The chart has no size to draw at.");

    switch (*type) {
    case common::PictureType::Bmp:
        common::writeFileWhole(target, imageBytes(chart, size, "BMP"));
        break;
    case common::PictureType::Png:
        common::writeFileWhole(target, imageBytes(chart, size, "PNG"));
        break;
    case common::PictureType::Svg:
        common::writeFileWhole(target, svgBytes(chart, size));
        break;
    case common::PictureType::Pdf:
        common::writeFileWhole(target, pdfBytes(chart, size));
        break;
    case common::PictureType::Wmf:
        writeMetafile(chart, target, size, MetafileKind::Wmf);
        break;
    case common::PictureType::Emf:
        writeMetafile(chart, target, size, MetafileKind::Emf);
        break;
    }
}

} // namespace charts
