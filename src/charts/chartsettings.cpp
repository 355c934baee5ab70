// The chart settings file: its byte layout, and the chart it is collected from and applied to.
#include "charts/chartsettings.h"

#include "charts/chart.h"
#include "charts/chartcolor.h"
#include "common/error.h"
#include "common/numbers.h"
#include "common/replacingfile.h"
#include "common/textfile.h"
#include "data/codepage.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unordered_map>

namespace charts {

namespace {

// ---- field offsets ---------------------------------------------------------------------------

constexpr std::size_t kShortStringSize = 256;
constexpr std::size_t kFontSize = 268;

namespace font {
constexpr std::size_t kName = 0, kSize = 256, kBold = 260, kItalic = 261, kUnderline = 262, kStrikeOut = 263,
                      kColor = 264;
}

namespace axis {
// From the axis' "automatic" flag.
constexpr std::size_t kAutomatic = 0, kMinimum = 8, kMaximum = 16, kIncrement = 24, kFormat = 32,
                      kLabelsFont = 288, kTitle = 556, kTitleFont = 812, kGrid = 1080;
} // namespace axis

constexpr std::size_t kTitleText = 0, kTitleVisible = 256, kTitleFont = 260, kLeftAxis = 528,
                      kBottomAxis = 1616, kBorder = 2704, kLegendVisible = 2705, kLegendColorWidth = 2708,
                      kLegendFont = 2712, kBevelWidth = 2980, kChartColor = 2984;

// ---- Windows-1250 short strings --------------------------------------------------------------

class Cp1250
{
public:
    Cp1250()
    {
        m_chars.fill(QChar::ReplacementCharacter);
        const data::CodePage page(data::kDefaultCodePage);
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char byte = static_cast<char>(b);
            const QString text = QString::fromStdString(page.decode(std::string_view(&byte, 1)));
            if (text.size() != 1 || text.at(0) == QChar::ReplacementCharacter) continue;
            m_chars[b] = text.at(0);
            m_bytes.emplace(text.at(0).unicode(), static_cast<unsigned char>(b));
        }
    }

    // At most `limit` bytes, one per character; "?" for a character the code page lacks.
    std::string encode(const QString &text, std::size_t limit) const
    {
        std::string bytes;
        for (const char32_t c : text.toUcs4()) {
            if (bytes.size() == limit) break;
            if (c < 0x80) {
                bytes += static_cast<char>(c);
                continue;
            }
            const auto found = c <= 0xFFFF ? m_bytes.find(static_cast<char16_t>(c)) : m_bytes.end();
            bytes += found == m_bytes.end() ? '?' : static_cast<char>(found->second);
        }
        return bytes;
    }

    QString decode(std::string_view bytes) const
    {
        QString text;
        for (const char byte : bytes) {
            const auto b = static_cast<unsigned char>(byte);
            text += b < 0x80 ? QChar(b) : m_chars[b];
        }
        return text;
    }

private:
    std::array<QChar, 256> m_chars;
    std::unordered_map<char16_t, unsigned char> m_bytes;
};

const Cp1250 &cp1250()
{
    static const Cp1250 codec;
    return codec;
}

// ---- writing ---------------------------------------------------------------------------------

class Writer
{
public:
    explicit Writer(std::string &bytes) : m_bytes(bytes) {}

