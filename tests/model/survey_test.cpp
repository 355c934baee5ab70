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
