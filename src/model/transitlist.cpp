// Transition matrix estimation.
#include "model/transitlist.h"

#include "common/numbers.h"
#include "data/database.h"

#include <cmath>
#include <utility>

namespace model {

namespace {

// Counts into shares; a class without trees in the first year keeps its trees (identity row).
void finishRecord(TTransit &r)
{
    r.NTree = 0;
    r.Count = r.T;
    for (std::size_t a = 0; a < 6; ++a) {
        double sum = 0;
        for (double count : r.T[a])
            sum += count;
        r.RowSum[a] = sum;
        if (sum == 0) {
            r.T[a][a] = 1;
        } else {
            for (double &entry : r.T[a])
                entry = static_cast<double>(common::checkedDiv(entry, sum));
            r.Valid = true;
        }
        r.NTree += static_cast<int>(common::roundToEven(sum));
    }
}

} // namespace

void CountTransition(TTransit &record, const StoredValue &from, const StoredValue &to, ValueType type)
{
    if (!from || !to) return;
    const int c = DefClass(static_cast<double>(*from), type);
    if (c < 0) return;
    const int d = DefClass(static_cast<double>(*to), type);
    if (d < 0) return;
    record.T[static_cast<std::size_t>(c)][static_cast<std::size_t>(d)] += 1;
}

void CountTransition(TTransit &record, const data::Query &query, ValueType type)
{
    const StoredValue from = ReadStoredValue(query, record.FromField);
    if (!from) return;
    CountTransition(record, from, ReadStoredValue(query, record.ToField), type);
}

std::optional<std::vector<TTransit>> BuildTransitList(const TreeValues &trees, const std::string &plot,
                                                      const std::vector<data::YearColumn> &years,
                                                      int interval, ValueType type)
{
    if (trees.treeCount() < kMinTransitTrees) return std::nullopt;

    std::vector<TTransit> list;
    std::vector<std::pair<std::size_t, std::size_t>> columns; // year indices of each record
    for (std::size_t i = 0; i < years.size(); ++i)
        for (std::size_t j = 0; j < years.size(); ++j)
            if (static_cast<long long>(years[j].year) - years[i].year == interval) {
                TTransit r;
                r.Plot = plot;
                r.Year = years[i].year;
                r.FromField = years[i].field;
                r.ToField = years[j].field;
                list.push_back(std::move(r));
                columns.emplace_back(i, j);
            }

    for (std::size_t t = 0; t < trees.treeCount(); ++t)
        for (std::size_t k = 0; k < list.size(); ++k)
            CountTransition(list[k], trees.value(t, columns[k].first), trees.value(t, columns[k].second),
                            type);

    std::vector<TTransit> kept;
    kept.reserve(list.size());
    for (auto &r : list) {
        finishRecord(r);
        if (r.Valid) kept.push_back(std::move(r));
    }
    return kept;
}

std::optional<std::vector<TTransit>> BuildTransitList(data::Query &query, const std::string &plot,
                                                      const std::string &species,
                                                      const std::vector<data::YearColumn> &years,
                                                      int interval, ValueType type)
{
    return BuildTransitList(ReadTreeValues(query, plot, species, years), plot, years, interval, type);
}

} // namespace model
