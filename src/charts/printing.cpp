#include "charts/printing.h"

#include "charts/chart.h"
#include "common/error.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

namespace charts {

std::optional<std::string> printerProblem(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::NativeFormat) return std::nullopt;
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && !QFileInfo(file).isDir()) return std::nullopt;
    return std::string("No printer is installed, so nothing can be printed. Install a printer, or choose "
                       "printing into a PDF file with a file name in the printer dialog.");
}

void printChart(Chart &chart, QPrinter &printer, const PrintRectangle &rect, QSize chartSize)
{
    QPainter painter;
    if (!painter.begin(&printer)) throw common::Error("The printer could not begin printing.");
    chart.drawTo(painter, QRectF(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                 chartSize);
    if (!painter.end()) throw common::Error("The printer could not finish printing.");
}

} // namespace charts
