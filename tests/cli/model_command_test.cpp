// fenoris-cli model: the chart's lines as CSV, the warning on standard error, and the refusals of
// tables whose side files are missing or do not fit.
#include "model/fixturetable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using testsupport::TempDir;

namespace {

struct Output
{
    int status = 0;
    std::string out, err;
};

Output runCli(const TempDir &dir, const std::string &arguments)
{
    Output result;
    const auto errFile = dir / "stderr.txt";
    result.status = testsupport::runCommand(
        std::string(FENORIS_CLI_PATH) + " " + arguments + " 2>'" + errFile.string() + "'", &result.out);
    result.err = testsupport::readBytes(errFile);
    return result;
}

struct Row
{
    int series;
    std::string title, type;
    double x, y;
};

std::vector<Row> parseCsv(const std::string &text)
{
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "series,title,type,x,y");
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream cellStream(line);
        std::string cell;
        while (std::getline(cellStream, cell, ','))
            cells.push_back(cell);
        EXPECT_EQ(cells.size(), 5u) << line;
        if (cells.size() == 5)
            rows.push_back(
                {std::stoi(cells[0]), cells[1], cells[2], std::stod(cells[3]), std::stod(cells[4])});
    }
    return rows;
}

// Ten trees of A1/SM in class 1 (20 %) in 1995, half of them in class 2 (40 %) in 1996; four trees of
// A1/BK. The columns stand in the table as D1996 before D1995.
std::filesystem::path writeTrees(const TempDir &dir)
{
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 5, "A1", "SM", {40, 20});
    fixture::addTrees(trees, 5, "A1", "SM", {20, 20});
    fixture::addTrees(trees, 4, "A1", "BK", {20, 20});
    return fixture::writeTable(dir.path(), "trees.dbf", {{"D1996", 1996}, {"D1995", 1995}}, trees);
}

} // namespace

TEST(ModelCommand, PrintsTheModelCurveAndTheObservedLinesInChartOrder)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const auto result = runCli(dir, "model '" + table.string() + "' --plot A1 --species SM");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto rows = parseCsv(result.out);
    ASSERT_EQ(rows.size(), 11u + 4 * 2);

    // Class 1 loses half its share to the absorbing class 2 at every step: the average after step i
    // is 42.5 - 20 / 2^i.
    for (int i = 0; i <= 10; ++i) {
        const Row &r = rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(r.series, 0);
        EXPECT_EQ(r.title, "Model D1995");
        EXPECT_EQ(r.type, "model0");
        EXPECT_EQ(r.x, 1995 + i);
        EXPECT_NEAR(r.y, 42.5 - 20 / std::pow(2.0, i), 1e-12) << i;
    }
    // Observed lines by ascending year although the table lists 1996 first; deviation in 1996 is 10.
    const double factor = 0.674189; // |NormalQuantile(0.25)|, to six decimals
    const struct
    {
        const char *title, *type;
        double y1995, y1996;
    } observed[] = {{"Average def.", "avg", 20, 30},
                    {"AVG+n(%)STD", "limit", 20, 30 + factor * 10},
                    {"AVG-n(%)STD", "limit", 20, 30 - factor * 10},
                    {"Deads", "deads", 0, 0}};
    for (int k = 0; k < 4; ++k) {
        const Row &first = rows[11 + 2 * k], &second = rows[12 + 2 * k];
        EXPECT_EQ(first.series, k + 1);
        EXPECT_EQ(first.title, observed[k].title);
        EXPECT_EQ(second.type, observed[k].type);
        EXPECT_EQ(first.x, 1995);
        EXPECT_EQ(second.x, 1996);
        EXPECT_NEAR(first.y, observed[k].y1995, 1e-5) << first.title;
        EXPECT_NEAR(second.y, observed[k].y1996, 1e-5) << first.title;
    }
}

TEST(ModelCommand, OptionsReachTheComputation)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    // Only the trees that reach class 2: no spread, and class 2 keeps them (identity row).
    auto rows = parseCsv(runCli(dir, "model '" + table.string() +
                                         "' --plot A1 --species SM --conditions 'D1996 = 40' --max-deads 0")
                             .out);
    ASSERT_EQ(rows.size(), 19u);
    EXPECT_EQ(rows[1].y, 42.5);
    EXPECT_EQ(rows[11].y, 20);
    EXPECT_EQ(rows[12].y, 40);
    // Interval 2: no pair of years lies two years apart.
    const auto result =
        runCli(dir, "model '" + table.string() + "' --plot A1 --species SM --interval 2 --share 50");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "warning: No transition matrix was calculated\n");
    rows = parseCsv(result.out);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].title, "Average def.");
    EXPECT_EQ(rows[3].y, 30); // share 50 gives a zero factor: the limits are the average
}

