// Column roles and survey years from the field grid's cells: the one routine behind the window's
// side files, the commands and the regression command.
#include "common/error.h"
#include "data/fieldgrid.h"
#include "data/sidefiles.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kColumns{"PLOT", "TREE", "SP", "DBH", "D1995", "D1996"};

TEST(FieldGrid, RolesApplyTopToBottomAndIgnoreUnknownTexts)
{
    struct Case
    {
        std::vector<std::string> cells; // heading first
        data::FieldRoles roles;
    };
    const Case cases[] = {
        {{"Specials", "PlotNames", "TreeID", "Species", "DBH", "-", "-"}, {"PLOT", "TREE", "SP", "DBH", ""}},
        // The lower of two rows naming a role wins, as when the rows are applied in order.
        {{"Specials", "PlotNames", "-", "Species", "-", "-", "PlotNames"}, {"D1996", "", "SP", "", ""}},
        // Roles compare exactly: a mistyped, blank or differently cased role gives nothing.
        {{"Specials", "plotnames", " ", "Species ", "Height", "", "-"}, {"", "", "", "", "DBH"}},
        // A short grid column (a side file with fewer lines) gives the rows it has.
        {{"Specials", "PlotNames"}, {"PLOT", "", "", "", ""}},
    };
    for (const auto &c : cases) {
        const auto roles = data::rolesFromCells(kColumns, c.cells);
        EXPECT_EQ(roles.plot, c.roles.plot) << c.cells[1];
        EXPECT_EQ(roles.treeId, c.roles.treeId) << c.cells[1];
        EXPECT_EQ(roles.species, c.roles.species) << c.cells[1];
        EXPECT_EQ(roles.dbh, c.roles.dbh) << c.cells[1];
        EXPECT_EQ(roles.height, c.roles.height) << c.cells[1];
    }
}

TEST(FieldGrid, SideFilesMustFitTheTable)
{
    testsupport::TempDir dir;
    const std::string dataDir = dir.path().string() + "/";
    data::writeSideFile(dataDir + "T.yrs", {"Defoliations", "-", "-", "-", "-", "1995", "1996"});
    data::writeSideFile(dataDir + "T.var", {"Specials", "PlotNames", "TreeID", "Species", "DBH", "-", "-"});
    EXPECT_EQ(data::readYearsSideFile(dataDir, "T.dbf", kColumns),
              (std::vector<data::YearColumn>{{1995, "D1995"}, {1996, "D1996"}}));
    EXPECT_EQ(data::readRolesSideFile(dataDir, "T.dbf", kColumns).species, "SP");

    struct Case
    {
        std::vector<std::string> yearCells;
        std::string message;
    };
    const Case cases[] = {
        {{"Defoliations", "-", "-", "-", "-", "1995"},
         "The years side file " + dataDir + "T.yrs has 6 lines, but T.dbf has 6 columns"},
        {{"Defoliations", "-", "-", "-", "-", "1995", "1996", "1997"},
         "The years side file " + dataDir + "T.yrs has more than 7 lines"},
        {{"Defoliations", "-", "-", "-", "-", "1995", "96a"},
         "The years side file of T.dbf: '96a' is not a valid integer value"},
    };
    for (const auto &c : cases) {
        data::writeSideFile(dataDir + "T.yrs", c.yearCells);
        try {
            data::readYearsSideFile(dataDir, "T.dbf", kColumns);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const common::Error &e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
        }
    }
    std::filesystem::remove(dir / "T.var");
    EXPECT_THROW(data::readRolesSideFile(dataDir, "T.dbf", kColumns), common::FileError);
}

} // namespace
