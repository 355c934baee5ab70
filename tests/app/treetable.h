// A small tree table for the window tests, written through the engine: plots A1, B2, O'Hara, C3 and
// a1 in that order of first rows, species in mixed case.
#pragma once

#include "data/database.h"
#include "support/testsupport.h"

#include <filesystem>
#include <string>
#include <vector>

namespace apptest {

struct TreeRow
{
    const char *plot;
    int tree;
    const char *species;
    double dbh;
};

// PLOT, TREE, SP, DBH, D1995, D1996 as the table has them.
const std::vector<TreeRow> kTreeRows = {
    {"A1", 1, "SM", 5},  {"A1", 2, "SM", 12}, {"A1", 3, "BK", 15}, {"A1", 4, "SM", 20},
    {"B2", 5, "sm", 11}, {"B2", 6, "FI", 8},  {"B2", 7, "sm", 30}, {"O'Hara", 8, "SM", 14},
    {"C3", 9, "BK", 25}, {"a1", 10, "BK", 9},
};

inline void makeTreeTable(const std::filesystem::path &dir, const std::string &name)
{
    data::Connection connection;
    connection.setParam("PATH", dir.string() + "/");
    connection.open();
    data::Query create(connection);
    create.setSql({"CREATE TABLE '" + name + "' (", " PLOT CHAR(10),", " TREE DECIMAL(5,0),", " SP CHAR(2),",
                   " DBH DECIMAL(5,1),", " D1995 DECIMAL(3,0),", " D1996 DECIMAL(3,0)", ")"});
    create.execSql();
    data::Table table(connection, name);
    table.open();
    for (const auto &row : kTreeRows) {
        table.append();
        table.setString("PLOT", row.plot);
        table.setInteger("TREE", row.tree);
        table.setString("SP", row.species);
        table.setFloat("DBH", row.dbh);
        table.setInteger("D1995", 10);
        table.setInteger("D1996", 20);
        table.post();
    }
    table.close();
}

// The side files that give the table its roles and years.
const char *const kTreeRoles = "Specials\r\nPlotNames\r\nTreeID\r\nSpecies\r\nDBH\r\n-\r\n-\r\n";
const char *const kTreeYears = "Defoliations\r\n-\r\n-\r\n-\r\n-\r\n1995\r\n1996\r\n";

} // namespace apptest
