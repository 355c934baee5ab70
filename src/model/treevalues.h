// The defoliation values of the selected trees of one plot and species, read from the selected-trees
// query in one pass so that the yearly statistics and the transition counts need not read it again.
#pragma once

#include "data/selection.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace data {
class Query;
}

namespace model {

// One tree's value in one survey year as stored, rounded to a whole number with ties to even;
// nullopt for a blank value (the tree was not observed that year).
using StoredValue = std::optional<long long>;

// Values of the selected trees, one row per tree in query order, one column per survey year in the
// order of the year list.
class TreeValues
{
public:
    TreeValues() = default;
    explicit TreeValues(std::size_t yearCount) : m_yearCount(yearCount) {}

    std::size_t treeCount() const { return m_trees; }
    std::size_t yearCount() const { return m_yearCount; }
    const StoredValue &value(std::size_t tree, std::size_t year) const
    {
        return m_values[tree * m_yearCount + year];
    }

    // Appends one tree; values must hold yearCount() entries.
    void addTree(const std::vector<StoredValue> &values);

private:
    std::size_t m_yearCount = 0;
    std::size_t m_trees = 0;
    std::vector<StoredValue> m_values;
};

// One column of the query's current row: nullopt when it is blank, else the number rounded, ties to
// even. Throws common::DataError naming the table, the column and the record for a value that is not
// a number (data::Query::numberOrBlank), and for a column the query lacks.
StoredValue ReadStoredValue(const data::Query &query, const std::string &field);

// Sets the parameters PlotNames and NSpecies of the prepared selected-trees query (data::treeQuerySql)
// to plot and species, opens it, reads every row once and leaves it closed. Engine errors propagate.
TreeValues ReadTreeValues(data::Query &query, const std::string &plot, const std::string &species,
                          const std::vector<data::YearColumn> &years);

} // namespace model
