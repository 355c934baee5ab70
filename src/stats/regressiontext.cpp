// The regression page's texts: the typed degree, grid numbers and the equation.
#include "stats/regressiontext.h"

#include "common/error.h"
#include "common/numbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace stats {

namespace {

constexpr int kEquationDigits = 4;

} // namespace

std::uint8_t ParseDegree(const std::string &text)
{
    int degree = -1;
    try {
        degree = common::strToInt(text);
    } catch (const common::ConvertError &) {
        throw common::ConvertError(kDegreeMessage);
    }
    // Taking the low 8 bits instead would fit a line for 257 and try degree 255 for -1.
    if (degree < 0 || degree > kMaxDegree) throw common::ConvertError(kDegreeMessage);
    return static_cast<std::uint8_t>(degree);
}

std::string StatNumberText(long double v, int digits, char separator)
{
    if (std::fabs(v) > 9999) {
        const int precision = std::max(digits, static_cast<int>(std::floor(std::log10(std::fabs(v)) + 2.5L)));
        return common::formatExponent(v, precision, 2, separator);
    }
    return common::formatFixed(v, digits, separator);
}

std::string EquationText(const TStatistics &series, char separator)
{
    if (!series.HasPolynomial()) return "Regression was not calculated";
    // A coefficient that is zero within its error is 0, not its rounding noise.
    std::vector<long double> coef = series.Res.Coef;
    for (size_t i = 0; i < coef.size(); ++i)
        if (series.Res.CoefNegligible(i)) coef[i] = 0;
    auto number = [separator](long double c) {
        return common::formatGeneral(c, kEquationDigits, 4, separator);
    };
    std::string text = "y = " + number(coef[0]);
    // Never past the coefficients there are, as the series' own evaluation.
    const size_t degree = std::min<size_t>(series.Res.Degree, coef.size() - 1);
    for (size_t i = 1; i <= degree; ++i) {
        text += coef[i] >= 0 ? " + " : " ";
        text += number(coef[i]) + "x";
        if (i >= 2) text += "^" + std::to_string(i);
    }
    return text;
}

std::string EquationDigitsMessage(const TStatistics &series)
{
    if (!series.HasPolynomial()) return {};
    const size_t degree = std::min<size_t>(series.Res.Degree, series.Res.Coef.size() - 1);
    for (size_t i = 0; i <= degree; ++i)
        if (!series.Res.CoefNegligible(i) && series.Res.CoefDigits(i) < kEquationDigits)
            return "The coefficients of this polynomial of degree " + std::to_string(degree) +
                   " cannot be given to the " + std::to_string(kEquationDigits) +
                   " digits the equation shows: they cancel one another over the points. The curve and "
                   "Sqr(r) are right; a lower degree gives an equation that can be shown.";
    return {};
}

} // namespace stats
