// A paired series read from the rows of a query, as the regression page and fenoris-cli regression
// build it: one routine for both, so that they cannot disagree about which rows become points.
#pragma once

#include "stats/statistics.h"

#include <string>

namespace data {
class Query;
}

namespace model {

// The two columns of a series, named as the query's result names them, and whether each value is
// replaced by its base-10 logarithm.
struct SeriesColumns
{
    std::string x;
    std::string y;
    bool logX = false;
    bool logY = false;
};

// Adds a point to `series` for every row of the open query, from its first row on:
//  - a row with a blank in either column is skipped;
//  - both values are read as doubles; a value that is not a number throws common::ConvertError
//    "Column <name>: '<text>' is not a valid floating point value";
//  - with logX (logY) a row whose value is <= 0 is skipped, otherwise the value becomes its base-10
//    logarithm, kept as a double;
//  - the series' MissingX and MissingY then leave out the points they match, compared with the
//    transformed values (stats::TStatistics::AddPoint).
// Engine errors are thrown as common::DataError. The query stays open, on its last row.
void FillSeries(stats::TStatistics &series, data::Query &query, const SeriesColumns &columns);

// The title of a chart axis that shows a column: its name, or "log(<name>)" for its logarithms.
std::string AxisTitle(const std::string &column, bool useLog);

} // namespace model