    void boolean(std::size_t at, bool value) { m_bytes[at] = value ? 1 : 0; }
    void uint32(std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
    void int32(std::size_t at, std::int32_t value) { uint32(at, static_cast<std::uint32_t>(value)); }
    void real(std::size_t at, double value)
    {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i)
            m_bytes[at + i] = static_cast<char>(bits >> (8 * i) & 0xFF);
    }
    void shortString(std::size_t at, const QString &text)
    {
        const std::string bytes = cp1250().encode(text, kShortStringSize - 1);
        m_bytes[at] = static_cast<char>(bytes.size());
        m_bytes.replace(at + 1, bytes.size(), bytes);
    }
    void fontSetting(std::size_t at, const FontSetting &f)
    {
        shortString(at + font::kName, f.name);
        int32(at + font::kSize, f.size);
        boolean(at + font::kBold, f.bold);
        boolean(at + font::kItalic, f.italic);
        boolean(at + font::kUnderline, f.underline);
        boolean(at + font::kStrikeOut, f.strikeOut);
        uint32(at + font::kColor, f.color);
    }
    void axisSettings(std::size_t at, const AxisSettings &a)
    {
        boolean(at + axis::kAutomatic, a.automatic);
        real(at + axis::kMinimum, a.minimum);
        real(at + axis::kMaximum, a.maximum);
        real(at + axis::kIncrement, a.increment);
        shortString(at + axis::kFormat, a.format);
        fontSetting(at + axis::kLabelsFont, a.labelsFont);
        shortString(at + axis::kTitle, a.title);
        fontSetting(at + axis::kTitleFont, a.titleFont);
        boolean(at + axis::kGrid, a.gridVisible);
    }

private:
    std::string &m_bytes;
};

// ---- reading ---------------------------------------------------------------------------------

class Reader
{
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool boolean(std::size_t at) const { return m_bytes[at] != 0; }
    std::uint32_t uint32(std::size_t at) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[at + i])) << (8 * i);
        return value;
    }
    std::int32_t int32(std::size_t at) const { return static_cast<std::int32_t>(uint32(at)); }
    double real(std::size_t at) const
    {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_bytes[at + i])) << (8 * i);
        return std::bit_cast<double>(bits);
    }
    QString shortString(std::size_t at) const
    {
        const auto length = static_cast<unsigned char>(m_bytes[at]);
        return cp1250().decode(m_bytes.substr(at + 1, length));
    }
    FontSetting fontSetting(std::size_t at) const
    {
        FontSetting f;
        f.name = shortString(at + font::kName);
        f.size = int32(at + font::kSize);
        f.bold = boolean(at + font::kBold);
        f.italic = boolean(at + font::kItalic);
        f.underline = boolean(at + font::kUnderline);
        f.strikeOut = boolean(at + font::kStrikeOut);
        f.color = uint32(at + font::kColor);
        return f;
    }
    AxisSettings axisSettings(std::size_t at) const
    {
        AxisSettings a;
        a.automatic = boolean(at + axis::kAutomatic);
        a.minimum = real(at + axis::kMinimum);
        a.maximum = real(at + axis::kMaximum);
        a.increment = real(at + axis::kIncrement);
        a.format = shortString(at + axis::kFormat);
        a.labelsFont = fontSetting(at + axis::kLabelsFont);
        a.title = shortString(at + axis::kTitle);
        a.titleFont = fontSetting(at + axis::kTitleFont);
        a.gridVisible = boolean(at + axis::kGrid);
        return a;
    }

private:
    std::string_view m_bytes;
};

// ---- checking --------------------------------------------------------------------------------

constexpr int kMaxFontSize = 1000;

std::string number(double value)
{
    return common::floatToText(value);
}

void checkFont(const FontSetting &f, const std::string &field, const std::string &what)
{
    if (f.size <= 0)
        throw common::Error(what + ": the " + field + " size (" + std::to_string(f.size) +
                            ") is not above 0");
    // Text of a thousand points no longer fits any chart: a larger size is a damaged field.
    if (f.size > kMaxFontSize)
        throw common::Error(what + ": the " + field + " size (" + std::to_string(f.size) + ") is above " +
                            std::to_string(kMaxFontSize));
}

void checkAxis(const AxisSettings &a, const std::string &name, const std::string &what)
{
    if (!a.automatic) {
        const std::pair<const char *, double> values[] = {
            {"minimum", a.minimum}, {"maximum", a.maximum}, {"increment", a.increment}};
        for (const auto &[field, value] : values)
            if (!std::isfinite(value))
                throw common::Error(what + ": the " + name + " " + field + " is not a finite number");
        if (a.minimum > a.maximum)
            throw common::Error(what + ": the " + name + " minimum (" + number(a.minimum) +
                                ") is above its maximum (" + number(a.maximum) + ")");
        if (a.increment < 0)
            throw common::Error(what + ": the " + name + " increment (" + number(a.increment) +
                                ") is below 0");
    }
    checkFont(a.labelsFont, name + " labels font", what);
    checkFont(a.titleFont, name + " title font", what);
}

