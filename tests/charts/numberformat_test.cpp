// The axis label formats: the picture pattern syntax as one table.
#include "charts/numberformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FormatCase
{
    double value;
    const char *pattern;
    const char *text;
    const char *decimal = ".";
    const char *thousands = ",";
};

const FormatCase kCases[] = {
    // The initial axis format: grouping, up to three decimals.
    {1234.5, "#,##0.###", "1,234.5"},
    {-1234.5678, "#,##0.###", "-1,234.568"},
    {1995, "#,##0.###", "1,995"},
    {0, "#,##0.###", "0"},
    {1234567.891, "#,##0.00", "1 234 567,89", ",", " "},
    {1234567.891, "#,##0.00", "1\u00a0234\u00a0567,89", ",", "\u00a0"},
    {999.5, "#,##0", "1,000"},
    // Rounding: halves away from zero, judged on the stored value's 18 digits.
    {2.5, "0", "3"},
    {-2.5, "0", "-3"},
    {0.125, "0.00", "0.13"},
    {1.005, "0.00", "1.00"},
    // Something that rounds to zero is zero: no minus sign, and the zero section if any.
    {-0.0004, "0.000", "0.000"},
    {-0.04, "0.0", "0.0"},
    {-0.05, "0.0", "-0.1"},
    {0.01, "0.0;-0.0;\"zero\"", "zero"},
    {0, "0.0;-0.0;\"zero\"", "zero"},
    // Padding, optional digits, a missing integer part.
    {7, "000", "007"},
    {2.5, "0.00", "2.50"},
    {1.5, "0.###", "1.5"},
    {1, "0.##", "1"},
    {0.5, "#.##", ".5"},
    {12.5, ".00", "12.50"},
    {0, "#", ""},
    {123456, "0", "123456"},
    {1.25, "0.0.0", "1.25"},  // only the first point counts
    {1234, "##-##", "12-34"}, // literals stay among the digits
    {5, "000-0", "000-5"},
    // Literals, quoted or not.
    {50, "0 %", "50 %"},
    {1995, "'Year' 0", "Year 1995"},
    {3, "0 \"m;s\"", "3 m;s"}, // a quoted semicolon does not split
    // Sections: a negative section writes no minus of its own; an empty one falls back.
    {-1234.5, "#,##0.00;(#,##0.00)", "(1,234.50)"},
    {1234.5, "#,##0.00;(#,##0.00)", "1,234.50"},
    {-7, "0;", "-7"},
    {-7, "0;;\"zero\"", "-7"},
    // Scientific notation.
    {12345, "0.0E+00", "1.2E+04"},
    {0.00012345, "0.0E+00", "1.2E-04"},
    {0, "0.0E+00", "0.0E+00"},
    {12345, "0.###E-0", "1.235E4"},
    {0.001, "0.###E-0", "1E-3"},
    {1234, "00.0E+0", "12.3E+2"},
    {99999, "0.0E+0", "1.0E+5"},
    {-12345, "0.00e+000", "-1.23e+004"},
    {1234, ".00E+00", ".12E+04"},
    // Beyond fixed notation, and empty patterns: the general format.
    {1e20, "0.00", "1E20"},
    {1234.5, "", "1234.5"},
    {1e-5, "", "1E-5"},
    {0.25, "", "0,25", ",", "."},
    {-3, ";\"neg\"", "neg"},
    {3, ";\"neg\"", "3"},
};

TEST(FormatNumber, WritesThePatternsOfTheTable)
{
    for (const auto &c : kCases)
        EXPECT_EQ(charts::formatNumber(c.value, c.pattern, c.decimal, c.thousands), c.text)
            << c.value << " with \"" << c.pattern << "\"";
}

TEST(FormatNumber, WritesNotANumberAndInfinities)
{
    EXPECT_EQ(charts::formatNumber(std::numeric_limits<double>::quiet_NaN(), "0.00"), "NAN");
    EXPECT_EQ(charts::formatNumber(std::numeric_limits<double>::infinity(), "0.00"), "INF");
    EXPECT_EQ(charts::formatNumber(-std::numeric_limits<double>::infinity(), "0.00"), "-INF");
}

} // namespace
