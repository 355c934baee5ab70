// Column roles and survey years from the field grid's cells and the side files.
#include "data/fieldgrid.h"

#include "common/error.h"
#include "common/numbers.h"
#include "data/sidefiles.h"

#include <filesystem>

namespace data {

namespace {

// The cells of one side file for a table of `columns` columns (heading first), refused when the file
// is missing or does not have exactly one line per column.
std::vector<std::string> sideFileCells(const std::string &file, const char *what, std::size_t columns,
                                       const std::string &table)
{
    if (!std::filesystem::exists(file))
        throw common::FileError("The " + std::string(what) + " side file " + file + " of " + table +
                                " is missing; assign the table's columns and press Set OK in Fenoris, or run "
                                "fenoris-cli setup " +
                                table);
    // One cell more than needed shows a file that is too long.
    auto cells = loadSideFile(file, columns + 2);
    std::size_t lines = 0;
    while (lines < cells.size() && !cells[lines].empty())
        ++lines;
    if (lines != columns + 1)
        throw common::Error(
            "The " + std::string(what) + " side file " + file + " has " +
            (lines > columns + 1 ? "more than " + std::to_string(columns + 1) : std::to_string(lines)) +
            " lines, but " + table + " has " + std::to_string(columns) +
            " columns: the side files do not fit the table");
    cells.resize(columns + 1);
    return cells;
}

} // namespace

std::string *roleField(FieldRoles &roles, const std::string &role)
{
    if (role == kRoleNames[0]) return &roles.plot;
    if (role == kRoleNames[1]) return &roles.treeId;
    if (role == kRoleNames[2]) return &roles.species;
    if (role == kRoleNames[3]) return &roles.dbh;
    if (role == kRoleNames[4]) return &roles.height;
    return nullptr;
}

FieldRoles rolesFromCells(const std::vector<std::string> &columns, const std::vector<std::string> &roleCells)
{
    FieldRoles roles;
    for (std::size_t k = 0; k < columns.size() && k + 1 < roleCells.size(); ++k)
        if (std::string *field = roleField(roles, roleCells[k + 1])) *field = columns[k];
    return roles;
}

std::vector<YearColumn> yearColumns(const std::vector<std::string> &fields,
                                    const std::vector<std::string> &yearCells)
{
    std::vector<YearColumn> years;
    for (std::size_t row = 0; row < yearCells.size() && row < fields.size(); ++row) {
        if (yearCells[row] == "-") continue;
        years.push_back({common::strToInt(yearCells[row]), fields[row]});
    }
    return years;
}

FieldRoles readRolesSideFile(const std::string &dataDir, const std::string &tableFile,
                             const std::vector<std::string> &columns)
{
    return rolesFromCells(
        columns, sideFileCells(rolesSideFile(dataDir, tableFile), "roles", columns.size(), tableFile));
}

std::vector<YearColumn> readYearsSideFile(const std::string &dataDir, const std::string &tableFile,
                                          const std::vector<std::string> &columns)
{
    const auto cells = sideFileCells(yearsSideFile(dataDir, tableFile), "years", columns.size(), tableFile);
    try {
        return yearColumns(columns, {cells.begin() + 1, cells.end()});
    } catch (const common::ConvertError &e) {
        throw common::ConvertError("The years side file of " + tableFile + ": " + e.what());
    }
}

} // namespace data
