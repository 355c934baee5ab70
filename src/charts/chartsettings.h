// The chart settings file (.gsf): the chart-level look of a chart (title, both axes, border, legend,
// bevel, chart colour) as one fixed record of 2992 bytes, collected from a chart, applied to a chart,
// written and read. The properties dialog's Save and Load use it, and so can the command line, which
// has a chart but no window.
//
// Layout, all numbers little-endian, no header, signature or version:
//
//   offset size  field
//        0  256  title text: the title's lines, each followed by CR LF          (short string)
//      256    1  title visible                                                   (Boolean)
//      260  268  title font                                                      (font)
//      528    1  left axis automatic
//      536    8  left axis minimum, 544 maximum, 552 desired increment          (Double)
//      560  256  left axis values format
//      816  268  left axis labels font
//     1084  256  left axis title caption
//     1340  268  left axis title font
//     1608    1  left axis grid visible
//     1616 ... 2696  the bottom axis, the same fields 1088 bytes further on
//     2704    1  border single
//     2705    1  legend visible
//     2708    4  legend colour width                                             (Int32)
//     2712  268  legend font
//     2980    4  bevel width, 0 when neither bevel is set                        (Int32)
//     2984    4  chart colour                                                    (colour, chartcolor.h)
//
// Gaps between fields are padding, written as zeros and ignored when read. A short string is a length
// byte n (0 to 255) and n characters, one byte each, in Windows-1250 (the code page of the program's
// data tables); a longer text is cut to its first 255 characters, and a character that code page
// lacks is written as "?". The bytes after the n characters are written as zeros and ignored. A
// Boolean is written 0 or 1 and any byte other than 0 reads as true. A font is 268 bytes: the name
// (short string), the size in points (Int32) at 256, bold, italic, underline and strike-out (Booleans)
// at 260 to 263 and the colour at 264.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace charts {

class Chart;

inline constexpr std::size_t kChartSettingsSize = 2992;

struct FontSetting
{
    QString name;
    std::int32_t size = 0; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t color = 0; // stored colour value (chartcolor.h)
    bool operator==(const FontSetting &) const = default;
};

struct AxisSettings
{
    bool automatic = true;
    double minimum = 0;
    double maximum = 0;
    double increment = 0;
    QString format;
    FontSetting labelsFont;
    QString title;
    FontSetting titleFont;
    bool gridVisible = true;
    bool operator==(const AxisSettings &) const = default;
};

struct ChartSettings
{
    QString titleText; // the lines, each followed by CR LF
    bool titleVisible = true;
    FontSetting titleFont;
    AxisSettings left;
    AxisSettings bottom;
    bool border = false; // the border style is single
    bool legendVisible = false;
    std::int32_t legendColorWidth = 0;
    FontSetting legendFont;
    std::int32_t bevelWidth = 0; // 0: neither bevel set
    std::uint32_t chartColor = 0;
    bool operator==(const ChartSettings &) const = default;
};

// The record as the file holds it: exactly kChartSettingsSize bytes.
std::string encodeChartSettings(const ChartSettings &settings);
// The record from the first kChartSettingsSize bytes. Throws std::invalid_argument for fewer bytes.
ChartSettings decodeChartSettings(std::string_view bytes);

// Throws common::Error "<what>: the <field> ..." for the first value a chart would refuse or that
// makes no sense: a minimum above the maximum, a negative increment, or a number that is not finite
// (all three only for an axis that is not automatic, as an automatic axis ignores them), and a font
// size of 0 or below. `what` starts the message (the file, say).
void checkChartSettings(const ChartSettings &settings, const QString &what);

// The chart's current settings. Minimum, maximum and increment are stored also for an automatic axis;
// the title text is cut to 255 characters only when written. Font sizes given in pixels are taken
// at 96 dots per inch.
ChartSettings CollectChartSettings(const Chart &chart);

// Applies the settings in this order: title (lines, visible, font); left axis (automatic; when not
// automatic the minimum and maximum in the order that keeps the axis valid, then the increment; then
// format, labels font, title, title font, grid); bottom axis the same; border; legend (visible,
// colour width, font); bevel (0: both none; else inner none, outer raised, that width); chart colour.
// Series and the title's alignment are not touched. Does not check the settings first: a value the
// chart refuses throws common::Error with the settings before it applied. Use checkChartSettings
// first, as the file routines below do.
void ApplyChartSettings(Chart &chart, const ChartSettings &settings);

// Writes the chart's settings to the file, whole (common::writeFileWhole). Throws common::FileError.
void SaveChartSettings(const Chart &chart, const std::string &file);

// Reads and checks a settings file: the first kChartSettingsSize bytes of a file at least that long.
// Throws common::FileError when it cannot be read, common::Error "Not a chart settings file: <file>
// (<n> bytes, expected 2992)" when it is shorter, and checkChartSettings' errors.
ChartSettings ReadChartSettingsFile(const std::string &file);

// What Load does to a chart: reads and checks the whole file, and only then applies it. A file that
// is refused leaves the chart as it was.
void ApplyChartSettingsFile(Chart &chart, const std::string &file);

} // namespace charts
