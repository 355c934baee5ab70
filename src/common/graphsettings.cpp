// Line settings of the model chart in the name=value settings list.
#include "common/graphsettings.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/numbers.h"

namespace common {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Index of the first line named `name`, or -1.
int findSetting(const std::vector<std::string> &settings, const std::string &name)
{
    for (size_t i = 0; i < settings.size(); ++i) {
        const size_t equals = settings[i].find('=');
        if (equals != std::string::npos &&
            equalsIgnoreCase(std::string_view(settings[i]).substr(0, equals), name))
            return static_cast<int>(i);
    }
    return -1;
}

int readInteger(std::vector<std::string> &settings, const std::string &key, int defaultValue)
{
    const std::string text = SettingValue(settings, key);
    if (text.empty()) {
        SetSettingValue(settings, key, std::to_string(defaultValue));
        return defaultValue;
    }
    return strToInt(text);
}

} // namespace

std::string LineColorToText(LineColor color)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int byte = 0; byte < 4; ++byte) {
        const unsigned b = color.value >> (8 * byte) & 0xFF;
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

LineColor LineColorFromText(const std::string &text)
{
    LineColor color;
    for (size_t byte = 0; byte < 4 && 2 * byte + 1 < text.size(); ++byte) {
        const int high = hexDigit(text[2 * byte]);
        const int low = hexDigit(text[2 * byte + 1]);
        if (high >= 0 && low >= 0) color.value |= static_cast<std::uint32_t>(high << 4 | low) << (8 * byte);
    }
    return color;
}

std::string SettingValue(const std::vector<std::string> &settings, const std::string &name)
{
    const int i = findSetting(settings, name);
    return i < 0 ? std::string() : settings[i].substr(settings[i].find('=') + 1);
}

void SetSettingValue(std::vector<std::string> &settings, const std::string &name, const std::string &value)
{
    const int i = findSetting(settings, name);
    if (i < 0)
        settings.push_back(name + "=" + value);
    else
        settings[i] = name + "=" + value;
}

LineColor GetLineColor(std::vector<std::string> &settings, const std::string &lineType,
                       LineColor defaultColor)
{
    const std::string key = "LC" + lineType;
    const std::string text = SettingValue(settings, key);
    if (text.empty()) {
        SetSettingValue(settings, key, LineColorToText(defaultColor));
        return defaultColor;
    }
    return LineColorFromText(text);
}

int GetLineStyle(std::vector<std::string> &settings, const std::string &lineType, int defaultStyle)
{
    return readInteger(settings, "LS" + lineType, defaultStyle);
}

int GetLineWidth(std::vector<std::string> &settings, const std::string &lineType, int defaultWidth)
{
    return readInteger(settings, "LW" + lineType, defaultWidth);
}

LineSettings ReadChartLineSettings(std::vector<std::string> &settings, const std::string &lineType,
                                   const LineSettings &defaults)
{
    LineSettings line;
    line.width = GetLineWidth(settings, lineType, defaults.width);
    line.style = GetLineStyle(settings, lineType, defaults.style);
    line.color = GetLineColor(settings, lineType, defaults.color);
    return line;
}

void PeekLineSettings(const std::vector<std::string> &settings, const std::string &lineType,
                      LineSettings &line)
{
    if (const std::string color = SettingValue(settings, "LC" + lineType); !color.empty())
        line.color = LineColorFromText(color);
    if (const std::string width = SettingValue(settings, "LW" + lineType); !width.empty())
        line.width = strToInt(width);
    if (const std::string style = SettingValue(settings, "LS" + lineType); !style.empty())
        line.style = strToInt(style);
}

void StoreLineSettings(std::vector<std::string> &settings, const std::string &lineType,
                       const LineSettings &line)
{
    SetSettingValue(settings, "LC" + lineType, LineColorToText(line.color));
    SetSettingValue(settings, "LS" + lineType, std::to_string(line.style));
    SetSettingValue(settings, "LW" + lineType, std::to_string(line.width));
}

BandLook ReadBandLook(const std::vector<std::string> &settings)
{
    BandLook band;
    const std::string on = SettingValue(settings, "BandOn");
    if (on == "1")
        band.on = true;
    else if (!on.empty() && on != "0")
        throw ConvertError("BandOn in Graph.ini must be 0 or 1, not '" + on + "'");
    const std::string level = SettingValue(settings, "BandLevel");
    if (!level.empty()) {
        double value = -1;
        try {
            value = static_cast<double>(strToFloat(level));
        } catch (const ConvertError &) {
        }
        if (!(value > 0 && value < 1))
            throw ConvertError("BandLevel in Graph.ini must be a number between 0 and 1, not '" + level +
                               "'");
        band.level = value;
    }
    return band;
}

void StoreBandLook(std::vector<std::string> &settings, const BandLook &band)
{
    SetSettingValue(settings, "BandOn", band.on ? "1" : "0");
    SetSettingValue(settings, "BandLevel", floatToText(band.level));
}

} // namespace common
