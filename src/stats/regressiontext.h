// The regression page's texts that carry a rule of their own: the degree a user types, the numbers
// of the statistics grid and the equation of a fitted polynomial. Separators are passed in: the
// program gives the user's decimal separator, the command line '.'.
#pragma once

#include "stats/statistics.h"

#include <cstdint>
#include <string>

namespace stats {

// The highest degree of polynomial the program fits. The normal equations of higher degrees lose
// every significant digit on real data, and a degree must fit in TStatRes::Degree.
inline constexpr int kMaxDegree = 20;
inline constexpr const char *kDegreeMessage = "Degree must be a whole number from 0 to 20";

// The degree typed by the user: a whole number (blanks before it allowed) from 0 to kMaxDegree.
// Anything else throws common::ConvertError with kDegreeMessage.
std::uint8_t ParseDegree(const std::string &text);

// A number of the statistics grid with `digits` decimals: |v| > 9999 in the exponent format with
// 2 exponent digits and max(digits, floor(log10|v| + 2.5)) significant digits (12345.678 with 4
// gives "1.23457E+04"), any other value in the fixed format (25.5 gives "25.5000").
std::string StatNumberText(long double v, int digits, char separator = '.');

// "y = c0 + c1x -c2x^2 ...": each coefficient in the general format with 4 significant digits and
// at least 4 exponent digits, " + " before a coefficient >= 0 and a blank before a negative one.
// "Regression was not calculated" when the series has no polynomial (not calculated, or a degree
// of 0 without coefficients); a degree of 0 with coefficients left from an earlier fit gives
// "y = c0", the constant the series evaluates.
std::string EquationText(const TStatistics &series, char separator = '.');

// What is said instead of the equation when a coefficient is not right to the 4 digits it shows
// (high degrees on real data, whose coefficients cancel one another); empty when all are.
std::string EquationDigitsMessage(const TStatistics &series);

} // namespace stats
