// Reading the selected trees' defoliation values.
#include "model/treevalues.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "data/database.h"
#include "data/dbffile.h"

#include <algorithm>

namespace model {

void TreeValues::addTree(const std::vector<StoredValue> &values)
{
    m_values.insert(m_values.end(), values.begin(), values.end());
    ++m_trees;
}

StoredValue ReadStoredValue(const data::Query &query, const std::string &field)
{
    return query.integerOrBlank(field);
}

TreeValues ReadTreeValues(data::Query &query, const std::string &plot, const std::string &species,
                          const std::vector<data::YearColumn> &years)
{
    if (query.isActive()) query.close();
    query.setParam("PlotNames", plot);
    query.setParam("NSpecies", species);
    query.open();
    TreeValues trees(years.size());
    std::vector<StoredValue> row(years.size());
    try {
        // The columns by position, looked up once for all rows.
        const auto names = query.fieldNames();
        std::vector<int> columns;
        for (const auto &year : years) {
            const auto found = std::find_if(names.begin(), names.end(), [&](const std::string &name) {
                return common::equalsIgnoreCase(name, year.field);
            });
            if (found == names.end()) throw common::DataError("Field '" + year.field + "' not found");
            columns.push_back(static_cast<int>(found - names.begin()));
        }
        for (; !query.eof(); query.next()) {
            for (std::size_t y = 0; y < years.size(); ++y) {
                row[y] = query.integerOrBlank(columns[y]);
            }
            trees.addTree(row);
        }
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    return trees;
}

} // namespace model
