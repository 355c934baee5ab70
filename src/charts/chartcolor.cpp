// Stored colour values and the system colours they may name.
#include "charts/chartcolor.h"

namespace charts {

namespace {

// The standard desktop scheme, by system colour index (scroll bar, desktop, active caption, ...).
const QRgb kSystemColors[] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x434E54, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0,
};
constexpr int kSystemColorCount = sizeof kSystemColors / sizeof kSystemColors[0];

} // namespace

QColor systemColor(int index)
{
    if (index < 0 || index >= kSystemColorCount) return QColor(Qt::black);
    return QColor(kSystemColors[index]);
}

std::uint32_t colorValue(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

int systemColorIndex(std::uint32_t value)
{
    return (value & 0xFF000000u) == kSystemColorFlag ? static_cast<int>(value & 0xFFu) : -1;
}

QColor colorFromValue(std::uint32_t value)
{
    const int index = systemColorIndex(value);
    if (index >= 0) return systemColor(index);
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>(value >> 8 & 0xFFu),
                  static_cast<int>(value >> 16 & 0xFFu));
}

} // namespace charts
