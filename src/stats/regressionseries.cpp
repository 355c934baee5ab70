// A paired series read from the rows of a query.
#include "stats/regressionseries.h"

#include "common/error.h"
#include "common/numbers.h"
#include "data/database.h"

#include <cmath>

namespace stats {

namespace {

// A non-blank value of the row as a double. The text is checked first so that a column of words
// gives the conversion error, with the column's name, rather than a quiet 0.
double readValue(const data::Query &query, const std::string &column, const std::string &text)
{
    try {
        common::strToFloat(text);
    } catch (const common::ConvertError &e) {
        throw common::ConvertError("Column " + column + ": " + e.what());
    }
    return query.asFloat(column);
}

// False when the row is skipped: the logarithm of a value <= 0. The logarithm is kept as a double,
// as the value it replaces.
bool transform(double &value, bool useLog)
{
    if (!useLog) return true;
    if (value <= 0) return false;
    value = static_cast<double>(std::log10(static_cast<long double>(value)));
    return true;
}

} // namespace

void FillSeries(TStatistics &series, data::Query &query, const SeriesColumns &columns)
{
    for (query.first(); !query.eof(); query.next()) {
        const std::string xText = query.asString(columns.x), yText = query.asString(columns.y);
        if (xText.empty() || yText.empty()) continue;
        double x = readValue(query, columns.x, xText), y = readValue(query, columns.y, yText);
        if (!transform(x, columns.logX) || !transform(y, columns.logY)) continue;
        series.AddPoint(x, y);
    }
}

} // namespace stats
