// Reading the selected trees' defoliation values.
#include "model/treevalues.h"

#include "data/database.h"

namespace model {

void TreeValues::addTree(const std::vector<StoredValue> &values)
{
    m_values.insert(m_values.end(), values.begin(), values.end());
    ++m_trees;
}

StoredValue ReadStoredValue(const data::Query &query, const std::string &field)
{
    if (query.asString(field).empty()) return std::nullopt;
    return query.asInteger(field);
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
        for (; !query.eof(); query.next()) {
            for (std::size_t y = 0; y < years.size(); ++y)
                row[y] = ReadStoredValue(query, years[y].field);
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
