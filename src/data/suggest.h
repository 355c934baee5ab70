// The survey years and roles that a table's column names suggest, for a table opened the first time:
// the window's "Suggest" button and "fenoris-cli setup" fill the field grid from them, and the user
// checks them before they are stored.
#pragma once

#include <string>
#include <vector>

namespace data {

// A column as the suggestion sees it: its name and whether it holds numbers (dBASE N or F).
struct SuggestColumn
{
    std::string name;
    bool numeric = false;
};

// One row of the field grid: the survey year of the column (0 for none) and its role (one of
// kRoleNames, empty for none).
struct ColumnSetup
{
    std::string column;
    int year = 0;
    std::string role;
    bool operator==(const ColumnSetup &) const = default;
};

// One ColumnSetup per column, in the table's order.
//
// Roles: a name that is one of the usual English or Czech names of a role, ignoring case, the
// separators "_", "-", "." and blanks, and the Czech accents (PLOT_ID, Plot-Id, "Číslo stromu"):
//   PlotNames  PLOT, PLOTID, PLOTNAME, PLOTNO, PLOTNR, PLOTCODE, QUADRAT, PLOCHA, CISLOPLOCHY, PL
//   TreeID     TREE, TREEID, TREENO, TREENR, TAG, TAGNO, STROM, CISLOSTROMU, CISLO
//   Species    SP, SPECIES, SPP, SPCD, SPCODE, DRUH, DREVINA
//   DBH        DBH, D13, DIAM, DIAMETER, PRUMER, TLOUSTKA      (numeric columns only)
//   Height     HEIGHT, HT, HGT, H, VYSKA                       (numeric columns only)
// Each role goes to one column at most: the one whose name comes first in the list above, and of
// equal names the leftmost. A column takes one role, the first of the list it fits.
//
// Years: a numeric column whose name is none of the names above and ends in exactly four digits from 1900 to
// 2099 (D2014, DEF_2019, 1995) or exactly two (D95, D05). Two digits are read as POSIX reads a year without
// its century: 69 to 99 as 1969 to 1999, 00 to 68 as 2000 to 2068. The defoliation columns of a table share
// their name but for the year, so when the names differ in what comes before the digits (D2014 and H2014)
// only the largest of those groups gets years, the leftmost of equal ones.
std::vector<ColumnSetup> suggestColumnSetup(const std::vector<SuggestColumn> &columns);

// The setup as the two grid columns and side files hold it, heading first: "Defoliations" and the
// years or "-", "Specials" and the roles or "-".
std::vector<std::string> yearCells(const std::vector<ColumnSetup> &setup);
std::vector<std::string> roleCells(const std::vector<ColumnSetup> &setup);

// The role expressions of an import (csvimport.h) that the column names of long CSV files suggest:
// the column of each role as suggestColumnSetup finds it, every column taken as numeric (a CSV field
// is text that may hold a number), and the survey year's column by the names YEAR, SURVEYYEAR,
// CENSUSYEAR and ROK, compared as the role names are. A name that is not a plain SQL name (letters,
// digits and "_", not starting with a digit) comes as a quoted identifier; a role no column fits is
// empty. The value, the condition and any arithmetic are the user's.
struct ImportSuggestion
{
    std::string plot, tree, species, year, dbh, height;
    bool operator==(const ImportSuggestion &) const = default;
};
ImportSuggestion suggestImportExpressions(const std::vector<std::string> &header);

} // namespace data
