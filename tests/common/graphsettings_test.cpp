// Line settings in the Graph.ini list: defaults stored on first use, colour texts, "Apply".
#include "common/error.h"
#include "common/graphsettings.h"

#include <gtest/gtest.h>

using namespace common;

namespace {

using Lines = std::vector<std::string>;

const LineColor kBlack{};
const LineColor kRed = LineColor::fromRgb(255, 0, 0);
const LineColor kGreen = LineColor::fromRgb(0, 128, 0);
const LineColor kBlue = LineColor::fromRgb(0, 0, 255);

TEST(LineColorText, ReadsBytesLowestFirst)
{
    struct Case
    {
        const char *text;
        LineColor color;
    };
    const Case cases[] = {
        {"FF000000", kRed},
        {"00800000", kGreen},
        {"0000FF00", kBlue},
        {"00000000", kBlack},
        {"FF", kRed}, // missing pairs stay 0
        {"ff8000", LineColor::fromRgb(255, 128, 0)},
        {"0000FF0012", kBlue},                         // after the fourth pair: ignored
        {"000000FF", LineColor{0xFF000000u}},          // the high byte is kept
        {"FFZZFF00", LineColor::fromRgb(255, 0, 255)}, // a pair that is not hexadecimal reads 0
        {" FF0000", LineColor::fromRgb(0, 0xF0, 0)},   // no blank skipping: " F" reads 0, "F0" is green
        {"FF0", kRed},                                 // a lone last digit is no pair
        {"", kBlack},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LineColorFromText(c.text), c.color) << c.text;
}

TEST(LineColorText, WritesEightUpperCaseDigits)
{
    EXPECT_EQ(LineColorToText(kRed), "FF000000");
    EXPECT_EQ(LineColorToText(kGreen), "00800000");
    EXPECT_EQ(LineColorToText(kBlue), "0000FF00");
    EXPECT_EQ(LineColorToText(LineColor::fromRgb(0xAB, 0xCD, 0xEF)), "ABCDEF00");
}

TEST(LineSettings, ChartStoresItsDefaultsOnFirstUseWidthStyleColour)
{
    Lines settings{"Other=kept"};
    const LineSettings avg = ReadChartLineSettings(settings, "avg", {kGreen, 0, 2});
    EXPECT_EQ(avg, (LineSettings{kGreen, 0, 2}));
    EXPECT_EQ(settings, (Lines{"Other=kept", "LWavg=2", "LSavg=0", "LCavg=00800000"}));

    // Stored values win over later defaults and nothing more is appended.
    EXPECT_EQ(ReadChartLineSettings(settings, "avg", {kRed, 3, 7}), avg);
    EXPECT_EQ(settings.size(), 4u);
}

TEST(LineSettings, PresentValuesAreReadAndEmptyOnesReplacedInPlace)
{
    Lines settings{"lwdeads=3", "LSdeads=", "LCdeads=0000FF00"};
    const LineSettings deads = ReadChartLineSettings(settings, "deads", {kRed, 0, 4});
    EXPECT_EQ(deads, (LineSettings{kBlue, 0, 3})); // names ignore case; the empty style took the default
    EXPECT_EQ(settings, (Lines{"lwdeads=3", "LSdeads=0", "LCdeads=0000FF00"}));
}

TEST(LineSettings, ApplyWritesColourStyleWidthInThisOrder)
{
    Lines settings{"A=1"};
    StoreLineSettings(settings, "limit", {kBlue, 1, 2});
    EXPECT_EQ(settings, (Lines{"A=1", "LClimit=0000FF00", "LSlimit=1", "LWlimit=2"}));

    // Existing lines are replaced where they stand.
    Lines existing{"LWlimit=9", "X=y", "LClimit=FF000000", "LSlimit=4"};
    StoreLineSettings(existing, "limit", {kGreen, 2, 3});
    EXPECT_EQ(existing, (Lines{"LWlimit=3", "X=y", "LClimit=00800000", "LSlimit=2"}));
}

TEST(LineSettings, ANonIntegerStyleOrWidthIsTheRuntimesConversionError)
{
    struct Case
    {
        const char *line;
        const char *message;
    };
    const Case cases[] = {
        {"LSavg=abc", "'abc' is not a valid integer value"},
        {"LWavg=1.5", "'1.5' is not a valid integer value"},
        {"LWavg=2 ", "'2 ' is not a valid integer value"},
    };
    for (const auto &c : cases) {
        Lines settings{c.line};
        try {
            ReadChartLineSettings(settings, "avg", {kGreen, 0, 2});
            ADD_FAILURE() << c.line << " was accepted";
        } catch (const ConvertError &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

} // namespace
