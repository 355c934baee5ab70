// Pictures of fenoris-cli beyond the model command's own: the regression chart drawn without a
// display, and the look of a chart settings file (--settings) given to the charts of both commands,
// found in the pictures by independent readers; files the settings reader refuses end the command
// before anything is computed. The window's pictures of the same charts are compared in the window
// tests.
#include "model/fixturetable.h"
#include "support/settingsrecord.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <regex>

using testsupport::TempDir;
using namespace testsupport::gsf;

namespace {

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";

struct Output
{
    int status = 0;
    std::string out, err;
};

class ChartPictures : public ::testing::Test
{
protected:
    // Ten trees of A1/SM, numbered 1 to 10, with 40 % and then 20 % in 1996 and 20 % in 1995.
    ChartPictures()
    {
        std::vector<fixture::Tree> trees;
        fixture::addTrees(trees, 5, "A1", "SM", {40, 20});
        fixture::addTrees(trees, 5, "A1", "SM", {20, 20});
        table = fixture::writeTable(dir.path(), "trees.dbf", {{"D1996", 1996}, {"D1995", 1995}}, trees);
    }

    std::string inDir(const std::string &name) const
    {
        return testsupport::shellQuote((dir / name).string());
    }

    // fenoris-cli with the arguments, `environment` before it (variables set or unset by env).
    Output run(const std::string &arguments, const std::string &environment = kNoDisplay) const
    {
        Output result;
        result.status = testsupport::runCommand(
            environment + FENORIS_CLI_PATH + " " + arguments + " 2>" + inDir("stderr.txt"), &result.out);
        result.err = testsupport::readBytes(dir / "stderr.txt");
        return result;
    }

    std::string model() const
    {
        return "model " + testsupport::shellQuote(table.string()) + " --plot A1 --species SM";
    }
    std::string regression() const
    {
        return "regression " + testsupport::shellQuote(table.string()) + " TREE D1996 --plot A1 --species SM";
    }

    // The texts of the SVG drawing's text elements, each on its own, as an XML reader gives them.
    std::vector<std::string> svgTexts(const std::string &name) const
    {
        std::string listed;
        EXPECT_EQ(
            testsupport::runCommand("xmllint --xpath '//*[local-name()=\"text\"]' " + inDir(name), &listed),
            0);
        static const std::regex text("<text[^>]*>\\s*([^<]*?)\\s*</text>");
        std::vector<std::string> texts;
        for (auto it = std::sregex_iterator(listed.begin(), listed.end(), text); it != std::sregex_iterator();
             ++it)
            texts.push_back((*it)[1].str());
        return texts;
    }
    static bool has(const std::vector<std::string> &texts, const std::string &text)
    {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    TempDir dir;
    std::filesystem::path table;
};

TEST_F(ChartPictures, TheRegressionIsDrawnAsTheWindowDrawsAPairWithoutADisplay)
{
    // An unknown type is refused before anything is computed: no results, no file.
    Output result = run(regression() + " --picture " + inDir("chart.xyz"));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "Unknown picture type: .xyz \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf\n");
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "chart.xyz"));

    // The window's size unless asked otherwise; the results are printed as ever.
    result = run(regression() + " --picture " + inDir("chart.png"));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_NE(result.out.find("N 10\n"), std::string::npos) << result.out;
    std::string size;
    testsupport::runCommand("identify -format '%m %w %h' " + inDir("chart.png"), &size);
    EXPECT_EQ(size, "PNG 680 392");

    // The axes are named after the columns as the table spells them, a logarithm as "log(...)".
    result =
        run("regression " + testsupport::shellQuote(table.string()) +
            " tree d1996 --log-x --plot A1 --species SM --picture " + inDir("log.svg") + " --size 400x300");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto texts = svgTexts("log.svg");
    EXPECT_TRUE(has(texts, "log(TREE)"));
    EXPECT_TRUE(has(texts, "D1996"));
    std::string viewBox;
    testsupport::runCommand("xmllint --xpath 'string(/*[local-name()=\"svg\"]/@viewBox)' " + inDir("log.svg"),
                            &viewBox);
    EXPECT_EQ(viewBox, "0 0 400 300\n");

    // Without a picture Qt never starts: a platform it cannot load would end the program.
    result = run(regression(), "QT_QPA_PLATFORM=nowhere ");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("N 10\n"), std::string::npos) << result.out;
}

// A look written by hand: title "From the file" in a serif font, the left axis fixed from 0 to 200 by
// 50 (no chart of these trees reaches 150 by itself), "Survey year" under the bottom axis, the legend
// shown, no border or bevel, and the chart colour 0x00C0FFEE (red EE, green FF, blue C0).
std::string lookRecord()
{
    std::string b = handRecord();
    putString(b, 0, "From the file\r\n");
    putFont(b, 260, "DejaVu Serif", 14, true, false, false, false, 0);
    b[528] = 0;
    put64(b, 536, 0);
    put64(b, 544, 200);
    put64(b, 552, 50);
    putString(b, 2172, "Survey year");
    b[2704] = 0;
    b[2705] = 1;
    put32(b, 2980, 0);
    put32(b, 2984, 0x00C0FFEE);
    return b;
}

