// The plot and species selection run on the engine.
#include "data/treeselection.h"

#include "common/error.h"
#include "common/numbers.h"
#include "common/scopeexit.h"
#include "data/listorder.h"

namespace data {

std::vector<std::string> firstColumnValues(Query &query)
{
    // Closed however the scope ends: a failure leaves the query closed as a success does.
    const common::ScopeExit closing([&query] { query.close(); });
    query.open();
    std::vector<std::string> values;
    for (; !query.eof(); query.next())
        values.push_back(query.valueText(0));
    return values;
}

std::vector<std::string> listValues(Query &query, const std::string &table, const std::string &column,
                                    const std::string &where, const std::string &conditions)
{
    query.setSql(distinctSql(table, column, where, conditions));
    auto values = firstColumnValues(query);
    sortListValues(values);
    return values;
}

int countTrees(Query &query, const std::string &table, const FieldRoles &roles, const std::string &conditions,
               const std::string &plot, const std::string &species)
{
    query.setSql(countSql(table, roles, conditions));
    query.prepare();
    query.setParam("PlotNames", plot);
    query.setParam("Species", species);
    const common::ScopeExit closing([&query] { query.close(); });
    query.open();
    // Count gives one row, unless the user's condition brought a GROUP BY along.
    return query.eof() ? 0 : common::strToInt(query.valueText(0));
}

void prepareTreeQuery(Query &query, const std::string &table, const FieldRoles &roles,
                      const std::string &conditions)
{
    query.setSql(treeQuerySql(table, roles, conditions));
    query.prepare();
}

} // namespace data
