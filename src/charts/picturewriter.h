// A chart saved as a picture file: Windows bitmap, placeable Windows metafile, enhanced metafile, PNG,
// SVG or PDF, chosen by the file name's extension, all from the chart's one drawing routine.
#pragma once

#include <QSize>
#include <QString>

namespace charts {

class Chart;

// Writes the chart laid out at `size` pixels (its size on the screen, for the window) into the file:
// .bmp and .png as images of that size, .wmf and .emf as metafile records, .svg and .pdf as vector
// drawings, all at 96 pixels per inch (the PDF page is the picture's size: 680 x 392 pixels are
// 510 x 294 points). The extension is compared ignoring case.
//
// The picture is written under a temporary name beside the file and renamed over it only once whole,
// so a failure leaves the old file as it was. Throws common::Error with
// common::unknownPictureTypeMessage for any other extension or none (nothing is written), and
// common::FileError "Cannot write file "<name>". <reason>" when the picture cannot be written.
void writeChartPicture(Chart &chart, const QString &fileName, QSize size);

} // namespace charts
