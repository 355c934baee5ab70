// Numbers in dBASE numeric fields through from_chars/to_chars, which never look at the C locale.
#include "data/fieldtext.h"

#include <charconv>
#include <cmath>
#include <vector>

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

std::string dropZeroSign(std::string text)
{
    if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::optional<std::string> alignRight(std::string text, int width)
{
    if (static_cast<int>(text.size()) > width) return std::nullopt;
    return std::string(width - text.size(), ' ') + text;
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
        std::string signedDigits = negative ? "-" + std::string(body) : std::string(body);
        long long value = 0;
        auto [iend, iec] =
            std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), value);
        if (iec == std::errc() && iend == signedDigits.data() + signedDigits.size()) {
            number.integral = true;
            number.integer = value;
        }
    }
    return number;
}

std::optional<std::string> formatFieldNumber(double value, int width, int decimals)
{
    if (!std::isfinite(value) || decimals < 0 || width <= 0 || (decimals > 0 && decimals + 2 > width))
        return std::nullopt;
    std::vector<char> buffer(static_cast<std::size_t>(decimals) + 340);
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, decimals);
    if (ec != std::errc()) return std::nullopt;
    return alignRight(dropZeroSign(std::string(buffer.data(), end)), width);
}

std::optional<std::string> formatFieldInteger(long long value, int width, int decimals)
{
    if (decimals < 0 || width <= 0) return std::nullopt;
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, end);
    if (decimals > 0) text += "." + std::string(decimals, '0');
    return alignRight(text, width);
}

} // namespace data