// ---- chart mapping ---------------------------------------------------------------------------

FontSetting collectFont(const ChartFont &f)
{
    FontSetting s;
    s.name = f.font.family();
    // A size given in pixels is taken at 96 dots per inch, the screen the charts are laid out for.
    const double points = f.font.pointSizeF() > 0 ? f.font.pointSizeF() : f.font.pixelSize() * 72.0 / 96.0;
    s.size = static_cast<std::int32_t>(std::nearbyint(points));
    s.bold = f.font.bold();
    s.italic = f.font.italic();
    s.underline = f.font.underline();
    s.strikeOut = f.font.strikeOut();
    s.color = colorValue(f.color);
    return s;
}

ChartFont appliedFont(ChartFont f, const FontSetting &s)
{
    f.font.setFamily(s.name);
    f.font.setPointSize(s.size);
    f.font.setBold(s.bold);
    f.font.setItalic(s.italic);
    f.font.setUnderline(s.underline);
    f.font.setStrikeOut(s.strikeOut);
    f.color = colorFromValue(s.color);
    return f;
}

AxisSettings collectAxis(const Axis &a)
{
    AxisSettings s;
    s.automatic = a.automatic();
    s.minimum = a.minimum();
    s.maximum = a.maximum();
    s.increment = a.increment();
    s.format = a.format();
    s.labelsFont = collectFont(a.labelsFont());
    s.title = a.title();
    s.titleFont = collectFont(a.titleFont());
    s.gridVisible = a.gridVisible();
    return s;
}

void applyAxis(Axis &a, const AxisSettings &s)
{
    a.setAutomatic(s.automatic);
    if (!s.automatic) {
        a.setRange(s.minimum, s.maximum);
        a.setIncrement(s.increment);
    }
    a.setFormat(s.format);
    a.setLabelsFont(appliedFont(a.labelsFont(), s.labelsFont));
    a.setTitle(s.title);
    a.setTitleFont(appliedFont(a.titleFont(), s.titleFont));
    a.setGridVisible(s.gridVisible);
}

std::string fileError(const char *what, const std::string &file, int error)
{
    return std::string(what) + " \"" + file + "\". " + std::strerror(error);
}

} // namespace

std::string encodeChartSettings(const ChartSettings &s)
{
    std::string bytes(kChartSettingsSize, '\0');
    Writer w(bytes);
    w.shortString(kTitleText, s.titleText);
    w.boolean(kTitleVisible, s.titleVisible);
    w.fontSetting(kTitleFont, s.titleFont);
    w.axisSettings(kLeftAxis, s.left);
    w.axisSettings(kBottomAxis, s.bottom);
    w.boolean(kBorder, s.border);
    w.boolean(kLegendVisible, s.legendVisible);
    w.int32(kLegendColorWidth, s.legendColorWidth);
    w.fontSetting(kLegendFont, s.legendFont);
    w.int32(kBevelWidth, s.bevelWidth);
    w.uint32(kChartColor, s.chartColor);
    return bytes;
}

ChartSettings decodeChartSettings(std::string_view bytes)
{
    if (bytes.size() < kChartSettingsSize)
        throw std::invalid_argument("decodeChartSettings: record too short");
    const Reader r(bytes);
    ChartSettings s;
    s.titleText = r.shortString(kTitleText);
    s.titleVisible = r.boolean(kTitleVisible);
    s.titleFont = r.fontSetting(kTitleFont);
    s.left = r.axisSettings(kLeftAxis);
    s.bottom = r.axisSettings(kBottomAxis);
    s.border = r.boolean(kBorder);
    s.legendVisible = r.boolean(kLegendVisible);
    s.legendColorWidth = r.int32(kLegendColorWidth);
    s.legendFont = r.fontSetting(kLegendFont);
    s.bevelWidth = r.int32(kBevelWidth);
    s.chartColor = r.uint32(kChartColor);
    return s;
}

