// The SQL texts of the plot and species selection, line by line as the program sends them, and the
// description of the data table's columns that they are built from.
#pragma once

#include "data/sqlnames.h"

#include <string>
#include <vector>

namespace data {

// The columns that carry the roles of the data table; empty when no column has the role.
struct FieldRoles
{
    std::string plot;    // PlotNames
    std::string treeId;  // TreeID
    std::string species; // Species
    std::string dbh;     // DBH
    std::string height;  // Height
};

// One defoliation column: the survey year it holds and the column's name, in table column order.
struct YearColumn
{
    int year = 0;
    std::string field;
    bool operator==(const YearColumn &) const = default;
};

// How the defoliation columns hold their values: the item index of "Values in database as".
enum class ValueType : int { Percent = 0, DamageClasses = 1 };

// Tables go in by quoted file name and columns as quoted identifiers (sqlnames.h); a role without a
// column throws common::DataError.

// SELECT DISTINCT column FROM 'table', then "WHERE where" and/or the user's conditions.
std::vector<std::string> distinctSql(const std::string &table, const std::string &column, const std::string &where,
                                     const std::string &conditions);

// The WHERE text of the species list of one plot: (PLOT='plot').
std::string plotWhere(const std::string &plotField, const std::string &plot);

// The SQL that counts the trees of a selection: Count of the TreeID column, or Count(*) when no
// column has the role TreeID. The species list's count and the statistics run's count both use it.
std::string treeCount(const FieldRoles &roles);

// The tree count of one plot and species, parameters PlotNames and Species.
std::vector<std::string> countSql(const std::string &table, const FieldRoles &roles, const std::string &conditions);

// The selected-trees query: every column of the trees of one plot and species, parameters PlotNames
// and NSpecies.
std::vector<std::string> treeQuerySql(const std::string &table, const FieldRoles &roles,
                                      const std::string &conditions);

} // namespace data
