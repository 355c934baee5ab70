// Number texts and conversions against the program's documented examples.
#include "common/error.h"
#include "common/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace common;

namespace {

struct GeneralCase
{
    long double value;
    int precision;
    int expDigits;
    const char *text;
};

const GeneralCase kGeneral[] = {
    {0.00001L, 15, 0, "1E-5"},
    {0.0001L, 15, 0, "0.0001"},
    {0.0, 15, 0, "0"},
    {-0.0, 15, 0, "0"},
    {1995, 15, 0, "1995"},
    {0.25L, 15, 0, "0.25"},
    {-3.484L, 15, 0, "-3.484"},
    {0.1L + 0.2L, 15, 0, "0.3"},
    {1.0L / 3.0L, 15, 0, "0.333333333333333"},
    {123456789012345678.0L, 15, 0, "1.23456789012346E17"},
    {1e15L, 15, 0, "1E15"},
    {999999999999999.0L, 15, 0, "999999999999999"},
    {12345.678L, 6, 2, "12345.7"},
    {1234567.0L, 6, 2, "1.23457E06"},
    {0.000012345L, 4, 2, "1.235E-05"},
    {2.5L, 1, 0, "3"},      // halves away from zero
    {-2.5L, 1, 0, "-3"},
    {9.96L, 2, 0, "10"},
    {99.96L, 3, 0, "100"},
    {999.6L, 3, 0, "1E3"},
};

TEST(FormatGeneral, DocumentedExamplesAndRounding)
{
    for (const auto &c : kGeneral)
        EXPECT_EQ(formatGeneral(c.value, c.precision, c.expDigits), c.text) << "value " << (double)c.value;
}

TEST(FormatGeneral, UsesTheGivenSeparator)
{
    EXPECT_EQ(formatGeneral(0.674489750196082L, 15, 0, ','), "0,674489750196082");
    EXPECT_EQ(formatGeneral(2.5e-7L, 15, 0, ','), "2,5E-7");
    EXPECT_EQ(floatToText(1.5L), "1.5");
}

struct FixedCase
{
    long double value;
    int decimals;
    const char *text;
};

const FixedCase kFixed[] = {
    {0.125L, 2, "0.13"}, {-0.125L, 2, "-0.13"}, {2.5L, 0, "3"},      {0.5L, 0, "1"},
    {0.4L, 0, "0"},      {-0.001L, 2, "0.00"},  {-0.004L, 0, "0"},   {1995, 0, "1995"},
    {0.0L, 3, "0.000"},  {12.3456L, 4, "12.3456"}, {99.99999L, 4, "100.0000"}, {0.05L, 1, "0.1"},
    {1234.5L, 1, "1234.5"}, {-3.4837L, 3, "-3.484"},
};

TEST(FormatFixed, DecimalsAndSigns)
{
    for (const auto &c : kFixed) EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << (double)c.value;
    EXPECT_EQ(formatFixed(1.5L, 2, ','), "1,50");
}

TEST(FormatExponent, KeepsTrailingZerosAndSign)
{
    EXPECT_EQ(formatExponent(12345.678L, 6, 2), "1.23457E+04");
    EXPECT_EQ(formatExponent(0.0L, 3, 2), "0.00E+00");
    EXPECT_EQ(formatExponent(-0.00012L, 4, 1), "-1.200E-4");
    EXPECT_EQ(formatExponent(9.9996L, 4, 0, ','), "1,000E+1");
}

TEST(RoundToEven, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundToEven(0.5L), 0);
    EXPECT_EQ(roundToEven(1.5L), 2);
    EXPECT_EQ(roundToEven(2.5L), 2);
    EXPECT_EQ(roundToEven(-2.5L), -2);
    EXPECT_EQ(roundToEven(2.5000001L), 3);
    EXPECT_THROW(roundToEven(std::numeric_limits<long double>::quiet_NaN()), MathError);
    EXPECT_THROW(roundToEven(1e30L), MathError);
}

TEST(StrToInt, AcceptsDecimalWholeNumbersOnly)
{
    EXPECT_EQ(strToInt("1995"), 1995);
    EXPECT_EQ(strToInt("  -12"), -12);
    EXPECT_EQ(strToInt("+7"), 7);
    EXPECT_EQ(strToInt("-2147483648"), -2147483647 - 1);
    for (const char *bad : {"", " ", "1995a", "19 95", "1995 ", "2147483648", "1.0", "-", "x"}) {
        try {
            strToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError &e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(StrToFloat, AcceptsTheSeparatorGiven)
{
    EXPECT_EQ(strToFloat("2.5"), 2.5L);
    EXPECT_EQ(strToFloat(" -1.25E2 "), -125.0L);
    EXPECT_EQ(strToFloat("3,5", ','), 3.5L);
    EXPECT_EQ(strToFloat(".5"), 0.5L);
    EXPECT_EQ(strToFloat("1e-5000"), 0.0L);
    for (const char *bad : {"", "abc", "3,5", "1e", "1e+", "--1", "1.2.3", "1e99999"}) {
        try {
            strToFloat(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError &e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid floating point value");
        }
    }
}

TEST(CheckedArithmetic, FaultsBecomeErrors)
{
    auto message = [](auto &&f) {
        try {
            f();
        } catch (const MathError &e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { checkedDiv(1, 0); }), "Floating point division by zero");
    EXPECT_EQ(message([] { checkedDiv(0, 0); }), "Invalid floating point operation");
    EXPECT_EQ(message([] { checkedSqrt(-1); }), "Invalid floating point operation");
    EXPECT_EQ(message([] { checkedDiv(std::numeric_limits<long double>::max(), 0.5L); }), "Floating point overflow");
    EXPECT_EQ(message([] { checkedLog10(0); }), "Floating point division by zero");
    EXPECT_EQ(checkedDiv(1, 4), 0.25L);
    EXPECT_EQ(checkedSqrt(0), 0.0L);
}

} // namespace
