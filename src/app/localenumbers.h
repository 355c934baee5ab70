// Numbers as the user writes them: the decimal separator of the user's regional settings.
#pragma once

#include <QLocale>

namespace app {

// The user's decimal separator when it is one 8-bit character, else '.'.
inline char decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80) return point.at(0).toLatin1();
    return '.';
}

} // namespace app