void checkChartSettings(const ChartSettings &s, const QString &whatText)
{
    const std::string what = whatText.toStdString();
    checkFont(s.titleFont, "title font", what);
    checkAxis(s.left, "left axis", what);
    checkAxis(s.bottom, "bottom axis", what);
    checkFont(s.legendFont, "legend font", what);
}

ChartSettings CollectChartSettings(const Chart &chart)
{
    ChartSettings s;
    for (const QString &line : chart.titleLines())
        s.titleText += line + QLatin1String("\r\n");
    s.titleVisible = chart.titleVisible();
    s.titleFont = collectFont(chart.titleFont());
    s.left = collectAxis(chart.leftAxis());
    s.bottom = collectAxis(chart.bottomAxis());
    s.border = chart.borderVisible();
    s.legendVisible = chart.legendVisible();
    s.legendColorWidth = chart.legendColorWidth();
    s.legendFont = collectFont(chart.legendFont());
    const bool bevel = chart.bevelInner() != BevelKind::None || chart.bevelOuter() != BevelKind::None;
    s.bevelWidth = bevel ? chart.bevelWidth() : 0;
    const int system = chart.chartSystemColor();
    s.chartColor =
        system >= 0 ? kSystemColorFlag | static_cast<std::uint32_t>(system) : colorValue(chart.chartColor());
    return s;
}

void ApplyChartSettings(Chart &chart, const ChartSettings &s)
{
    QStringList lines;
    for (const std::string &line : common::splitLines(s.titleText.toStdString()))
        lines << QString::fromStdString(line);
    chart.setTitleLines(lines);
    chart.setTitleVisible(s.titleVisible);
    chart.setTitleFont(appliedFont(chart.titleFont(), s.titleFont));
    applyAxis(chart.leftAxis(), s.left);
    applyAxis(chart.bottomAxis(), s.bottom);
    chart.setBorderVisible(s.border);
    chart.setLegendVisible(s.legendVisible);
    chart.setLegendColorWidth(s.legendColorWidth);
    chart.setLegendFont(appliedFont(chart.legendFont(), s.legendFont));
    if (s.bevelWidth == 0) {
        chart.setBevelInner(BevelKind::None);
        chart.setBevelOuter(BevelKind::None);
    } else {
        chart.setBevelInner(BevelKind::None);
        chart.setBevelOuter(BevelKind::Raised);
        chart.setBevelWidth(s.bevelWidth);
    }
    const int system = systemColorIndex(s.chartColor);
    if (system >= 0)
        chart.setChartSystemColor(system);
    else
        chart.setChartColor(colorFromValue(s.chartColor));
}

void SaveChartSettings(const Chart &chart, const std::string &file)
{
    common::writeFileWhole(file, encodeChartSettings(CollectChartSettings(chart)));
}

ChartSettings ReadChartSettingsFile(const std::string &file)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored))
        throw common::FileError(fileError("Cannot open file", file, EISDIR));
    std::ifstream in(file, std::ios::binary);
    if (!in) throw common::FileError(fileError("Cannot open file", file, errno));
    // Only the record is read: a longer file is accepted, as the record carries no signature.
    std::string bytes(kChartSettingsSize, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) throw common::FileError(fileError("Cannot read file", file, errno));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got < kChartSettingsSize)
        throw common::Error("Not a chart settings file: " + file + " (" + std::to_string(got) +
                            " bytes, expected " + std::to_string(kChartSettingsSize) + ")");
    ChartSettings settings = decodeChartSettings(bytes);
    checkChartSettings(settings, QString::fromStdString("Not a usable chart settings file: " + file));
    return settings;
}

void ApplyChartSettingsFile(Chart &chart, const std::string &file)
{
    ApplyChartSettings(chart, ReadChartSettingsFile(file));
}

} // namespace charts
