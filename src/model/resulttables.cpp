// TRANSIT.DBF and AVERAGE.DBF statements and rows.
#include "model/resulttables.h"

#include "common/error.h"
#include "common/numbers.h"
#include "data/fieldtext.h"
#include "data/tablewriter.h"

#include <algorithm>
#include <cmath>

namespace model {

namespace {

struct Decimal
{
    const char *name;
    int precision; // digits in all
    int scale;     // digits after the point
};

constexpr Decimal kIdYear{"Id_year", 4, 0};
constexpr Decimal kInterval{"Interval", 2, 0};
constexpr Decimal kShare{"", 6, 4}; // T00 ... T55 and C0 ... C5
constexpr Decimal kNTree{"N_tree", 6, 0};
constexpr Decimal kDead{"Dead", 7, 3};
constexpr Decimal kDefAvg{"Def_avg", 7, 3};
constexpr Decimal kDefStd{"Def_std", 7, 3};
constexpr Decimal kDefMin{"Def_min", 7, 3};

std::string declaration(const std::string &name, const Decimal &type)
{
    return " " + name + " DECIMAL(" + std::to_string(type.precision) + "," + std::to_string(type.scale) + ")";
}

std::string shareColumn(char prefix, std::size_t i)
{
    return std::string(1, prefix) + std::to_string(i);
}

// Sets a DECIMAL field, or leaves it blank and counts it under its column's name when the value does
// not fit.
template <typename Name>
void setNumber(data::TableWriter &table, int field, const Decimal &type, double value, ValueGuard &guard,
               const char *tableName, Name columnName)
{
    if (!ValueGuard::fits(value, type.precision, type.scale)) {
        guard.leftOut(tableName, columnName());
        return;
    }
    if (type.scale == 0)
        table.setInteger(field, common::roundToEven(value));
    else
        table.setFloat(field, value);
}

std::string shareName(char prefix, std::size_t i, std::size_t j)
{
    return std::string(1, prefix) + std::to_string(i) + std::to_string(j);
}

std::string plotColumn(const CodeWidths &widths)
{
    return " Id_plot CHAR(" + std::to_string(widths.plot) + "),";
}

std::string speciesColumn(const CodeWidths &widths)
{
    return " Id_species CHAR(" + std::to_string(widths.species) + "),";
}

std::size_t widest(const std::set<std::string> &codes, std::size_t standard, const char *what)
{
    std::size_t width = standard;
    std::string tooLong;
    for (const auto &code : codes) {
        const std::size_t n = characterCount(code);
        if (n > kMaxCodeWidth)
            tooLong += (tooLong.empty() ? "'" : ", '") + code + "'";
        else
            width = std::max(width, n);
    }
    if (!tooLong.empty())
        throw common::Error(std::string(what) + " longer than " + std::to_string(kMaxCodeWidth) +
                            " characters cannot be stored whole in " + kTransitTable + " and " +
                            kAverageTable + ", and cut they could stand for another: " + tooLong);
    return width;
}

// The code as its column stores it: whole, or not at all.
const std::string &whole(const std::string &code, std::size_t width, const char *what)
{
    if (characterCount(code) > width)
        throw common::Error(std::string(what) + " '" + code + "' is longer than the " +
                            std::to_string(width) + " characters of its column in " + kTransitTable +
                            " and " + kAverageTable);
    return code;
}

} // namespace

CodeWidths WidthsFor(const std::set<std::string> &plots, const std::set<std::string> &species)
{
    const CodeWidths standard;
    return {widest(plots, standard.plot, "Plot names"), widest(species, standard.species, "Species codes")};
}

std::size_t characterCount(const std::string &text)
{
    std::size_t n = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::vector<std::string> TransitTableSql(const CodeWidths &widths)
{
    std::vector<std::string> lines{std::string("CREATE TABLE \"") + kTransitTable + "\"",
                                   "(",
                                   plotColumn(widths),
                                   speciesColumn(widths),
                                   declaration(kIdYear.name, kIdYear) + ",",
                                   declaration(kInterval.name, kInterval) + ","};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            lines.push_back(declaration("T" + std::to_string(i) + std::to_string(j), kShare) + ",");
    lines.push_back(declaration(kNTree.name, kNTree));
    lines.push_back(")");
    return lines;
}

std::vector<std::string> AverageTableSql(const CodeWidths &widths)
{
    std::vector<std::string> lines{std::string("CREATE TABLE \"") + kAverageTable + "\"", "(",
                                   plotColumn(widths), speciesColumn(widths)};
    for (const Decimal *d : {&kIdYear, &kNTree, &kDead, &kDefAvg, &kDefStd, &kDefMin})
        lines.push_back(declaration(d->name, *d) + ",");
    for (std::size_t j = 0; j < 6; ++j)
        lines.push_back(declaration(shareColumn('C', j), kShare) + (j < 5 ? "," : ""));
    lines.push_back(")");
    return lines;
}

bool ValueGuard::fits(double value, int precision, int scale)
{
    // Rounded as the engine writes it, the value may have at most precision - scale digits before the
    // point: DECIMAL(3,0) holds up to 999, DECIMAL(6,4) up to 99.9999. Only values next to the limit
    // need the engine's rounding to tell; the rest are decided by size alone.
    static constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9, 1e10,
                                       1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20};
    if (precision < scale || precision > 20 || scale < 0) return false;
    const double limit = kTens[precision - scale];
    const double size = std::fabs(value);
    if (std::isnan(size) || size >= limit) return false;
    if (size < limit - 1.0 / kTens[scale]) return true;
    const auto text = data::formatFieldNumber(value, 64, scale);
    if (!text) return false;
    const std::size_t point = text->find('.');
    const std::size_t end = point == std::string::npos ? text->size() : point;
    const std::size_t first = text->find_first_not_of(" -0");
    const std::size_t integerDigits = (first == std::string::npos || first >= end) ? 0 : end - first;
    return integerDigits <= static_cast<std::size_t>(precision - scale);
}

std::size_t ValueGuard::count() const
{
    std::size_t n = 0;
    for (const auto &[column, count] : m_leftOut)
        n += count;
    return n;
}

std::string ValueGuard::report() const
{
    const std::size_t n = count();
    if (n == 0) return {};
    std::string text = n == 1 ? std::string("1 value did not fit its column and was left blank: ")
                              : std::to_string(n) + " values did not fit their columns and were left blank: ";
    bool first = true;
    for (const auto &[column, count] : m_leftOut) {
        text += (first ? "" : ", ") + column + " (" + std::to_string(count) + ")";
        first = false;
    }
    return text;
}

TransitTable::TransitTable(data::TableWriter &tableWriter, const CodeWidths &codeWidths)
    : writer(tableWriter), widths(codeWidths), plot(writer.field("ID_PLOT")),
      species(writer.field("ID_SPECIES")), year(writer.field("ID_Year")), interval(writer.field("INTERVAL")),
      trees(writer.field("N_tree"))
{
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j)
            shares[i][j] = writer.field(shareName('T', i, j));
}