TEST(ModelCommand, TooFewTreesWarnAndDrawNothing)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const auto result = runCli(dir, "model '" + table.string() + "' --plot A1 --species BK");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "warning: No transition matrix was calculated\n");
    EXPECT_EQ(result.out, "series,title,type,x,y\n");
}

TEST(ModelCommand, RefusesTablesWithoutFittingSideFilesAndIncompleteOptions)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const std::string args = "model '" + table.string() + "' --plot A1 --species SM";

    auto result = runCli(dir, "model '" + table.string() + "' --plot A1");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("usage: fenoris-cli model"), std::string::npos);

    const std::string roles = testsupport::readBytes(dir / "trees.var");
    testsupport::writeBytes(dir / "trees.var", roles + "-\r\n");
    result = runCli(dir, args);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("do not fit the table"), std::string::npos) << result.err;

    testsupport::writeBytes(dir / "trees.var", "Specials\r\nPlotNames\r\nTreeID\r\n-\r\n-\r\n-\r\n");
    result = runCli(dir, args);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("no column the role Species"), std::string::npos) << result.err;

    std::filesystem::remove(dir / "trees.yrs");
    result = runCli(dir, args);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("trees.yrs"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("missing"), std::string::npos) << result.err;
}

// Pictures: the type by extension checked before anything is computed, the size, and drawing without a
// display. The window's drawing of the same chart is compared in the window tests.
TEST(ModelCommand, PicturesAreDrawnWithoutADisplayAndUnknownTypesAreRefused)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const std::string args = "model '" + table.string() + "' --plot A1 --species SM";
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    auto inDir = [&](const char *name) { return "'" + (dir / name).string() + "'"; };

    auto result = runCli(dir, args + " --picture " + inDir("chart.xyz"));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "Unknown picture type: .xyz \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf\n");
    EXPECT_EQ(result.out, "");
    result = runCli(dir, args + " --picture " + inDir("chart"));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "Unknown picture type: no extension \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "chart.xyz"));
    EXPECT_FALSE(std::filesystem::exists(dir / "chart"));

    // The window's size at first, or the one asked for; the lines are printed as ever. Temporary files
    // a killed run left of this picture go; another picture's stay.
    testsupport::writeBytes(dir / ".~chart-k2Xq9z.PNG", "half a picture");
    testsupport::writeBytes(dir / ".~other-k2Xq9z.PNG", "half a picture");
    result = Output{};
    result.status = testsupport::runCommand(noDisplay + FENORIS_CLI_PATH + " " + args + " --picture " +
                                                inDir("chart.PNG") + " 2>" + inDir("err.txt"),
                                            &result.out);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(testsupport::readBytes(dir / "err.txt"), "");
    EXPECT_EQ(parseCsv(result.out).size(), 19u);
    std::string size;
    testsupport::runCommand("identify -format '%m %w %h' " + inDir("chart.PNG"), &size);
    EXPECT_EQ(size, "PNG 680 392");
    EXPECT_FALSE(std::filesystem::exists(dir / ".~chart-k2Xq9z.PNG"));
    EXPECT_TRUE(std::filesystem::exists(dir / ".~other-k2Xq9z.PNG"));
    ASSERT_EQ(testsupport::runCommand(noDisplay + FENORIS_CLI_PATH + " " + args + " --picture " +
                                      inDir("small.pdf") + " --size 400x300 >/dev/null 2>&1"),
              0);
    testsupport::runCommand("pdfinfo " + inDir("small.pdf") + " | grep 'Page size'", &size);
    EXPECT_NE(size.find("300 x 225 pts"), std::string::npos) << size;

    // Line settings of a Graph.ini: the dead share in pure green, which the default look has nowhere.
    testsupport::writeBytes(dir / "Graph.ini", "LCdeads=00FF0000\r\n");
    for (const std::string &extra : std::vector<std::string>{"", " --graph-ini " + inDir("Graph.ini")}) {
        ASSERT_EQ(testsupport::runCommand(noDisplay + FENORIS_CLI_PATH + " " + args + " --picture " +
                                          inDir("lines.png") + extra + " >/dev/null 2>&1"),
                  0);
        std::string green;
        testsupport::runCommand("convert " + inDir("lines.png") +
                                    " -fill black +opaque '#00FF00' -format '%[fx:mean]' info:",
                                &green);
        EXPECT_EQ(std::stod(green) > 0, !extra.empty()) << green;
    }

    result = runCli(dir, args + " --picture " + inDir("big.bmp") + " --size 9000x300");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("--size must be WIDTHxHEIGHT"), std::string::npos) << result.err;
    result = runCli(dir, args + " --size 400x300");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "--size goes with --picture FILE\n");
}

