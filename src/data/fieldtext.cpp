// Numbers in dBASE numeric fields through from_chars/to_chars, which never look at the C locale.
#include "data/fieldtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace data {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isPad(char c)
{
    return c == ' ' || c == '\0' || c == '\t';
}

} // namespace

std::optional<FieldNumber> parseFieldNumber(std::string_view text)
{
    while (!text.empty() && isPad(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isPad(text.back()))
        text.remove_suffix(1);
    if (text.empty()) return std::nullopt;

    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    bool plain = true;
    if (i < text.size() && text[i] == '.') {
        plain = false;
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain = false;
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    // from_chars takes neither a plus sign nor one before the digits it reads as the magnitude.
    std::string_view body = text;
    if (body[0] == '+' || body[0] == '-') body.remove_prefix(1);
    FieldNumber number;
    double magnitude = 0;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), magnitude);
    if (ec != std::errc() || end != body.data() + body.size() || !std::isfinite(magnitude))
        return std::nullopt;
    number.real = negative ? -magnitude : magnitude;
    if (plain) {
        // from_chars takes the minus sign itself, so the text from it on is read as it stands.
        const std::string_view digits = negative ? text.substr(text.size() - body.size() - 1) : body;
        long long value = 0;
        auto [iend, iec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (iec == std::errc() && iend == digits.data() + digits.size()) {
            number.integral = true;
            number.integer = value;
        }
    }
    return number;
}

namespace {

// Right-aligns the `length` characters at text into the `width` bytes at field, without the minus
// sign of a value that rounded to zero; false when they do not fit.
bool placeRight(const char *text, std::size_t length, int width, char *field)
{
    if (length > 0 && text[0] == '-' &&
        std::find_if(text, text + length, [](char c) { return c >= '1' && c <= '9'; }) == text + length) {
        ++text;
        --length;
    }
    if (width <= 0 || length > static_cast<std::size_t>(width)) return false;
    const std::size_t pad = static_cast<std::size_t>(width) - length;
    std::memset(field, ' ', pad);
    std::memcpy(field + pad, text, length);
    return true;
}

// The fixed text of value with `decimals` decimals from its scaled whole number, when that number
// certainly rounds as the exact binary value does: small enough to be exact to a millionth, and not
// within a millionth of a half. Writes the text at text and returns its length, or 0.
std::size_t quickFixed(double value, int decimals, char *text)
{
    static constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    if (decimals > 6) return 0;
    const double scaled = value * kTens[decimals];
    if (!(std::fabs(scaled) < 1e8)) return 0;
    const double below = std::floor(scaled);
    const double fraction = scaled - below;
    if (std::fabs(fraction - 0.5) < 1e-6) return 0;
    long long whole = static_cast<long long>(below) + (fraction > 0.5 ? 1 : 0);
    std::size_t length = 0;
    if (whole < 0) {
        text[length++] = '-';
        whole = -whole;
    }
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
    const auto count = static_cast<std::size_t>(end - digits);
    // Zeros in front up to one digit before the point: 5 with 4 decimals is 0.0005.
    const auto places = static_cast<std::size_t>(decimals);
    const std::size_t pad = count < places + 1 ? places + 1 - count : 0;
    const std::size_t total = pad + count;
    for (std::size_t i = 0; i < total; ++i) {
        if (decimals > 0 && i == total - places) text[length++] = '.';
        text[length++] = i < pad ? '0' : digits[i - pad];
    }
    return length;
}

} // namespace

bool writeFieldNumber(double value, int width, int decimals, char *field)
{
    if (!std::isfinite(value) || decimals < 0 || width <= 0 || (decimals > 0 && decimals + 2 > width))
        return false;
    char quick[40];
    if (const std::size_t length = quickFixed(value, decimals, quick))
        return placeRight(quick, length, width, field);
    // Room for the integer digits of the largest double and the decimals a field can have.
    char buffer[340 + 256];
    if (decimals > 255) return false;
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return false;
    return placeRight(buffer, static_cast<std::size_t>(end - buffer), width, field);
}

bool writeFieldInteger(long long value, int width, int decimals, char *field)
{
    if (decimals < 0 || width <= 0 || decimals > 255) return false;
    char buffer[32 + 256];
    auto [end, ec] = std::to_chars(buffer, buffer + 32, value);
    if (ec != std::errc()) return false;
    if (decimals > 0) {
        *end++ = '.';
        end = std::fill_n(end, decimals, '0');
    }
    return placeRight(buffer, static_cast<std::size_t>(end - buffer), width, field);
}

std::optional<std::string> formatFieldNumber(double value, int width, int decimals)
{
    std::string text(static_cast<std::size_t>(std::max(width, 0)), ' ');
    if (!writeFieldNumber(value, width, decimals, text.data())) return std::nullopt;
    return text;
}

std::optional<std::string> formatFieldInteger(long long value, int width, int decimals)
{
    std::string text(static_cast<std::size_t>(std::max(width, 0)), ' ');
    if (!writeFieldInteger(value, width, decimals, text.data())) return std::nullopt;
    return text;
}

} // namespace data
