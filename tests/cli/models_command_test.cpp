// fenoris-cli models: one picture per plot and species with enough trees, named by the codes and
// titled with the display names, existing pictures kept unless asked, and bad options refused.
#include "model/fixturetable.h"
#include "support/picturereaders.h"
#include "support/settingsrecord.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

struct Output
{
    int status = 0;
    std::string out, err;
};

// Runs the command without a display, as on a server.
Output runModels(const TempDir &dir, const std::string &arguments)
{
    Output result;
    const auto errFile = dir / "stderr.txt";
    result.status = testsupport::runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                                std::string(FENORIS_CLI_PATH) + " models " + arguments +
                                                " 2>'" + errFile.string() + "'",
                                            &result.out);
    result.err = testsupport::readBytes(errFile);
    return result;
}

// A1 has 12 trees of SM and 4 of BK, B2 10 of SM, plot C/3, whose name no file name can hold, 10 of
// SM, and D4 10 of SM observed in one year only, which give no transition matrix.
fs::path writeTrees(const TempDir &dir)
{
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 6, "A1", "SM", {20, 40});
    fixture::addTrees(trees, 6, "A1", "SM", {20, 20});
    fixture::addTrees(trees, 4, "A1", "BK", {20, 20});
    fixture::addTrees(trees, 10, "B2", "SM", {10, 30});
    fixture::addTrees(trees, 10, "C/3", "SM", {10, 30});
    fixture::addTrees(trees, 10, "D4", "SM", {10, std::nullopt});
    return fixture::writeTable(dir.path(), "trees.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees);
}

} // namespace

TEST(ModelsCommand, WritesOnePicturePerSpeciesWithEnoughTreesNamedByTheCodes)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    fs::create_directories(dir / "out");
    testsupport::writeBytes(dir / "names.txt", "SM;Picea abies\r\nXX;Other\r\n");
    // The directory without its trailing separator: the pictures still go into it.
    const std::string args = "'" + table.string() + "' --out '" + (dir / "out").string() +
                             "' --min-trees 10 --species-names '" + (dir / "names.txt").string() + "'";

    auto result = runModels(dir, args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "4 pictures written, 0 skipped\n");
    EXPECT_EQ(
        testsupport::namesIn(dir / "out"),
        (std::vector<std::string>{"A1_SM.bmp", "B2_SM.bmp", "C_3_SM.bmp", "D4_SM.bmp", "warnings.txt"}));
    EXPECT_NE(result.err.find("No transition matrix was calculated (plot D4, species SM)"), std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(dir / "outA1_SM.bmp"));
    EXPECT_NE(result.err.find("C/3"), std::string::npos) << result.err;
    EXPECT_EQ(testsupport::readerOutput("identify -format '%m %w %h' '" +
                                        (dir / "out" / "A1_SM.bmp").string() + "'"),
              "BMP3 680 392");

    // Existing pictures are kept and counted, unless --overwrite.
    result = runModels(dir, args);
    EXPECT_EQ(result.out, "0 pictures written, 4 skipped\n");
    result = runModels(dir, args + " --overwrite");
    EXPECT_EQ(result.out, "4 pictures written, 0 skipped\n");

    // The title carries the display name and the title texts given; the file keeps the code.
    result = runModels(dir, args + " --type .svg --size 400x300 --title-species ', '");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string svg = (dir / "out" / "B2_SM.svg").string();
    EXPECT_EQ(testsupport::readerOutput("xmllint --xpath 'string(/*[local-name()=\"svg\"]/@viewBox)' '" +
                                        svg + "'"),
              "0 0 400 300");
    EXPECT_NE(testsupport::readerOutput("xmllint --xpath '//*[local-name()=\"text\"]' '" + svg + "'")
                  .find("Plot B2, Picea abies"),
              std::string::npos);
}