TEST_F(ChartPictures, ASettingsFileGivesItsLookToTheChartsOfBothCommands)
{
    testsupport::writeBytes(dir / "look.gsf", lookRecord());
    struct Case
    {
        std::string command;
        const char *ownTitle;    // the title the window gives the chart, kept whatever the file says
        const char *bottomTitle; // the file's caption, or the column the regression page names
        const char *legendEntry; // shown because the file shows the legend
    };
    const Case cases[] = {
        {model(), "Plot A1 - species SM", "Survey year", "Average def."},
        {regression(), nullptr, "TREE", "Data"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        Output result =
            run(c.command + " --picture " + inDir("look.svg") + " --settings " + inDir("look.gsf"));
        ASSERT_EQ(result.status, 0) << result.err;
        const auto texts = svgTexts("look.svg");
        for (const char *tick : {"0", "50", "100", "150", "200"})
            EXPECT_TRUE(has(texts, tick)) << tick;
        EXPECT_FALSE(has(texts, "From the file"));
        if (c.ownTitle) {
            EXPECT_TRUE(has(texts, c.ownTitle));
        }
        EXPECT_TRUE(has(texts, c.bottomTitle));
        EXPECT_TRUE(has(texts, c.legendEntry));

        // The chart colour in a corner of the bitmap, read by ImageMagick.
        result = run(c.command + " --picture " + inDir("look.bmp") + " --settings " + inDir("look.gsf"));
        ASSERT_EQ(result.status, 0) << result.err;
        std::string corner;
        testsupport::runCommand("convert " + inDir("look.bmp") + " -format '%[pixel:p{2,2}]' info:", &corner);
        EXPECT_EQ(corner, "srgb(238,255,192)");
    }
}

// The file is read and checked before anything else: a table that does not exist is not even
// looked for, and Qt, which could not start on this platform, is not started. A bad file is a bad
// option value, exit status 1 as a bad --size or --degree.
TEST_F(ChartPictures, ASettingsFileTheReaderRefusesEndsTheCommandBeforeAnythingIsComputed)
{
    std::string inverted = handRecord();
    inverted[528] = 0;
    put64(inverted, 536, 10);
    put64(inverted, 544, 5);
    testsupport::writeBytes(dir / "short.gsf", handRecord().substr(0, 100));
    testsupport::writeBytes(dir / "inverted.gsf", inverted);
    const std::string shortFile = (dir / "short.gsf").string(),
                      invertedFile = (dir / "inverted.gsf").string(),
                      missingFile = (dir / "missing.gsf").string();
    const std::pair<std::string, std::string> files[] = {
        {shortFile, "Not a chart settings file: " + shortFile + " (100 bytes, expected 2992)\n"},
        {invertedFile, "Not a usable chart settings file: " + invertedFile +
                           ": the left axis minimum (10) is above its maximum (5)\n"},
        {missingFile, "Cannot open file \"" + missingFile + "\". No such file or directory\n"},
    };
    const std::string nowhere = testsupport::shellQuote((dir / "nowhere.dbf").string());
    for (const std::string &command :
         {"model " + nowhere + " --plot A1 --species SM", "regression " + nowhere + " TREE D1996"}) {
        for (const auto &[file, message] : files) {
            SCOPED_TRACE(command + " " + file);
            const Output result = run(command + " --picture " + inDir("chart.png") + " --settings " +
                                          testsupport::shellQuote(file),
                                      "QT_QPA_PLATFORM=nowhere ");
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, message);
            EXPECT_EQ(result.out, "");
        }
        const Output alone = run(command + " --settings " + testsupport::shellQuote(shortFile));
        EXPECT_EQ(alone.status, 1);
        EXPECT_EQ(alone.err, "--settings goes with --picture FILE\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "chart.png"));
}

} // namespace

// The band of --band in a picture, read back by independent readers: in SVG a filled path in the
// model line's colour at a quarter opacity; in EMF (no transparency) the same colour laid on white.
// Without --band no such fill is drawn.
TEST_F(ChartPictures, TheBandIsATranslucentFillInTheCurvesColour)
{
    testsupport::writeBytes(dir / "Graph.ini", "LCmodel0=00FF0000\r\n");
    const std::string lines = " --graph-ini " + inDir("Graph.ini");
    auto countFills = [&](const std::string &name) {
        std::string count;
        testsupport::runCommand("xmllint --xpath 'count(//*[local-name()=\"g\"][@fill=\"#00ff00\"]"
                                "[starts-with(@fill-opacity,\"0.25\")]/*[local-name()=\"path\"])' " +
                                    inDir(name),
                                &count);
        return count.substr(0, count.find('\n'));
    };
    ASSERT_EQ(run(model() + " --band 0.9 --picture " + inDir("band.svg") + lines).status, 0);
    ASSERT_EQ(run(model() + " --picture " + inDir("plain.svg") + lines).status, 0);
    EXPECT_EQ(countFills("band.svg"), "1");
    EXPECT_EQ(countFills("plain.svg"), "0");

    // 64 of 255 of green on white: (0 * 64 + 255 * 191) / 255 = 191 in red and blue.
    ASSERT_EQ(run(model() + " --band 0.9 --picture " + inDir("band.emf") + lines).status, 0);
    ASSERT_EQ(run(model() + " --picture " + inDir("plain.emf") + lines).status, 0);
    std::string band, plain;
    testsupport::runCommand("emf2svg-conv -i " + inDir("band.emf") + " -o /dev/stdout", &band);
    testsupport::runCommand("emf2svg-conv -i " + inDir("plain.emf") + " -o /dev/stdout", &plain);
    EXPECT_NE(band.find("fill=\"#BFFFBF\""), std::string::npos);
    EXPECT_EQ(plain.find("fill=\"#BFFFBF\""), std::string::npos);
    EXPECT_NE(plain.find("<svg"), std::string::npos);
}
