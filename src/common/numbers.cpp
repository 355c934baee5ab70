// Number texts and conversions: the general, fixed and exponent formats, integer and floating-point
// parsing with the runtime's messages, and floating-point checks.
#include "common/numbers.h"

#include "common/error.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace common {

namespace {

// A finite value as decimal digits: value = sign * d0.d1d2... * 10^exponent. Zero has digits "0".
struct Decimal
{
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool isZero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

// An extended value carries about 18 significant decimal digits; the formats round from those, so
// 0.125 and 2.5 are true halves and round away from zero.
constexpr int kExtendedDigits = 18;

Decimal toDecimal(long double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", kExtendedDigits - 1, std::fabs(value));
    // buffer: d<sep>ddd...e[+-]xx; the separator depends on LC_NUMERIC, so read digits only.
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p))) d.digits += *p;
    if (*p == 'e') d.exponent = std::atoi(p + 1);
    if (d.isZero()) {
        d.digits = "0";
        d.exponent = 0;
    }
    return d;
}

// Keeps `keep` significant digits, rounding half away from zero. keep may be 0 or negative: the value
// then rounds to zero or to one unit of the first kept position.
void roundToDigits(Decimal &d, int keep)
{
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits = "0";
        d.exponent = 0;
        return;
    }
    bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (d.digits[i] == '9') {
                d.digits[i] = '0';
            } else {
                ++d.digits[i];
                break;
            }
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
            if (keep > 0) d.digits.pop_back();
        }
    }
    if (d.digits.empty() || d.isZero()) {
        d.digits = "0";
        d.exponent = 0;
    }
}

std::string nonFinite(long double value)
{
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string exponentText(int exponent, int minDigits, bool alwaysSign)
{
    std::string text = "E";
    if (exponent < 0)
        text += '-';
    else if (alwaysSign)
        text += '+';
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
    return text + digits;
}

void stripTrailingZeros(std::string &digits)
{
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

[[noreturn]] void invalidInteger(const std::string &text)
{
    throw ConvertError("'" + text + "' is not a valid integer value");
}

[[noreturn]] void invalidFloat(const std::string &text)
{
    throw ConvertError("'" + text + "' is not a valid floating point value");
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::string formatGeneral(long double value, int precision, int expDigits, char separator)
{
    if (!std::isfinite(value)) return nonFinite(value);
    precision = std::clamp(precision, 1, kExtendedDigits);
    Decimal d = toDecimal(value);
    roundToDigits(d, precision);
    if (d.isZero()) return "0";
    stripTrailingZeros(d.digits);

    std::string text = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent >= -4 && d.exponent < precision) {
        if (d.exponent < 0) {
            text += '0';
            text += separator;
            text.append(-d.exponent - 1, '0');
            text += d.digits;
        } else if (n <= d.exponent + 1) {
            text += d.digits;
            text.append(d.exponent + 1 - n, '0');
        } else {
            text += d.digits.substr(0, d.exponent + 1);
            text += separator;
            text += d.digits.substr(d.exponent + 1);
        }
        return text;
    }
    text += d.digits[0];
    if (n > 1) {
        text += separator;
        text += d.digits.substr(1);
    }
    return text + exponentText(d.exponent, expDigits, false);
}

std::string formatFixed(long double value, int decimals, char separator)
{
    if (!std::isfinite(value)) return nonFinite(value);
    decimals = std::clamp(decimals, 0, kExtendedDigits);
    Decimal d = toDecimal(value);
    // Keep every digit down to the last decimal place.
    roundToDigits(d, d.exponent + 1 + decimals);

    std::string intPart, fracPart;
    if (d.isZero()) {
        intPart = "0";
        fracPart.assign(decimals, '0');
    } else {
        // Place the digits on the positions 10^exponent ... 10^-decimals.
        const int n = static_cast<int>(d.digits.size());
        auto digitAt = [&](int power) {
            int index = d.exponent - power;
            return index >= 0 && index < n ? d.digits[index] : '0';
        };
        for (int power = std::max(d.exponent, 0); power >= 0; --power) intPart += digitAt(power);
        for (int power = -1; power >= -decimals; --power) fracPart += digitAt(power);
    }
    std::string text = (d.negative && !d.isZero()) ? "-" : "";
    text += intPart;
    if (decimals > 0) {
        text += separator;
        text += fracPart;
    }
    return text;
}

std::string formatExponent(long double value, int precision, int expDigits, char separator)
{
    if (!std::isfinite(value)) return nonFinite(value);
    precision = std::clamp(precision, 1, kExtendedDigits);
    Decimal d = toDecimal(value);
    roundToDigits(d, precision);
    if (d.isZero()) d.exponent = 0;
    d.digits.resize(precision, '0');
    std::string text = (d.negative && !d.isZero()) ? "-" : "";
    text += d.digits[0];
    if (precision > 1) {
        text += separator;
        text += d.digits.substr(1);
    }
    return text + exponentText(d.exponent, expDigits, true);
}

std::string floatToText(long double value, char separator) { return formatGeneral(value, 15, 0, separator); }

long long roundToEven(long double value)
{
    if (std::isnan(value)) throw MathError("Invalid floating point operation");
    // Most values are whole already (stored classes and per cents, counts): nothing to round, and
    // nearbyint on long double is slow enough to show in a statistics run.
    if (value > -9.0e15L && value < 9.0e15L) {
        const auto whole = static_cast<long long>(value);
        if (static_cast<long double>(whole) == value) return whole;
    }
    long double rounded = std::nearbyint(value); // the default rounding mode is to nearest, ties to even
    if (rounded < static_cast<long double>(std::numeric_limits<long long>::min()) ||
        rounded > static_cast<long double>(std::numeric_limits<long long>::max()))
        throw MathError("Floating point overflow");
    return static_cast<long long>(rounded);
}

int strToInt(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) invalidInteger(text);
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) invalidInteger(text);
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) invalidInteger(text);
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) invalidInteger(text);
    return static_cast<int>(value);
}

