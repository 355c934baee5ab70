// The selection's SQL texts, line by line, as the program sends them.
#include "data/selection.h"

#include <gtest/gtest.h>

using data::FieldRoles;
using Lines = std::vector<std::string>;

TEST(SelectionSql, ListsCountAndTreesWithAndWithoutConditions)
{
    const FieldRoles roles{"PLOT", "TREE", "SP", "DBH", "HEIGHT"};
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "PLOT", "", ""), Lines{"SELECT DISTINCT PLOT FROM 'M_trees.dbf'"});
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "PLOT", "", "(DBH>10)"),
              (Lines{"SELECT DISTINCT PLOT FROM 'M_trees.dbf'", "WHERE (DBH>10)"}));
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "SP", data::plotWhere("PLOT", "A1"), ""),
              (Lines{"SELECT DISTINCT SP FROM 'M_trees.dbf'", "WHERE (PLOT='A1')"}));
    EXPECT_EQ(data::distinctSql("M_trees.dbf", "SP", data::plotWhere("PLOT", "A1"), "(DBH>10)"),
              (Lines{"SELECT DISTINCT SP FROM 'M_trees.dbf'", "WHERE (PLOT='A1')", "and (DBH>10)"}));
    EXPECT_EQ(data::countSql("M_trees.dbf", roles, ""),
              (Lines{"SELECT Count(TREE) FROM 'M_trees.dbf'", "WHERE ((PLOT=:PlotNames) AND (SP=:Species))"}));
    EXPECT_EQ(data::treeQuerySql("M_trees.dbf", roles, "(DBH>10) or (HEIGHT>20)"),
              (Lines{"SELECT * FROM 'M_trees.dbf'", "WHERE ((PLOT = :PlotNames) and (SP = :NSpecies))",
                     "and (DBH>10) or (HEIGHT>20)"}));
}

TEST(SelectionSql, QuotesInValuesAreDoubled)
{
    EXPECT_EQ(data::plotWhere("PLOT", "A1"), "(PLOT='A1')");
    EXPECT_EQ(data::plotWhere("PLOT", "O'Hara"), "(PLOT='O''Hara')");
    EXPECT_EQ(data::quoteLiteral("''"), "''''''");
}
