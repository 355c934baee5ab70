// The plot and species selection run on the engine: the values of a list query, the tree count, and
// the selected-trees query.
#pragma once

#include "data/database.h"
#include "data/fieldgrid.h"
#include "data/selection.h"

#include <string>
#include <vector>

namespace data {

// Opens the query on the SQL it holds and returns the first column of every row as text, in the order
// the engine delivers them. The query is closed afterwards, also when it fails (common::DataError).
std::vector<std::string> firstColumnValues(Query &query);

// The distinct values of a column (distinctSql) in the order of the plot and species lists
// (sortListValues): the lists of the window and the plots and species the runs walk. The query is
// closed afterwards. Throws common::DataError.
std::vector<std::string> listValues(Query &query, const std::string &table, const std::string &column,
                                    const std::string &where, const std::string &conditions);

// Sets the count SQL (countSql) on the query, prepares it, sets PlotNames and Species, opens it and
// returns the count of the first row; the query is closed afterwards. Throws common::DataError.
int countTrees(Query &query, const std::string &table, const FieldRoles &roles, const std::string &conditions,
               const std::string &plot, const std::string &species);

// Sets the selected-trees SQL (treeQuerySql) on the query and prepares it without opening it; the
// caller sets PlotNames and NSpecies and opens it.
void prepareTreeQuery(Query &query, const std::string &table, const FieldRoles &roles,
                      const std::string &conditions);

} // namespace data