AverageTable::AverageTable(data::TableWriter &tableWriter, const CodeWidths &codeWidths)
    : writer(tableWriter), widths(codeWidths), plot(writer.field("ID_PLOT")),
      species(writer.field("ID_SPECIES")), year(writer.field("ID_Year")), trees(writer.field("N_TREE")),
      dead(writer.field("DEAD")), defAvg(writer.field("DEF_AVG")), defStd(writer.field("DEF_STD")),
      defMin(writer.field("DEF_MIN"))
{
    for (std::size_t j = 0; j < 6; ++j)
        classes[j] = writer.field(shareColumn('C', j));
}

void WriteTransitRow(TransitTable &table, const TTransit &record, const std::string &species, int interval,
                     ValueGuard &guard)
{
    data::TableWriter &row = table.writer;
    auto named = [](const char *name) { return [name] { return std::string(name); }; };
    row.append();
    row.setString(table.plot, whole(record.Plot, table.widths.plot, "The plot name"));
    row.setString(table.species, whole(species, table.widths.species, "The species code"));
    setNumber(row, table.year, kIdYear, record.Year, guard, kTransitTable, named(kIdYear.name));
    setNumber(row, table.interval, kInterval, interval, guard, kTransitTable, named(kInterval.name));
    setNumber(row, table.trees, kNTree, record.NTree, guard, kTransitTable, named(kNTree.name));
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j)
            setNumber(row, table.shares[i][j], kShare, record.T[i][j], guard, kTransitTable,
                      [i, j] { return shareName('T', i, j); });
}

void WriteAverageRow(AverageTable &table, const std::string &plot, const std::string &species, int year,
                     const YearSeries &series, std::size_t index, double prcTreeFactor, ValueGuard &guard)
{
    data::TableWriter &row = table.writer;
    auto named = [](const char *name) { return [name] { return std::string(name); }; };
    row.append();
    row.setString(table.plot, whole(plot, table.widths.plot, "The plot name"));
    row.setString(table.species, whole(species, table.widths.species, "The species code"));
    setNumber(row, table.year, kIdYear, year, guard, kAverageTable, named(kIdYear.name));
    setNumber(row, table.trees, kNTree, series.YearTrees[index], guard, kAverageTable, named(kNTree.name));
    setNumber(row, table.dead, kDead, series.YearDead[index], guard, kAverageTable, named(kDead.name));
    setNumber(row, table.defAvg, kDefAvg, series.YearDefAvg[index], guard, kAverageTable,
              named(kDefAvg.name));
    setNumber(row, table.defStd, kDefStd, series.YearDefStd[index], guard, kAverageTable,
              named(kDefStd.name));
    setNumber(row, table.defMin, kDefMin, DefMin(series, index, prcTreeFactor), guard, kAverageTable,
              named(kDefMin.name));
    if (series.YearTrees[index] > 0)
        for (std::size_t j = 0; j < 6; ++j)
            setNumber(row, table.classes[j], kShare,
                      static_cast<double>(series.YearClasses[index][j]) / series.YearTrees[index], guard,
                      kAverageTable, [j] { return shareColumn('C', j); });
}

} // namespace model
