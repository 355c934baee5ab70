// The field grid of the main page as its side files keep it: the role of each column of the data table
// ("Specials") and the survey year of each defoliation column ("Defoliations"). The window and every
// command read roles and years through these routines, so they cannot disagree about a table.
#pragma once

#include "data/selection.h"

#include <string>
#include <vector>

namespace data {

// The role texts of the "Specials" column, in the order of the role list; "-" gives no role.
inline constexpr const char *kRoleNames[] = {"PlotNames", "TreeID", "Species", "DBH", "Height"};

// The member of roles that the role text names, compared exactly; nullptr for "-" and any other text.
std::string *roleField(FieldRoles &roles, const std::string &role);

// The roles that the "Specials" cells give the columns. roleCells is heading first, as a side file or
// a grid column holds it: roleCells[k + 1] is the role of columns[k]; missing cells give no role.
// The rows are applied from top to bottom, so a role named twice goes to the lower row.
FieldRoles rolesFromCells(const std::vector<std::string> &columns, const std::vector<std::string> &roleCells);

// The survey years of the field grid, top to bottom: every row whose "Defoliations" cell is not
// exactly "-" gives one entry, in the order of the rows (neither sorted nor checked for repeats).
// fields and yearCells are the grid's columns 0 and 1 without their headings, of equal length.
// Throws common::ConvertError "'<cell>' is not a valid integer value" for a cell that is not a
// whole number; nothing is returned then.
std::vector<YearColumn> yearColumns(const std::vector<std::string> &fields,
                                    const std::vector<std::string> &yearCells);

// The side files of a table whose columns must fit them, read for a program that cannot ask (the
// command line). Both throw common::FileError when the file is missing ("... assign the table's
// columns and press Set OK in Fenoris, or run fenoris-cli setup T.dbf") and common::Error when it does
// not have exactly one line per column after its heading.
// The roles of the roles side file (rolesFromCells).
FieldRoles readRolesSideFile(const std::string &dataDir, const std::string &tableFile,
                             const std::vector<std::string> &columns);
// The year list of the years side file (yearColumns); a year that is not a whole number throws
// common::ConvertError naming the file.
std::vector<YearColumn> readYearsSideFile(const std::string &dataDir, const std::string &tableFile,
                                          const std::vector<std::string> &columns);

} // namespace data