// A chart settings file gives every picture of the run its look, each keeping its own title; a file
// the reader refuses ends the run before the table is opened, with nothing written.
TEST(ModelsCommand, ASettingsFileGivesEveryPictureItsLook)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    fs::create_directories(dir / "out");
    std::string record = testsupport::gsf::handRecord();
    testsupport::gsf::put32(record, 2980, 0);          // no bevel
    testsupport::gsf::put32(record, 2984, 0x00C0FFEE); // chart colour: red EE, green FF, blue C0
    testsupport::writeBytes(dir / "look.gsf", record);
    const std::string args = "'" + table.string() + "' --out '" + (dir / "out").string() + "' --settings '" +
                             (dir / "look.gsf").string() + "'";

    auto result = runModels(dir, args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "4 pictures written, 0 skipped\n");
    for (const char *name : {"A1_SM.bmp", "D4_SM.bmp"})
        EXPECT_EQ(testsupport::readerOutput("convert '" + (dir / "out" / name).string() +
                                            "' -format '%[pixel:p{2,2}]' info:"),
                  "srgb(238,255,192)")
            << name;
    result = runModels(dir, args + " --type .svg");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(testsupport::readerOutput("xmllint --xpath '//*[local-name()=\"text\"]' '" +
                                        (dir / "out" / "B2_SM.svg").string() + "'")
                  .find("Plot B2 - species SM"),
              std::string::npos);

    testsupport::writeBytes(dir / "short.gsf", record.substr(0, 100));
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");
    result = runModels(dir, "'" + table.string() + "' --out '" + (dir / "out").string() + "' --settings '" +
                                (dir / "short.gsf").string() + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Not a chart settings file: ", 0), 0u) << result.err;
    EXPECT_TRUE(testsupport::namesIn(dir / "out").empty());
}

TEST(ModelsCommand, RefusesBadOptionsWithStatusTwoAndWritesNothing)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    fs::create_directories(dir / "out");
    const std::string base = "'" + table.string() + "' --out '" + (dir / "out").string() + "'";
    for (const std::string &bad :
         {std::string("'" + table.string() + "'"), base + " --type bmp", base + " --type .tif",
          base + " --min-trees 0", base + " --min-trees 10000", base + " --size 10x10",
          base + " --interval x", base + " --value-type other", base + " --unknown 1"}) {
        const auto result = runModels(dir, bad);
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_NE(result.err, "") << bad;
        EXPECT_EQ(result.out, "") << bad;
    }
    EXPECT_TRUE(testsupport::namesIn(dir / "out").empty());
}

// An output directory that does not exist is created with those above it, as `mkdir -p` does, and
// the user is told; a file in its way ends the run before anything is drawn.
TEST(ModelsCommand, AnOutputDirectoryThatDoesNotExistIsCreated)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const fs::path out = dir / "new" / "pictures";
    auto result = runModels(dir, "'" + table.string() + "' --out '" + out.string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err.rfind("Created the directory " + out.string() + "\n", 0), 0u) << result.err;
    EXPECT_EQ(result.out, "4 pictures written, 0 skipped\n");
    EXPECT_TRUE(fs::exists(out / "A1_SM.bmp"));

    // Once it is there, nothing is said about it.
    result = runModels(dir, "'" + table.string() + "' --out '" + out.string() + "' --overwrite");
    EXPECT_EQ(result.err.find("Created the directory"), std::string::npos) << result.err;

    testsupport::writeBytes(dir / "file", "not a folder");
    result = runModels(dir, "'" + table.string() + "' --out '" + (dir / "file" / "out").string() + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Cannot create the directory " + (dir / "file" / "out").string() + ": ", 0),
              0u)
        << result.err;
    EXPECT_EQ(result.out, "");
}

// Every warning of a run is kept in warnings.txt beside the pictures, one a line, as told on the
// console; a run without warnings leaves no list of an earlier run behind.
TEST(ModelsCommand, TheWarningsOfARunAreKeptBesideThePictures)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    auto result = runModels(dir, "'" + table.string() + "' --out '" + out.string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string renamed = "These plot or species names hold characters a file name cannot hold; their "
                                "pictures are named with \"_\" in their place: C/3";
    EXPECT_EQ(testsupport::readBytes(out / "warnings.txt"),
              "No transition matrix was calculated (plot D4, species SM)\n" + renamed + "\n");
    EXPECT_NE(result.err.find("warning: No transition matrix was calculated (plot D4, species SM)\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("2 warnings, listed in " + (out / "warnings.txt").string() + "\n"),
              std::string::npos)
        << result.err;

    result = runModels(dir, "'" + table.string() + "' --out '" + out.string() +
                                "' --overwrite --conditions \"PLOT IN ('A1', 'B2')\"");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "2 pictures written, 0 skipped\n");
    EXPECT_FALSE(fs::exists(out / "warnings.txt"));
    EXPECT_EQ(result.err.find("warnings, listed in"), std::string::npos) << result.err;

    // A picture that cannot be written ends the run; the warnings met before it are kept all the same.
    fs::remove(out / "D4_SM.bmp");
    fs::create_directories(out / "D4_SM.bmp" / "in the way");
    result = runModels(dir, "'" + table.string() + "' --out '" + out.string() + "' --overwrite");
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(testsupport::readBytes(out / "warnings.txt"),
              "No transition matrix was calculated (plot D4, species SM)\n");
}

