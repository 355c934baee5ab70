// Transition matrices between defoliation classes: for every pair of survey years an interval apart,
// the shares of the trees of each class in the first year that are in each class in the second.
#pragma once

#include "model/defclass.h"
#include "model/treevalues.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace data {
class Query;
}

namespace model {

// One pair of survey years of a plot and species. The species and the interval are the caller's.
// The fewest trees of a plot and species that BuildTransitList counts transitions of.
inline constexpr std::size_t kMinTransitTrees = 5;

struct TTransit
{
    std::string Plot;
    int Year = 0;          // first survey year; the second is Year + interval
    std::string FromField; // column of the first year
    std::string ToField;   // column of the second year
    bool Valid = false;    // at least one class of the first year had trees
    // Row = class in the first year, column = class in the second year: tree counts while counting,
    // row shares afterwards. A row without trees is the identity row, so every row sums to 1.
    std::array<std::array<double, 6>, 6> T{};
    std::array<double, 6> RowSum{}; // counted trees per class of the first year
    // The tree counts of T as they were before the rows became shares (all 0 in an identity row).
    std::array<std::array<double, 6>, 6> Count{};
    int NTree = 0;                  // trees counted into the matrix
};

// Counts one tree: both values need a class (a blank or an unclassed value leaves the tree out of
// this pair). No test for negative values: in per cent -10 to -1 is class 0.
void CountTransition(TTransit &record, const StoredValue &from, const StoredValue &to, ValueType type);

// The same with the values of FromField and ToField in the query's current row.
void CountTransition(TTransit &record, const data::Query &query, ValueType type);

// One record per pair of survey years i, j (in the order of the year list, i outer, j inner) with
// years[j] - years[i] == interval, counted over the trees, rows turned into shares, and records
// without any counted tree dropped. nullopt when there are fewer than 5 trees; an empty list when no
// pair lies the interval apart or none had a tree with a class in both years.
std::optional<std::vector<TTransit>> BuildTransitList(const TreeValues &trees, const std::string &plot,
                                                      const std::vector<data::YearColumn> &years,
                                                      int interval, ValueType type);

// The same, reading the prepared selected-trees query once (see ReadTreeValues).
std::optional<std::vector<TTransit>> BuildTransitList(data::Query &query, const std::string &plot,
                                                      const std::string &species,
                                                      const std::vector<data::YearColumn> &years,
                                                      int interval, ValueType type);

} // namespace model
