// Number format patterns of the axis labels: parsing a section and writing the digits into it.
#include "charts/numberformat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace charts {

namespace {

// A non-negative value as value = 0.digits * 10^point; no digits means zero.
struct Decimal
{
    std::string digits;
    int point = 0;

    bool isZero() const { return digits.empty(); }
};

void dropTrailingZeros(Decimal &d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty()) d.point = 0;
}

// 18 significant digits: what an extended value carries, so 0.125 and 2.5 are true halves while
// 1.005 (stored as 1.00499999...) is not.
Decimal toDecimal(long double value)
{
    Decimal d;
    if (value == 0) return d;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17Le", value);
    // d.ddd...e[+-]xx, with the C library's separator: read digits only.
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.digits += *p;
    d.point = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    dropTrailingZeros(d);
    return d;
}

// Keeps `keep` significant digits, halves away from zero; keep may be 0 or negative.
void roundToDigits(Decimal &d, int keep)
{
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d = Decimal{};
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        for (; i >= 0 && d.digits[i] == '9'; --i)
            d.digits[i] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    dropTrailingZeros(d);
}

std::string specialText(double value)
{
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// General format with 15 significant digits and no minimum exponent width.
std::string formatGeneral(double value, const std::string &decimalSeparator)
{
    if (!std::isfinite(value)) return specialText(value);
    Decimal d = toDecimal(std::fabs(static_cast<long double>(value)));
    roundToDigits(d, 15);
    if (d.isZero()) return "0";
    std::string text = value < 0 ? "-" : "";
    const int exponent = d.point - 1;
    if (exponent >= -4 && exponent < 15) {
        std::string integer, fraction;
        if (d.point > 0) {
            integer = d.digits.substr(0, std::min<size_t>(d.point, d.digits.size()));
            integer.append(std::max(0, d.point - static_cast<int>(d.digits.size())), '0');
            if (d.point < static_cast<int>(d.digits.size())) fraction = d.digits.substr(d.point);
        } else {
            integer = "0";
            fraction = std::string(-d.point, '0') + d.digits;
        }
        text += integer;
        if (!fraction.empty()) text += decimalSeparator + fraction;
        return text;
    }
    text += d.digits.substr(0, 1);
    if (d.digits.size() > 1) text += decimalSeparator + d.digits.substr(1);
    return text + "E" + (exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
}

// One section of a pattern, read into the pieces that produce output.
struct Section
{
    enum class Kind { Literal, IntDigit, Point, FracDigit, Exponent };
    struct Token
    {
        Kind kind;
        std::string text; // Literal: the text; Exponent: "E" or "e"
    };

    std::vector<Token> tokens;
    int intDigits = 0;     // placeholders before the point
    int fracDigits = 0;    // placeholders after the point
    int minIntDigits = 0;  // from the first 0 before the point up to the point
    int minFracDigits = 0; // up to the last 0 after the point
    bool grouping = false;
    bool scientific = false;
    bool exponentAlwaysSigned = false;
    int minExponentDigits = 0;

    bool hasPlaceholders() const { return intDigits + fracDigits > 0; }
};

Section parseSection(const std::string &text)
{
    Section s;
    bool seenPoint = false;
    int firstIntZero = -1;
    auto literal = [&s](const std::string &piece) {
        if (!s.tokens.empty() && s.tokens.back().kind == Section::Kind::Literal)
            s.tokens.back().text += piece;
        else
            s.tokens.push_back({Section::Kind::Literal, piece});
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t end = text.find(c, i + 1);
            literal(text.substr(i + 1, (end == std::string::npos ? text.size() : end) - i - 1));
            i = end == std::string::npos ? text.size() : end;
        } else if ((c == '0' || c == '#') && !s.scientific) {
            if (seenPoint) {
                s.tokens.push_back({Section::Kind::FracDigit, {}});
                ++s.fracDigits;
                if (c == '0') s.minFracDigits = s.fracDigits;
            } else {
                s.tokens.push_back({Section::Kind::IntDigit, {}});
                if (c == '0' && firstIntZero < 0) firstIntZero = s.intDigits;
                ++s.intDigits;
            }
        } else if (c == '.' && !s.scientific) {
            if (!seenPoint) s.tokens.push_back({Section::Kind::Point, {}});
            seenPoint = true;
        } else if (c == ',' && !s.scientific) {
            s.grouping = true;
        } else if ((c == 'E' || c == 'e') && !s.scientific && i + 1 < text.size() &&
                   (text[i + 1] == '+' || text[i + 1] == '-')) {
            s.scientific = true;
            s.exponentAlwaysSigned = text[i + 1] == '+';
            s.tokens.push_back({Section::Kind::Exponent, std::string(1, c)});
            i += 1;
            while (s.minExponentDigits < 4 && i + 1 < text.size() && text[i + 1] == '0') {
                ++s.minExponentDigits;
                ++i;
            }
        } else {
            literal(std::string(1, c));
        }
    }
    if (firstIntZero >= 0) s.minIntDigits = s.intDigits - firstIntZero;
    return s;
}

// The digits a section writes for a non-negative value.
struct Digits
{
    std::string integer;
    std::string fraction;
    int exponent = 0;
    bool zero = false;
};

Digits fixedDigits(const Section &s, double value)
{
    Decimal d = toDecimal(value);
    roundToDigits(d, d.point + s.fracDigits);
    Digits r;
    r.zero = d.isZero();
    const int size = static_cast<int>(d.digits.size());
    if (d.point > 0) {
        r.integer = d.digits.substr(0, std::min(d.point, size));
        r.integer.append(std::max(0, d.point - size), '0');
    }
    for (int i = 0; i < s.fracDigits; ++i) {
        const int at = d.point + i;
        r.fraction += at >= 0 && at < size ? d.digits[at] : '0';
    }
    if (static_cast<int>(r.integer.size()) < s.minIntDigits)
        r.integer.insert(0, s.minIntDigits - r.integer.size(), '0');
    return r;
}

Digits scientificDigits(const Section &s, double value)
{
    const int significant = s.intDigits + s.fracDigits;
    Decimal d = toDecimal(value);
    roundToDigits(d, significant);
    Digits r;
    if (d.isZero()) {
        r.zero = true;
        r.integer = std::string(std::max(s.minIntDigits, s.intDigits > 0 ? 1 : 0), '0');
        r.fraction = std::string(s.fracDigits, '0');
        return r;
    }
    std::string all = d.digits;
    all.resize(significant, '0');
    r.integer = all.substr(0, s.intDigits);
    r.fraction = all.substr(s.intDigits);
    r.exponent = d.point - s.intDigits;
    return r;
}

std::string writeSection(const Section &s, Digits digits, const std::string &decimalSeparator,
                         const std::string &thousandsSeparator)
{
    std::string out;
    if (!s.hasPlaceholders()) {
        for (const auto &t : s.tokens)
            if (t.kind == Section::Kind::Literal) out += t.text;
        return out;
    }
    while (static_cast<int>(digits.fraction.size()) > s.minFracDigits && digits.fraction.back() == '0')
        digits.fraction.pop_back();

    const int length = static_cast<int>(digits.integer.size());
    const bool grouping = s.grouping && !s.scientific;
    auto integerDigit = [&](int k) {
        out += digits.integer[k];
        const int place = length - 1 - k;
        if (grouping && place > 0 && place % 3 == 0) out += thousandsSeparator;
    };
    const int offset = length - s.intDigits;
    int intIndex = 0, fracIndex = 0;
    for (const auto &t : s.tokens) {
        switch (t.kind) {
        case Section::Kind::Literal:
            out += t.text;
            break;
        case Section::Kind::IntDigit: {
            // Digits beyond the placeholders all go to the first one.
            const int k = intIndex + offset;
            if (intIndex == 0)
                for (int j = 0; j < k; ++j)
                    integerDigit(j);
            if (k >= 0) integerDigit(k);
            ++intIndex;
            break;
        }
        case Section::Kind::Point:
            if (s.intDigits == 0)
                for (int k = 0; k < length; ++k)
                    integerDigit(k);
            if (!digits.fraction.empty()) out += decimalSeparator;
            break;
        case Section::Kind::FracDigit:
            if (fracIndex < static_cast<int>(digits.fraction.size())) out += digits.fraction[fracIndex];
            ++fracIndex;
            break;
        case Section::Kind::Exponent: {
            out += t.text;
            if (digits.exponent < 0)
                out += '-';
            else if (s.exponentAlwaysSigned)
                out += '+';
            std::string number = std::to_string(std::abs(digits.exponent));
            if (static_cast<int>(number.size()) < s.minExponentDigits)
                number.insert(0, s.minExponentDigits - number.size(), '0');
            out += number;
            break;
        }
        }
    }
    return out;
}

std::vector<std::string> splitSections(const std::string &pattern)
{
    std::vector<std::string> sections(1);
    char quote = 0;
    for (char c : pattern) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            if (sections.size() == 3) break;
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

constexpr double kFixedLimit = 1e18;

} // namespace

std::string formatNumber(double value, const std::string &pattern, const std::string &decimalSeparator,
                         const std::string &thousandsSeparator)
{
    if (!std::isfinite(value)) return specialText(value);
    const std::vector<std::string> sections = splitSections(pattern);
    const bool negative = value < 0;
    const bool ownNegative = negative && sections.size() >= 2 && !sections[1].empty();
    const std::string &chosen = ownNegative ? sections[1] : sections[0];
    if (chosen.empty()) return formatGeneral(value, decimalSeparator);

    const double magnitude = std::fabs(value);
    const Section section = parseSection(chosen);
    if (!section.scientific && magnitude >= kFixedLimit) return formatGeneral(value, decimalSeparator);

    Digits digits =
        section.scientific ? scientificDigits(section, magnitude) : fixedDigits(section, magnitude);
    if (section.hasPlaceholders() && digits.zero) {
        // Zero, or rounded to zero: the zero section, or the first one, and never a minus sign.
        const std::string &zero = sections.size() == 3 && !sections[2].empty() ? sections[2] : sections[0];
        const Section zeroSection = parseSection(zero);
        Digits zeroDigits =
            zeroSection.scientific ? scientificDigits(zeroSection, 0) : fixedDigits(zeroSection, 0);
        return writeSection(zeroSection, zeroDigits, decimalSeparator, thousandsSeparator);
    }
    if (!section.hasPlaceholders() && value == 0 && sections.size() == 3 && !sections[2].empty()) {
        const Section zeroSection = parseSection(sections[2]);
        return writeSection(zeroSection, fixedDigits(zeroSection, 0), decimalSeparator, thousandsSeparator);
    }
    const std::string text = writeSection(section, digits, decimalSeparator, thousandsSeparator);
    return negative && !ownNegative ? "-" + text : text;
}

} // namespace charts
