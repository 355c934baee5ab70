// Colours as the chart settings file stores them: a 32-bit value that is either red, green and blue
// (0x00BBGGRR, red in the lowest byte) or, with the highest byte 0x80, a system colour named by the
// index in its lowest byte (0x80000005 is the window background, a new chart's colour).
#pragma once

#include <QColor>

#include <cstdint>

namespace charts {

inline constexpr std::uint32_t kSystemColorFlag = 0x80000000u;
// The window background: white.
inline constexpr int kWindowSystemColor = 5;

// A system colour as a desktop shows it in its standard scheme, so that a chart and its pictures look
// the same on every machine; indices 0 to 30. Any other index is black.
QColor systemColor(int index);

// The stored value of a colour given by red, green and blue (alpha is not stored).
std::uint32_t colorValue(const QColor &color);
// The colour a stored value stands for: a system colour for 0x80......, otherwise the red, green and
// blue of the three low bytes (other high bytes are not colours of their own and are ignored).
QColor colorFromValue(std::uint32_t value);
// The system colour index of a stored value, or -1 when it gives red, green and blue.
int systemColorIndex(std::uint32_t value);

} // namespace charts
