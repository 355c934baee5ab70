// SQL texts of the plot and species selection.
#include "data/selection.h"

#include "data/condition.h"

namespace data {

std::string quoteLiteral(const std::string &value)
{
    std::string quoted = "'";
    for (char c : value) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

std::vector<std::string> distinctSql(const std::string &table, const std::string &column, const std::string &where,
                                     const std::string &conditions)
{
    std::vector<std::string> lines{"SELECT DISTINCT " + column + " FROM '" + table + "'"};
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
    return "(" + plotField + "=" + quoteLiteral(plot) + ")";
}

std::vector<std::string> countSql(const std::string &table, const FieldRoles &roles, const std::string &conditions)
{
    std::vector<std::string> lines{"SELECT Count(" + roles.treeId + ") FROM '" + table + "'",
                                   "WHERE ((" + roles.plot + "=:PlotNames) AND (" + roles.species + "=:Species))"};
    if (!conditions.empty()) lines.push_back("and " + conditions);
    return lines;
}

std::vector<std::string> treeQuerySql(const std::string &table, const FieldRoles &roles,
                                      const std::string &conditions)
{
    std::vector<std::string> lines{"SELECT * FROM '" + table + "'",
                                   "WHERE ((" + roles.plot + " = :PlotNames) and (" + roles.species +
                                       " = :NSpecies))"};
    if (!conditions.empty()) lines.push_back("and " + conditions);
    return lines;
}

std::string wrapConditions(const std::string &answer)
{
    return keptCondition(answer);
}

} // namespace data