// The FIA table's largest plot and species has 7 trees (C007P113/QR, counted in its README): at the
// default 10 nothing is drawn, and the user is told why.
TEST(ModelsCommand, ARunThatDrawsNothingSaysWhy)
{
    TempDir dir;
    for (const char *name : {"FIA_RI.DBF", "FIA_RI.yrs", "FIA_RI.var"})
        testsupport::copyInto(testsupport::realData() / "fia_ri" / name, dir.path());
    struct Case
    {
        const char *minTrees;
        const char *out;
        const char *reason; // on the console, empty for none
    };
    const Case cases[] = {
        {"10", "0 pictures written, 0 skipped\n",
         "No plot and species has the minimal number of trees (10); the largest has 7\n"},
        {"7", "1 pictures written, 0 skipped\n", ""},
    };
    for (const auto &c : cases) {
        const fs::path out = dir / (std::string("out") + c.minTrees);
        fs::create_directories(out);
        const auto result = runModels(dir, "'" + (dir / "FIA_RI.DBF").string() + "' --out '" + out.string() +
                                               "' --min-trees " + c.minTrees);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.out) << c.minTrees;
        if (*c.reason)
            EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
        else
            EXPECT_EQ(result.err.find("No plot and species has"), std::string::npos) << result.err;
    }
}

// The SCBI census with its species names, as a forester would run it: a picture for each of the 224
// plot and species pairs with at least 10 trees (counted apart from the program, from the table's
// bytes), titled with the Latin names while the files keep the codes.
TEST(ModelsCommand, TheCensusGivesOnePicturePerPairWithTenTreesTitledWithItsNames)
{
    TempDir dir;
    for (const char *name : {"SCBI_CROWN.DBF", "SCBI_CROWN.yrs", "SCBI_CROWN.var", "SpeciesNames.txt"})
        testsupport::copyInto(testsupport::realData() / "scbi" / name, dir.path());
    fs::create_directories(dir / "out");
    const std::string table = "'" + (dir / "SCBI_CROWN.DBF").string() + "'";
    const std::string names = " --species-names '" + (dir / "SpeciesNames.txt").string() + "'";

    auto result = runModels(dir, table + " --out '" + (dir / "out").string() + "' --min-trees 10" + names);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "224 pictures written, 0 skipped\n");
    const auto files = testsupport::namesIn(dir / "out");
    EXPECT_EQ(files.size(), 224u + 1); // and warnings.txt
    EXPECT_EQ(files.front(), "B0101_AR.bmp");
    // The warnings told on the console, one a line in warnings.txt.
    std::string told;
    for (std::size_t pos = 0; (pos = result.err.find("warning: ", pos)) != std::string::npos;) {
        const std::size_t end = result.err.find('\n', pos);
        told += result.err.substr(pos + 9, end + 1 - pos - 9);
        pos = end;
    }
    EXPECT_EQ(testsupport::readBytes(dir / "out" / "warnings.txt"), told);
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 78);

    fs::create_directories(dir / "svg");
    result = runModels(dir, table + " --out '" + (dir / "svg").string() +
                                "' --type .svg --conditions \"PLOT = 'B0206'\"" + names);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(testsupport::readerOutput("xmllint --xpath '//*[local-name()=\"text\"]' '" +
                                        (dir / "svg" / "B0206_LT.svg").string() + "'")
                  .find("Plot B0206 - species Liriodendron tulipifera"),
              std::string::npos);
}

TEST(ModelsCommand, ASpeciesNamesFileThatIsNoSideFileIsRefusedByItsPath)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    fs::create_directories(dir / "out");
    testsupport::writeBytes(dir / "huge.txt", std::string(1024 * 1024 + 1, 'x'));
    ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
    const std::pair<const char *, const char *> cases[] = {
        {"huge.txt", "It is larger than 1 MB, which no side file is"},
        {"pipe.txt", "It is not a regular file"},
        {"out", "It is not a regular file"},
    };
    for (const auto &[name, reason] : cases) {
        const std::string file = (dir / name).string();
        const auto result = runModels(dir, "'" + table.string() + "' --out '" + (dir / "out").string() +
                                               "' --species-names '" + file + "'");
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.err, "Cannot open file \"" + file + "\". " + reason + "\n");
    }
    EXPECT_TRUE(testsupport::namesIn(dir / "out").empty());
}

