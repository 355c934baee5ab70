// A paired series read from the rows of a query.
#include "model/regressionseries.h"

#include "data/database.h"

#include <cmath>

namespace model {

namespace {

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

void FillSeries(stats::TStatistics &series, data::Query &query, const SeriesColumns &columns)
{
    for (query.first(); !query.eof(); query.next()) {
        // A value that is not a number is an error naming its record, never a quiet blank or 0.
        const auto xRead = query.numberOrBlank(columns.x), yRead = query.numberOrBlank(columns.y);
        if (!xRead || !yRead) continue;
        double x = *xRead, y = *yRead;
        if (!transform(x, columns.logX) || !transform(y, columns.logY)) continue;
        series.AddPoint(x, y);
    }
}

std::string AxisTitle(const std::string &column, bool useLog)
{
    return useLog ? "log(" + column + ")" : column;
}

} // namespace model