TEST(ModelCommand, CommandsThatDrawNothingDoNotStartQt)
{
    // A platform Qt cannot load would end the program the moment Qt started.
    TempDir dir;
    const auto table = writeTrees(dir);
    std::string out;
    EXPECT_EQ(testsupport::runCommand("QT_QPA_PLATFORM=nowhere " + std::string(FENORIS_CLI_PATH) +
                                          " model '" + table.string() +
                                          "' --plot A1 --species SM 2>/dev/null",
                                      &out),
              0);
    EXPECT_EQ(parseCsv(out).size(), 19u);
    EXPECT_NE(testsupport::runCommand("QT_QPA_PLATFORM=nowhere " + std::string(FENORIS_CLI_PATH) +
                                      " model '" + table.string() + "' --plot A1 --species SM --picture '" +
                                      (dir / "x.png").string() + "' >/dev/null 2>&1"),
              0);
}

TEST(ModelCommand, BandAddsLowAndHighToTheProjectionsOnly)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const std::string args = "model '" + table.string() + "' --plot A1 --species SM";
    const auto plain = runCli(dir, args);
    const auto result = runCli(dir, args + " --band 0.9 --draws 500 --seed 11");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::istringstream in(result.out), plainIn(plain.out);
    std::string line, plainLine;
    std::getline(in, line);
    std::getline(plainIn, plainLine);
    EXPECT_EQ(line, "series,title,type,x,y,lo,hi");
    int rows = 0;
    while (std::getline(in, line) && std::getline(plainIn, plainLine)) {
        ++rows;
        // The first five columns are the plain command's, unchanged.
        ASSERT_EQ(line.rfind(plainLine + ",", 0), 0u) << line;
        const std::string rest = line.substr(plainLine.size() + 1);
        if (line.find(",model0,") == std::string::npos) {
            EXPECT_EQ(rest, ",") << line;
            continue;
        }
        const double y = std::stod(plainLine.substr(plainLine.rfind(',') + 1));
        const double lo = std::stod(rest.substr(0, rest.find(',')));
        const double hi = std::stod(rest.substr(rest.find(',') + 1));
        // Five trees of class 1 of ten moved: the band holds the curve, and only the start is sure.
        EXPECT_LE(lo, y + 1e-9) << line;
        EXPECT_GE(hi, y - 1e-9) << line;
        EXPECT_EQ(lo == hi, rows == 1) << line;
    }
    EXPECT_EQ(rows, 19);
    EXPECT_FALSE(std::getline(in, line));
    // The same seed gives the same band; the default seed is fixed too.
    EXPECT_EQ(runCli(dir, args + " --band 0.9 --draws 500 --seed 11").out, result.out);
    EXPECT_EQ(runCli(dir, args + " --band 0.9").out, runCli(dir, args + " --band 0.9").out);
    EXPECT_NE(runCli(dir, args + " --band 0.9 --draws 500 --seed 12").out, result.out);

    const struct
    {
        const char *options, *message;
    } refused[] = {
        {"--band 0", "--band must be a level between 0 and 1 (such as 0.95), not '0'\n"},
        {"--band 1", "--band must be a level between 0 and 1 (such as 0.95), not '1'\n"},
        {"--band 95", "--band must be a level between 0 and 1 (such as 0.95), not '95'\n"},
        {"--band nan", "--band must be a level between 0 and 1 (such as 0.95), not 'nan'\n"},
        {"--band x", "--band must be a level between 0 and 1 (such as 0.95), not 'x'\n"},
        {"--band 0.9 --draws 0", "--draws must be a whole number from 1 to 1000000, not '0'\n"},
        {"--band 0.9 --draws 2.5", "--draws must be a whole number from 1 to 1000000, not '2.5'\n"},
        {"--band 0.9 --draws 1000001", "--draws must be a whole number from 1 to 1000000, not '1000001'\n"},
        {"--band 0.9 --seed -1", "--seed must be a whole number from 0 to 18446744073709551615, not '-1'\n"},
        {"--band 0.9 --seed 18446744073709551616",
         "--seed must be a whole number from 0 to 18446744073709551615, not '18446744073709551616'\n"},
        {"--band 0.9 --seed 7x", "--seed must be a whole number from 0 to 18446744073709551615, not '7x'\n"},
        {"--draws 100", "--draws and --seed go with --band L\n"},
        {"--seed 3", "--draws and --seed go with --band L\n"},
    };
    for (const auto &c : refused) {
        const auto refusal = runCli(dir, args + " " + c.options);
        EXPECT_EQ(refusal.status, 1) << c.options;
        EXPECT_EQ(refusal.err, c.message) << c.options;
        EXPECT_EQ(refusal.out, "") << c.options;
    }
    // The largest seed is taken.
    EXPECT_EQ(runCli(dir, args + " --band 0.9 --seed 18446744073709551615").status, 0);
}
