// TRANSIT.DBF and AVERAGE.DBF, the tables of the statistics run: their CREATE TABLE statements, line
// by line as the engine receives them, and the writers of one row each.
//
// A value that does not fit its DECIMAL(p,s) column, that is needs more than p - s digits before the
// point (more than 999 trees in N_tree, a class share of 100 or more, a year beyond four digits), is
// left blank instead of being stored beyond the column's declared precision or cut to wrong digits;
// the ValueGuard counts such values per column so that the run can report them once.
#pragma once

#include "model/transitlist.h"
#include "model/yearstatistics.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace data {
class Table;
}

namespace model {

inline constexpr const char *kTransitTable = "TRANSIT.DBF";
inline constexpr const char *kAverageTable = "AVERAGE.DBF";

// The 44 lines of CREATE TABLE "TRANSIT.DBF" and the 17 lines of CREATE TABLE "AVERAGE.DBF".
std::vector<std::string> TransitTableSql();
std::vector<std::string> AverageTableSql();

// Counts the values left blank because they did not fit, per table and column.
class ValueGuard
{
public:
    // True when value, rounded to `scale` decimals, fits DECIMAL(precision, scale).
    static bool fits(double value, int precision, int scale);

    void leftOut(const std::string &table, const std::string &column) { ++m_leftOut[table + " " + column]; }
    std::size_t count() const;
    // "3 values did not fit their columns and were left blank: AVERAGE.DBF C5 (2), TRANSIT.DBF N_tree (1)";
    // empty when none was left out.
    std::string report() const;

private:
    std::map<std::string, std::size_t> m_leftOut;
};

// Appends and posts one TRANSIT.DBF row: the record's plot, the species, its first year, the interval,
// the 36 shares T00 ... T55 and NTree.
void WriteTransitRow(data::Table &table, const TTransit &record, const std::string &species, int interval,
                     ValueGuard &guard);

// Appends and posts the AVERAGE.DBF row of survey year `index` of the series (a year with statistics).
// C0 ... C5 stay blank when the year has no living tree.
void WriteAverageRow(data::Table &table, const std::string &plot, const std::string &species, int year,
                     const YearSeries &series, std::size_t index, double prcTreeFactor, ValueGuard &guard);

// The first `count` characters of a UTF-8 text: what a CHAR(count) column keeps of it.
std::string keptText(const std::string &text, std::size_t count);

} // namespace model
