// TRANSIT.DBF and AVERAGE.DBF, the tables of the statistics run: their CREATE TABLE statements, line
// by line as the engine receives them, and the writers of one row each.
//
// A value that does not fit its DECIMAL(p,s) column, that is needs more than p - s digits before the
// point (a class share of 100 or more, a year beyond four digits, a million trees in N_tree), is
// left blank instead of being stored beyond the column's declared precision or cut to wrong digits;
// the ValueGuard counts such values per column so that the run can report them once.
#pragma once

#include "model/transitlist.h"
#include "model/yearstatistics.h"

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace data {
class TableWriter;
}

namespace model {

inline constexpr const char *kTransitTable = "TRANSIT.DBF";
inline constexpr const char *kAverageTable = "AVERAGE.DBF";

// The widths of the code columns Id_plot and Id_species, in characters (the tables are written in a
// single-byte code page). The standard CHAR(10) and CHAR(2) are kept whenever the run's codes fit
// them, so that tables other programs read stay as they were; longer codes widen the column, as
// dBASE readers accept, and no two plots or species are ever stored under one code.
struct CodeWidths
{
    std::size_t plot = 10;
    std::size_t species = 2;
    bool operator==(const CodeWidths &) const = default;
};

// The longest character field dBASE holds.
inline constexpr std::size_t kMaxCodeWidth = 254;

// The widths that hold every plot name and species code whole. Throws common::Error naming the
// codes longer than kMaxCodeWidth characters before anything is written.
CodeWidths WidthsFor(const std::set<std::string> &plots, const std::set<std::string> &species);

// The number of characters of a UTF-8 text.
std::size_t characterCount(const std::string &text);

// The 44 lines of CREATE TABLE "TRANSIT.DBF" and the 17 lines of CREATE TABLE "AVERAGE.DBF", with the
// code columns of the given widths.
std::vector<std::string> TransitTableSql(const CodeWidths &widths = {});
std::vector<std::string> AverageTableSql(const CodeWidths &widths = {});

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

// TRANSIT.DBF being written, with the positions of its columns looked up once.
class TransitTable
{
public:
    TransitTable(data::TableWriter &writer, const CodeWidths &widths);
    data::TableWriter &writer;
    CodeWidths widths;
    int plot, species, year, interval, trees;
    int shares[6][6];
};

// AVERAGE.DBF being written, the same way.
class AverageTable
{
public:
    AverageTable(data::TableWriter &writer, const CodeWidths &widths);
    data::TableWriter &writer;
    CodeWidths widths;
    int plot, species, year, trees, dead, defAvg, defStd, defMin;
    int classes[6];
};

// Appends one TRANSIT.DBF row: the record's plot, the species, its first year, the interval, the 36
// shares T00 ... T55 and NTree. A plot name or species code longer than its column throws
// common::Error instead of being cut (the widths are chosen from the run's codes beforehand).
void WriteTransitRow(TransitTable &table, const TTransit &record, const std::string &species, int interval,
                     ValueGuard &guard);

// Appends the AVERAGE.DBF row of survey year `index` of the series (a year with statistics).
// C0 ... C5 stay blank when the year has no living tree. Codes are checked as for WriteTransitRow.
void WriteAverageRow(AverageTable &table, const std::string &plot, const std::string &species, int year,
                     const YearSeries &series, std::size_t index, double prcTreeFactor, ValueGuard &guard);

} // namespace model
