// Printing a chart into a rectangle of the page.
#pragma once

#include <QSize>

#include <cstdint>
#include <optional>
#include <string>

class QPrinter;

namespace charts {

class Chart;

// Left, Top, Right and Bottom in printer pixels from the top-left corner of the printable area.
// Left = Right means that nothing is to be printed.
struct PrintRectangle
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool empty() const { return Left == Right; }
    bool operator==(const PrintRectangle &) const = default;
};

// Why the printer cannot print, as the user is told; nothing when it can. Without any installed
// printer Qt falls back to writing a PDF file, which the user has not asked for unless a file was
// chosen in the printer dialog.
std::optional<std::string> printerProblem(const QPrinter &printer);

// Prints the chart, laid out at chartSize pixels, stretched into the rectangle on one page. Throws
// common::Error when the printer cannot begin or finish the document.
void printChart(Chart &chart, QPrinter &printer, const PrintRectangle &rect, QSize chartSize);

} // namespace charts
