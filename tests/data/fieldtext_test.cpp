// Numbers written into numeric fields: the writer's quick path against the exact conversion of the
// standard library, which rounds the exact binary value.
#include "data/fieldtext.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>

namespace {

// The field text by the exact method alone: to_chars of the value, right-aligned, no minus on zero.
std::string exactly(double value, int width, int decimals)
{
    char buffer[400];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    std::string text(buffer, end);
    if (text[0] == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
    return text.size() > static_cast<std::size_t>(width) ? "" : std::string(width - text.size(), ' ') + text;
}

} // namespace

TEST(FieldText, NumbersAreWrittenAsTheExactValueRounds)
{
    // Ties of the decimal text whose binary value lies just below or above, zeros with a sign, the
    // widest values that fit and the first that do not.
    const double cases[] = {0.125,       0.375, 2.675,   1.005,    -0.00004,  -0.00005,  -3.4842,
                            8.333333333, 0.5,   99.9999, 99.99995, 100.0,     -9999.999, 0.0,
                            -0.0,        1e-7,  123456,  0.33335,  1234.5678, 1e300,     -1e-300};
    for (double value : cases)
        for (int decimals : {0, 2, 3, 4})
            EXPECT_EQ(data::formatFieldNumber(value, 9, decimals).value_or(""), exactly(value, 9, decimals))
                << value << " with " << decimals << " decimals";

    std::mt19937_64 random(13);
    std::uniform_real_distribution<double> share(-1.0, 101.0);
    for (int i = 0; i < 200000; ++i) {
        const double value = share(random);
        ASSERT_EQ(data::formatFieldNumber(value, 9, 4).value_or(""), exactly(value, 9, 4)) << value;
    }
}
