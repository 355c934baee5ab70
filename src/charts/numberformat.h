// Number format patterns of the axis labels: the classic desktop picture syntax, without Qt.
#pragma once

#include <string>

namespace charts {

// Formats value with a picture pattern as the axis "values format" field holds it:
//
//   0       digit placeholder: a digit or a padding zero
//   #       digit placeholder: a digit, nothing where a zero would only pad
//   .       the decimal separator; only the first one counts, later ones are ignored
//   ,       thousands separators wanted between every three integer digits; position and count
//           do not matter and the character itself writes nothing
//   E+ E- e+ e-   scientific notation; up to four 0 right after give the minimum exponent digits.
//           "E+" always writes the exponent's sign, "E-" only a minus
//   '...' "..."   literal text; any other character is literal too
//   ;       separates sections: positive;negative;zero. With one section a negative value gets a
//           minus sign in front; a negative section writes no minus of its own. An empty negative
//           or zero section falls back to the first one.
//
// Digits are rounded to nearest with halves away from zero, from the value's 18 leading decimal
// digits. The integer digits that do not fit the placeholders are all written at the first one.
// A value that rounds to zero is formatted as zero: the zero section if there is one, and never
// with a minus sign. A section without digit placeholders writes only its literals.
// An empty pattern, an empty section chosen for the value, and fixed notation for a value of
// 10^18 or more give the general format with 15 significant digits ("1E20", "0.25").
// NaN and infinities are written NAN, INF and -INF.
//
// The separators are the user's locale ones, passed as UTF-8 text; the pattern is UTF-8 too.
std::string formatNumber(double value, const std::string &pattern, const std::string &decimalSeparator = ".",
                         const std::string &thousandsSeparator = ",");

// The initial values format of an axis.
inline constexpr const char *kDefaultAxisFormat = "#,##0.###";

} // namespace charts
