// The chart settings file: a saved file read at the offsets of the published layout, a file written
// here by hand from that layout and found on a chart, the title cut at 255 characters, the order of
// minimum and maximum, automatic axes, the bevel, what a load keeps, Windows-1250 text, and files
// that are refused whole before anything is applied. No window: the chart alone, as the command line
// has it.
#include "charts/chart.h"
#include "charts/chartsettings.h"
#include "charts/regressionchart.h"
#include "common/error.h"
#include "support/settingsrecord.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

using namespace charts;
using testsupport::readBytes;
using testsupport::writeBytes;
using namespace testsupport::gsf;

namespace {

class ChartSettingsTest : public ::testing::Test
{
protected:
    std::string path(const char *name) const { return (temp / name).string(); }

    // Saves `from` and loads the file onto `to`.
    void carry(const Chart &from, Chart &to)
    {
        SaveChartSettings(from, path("carry.gsf"));
        ApplyChartSettingsFile(to, path("carry.gsf"));
    }

    testsupport::TempDir temp;
    Chart chart;
};

TEST_F(ChartSettingsTest, ASavedFileHoldsEachFieldAtItsOffset)
{
    chart.setTitleLines({"A", "B"});
    chart.setTitleAlignment(TitleAlignment::Right);
    QFont title("Courier");
    title.setPointSize(14);
    title.setItalic(true);
    title.setStrikeOut(true);
    chart.setTitleFont({title, QColor(0x12, 0x34, 0x56)});
    chart.leftAxis().setAutomatic(false);
    chart.leftAxis().setRange(-2.5, 40);
    chart.leftAxis().setIncrement(5);
    chart.leftAxis().setFormat("0.0");
    chart.leftAxis().setTitle("Defoliation");
    chart.leftAxis().setGridVisible(false);
    chart.bottomAxis().setTitle("Year");
    QFont labels("Arial");
    labels.setPixelSize(16); // 12 points at 96 dots per inch
    labels.setBold(true);
    labels.setUnderline(true);
    chart.bottomAxis().setLabelsFont({labels, Qt::red});
    chart.setBorderVisible(true);
    chart.setLegendVisible(true);
    chart.setLegendColorWidth(40);
    chart.setBevelInner(BevelKind::Lowered);
    chart.setBevelOuter(BevelKind::None);
    chart.setBevelWidth(3);

    SaveChartSettings(chart, path("look.gsf"));
    const std::string b = readBytes(temp / "look.gsf");
    ASSERT_EQ(b.size(), 2992u);
    EXPECT_EQ(b[0], 6);
    EXPECT_EQ(b.substr(1, 6), "A\r\nB\r\n");
    EXPECT_EQ(b[256], 1);
    EXPECT_EQ(shortString(b, 260), "Courier");
    EXPECT_EQ(u32(b, 516), 14u);
    EXPECT_EQ(b.substr(520, 4), std::string("\0\1\0\1", 4)); // bold, italic, underline, strike-out
    EXPECT_EQ(u32(b, 524), 0x00563412u);
    EXPECT_EQ(b[528], 0);
    EXPECT_EQ(f64(b, 536), -2.5);
    EXPECT_EQ(f64(b, 544), 40);
    EXPECT_EQ(f64(b, 552), 5);
    EXPECT_EQ(shortString(b, 560), "0.0");
    EXPECT_EQ(shortString(b, 1084), "Defoliation");
    EXPECT_EQ(b[1608], 0);
    EXPECT_EQ(b[1616], 1); // bottom axis automatic
    EXPECT_EQ(shortString(b, 1648), "#,##0.###");
    EXPECT_EQ(shortString(b, 1904), "Arial");
    EXPECT_EQ(u32(b, 1904 + 256), 12u);
    EXPECT_EQ(b.substr(1904 + 260, 4), std::string("\1\0\1\0", 4));
    EXPECT_EQ(u32(b, 1904 + 264), 0x000000FFu);
    EXPECT_EQ(shortString(b, 2172), "Year");
    EXPECT_EQ(b[2696], 1);
    EXPECT_EQ(b[2704], 1);
    EXPECT_EQ(b[2705], 1);
    EXPECT_EQ(u32(b, 2708), 40u);
    EXPECT_EQ(u32(b, 2980), 3u);
    EXPECT_EQ(u32(b, 2984), 0x80000005u); // a new chart's colour: the window background
}

TEST_F(ChartSettingsTest, AFileWrittenByHandIsFoundOnTheChart)
{
    std::string b = handRecord();
    putString(b, 0, "Plot 7\r\nSpruce\r\n");
    b[256] = 0;
    putFont(b, 260, "Times", 18, true, true, false, false, 0x00FF0000); // blue
    b[1616] = 0;
    put64(b, 1624, 1990);
    put64(b, 1632, 2010);
    put64(b, 1640, 5);
    putString(b, 1648, "0");
    putFont(b, 1904, "Courier", 9, false, false, true, true, 0x00008000);
    putString(b, 2172, "Survey year");
    putFont(b, 2428, "Arial", 11, true, false, false, false, 0);
    b[2696] = 0;
    b[2704] = 7; // any byte other than 0 is true
    b[2705] = 1;
    put32(b, 2708, 33);
    putFont(b, 2712, "Arial", 8, false, true, false, false, 0);
    put32(b, 2980, 2);
    put32(b, 2984, 0x00C0FFEE);
    writeBytes(temp / "hand.gsf", b);

    ApplyChartSettingsFile(chart, path("hand.gsf"));
    EXPECT_EQ(chart.titleLines(), QStringList({"Plot 7", "Spruce"}));
    EXPECT_FALSE(chart.titleVisible());
    EXPECT_EQ(chart.titleFont().font.family(), "Times");
    EXPECT_EQ(chart.titleFont().font.pointSize(), 18);
    EXPECT_TRUE(chart.titleFont().font.bold());
    EXPECT_TRUE(chart.titleFont().font.italic());
    EXPECT_EQ(chart.titleFont().color, QColor(0, 0, 255));
    EXPECT_TRUE(chart.leftAxis().automatic());
    EXPECT_FALSE(chart.bottomAxis().automatic());
    EXPECT_EQ(chart.bottomAxis().minimum(), 1990);
    EXPECT_EQ(chart.bottomAxis().maximum(), 2010);
    EXPECT_EQ(chart.bottomAxis().increment(), 5);
    EXPECT_EQ(chart.bottomAxis().format(), "0");
    EXPECT_EQ(chart.bottomAxis().formatValue(1995), "1995");
    const QFont labels = chart.bottomAxis().labelsFont().font;
    EXPECT_EQ(labels.family(), "Courier");
    EXPECT_EQ(labels.pointSize(), 9);
    EXPECT_TRUE(labels.underline() && labels.strikeOut() && !labels.bold());
    EXPECT_EQ(chart.bottomAxis().labelsFont().color, QColor(0, 128, 0));
    EXPECT_EQ(chart.bottomAxis().title(), "Survey year");
    EXPECT_EQ(chart.bottomAxis().titleFont().font.pointSize(), 11);
    EXPECT_FALSE(chart.bottomAxis().gridVisible());
    EXPECT_TRUE(chart.leftAxis().gridVisible());
    EXPECT_TRUE(chart.borderVisible());
    EXPECT_TRUE(chart.legendVisible());
    EXPECT_EQ(chart.legendColorWidth(), 33);
    EXPECT_TRUE(chart.legendFont().font.italic());
    EXPECT_EQ(chart.bevelInner(), BevelKind::None);
    EXPECT_EQ(chart.bevelOuter(), BevelKind::Raised);
    EXPECT_EQ(chart.bevelWidth(), 2);
    EXPECT_EQ(chart.chartColor(), QColor(0xEE, 0xFF, 0xC0));
    EXPECT_EQ(chart.chartSystemColor(), -1);

    // Saved again, the same record comes back, padding aside and with the range the automatic left
    // axis uses now.
    SaveChartSettings(chart, path("again.gsf"));
    const ChartSettings again = decodeChartSettings(readBytes(temp / "again.gsf"));
    ChartSettings expected = decodeChartSettings(b);
    expected.left.minimum = again.left.minimum;
    expected.left.maximum = again.left.maximum;
    EXPECT_EQ(again, expected);
}

TEST_F(ChartSettingsTest, ATitleOver255CharactersComesBackCut)
{
    const QString first(200, QLatin1Char('x'));
    const QString second(100, QLatin1Char('y'));
    chart.setTitleLines({first, second});
    Chart other;
    carry(chart, other);
    // 200 characters, CR LF, then 53 of the second line.
    EXPECT_EQ(other.titleLines(), QStringList({first, QString(53, QLatin1Char('y'))}));
    EXPECT_EQ(readBytes(temp / "carry.gsf")[0], static_cast<char>(255));
}

TEST_F(ChartSettingsTest, AnyStoredRangeLoadsWhereverTheCurrentOneLies)
{
    struct Case
    {
        double min, max;
    };
    // Wholly above the current 0 to 10 (the maximum must go first), wholly below, around it, and a
    // single value.
    const Case cases[] = {{100, 200}, {-200, -100}, {-5, 50}, {20, 20}};
    for (const Case &c : cases) {
        Chart from, to;
        from.bottomAxis().setAutomatic(false);
        from.bottomAxis().setRange(c.min, c.max);
        to.bottomAxis().setAutomatic(false);
        to.bottomAxis().setRange(0, 10);
        carry(from, to);
        EXPECT_FALSE(to.bottomAxis().automatic());
        EXPECT_EQ(to.bottomAxis().minimum(), c.min) << c.min;
        EXPECT_EQ(to.bottomAxis().maximum(), c.max) << c.max;
    }
}

TEST_F(ChartSettingsTest, AutomaticAxesIgnoreTheStoredNumbers)
{
    // Nonsense that only a fixed axis would use: an inverted range, a negative increment, not a number.
    std::string b = handRecord();
    put64(b, 536, 50);
    put64(b, 544, 1);
    put64(b, 552, -3);
    put64(b, 1624, std::numeric_limits<double>::quiet_NaN());
    writeBytes(temp / "auto.gsf", b);

    chart.leftAxis().setAutomatic(false);
    chart.leftAxis().setRange(0, 10);
    chart.leftAxis().setIncrement(2);
    LineSeries &line = chart.addLineSeries("l");
    line.addPoint(1, 100);
    line.addPoint(2, 300);
    ApplyChartSettingsFile(chart, path("auto.gsf"));
    EXPECT_TRUE(chart.leftAxis().automatic());
    EXPECT_TRUE(chart.bottomAxis().automatic());
    EXPECT_EQ(chart.leftAxis().increment(), 2);
    EXPECT_LE(chart.leftAxis().minimum(), 100); // follows the data, not the file
    EXPECT_GE(chart.leftAxis().maximum(), 300);

    // A chart saved with automatic axes gives automatic axes.
    Chart other;
    other.bottomAxis().setAutomatic(false);
    carry(chart, other);
    EXPECT_TRUE(other.bottomAxis().automatic());
    EXPECT_TRUE(other.leftAxis().automatic());
}

TEST_F(ChartSettingsTest, BevelOffSwitchesTheOtherChartsOffAndAWidthRaisesTheOuterBevel)
{
    Chart off, three, target;
    off.setBevelInner(BevelKind::None);
    off.setBevelOuter(BevelKind::None);
    off.setBevelWidth(4);
    three.setBevelInner(BevelKind::Lowered);
    three.setBevelWidth(3);

    target.setBevelInner(BevelKind::Lowered);
    carry(off, target);
    EXPECT_EQ(u32(readBytes(temp / "carry.gsf"), 2980), 0u);
    EXPECT_EQ(target.bevelInner(), BevelKind::None);
    EXPECT_EQ(target.bevelOuter(), BevelKind::None);

    carry(three, target);
    EXPECT_EQ(target.bevelInner(), BevelKind::None);
    EXPECT_EQ(target.bevelOuter(), BevelKind::Raised);
    EXPECT_EQ(target.bevelWidth(), 3);
}

TEST_F(ChartSettingsTest, LoadKeepsTheTitleAlignmentAndTheSeries)
{
    Chart from;
    from.setTitleLines({"From"});
    from.setTitleAlignment(TitleAlignment::Left);
    from.addLineSeries("theirs");
    chart.setTitleAlignment(TitleAlignment::Right);
    chart.addPointSeries("Data").addPoint(1, 2);
    chart.addLine("Regression (1)", Qt::red, 0, 1);
    carry(from, chart);
    EXPECT_EQ(chart.titleLines(), QStringList{"From"});
    EXPECT_EQ(chart.titleAlignment(), TitleAlignment::Right);
    ASSERT_EQ(chart.seriesCount(), 2);
    EXPECT_EQ(chart.seriesListEntry(0), "0 Point: Data");
    EXPECT_EQ(chart.seriesListEntry(1), "1 Line: Regression (1)");
}

TEST_F(ChartSettingsTest, ColoursKeepTheirKindFromChartToChart)
{
    // The model chart stays on the window background; the regression chart is on a white of its own.
    Chart regression;
    setupRegressionChart(regression);
    EXPECT_EQ(CollectChartSettings(chart).chartColor, 0x80000005u);
    EXPECT_EQ(CollectChartSettings(regression).chartColor, 0x00FFFFFFu);

    Chart target;
    target.setChartColor(Qt::yellow);
    carry(chart, target);
    EXPECT_EQ(target.chartSystemColor(), 5);
    EXPECT_EQ(target.chartColor(), QColor(Qt::white));
}

TEST_F(ChartSettingsTest, ShortStringsAreWindows1250)
{
    // č is 0xE8 and the en dash 0x96 in Windows-1250; an arrow has no byte there and is written "?".
    chart.setTitleLines({QString::fromUtf8("Smrk – č →")});
    chart.leftAxis().setTitle(QString::fromUtf8("Žloutnutí"));
    SaveChartSettings(chart, path("cp.gsf"));
    const std::string b = readBytes(temp / "cp.gsf");
    EXPECT_EQ(shortString(b, 0), "Smrk \x96 \xE8 ?\r\n");
    EXPECT_EQ(shortString(b, 1084), "\x8Eloutnut\xED");
    Chart other;
    ApplyChartSettingsFile(other, path("cp.gsf"));
    EXPECT_EQ(other.leftAxis().title(), QString::fromUtf8("Žloutnutí"));
    EXPECT_EQ(other.titleLines(), QStringList{QString::fromUtf8("Smrk – č ?")});
}

TEST_F(ChartSettingsTest, AShortFileIsRefusedAndALongerOneReadToItsRecord)
{
    chart.setTitleLines({"Kept"});
    const ChartSettings before = CollectChartSettings(chart);
    writeBytes(temp / "short.gsf", handRecord().substr(0, 2000));
    try {
        ApplyChartSettingsFile(chart, path("short.gsf"));
        ADD_FAILURE() << "a short file was applied";
    } catch (const common::Error &e) {
        EXPECT_EQ(std::string(e.what()),
                  "Not a chart settings file: " + path("short.gsf") + " (2000 bytes, expected 2992)");
    }
    writeBytes(temp / "empty.gsf", "");
    EXPECT_THROW(ApplyChartSettingsFile(chart, path("empty.gsf")), common::Error);
    EXPECT_THROW(ApplyChartSettingsFile(chart, path("missing.gsf")), common::FileError);
    EXPECT_THROW(ApplyChartSettingsFile(chart, temp.path().string()), common::FileError);
    EXPECT_EQ(CollectChartSettings(chart), before);

    std::string longer = handRecord();
    putString(longer, 0, "Long\r\n");
    writeBytes(temp / "long.gsf", longer + std::string(500, 'z'));
    ApplyChartSettingsFile(chart, path("long.gsf"));
    EXPECT_EQ(chart.titleLines(), QStringList{"Long"});
}

TEST_F(ChartSettingsTest, ABadRecordIsRefusedWholeNamingTheField)
{
    struct Case
    {
        const char *field;
        std::function<void(std::string &)> spoil;
        std::string message;
    };
    const Case cases[] = {
        {"range",
         [](std::string &b) {
             b[1616] = 0;
             put64(b, 1624, 10);
             put64(b, 1632, 5);
         },
         "the bottom axis minimum (10) is above its maximum (5)"},
        {"increment",
         [](std::string &b) {
             b[528] = 0;
             put64(b, 552, -1);
         },
         "the left axis increment (-1) is below 0"},
        {"NaN",
         [](std::string &b) {
             b[528] = 0;
             put64(b, 544, std::nan(""));
         },
         "the left axis maximum is not a finite number"},
        {"title font", [](std::string &b) { put32(b, 516, 0); }, "the title font size (0) is not above 0"},
        {"labels font", [](std::string &b) { put32(b, 1904 + 256, static_cast<std::uint32_t>(-4)); },
         "the bottom axis labels font size (-4) is not above 0"},
        {"legend font", [](std::string &b) { put32(b, 2712 + 256, 0); },
         "the legend font size (0) is not above 0"},
        {"huge font", [](std::string &b) { put32(b, 516, 0x7fffffff); },
         "the title font size (2147483647) is above 1000"},
    };
    chart.leftAxis().setAutomatic(false);
    chart.leftAxis().setRange(1, 2);
    const ChartSettings before = CollectChartSettings(chart);
    for (const Case &c : cases) {
        std::string b = handRecord();
        putString(b, 0, "Not applied\r\n"); // the first field: nothing before the bad one may stay
        c.spoil(b);
        writeBytes(temp / "bad.gsf", b);
        try {
            ApplyChartSettingsFile(chart, path("bad.gsf"));
            ADD_FAILURE() << c.field << ": applied";
        } catch (const common::Error &e) {
            EXPECT_EQ(std::string(e.what()),
                      "Not a usable chart settings file: " + path("bad.gsf") + ": " + c.message);
        }
        EXPECT_EQ(CollectChartSettings(chart), before) << c.field;
    }
}

} // namespace
