// The years and roles side files: names from the table file, loading by position, writing CR LF text.
#include "common/error.h"
#include "data/sidefiles.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

struct BaseCase
{
    const char *table;
    const char *years;
    const char *roles;
};

// A three-character extension is cut by length whatever its case or letters; any other name keeps
// its stem (cutting three characters would eat into "trees" or leave "trees.dbase" as "trees.db").
const BaseCase kBases[] = {
    {"M_trees.dbf", "/d/M_trees.yrs", "/d/M_trees.var"},
    {"trees.DBF", "/d/trees.yrs", "/d/trees.var"},
    {"a.b.x1z", "/d/a.b.yrs", "/d/a.b.var"},
    {"trees", "/d/trees.yrs", "/d/trees.var"},
    {"trees.dbase", "/d/trees.yrs", "/d/trees.var"},
    {"trees.db", "/d/trees.yrs", "/d/trees.var"},
};

TEST(SideFiles, NamesFollowTheTableFile)
{
    for (const auto &c : kBases) {
        SCOPED_TRACE(c.table);
        EXPECT_EQ(data::yearsSideFile("/d/", c.table), c.years);
        EXPECT_EQ(data::rolesSideFile("/d/", c.table), c.roles);
    }
}

struct LoadCase
{
    const char *name;
    std::string bytes;
    std::vector<std::string> cells; // five cells: heading and four data rows
};

const LoadCase kLoads[] = {
    {"exact",
     "Specials\r\nPlotNames\r\nTreeID\r\n-\r\nDBH\r\n",
     {"Specials", "PlotNames", "TreeID", "-", "DBH"}},
    {"too few lines leave empty cells", "Defoliations\r\n-\r\n", {"Defoliations", "-", "", "", ""}},
    {"surplus lines are dropped", "Years\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", {"Years", "1", "2", "3", "4"}},
    {"an empty line is one blank",
     "Specials\r\nPlotNames\r\n\r\nSpecies\r\n-\r\n",
     {"Specials", "PlotNames", " ", "Species", "-"}},
    {"LF, lone CR and no final break", "H\na\rb\r\nc", {"H", "a", "b", "c", ""}},
    {"empty file", "", {"", "", "", "", ""}},
    {"8-bit text is Windows-1250", "Smr\xe8k\r\n", {"Smr\xc4\x8dk", "", "", "", ""}},
};

TEST(SideFiles, LoadFillsCellsByPosition)
{
    TempDir dir;
    for (const auto &c : kLoads) {
        SCOPED_TRACE(c.name);
        writeBytes(dir / "t.var", c.bytes);
        EXPECT_EQ(data::loadSideFile((dir / "t.var").string(), 5), c.cells);
    }
}

TEST(SideFiles, WriteIsCrLfTextThatLoadsBack)
{
    TempDir dir;
    const auto file = (dir / "t.yrs").string();
    writeBytes(file, "an older and much longer file\r\n\r\n\r\n\r\n\r\n\r\n");
    const std::vector<std::string> cells = {"Defoliations", "-", "1995", " ", "Smr\xc4\x8dk", ""};
    data::writeSideFile(file, cells);
    EXPECT_EQ(readBytes(file), "Defoliations\r\n-\r\n1995\r\n \r\nSmr\xe8k\r\n\r\n");
    // The trailing empty cell comes back as a blank: an empty line always means a blank cell.
    auto back = data::loadSideFile(file, 6);
    EXPECT_EQ(back, (std::vector<std::string>{"Defoliations", "-", "1995", " ", "Smr\xc4\x8dk", " "}));
}

TEST(SideFiles, WriteKeepsOneLinePerCell)
{
    TempDir dir;
    const auto file = (dir / "t.var").string();
    // A pasted line break must not shift the rows below it; the euro sign exists in the code page.
    data::writeSideFile(file, {"Specials", "Plot\r\nNames", "\xe2\x82\xac"});
    EXPECT_EQ(readBytes(file), "Specials\r\nPlot  Names\r\n\x80\r\n");
    // A character the code page lacks stops the write before the former file is touched.
    EXPECT_THROW(data::writeSideFile(file, {"Specials", "\xe6\x97\xa5"}), common::DataError);
    EXPECT_EQ(readBytes(file), "Specials\r\nPlot  Names\r\n\x80\r\n");
}

TEST(SideFiles, FailuresAreFileErrors)
{
    TempDir dir;
    EXPECT_THROW(data::loadSideFile((dir / "missing.var").string(), 3), common::FileError);
    try {
        data::writeSideFile((dir / "no" / "t.var").string(), {"Specials"});
        FAIL() << "no error";
    } catch (const common::FileError &e) {
        EXPECT_NE(std::string(e.what()).find("t.var"), std::string::npos) << e.what();
    }
}

} // namespace
