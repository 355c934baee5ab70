// Number texts and conversions as the program shows and reads them, and checked floating point.
//
// Formats take the decimal separator as a parameter: the program passes the user's locale separator,
// files and the command line pass '.'. Digits are rounded to nearest with halves away from zero.
// Conversions to an integer round ties to the even neighbour.
#pragma once

#include <string>

namespace common {

// General format: the value rounded to `precision` significant digits, trailing zeros and a bare
// separator dropped; fixed notation when 0.0001 <= |v| < 10^precision, otherwise d.dddE[-]x with at
// least `expDigits` exponent digits. Zero is "0". formatGeneral(0.00001L, 15, 0) == "1E-5".
std::string formatGeneral(long double value, int precision, int expDigits, char separator = '.');

// Fixed format: optional minus, at least one integer digit, the separator and exactly `decimals`
// decimals (none and no separator when decimals is 0). A value that rounds to zero has no minus.
std::string formatFixed(long double value, int decimals, char separator = '.');

// Exponent format: d.ddd (precision digits, trailing zeros kept), "E", sign, at least expDigits digits.
// formatExponent(12345.678L, 6, 2) == "1.23457E+04".
std::string formatExponent(long double value, int precision, int expDigits, char separator = '.');

// The plain conversion of a number to text: general format, 15 digits, no minimum exponent width.
std::string floatToText(long double value, char separator = '.');

// Nearest integer, ties to even. Throws MathError for NaN, infinity or a value outside long long.
long long roundToEven(long double value);

// Standard decimal integer conversion: optional blanks before, optional sign, decimal digits, nothing
// after; the result must fit a 32-bit integer. Throws ConvertError "'<text>' is not a valid integer value".
int strToInt(const std::string &text);

// Standard floating-point conversion with the given decimal separator: optional blanks around,
// sign, digits, separator, digits, optional exponent. Throws ConvertError
// "'<text>' is not a valid floating point value".
long double strToFloat(const std::string &text, char separator = '.');

// Checked arithmetic: the floating-point faults of the program raise MathError instead of producing
// infinities or NaNs. Messages: "Floating point division by zero", "Invalid floating point operation",
// "Floating point overflow".
long double checkedDiv(long double numerator, long double denominator);
long double checkedSqrt(long double value);
long double checkedLog10(long double value);
// Returns value when it is finite; throws the matching MathError otherwise.
long double checkFinite(long double value);

} // namespace common