TEST(ModelsCommand, SpeciesNamesLinesWithoutASemicolonAreWarnedAboutByNumber)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    fs::create_directories(dir / "out");
    const std::string names = (dir / "names.txt").string();
    testsupport::writeBytes(names, "SM;Picea abies\r\nBK Fagus sylvatica\r\n\r\nXX;Other\r\nQR\r\n");
    const auto result = runModels(dir, "'" + table.string() + "' --out '" + (dir / "out").string() +
                                           "' --min-trees 10 --species-names '" + names + "'");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("warning: " + names +
                              ": lines 2, 5 give no code and name separated by \";\" and were passed over\n"),
              std::string::npos)
        << result.err;
}

TEST(ModelsCommand, TemporaryPicturesOfKilledRunsAreRemovedByTheNextRunOfTheirType)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    for (const char *name :
         {".~A1_SM-k2Xq9z.svg", ".~Gone-aB3dEf.svg", ".~Live-w8Rt5u.svg", ".~A1_SM-h6Lp0a.png"})
        testsupport::writeBytes(out / name, "half a picture");
    // A run still writing holds a lock on its temporary file.
    const int live = ::open((out / ".~Live-w8Rt5u.svg").c_str(), O_RDONLY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);
    const auto result = runModels(dir, "'" + table.string() + "' --out '" + out.string() + "' --type .svg");
    ::close(live);
    EXPECT_EQ(result.status, 0) << result.err;
    for (const char *gone : {".~A1_SM-k2Xq9z.svg", ".~Gone-aB3dEf.svg"})
        EXPECT_FALSE(fs::exists(out / gone)) << gone;
    for (const char *kept : {".~Live-w8Rt5u.svg", ".~A1_SM-h6Lp0a.png"})
        EXPECT_TRUE(fs::exists(out / kept)) << kept;
}

// Control characters in a plot name or a display name: the file name holds "_" instead, and every
// SVG picture stays well-formed XML.
TEST(ModelsCommand, ControlCharactersInNamesGiveSafeFileNamesAndWellFormedPictures)
{
    TempDir dir;
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 10, "E\n5", "SM", {10, 30});
    fixture::addTrees(trees, 10,
                      "F\x1b"
                      "6",
                      "SM", {10, 30});
    const auto table =
        fixture::writeTable(dir.path(), "trees.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees);
    fs::create_directories(dir / "out");
    testsupport::writeBytes(dir / "names.txt", "SM;Picea\x07 abies\r\n");
    const auto result =
        runModels(dir, "'" + table.string() + "' --out '" + (dir / "out").string() +
                           "' --type .svg --species-names '" + (dir / "names.txt").string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(testsupport::namesIn(dir / "out"),
              (std::vector<std::string>{"E_5_SM.svg", "F_6_SM.svg", "warnings.txt"}));
    // The warning about the names stays on one line of the list, the line break a space.
    EXPECT_EQ(testsupport::readBytes(dir / "out" / "warnings.txt"),
              "These plot or species names hold characters a file name cannot hold; their pictures are "
              "named with \"_\" in their place: E 5, F\x1b"
              "6\n");
    for (const char *name : {"E_5_SM.svg", "F_6_SM.svg"})
        EXPECT_EQ(testsupport::runCommand("xmllint --noout '" + (dir / "out" / name).string() + "'"), 0)
            << name;
}

// A plot name too long for a file name passes over its picture with a warning; the run goes on.
TEST(ModelsCommand, APictureWhoseFileNameIsTooLongIsPassedOverAndTheRunGoesOn)
{
    TempDir dir;
    std::vector<fixture::Tree> trees;
    const std::string longPlot(250, 'P');
    fixture::addTrees(trees, 10, longPlot, "SM", {10, 30});
    fixture::addTrees(trees, 10, "B2", "SM", {10, 30});
    fixture::RoleColumns roles;
    roles.plotWidth = 250;
    const auto table =
        fixture::writeTable(dir.path(), "trees.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees, roles);
    fs::create_directories(dir / "out");
    const auto result = runModels(dir, "'" + table.string() + "' --out '" + (dir / "out").string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "1 pictures written, 1 skipped\n");
    EXPECT_NE(result.err.find("it was passed over (plot " + longPlot + ", species SM)"), std::string::npos)
        << result.err;
    EXPECT_EQ(testsupport::namesIn(dir / "out"), (std::vector<std::string>{"B2_SM.bmp", "warnings.txt"}));
}
