// SQL texts of the plot and species selection.
#include "data/selection.h"

#include "data/condition.h"

namespace data {

std::vector<std::string> distinctSql(const std::string &table, const std::string &column, const std::string &where,
                                     const std::string &conditions)
{
    std::vector<std::string> lines{"SELECT DISTINCT " + columnName(column) + " FROM " + tableName(table)};
    if (!where.empty()) {
        lines.push_back("WHERE " + where);
        if (!conditions.empty()) lines.push_back("and " + conditions);
    } else if (!conditions.empty()) {
        lines.push_back("WHERE " + conditions);
    }
    return lines;
}

std::string plotWhere(const std::string &plotField, const std::string &plot)
{
    return "(" + columnName(plotField) + "=" + quoteLiteral(plot) + ")";
}

std::string treeCount(const FieldRoles &roles)
{
    // A row is a tree: without a TreeID column every row counts, as every row is one of the selected
    // trees; with one, a row whose tree number is blank does not.
    return "Count(" + (roles.treeId.empty() ? std::string("*") : columnName(roles.treeId)) + ")";
}

std::vector<std::string> countSql(const std::string &table, const FieldRoles &roles, const std::string &conditions)
{
    std::vector<std::string> lines{"SELECT " + treeCount(roles) + " FROM " + tableName(table),
                                   "WHERE ((" + columnName(roles.plot) + "=:PlotNames) AND (" +
                                       columnName(roles.species) + "=:Species))"};
    if (!conditions.empty()) lines.push_back("and " + conditions);
    return lines;
}

std::vector<std::string> treeQuerySql(const std::string &table, const FieldRoles &roles,
                                      const std::string &conditions)
{
    std::vector<std::string> lines{"SELECT * FROM " + tableName(table),
                                   "WHERE ((" + columnName(roles.plot) + " = :PlotNames) and (" +
                                       columnName(roles.species) + " = :NSpecies))"};
    if (!conditions.empty()) lines.push_back("and " + conditions);
    return lines;
}

} // namespace data