long double strToFloat(const std::string &text, char separator)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    // Rewrite the accepted shape into the C form for from_chars: [-]digits[.digits][e[-]digits].
    std::string c;
    size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') c += '-';
        ++i;
    }
    int mantissaDigits = 0;
    for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++mantissaDigits) c += text[i];
    if (i < end && text[i] == separator) {
        c += '.';
        for (++i; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++mantissaDigits) c += text[i];
    }
    if (mantissaDigits == 0) invalidFloat(text);
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) c += text[i++];
        int expDigits = 0;
        for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++expDigits) c += text[i];
        if (expDigits == 0) invalidFloat(text);
    }
    if (i != end) invalidFloat(text);
    long double value = 0;
    auto result = std::from_chars(c.data(), c.data() + c.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is an error.
        bool huge = c.find("e-") == std::string::npos;
        if (huge) invalidFloat(text);
        return 0.0L;
    }
    if (result.ec != std::errc() || result.ptr != c.data() + c.size()) invalidFloat(text);
    return value;
}

long double checkFinite(long double value)
{
    if (std::isnan(value)) throw MathError("Invalid floating point operation");
    if (std::isinf(value)) throw MathError("Floating point overflow");
    return value;
}

long double checkedDiv(long double numerator, long double denominator)
{
    if (std::isnan(numerator) || std::isnan(denominator)) throw MathError("Invalid floating point operation");
    if (denominator == 0) {
        if (numerator == 0) throw MathError("Invalid floating point operation");
        throw MathError("Floating point division by zero");
    }
    return checkFinite(numerator / denominator);
}

long double checkedSqrt(long double value)
{
    if (std::isnan(value) || value < 0) throw MathError("Invalid floating point operation");
    return checkFinite(std::sqrt(value));
}

long double checkedLog10(long double value)
{
    if (std::isnan(value) || value < 0) throw MathError("Invalid floating point operation");
    if (value == 0) throw MathError("Floating point division by zero");
    return checkFinite(std::log10(value));
}

} // namespace common
