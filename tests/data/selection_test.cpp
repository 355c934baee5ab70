// The selection's SQL texts, line by line, as the program sends them: tables by quoted file name,
// columns as quoted identifiers, values as literals with their quotes doubled.
#include "common/error.h"
#include "data/selection.h"

#include <gtest/gtest.h>

using data::FieldRoles;
using Lines = std::vector<std::string>;

TEST(SelectionSql, ListsCountAndTreesWithAndWithoutConditions)
{
    const FieldRoles roles{"PLOT", "TREE", "SP", "DBH", "HEIGHT"};
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "PLOT", "", ""),
              Lines{"SELECT DISTINCT \"PLOT\" FROM 'M_trees.dbf'"});
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "PLOT", "", "(DBH>10)"),
              (Lines{"SELECT DISTINCT \"PLOT\" FROM 'M_trees.dbf'", "WHERE (DBH>10)"}));
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "SP", data::plotWhere("PLOT", "A1"), ""),
              (Lines{"SELECT DISTINCT \"SP\" FROM 'M_trees.dbf'", "WHERE (\"PLOT\"='A1')"}));
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "SP", data::plotWhere("PLOT", "A1"), "(DBH>10)"),
              (Lines{"SELECT DISTINCT \"SP\" FROM 'M_trees.dbf'", "WHERE (\"PLOT\"='A1')", "and (DBH>10)"}));
    EXPECT_EQ(data::countSql("M_trees.dbf", roles, ""),
              (Lines{"SELECT Count(\"TREE\") FROM 'M_trees.dbf'",
                     "WHERE ((\"PLOT\"=:PlotNames) AND (\"SP\"=:Species))"}));
    EXPECT_EQ(
        data::treeQuerySql("M_trees.dbf", roles, "(DBH>10) or (HEIGHT>20)"),
        (Lines{"SELECT * FROM 'M_trees.dbf'", "WHERE ((\"PLOT\" = :PlotNames) and (\"SP\" = :NSpecies))",
               "and (DBH>10) or (HEIGHT>20)"}));
}

// A table named O'Hara.dbf and columns named after SQL words (ORDER, GROUP) or holding a double quote.
TEST(SelectionSql, NamesAreQuoted)
{
    const FieldRoles roles{"ORDER", "ID", "GROUP", "", ""};
    EXPECT_EQ(data::treeQuerySql("O'Hara.dbf", roles, ""),
              (Lines{"SELECT * FROM 'O''Hara.dbf'",
                     "WHERE ((\"ORDER\" = :PlotNames) and (\"GROUP\" = :NSpecies))"}));
    EXPECT_EQ(data::plotWhere("A\"B", "O'Hara"), "(\"A\"\"B\"='O''Hara')");
    EXPECT_EQ(data::quoteLiteral("''"), "''''''");
    EXPECT_EQ(data::tableName("O'Hara.dbf"), "'O''Hara.dbf'");
}

// SQLite reads "" as an empty text: a role without a column must stop the query instead. The tree
// count is the exception: without a TreeID column every row is a tree, in the species list as in the
// statistics run.
TEST(SelectionSql, ARoleWithoutAColumnIsRefused)
{
    const FieldRoles noTree{"PLOT", "", "SP", "", ""};
    EXPECT_EQ(data::countSql("T.dbf", noTree, ""),
              (Lines{"SELECT Count(*) FROM 'T.dbf'", "WHERE ((\"PLOT\"=:PlotNames) AND (\"SP\"=:Species))"}));
    EXPECT_THROW(data::distinctSql("T.dbf", "", "", ""), common::DataError);
    EXPECT_THROW(data::countSql("T.dbf", {"", "TREE", "SP", "", ""}, ""), common::DataError);
}
