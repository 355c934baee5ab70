// Line settings of the model chart (colour, pen style and width per line type) in the program's
// name=value settings list, the lines of Graph.ini.
//
// Keys are a prefix and the line type: "LC" colour, "LS" pen style, "LW" pen width, as in LCavg,
// LSmodel0, LWdeads. A setting asked for and missing (or empty) takes the caller's default, which is
// stored at the end of the list at once, so that the next save of Graph.ini holds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace common {

// A colour as Graph.ini keeps it: a Windows colour reference, red in the lowest byte, then green,
// then blue, and a high byte that is kept as read but is not part of the colour.
struct LineColor
{
    std::uint32_t value = 0;

    static constexpr LineColor fromRgb(int red, int green, int blue)
    {
        return {static_cast<std::uint32_t>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16)};
    }
    constexpr int red() const { return value & 0xFF; }
    constexpr int green() const { return value >> 8 & 0xFF; }
    constexpr int blue() const { return value >> 16 & 0xFF; }
    bool operator==(const LineColor &) const = default;
};

// The line types of the model chart, in the order the line settings dialog lists them.
inline constexpr const char *kLineTypes[] = {"model0", "model1", "avg", "limit", "deads"};

// Pen styles by index, as the dialog lists them: 0 Solid ... 6 InsideFrame.
inline constexpr const char *kPenStyleNames[] = {"Solid",      "Dash",  "Dot",        "DashDot",
                                                 "DashDotDot", "Clear", "InsideFrame"};

// The colour text: 8 upper-case hexadecimal digits, the four bytes of the value lowest first.
// Red is "FF000000", green (0, 128, 0) "00800000", blue "0000FF00".
std::string LineColorToText(LineColor color);

// Reads up to four pairs of hexadecimal digits (either case) into the bytes, lowest first; bytes
// without a pair stay 0 and anything after the fourth pair is ignored: "FF" is red. A pair that is
// not two hexadecimal digits (a blank, a letter beyond F, a lone last digit) gives 0 for its byte;
// the other bytes are read as usual. Never throws.
LineColor LineColorFromText(const std::string &text);

// The value of the first line whose name (the text before its first '=') equals `name`, ignoring
// ASCII case; "" when there is none.
std::string SettingValue(const std::vector<std::string> &settings, const std::string &name);

// Replaces the value of the first line with that name, or appends name=value at the end.
void SetSettingValue(std::vector<std::string> &settings, const std::string &name, const std::string &value);

// The three readers. A missing or empty key returns the default and stores it (appended).
// GetLineStyle and GetLineWidth convert a present value as a decimal integer and throw ConvertError
// "'<text>' is not a valid integer value" when it is not one; nothing is stored then.
LineColor GetLineColor(std::vector<std::string> &settings, const std::string &lineType,
                       LineColor defaultColor);
int GetLineStyle(std::vector<std::string> &settings, const std::string &lineType, int defaultStyle);
int GetLineWidth(std::vector<std::string> &settings, const std::string &lineType, int defaultWidth);

// Colour, pen style index and pen width of one line type.
struct LineSettings
{
    LineColor color;
    int style = 0;
    int width = 1;
    bool operator==(const LineSettings &) const = default;
};

// What the model chart reads for a line: the width first, then the style, then the colour, so
// missing keys are stored in the order LW, LS, LC.
LineSettings ReadChartLineSettings(std::vector<std::string> &settings, const std::string &lineType,
                                   const LineSettings &defaults);

// What the line settings dialog shows of a line, changing nothing: `line` holds the defaults on entry
// (the model chart's own, ModelLineDefaults); the colour, then the width, then the style replace them
// where their key is present and not empty. A width or style that is not a decimal integer throws
// ConvertError as GetLineWidth does; `line` then keeps what was read before it.
void PeekLineSettings(const std::vector<std::string> &settings, const std::string &lineType,
                      LineSettings &line);

// The dialog's "Apply": LC, LS and LW of the line type, in this order, each replacing its line or
// appended.
void StoreLineSettings(std::vector<std::string> &settings, const std::string &lineType,
                       const LineSettings &line);

// The uncertainty band of the model curves as Graph.ini keeps it: "BandOn" 1 or 0 and "BandLevel"
// the level with a point, such as 0.95. Missing keys are off and 0.95, and reading stores nothing:
// the keys appear only once the dialog applies a band setting, so an older Graph.ini stays as it was.
struct BandLook
{
    bool on = false;
    double level = 0.95;
    bool operator==(const BandLook &) const = default;
};

// Reads both keys; a "BandOn" other than 0 or 1, or a level that is not a number strictly between 0
// and 1, throws ConvertError naming the key and its text.
BandLook ReadBandLook(const std::vector<std::string> &settings);

// Stores BandOn and BandLevel, in this order, each replacing its line or appended.
void StoreBandLook(std::vector<std::string> &settings, const BandLook &band);

} // namespace common
