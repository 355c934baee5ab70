// Selected trees built in memory for the computation tests: one row of stored values per tree, blank
// where a tree was not observed.
#pragma once

#include "model/treevalues.h"

#include <initializer_list>
#include <optional>
#include <vector>

namespace modeltest {

inline constexpr std::nullopt_t blank = std::nullopt;

inline model::TreeValues trees(std::size_t years, std::initializer_list<std::vector<model::StoredValue>> rows)
{
    model::TreeValues values(years);
    for (const auto &row : rows)
        values.addTree(row);
    return values;
}

// count trees with the same values.
inline void addTrees(model::TreeValues &values, int count, const std::vector<model::StoredValue> &row)
{
    for (int i = 0; i < count; ++i)
        values.addTree(row);
}

inline std::vector<data::YearColumn> yearColumns(std::initializer_list<int> years)
{
    std::vector<data::YearColumn> columns;
    for (int year : years)
        columns.push_back({year, "D" + std::to_string(columns.size() + 1)});
    return columns;
}

} // namespace modeltest
