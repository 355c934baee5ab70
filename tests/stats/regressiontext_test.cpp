// The regression page's texts: the degree a user may type, the numbers of the statistics grid and
// the equation of a fit, with a point and with a comma as the decimal separator.
#include "common/error.h"
#include "common/messagesink.h"
#include "stats/regressiontext.h"
#include "stats/statistics.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ParseDegree, TakesWholeNumbersFromZeroToTwenty)
{
    const std::pair<const char *, int> taken[] = {{"0", 0}, {"1", 1}, {" 2", 2}, {"+3", 3}, {"20", 20}};
    for (const auto &[text, degree] : taken)
        EXPECT_EQ(stats::ParseDegree(text), degree) << text;
    // 257 used to act as 1 and -1 as 255 (the low 8 bits of the number).
    for (const char *text : {"21", "257", "256", "-1", "", "two", "2.5", "2,0", "1e1"}) {
        try {
            stats::ParseDegree(text);
            ADD_FAILURE() << "taken: " << text;
        } catch (const common::ConvertError &e) {
            EXPECT_STREQ(e.what(), "Degree must be a whole number from 0 to 20") << text;
        }
    }
}

TEST(StatNumberText, FixedWithFourDecimalsUpTo9999ThenExponent)
{
    struct Case
    {
        long double v;
        const char *point;
        const char *comma;
    };
    // The precision above 9999 is floor(log10|v| + 2.5): 6 digits for 12345.678, 10 for 123456789.
    const Case cases[] = {
        {25.5L, "25.5000", "25,5000"},
        {96.6894L, "96.6894", "96,6894"},
        {9999, "9999.0000", "9999,0000"},
        {-9999, "-9999.0000", "-9999,0000"},
        {0.00004L, "0.0000", "0,0000"},
        {-0.00004L, "0.0000", "0,0000"},
        {12345.678L, "1.23457E+04", "1,23457E+04"},
        {-12345.678L, "-1.23457E+04", "-1,23457E+04"},
        {123456789, "1.234567890E+08", "1,234567890E+08"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(stats::StatNumberText(c.v, 4, '.'), c.point);
        EXPECT_EQ(stats::StatNumberText(c.v, 4, ','), c.comma);
    }
}

class EquationText : public ::testing::Test
{
protected:
    EquationText()
    {
        for (const auto &[x, y] : std::vector<std::pair<int, int>>{{1, 2}, {2, 4}, {3, 5}, {4, 4}, {5, 6}})
            series.AddPoint(x, y);
    }
    common::RecordingSink sink;
    stats::TStatistics series{sink};
};

TEST_F(EquationText, WritesEachCoefficientWithFourDigits)
{
    series.Calculate(1);
    EXPECT_EQ(stats::EquationText(series, '.'), "y = 1.8 + 0.8x");
    EXPECT_EQ(stats::EquationText(series, ','), "y = 1,8 + 0,8x");
    // Coefficients 0.8, 1.657142857 and -0.142857143: one blank before the minus sign.
    series.Calculate(2);
    EXPECT_EQ(stats::EquationText(series, '.'), "y = 0.8 + 1.657x -0.1429x^2");
    EXPECT_EQ(stats::EquationText(series, ','), "y = 0,8 + 1,657x -0,1429x^2");
    // Degree 0 after a fit: the constant the series evaluates, the first coefficient kept.
    series.Calculate(0);
    EXPECT_EQ(stats::EquationText(series, '.'), "y = 0.8");
    EXPECT_TRUE(sink.entries().empty());
}

TEST_F(EquationText, SmallCoefficientsTakeAnExponentOfFourDigits)
{
    stats::TStatistics flat(sink);
    for (int x = 0; x < 4; ++x)
        flat.AddPoint(x, 1 + 0.00001234L * x);
    flat.Calculate(1);
    EXPECT_EQ(stats::EquationText(flat, '.'), "y = 1 + 1.234E-0005x");
}

TEST_F(EquationText, NoPolynomialNoEquation)
{
    stats::TStatistics empty(sink);
    EXPECT_EQ(stats::EquationText(empty, '.'), "Regression was not calculated");
    // Degree 0 on a series never fitted: calculated, but without coefficients.
    series.Calculate(0);
    EXPECT_EQ(stats::EquationText(series, '.'), "Regression was not calculated");
    // A singular fit (one X) leaves degree 0 and no coefficients either.
    stats::TStatistics oneX(sink);
    for (int y : {1, 3, 5})
        oneX.AddPoint(2, y);
    oneX.Calculate(1);
    EXPECT_EQ(stats::EquationText(oneX, '.'), "Regression was not calculated");
    EXPECT_TRUE(sink.entries().empty());
}

} // namespace
