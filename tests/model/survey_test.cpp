// The survey opened again in place: the window keeps its queries on the survey's connection and opens
// one table after another.
#include "model/survey.h"

#include "common/error.h"
#include "model/fixturetable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::vector<std::string> plotsOf(data::Query &query, const std::string &table)
{
    query.setSql({"SELECT DISTINCT PLOT FROM '" + table + "' ORDER BY PLOT"});
    query.open();
    std::vector<std::string> plots;
    for (; !query.eof(); query.next())
        plots.push_back(query.asString("PLOT"));
    query.close();
    return plots;
}

TEST(Survey, OpensAnotherTableInPlaceAndAFailedOpenLeavesNoneOpen)
{
    TempDir temp;
    fs::create_directories(temp / "a");
    fs::create_directories(temp / "b");
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 2, "A1", "SM", {10, 20});
    fixture::writeTable(temp / "a", "T.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees);
    trees.clear();
    fixture::addTrees(trees, 2, "B2", "BK", {10, 20});
    fixture::writeTable(temp / "b", "T.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees);

    model::Survey survey;
    EXPECT_FALSE(survey.isOpen());
    data::Query query(survey.connection());

    survey.open(temp / "a" / "T.dbf");
    survey.readSetup();
    EXPECT_EQ(plotsOf(query, survey.tableFile()), std::vector<std::string>{"A1"});

    // The same name in another folder: the query bound before reads the new folder, and the setup of
    // the former table is gone until it is read again.
    survey.open(temp / "b" / "T.dbf");
    EXPECT_TRUE(survey.isOpen());
    EXPECT_EQ(survey.dataDir(), (temp / "b").string() + "/");
    EXPECT_TRUE(survey.setup().years.empty());
    EXPECT_EQ(plotsOf(query, survey.tableFile()), std::vector<std::string>{"B2"});

    // A file that is no table, in a folder that opens: nothing stays open, not even the folder.
    testsupport::writeBytes(temp / "b" / "broken.dbf", "");
    EXPECT_THROW(survey.open(temp / "b" / "broken.dbf"), common::Error);
    EXPECT_FALSE(survey.isOpen());
    EXPECT_FALSE(survey.connection().isOpen());
    EXPECT_TRUE(survey.tableFile().empty());
    EXPECT_TRUE(survey.columns().empty());
}

} // namespace

// What Set OK and `setup` store is checked by one routine; each fault is named with its columns.
TEST(Survey, ASetupTheRunsWouldMisuseIsRefusedNamingTheColumns)
{
    const std::vector<data::SuggestColumn> columns{{"PLOT", false}, {"TREE", true},  {"SP", false},
                                                   {"DBH", true},   {"D1999", true}, {"D2000", true},
                                                   {"D2001", true}};
    const std::vector<data::ColumnSetup> sound{
        {"PLOT", 0, "PlotNames"}, {"TREE", 0, "TreeID"}, {"SP", 0, "Species"}, {"DBH", 0, "DBH"},
        {"D1999", 1999, ""},      {"D2000", 2000, ""},   {"D2001", 2001, ""}};
    EXPECT_NO_THROW(model::CheckColumnSetup(sound, columns, true));
    struct Case
    {
        std::size_t column;
        data::ColumnSetup change;
        const char *message; // without "; no side file written"
    };
    const Case cases[] = {
        {4,
         {"D1999", 2000, ""},
         "The survey year 2000 is given to columns D1999 and D2000: each survey year belongs to one column"},
        {0, {"PLOT", 2002, ""}, "Column PLOT holds no numbers: it cannot have a survey year"},
        {3,
         {"DBH", 2002, "DBH"},
         "Column DBH has both the survey year 2002 and the role DBH: a column has one of them"},
        {6, {"D2001", 99999, ""}, "Column D2001: the survey year 99999 is not a year from 1000 to 9999"},
        {6, {"D2001", 999, ""}, "Column D2001: the survey year 999 is not a year from 1000 to 9999"},
        {6,
         {"D2001", 0, "Species"},
         "The role Species is given to columns SP and D2001: each role belongs to one column"},
    };
    for (const Case &c : cases) {
        auto setup = sound;
        setup[c.column] = c.change;
        try {
            model::CheckColumnSetup(setup, columns, false);
            ADD_FAILURE() << "not refused: " << c.message;
        } catch (const common::Error &e) {
            EXPECT_EQ(std::string(e.what()), std::string(c.message) + "; no side file written");
        }
    }
    // Only the complete check asks for every role the runs need.
    auto partial = sound;
    partial[1].role.clear();
    EXPECT_NO_THROW(model::CheckColumnSetup(partial, columns, false));
    EXPECT_THROW(model::CheckColumnSetup(partial, columns, true), common::Error);
}
