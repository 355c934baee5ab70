// The statistics run over all plots and species.
#include "model/statisticsrun.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "common/progress.h"
#include "common/replacingfile.h"
#include "common/scopeexit.h"
#include "common/writerlock.h"
#include "data/database.h"
#include "data/dbffile.h"
#include "data/listorder.h"
#include "data/sidefiles.h"
#include "data/sqlnames.h"
#include "data/tablewriter.h"
#include "data/treeselection.h"
#include "model/resulttables.h"
#include "model/runinputs.h"
#include "model/transitlist.h"
#include "model/yearstatistics.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <unistd.h>

namespace model {

namespace {

namespace fs = std::filesystem;

// The entries of the data directory that are the table under any case of its name.
std::vector<fs::path> namesOf(const data::Connection &connection, const std::string &name)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(connection.directory(), ec))
        if (common::equalsIgnoreCase(entry.path().filename().string(), name)) found.push_back(entry.path());
    return found;
}

std::string fullPath(const fs::path &path)
{
    return fs::absolute(path).lexically_normal().string();
}

// The full path of the result table to write, once the old one is known to be replaceable and the
// temporary files of an earlier, killed run are gone.
std::string replaceableTarget(const data::Connection &connection, const char *name)
{
    const fs::path dir = connection.directory();
    for (const auto &old : namesOf(connection, name)) {
        std::error_code ec;
        if (fs::is_directory(old, ec) || ::access(dir.c_str(), W_OK) != 0)
            throw common::FileError("Unable delete file " + fullPath(old));
    }
    const std::string target = fullPath(dir / name);
    common::removeLeftoverTemporaries(target);
    return target;
}

} // namespace

// A result table written under a temporary name beside the one it replaces.
struct StatisticsRun::ResultFile
{
    std::string target;
    common::ReplacingFile file;
    data::TableWriter writer;

    ResultFile(const data::Connection &connection, const char *name, const std::vector<std::string> &sql)
        : target(replaceableTarget(connection, name)), file(target), writer(file.path(), sql, target)
    {
    }
};

namespace {

// Another case of the name the table now has (transit.dbf beside TRANSIT.DBF) would be a second,
// stale table for programs that ignore case.
void removeOtherNames(const data::Connection &connection, const char *name)
{
    for (const auto &other : namesOf(connection, name)) {
        std::error_code ec;
        if (other.filename() != name && (!fs::remove(other, ec) || ec))
            throw common::FileError("Unable delete file " + fullPath(other));
    }
}

} // namespace

std::vector<std::string> QuerySelection::plots()
{
    m_query.close();
    m_plots = data::listValues(m_query, m_setup.tableFile, m_setup.roles.plot, "", m_setup.conditions);
    return m_plots;
}

std::vector<std::string> QuerySelection::selectPlot(std::size_t index)
{
    const auto &roles = m_setup.roles;
    const std::string species = data::columnName(roles.species);
    std::vector<std::string> sql{"SELECT " + species + ", " + data::treeCount(roles) + " FROM " +
                                     data::tableName(m_setup.tableFile),
                                 "WHERE (" + data::columnName(roles.plot) + "=:PlotNames)"};
    if (!m_setup.conditions.empty()) sql.push_back("and " + m_setup.conditions);
    sql.push_back("GROUP BY " + species);
    m_query.close();
    m_query.setSql(sql);
    m_query.prepare();
    m_query.setParam("PlotNames", m_plots.at(index));
    m_species.clear();
    m_query.open();
    try {
        for (; !m_query.eof(); m_query.next()) {
            // A blank species is listed, but the count by species name finds no tree for it.
            const bool blank = m_query.valueIsNull(0);
            m_species.emplace_back(m_query.valueText(0), blank ? 0 : common::strToInt(m_query.valueText(1)));
        }
    } catch (...) {
        m_query.close();
        throw;
    }
    m_query.close();
    std::sort(m_species.begin(), m_species.end(),
              [](const auto &a, const auto &b) { return data::listsBefore(a.first, b.first); });
    std::vector<std::string> names;
    for (const auto &entry : m_species)
        names.push_back(entry.first);
    return names;
}

long long QuerySelection::selectSpecies(std::size_t index)
{
    return m_species.at(index).second;
}

namespace {

// The widths that hold the plot names and species codes of every pair with enough trees, as the run
// will walk them, read in one pass over the table.
CodeWidths RunCodeWidths(data::Query &query, const TableSetup &setup)
{
    const auto &roles = setup.roles;
    const std::string plot = data::columnName(roles.plot), species = data::columnName(roles.species);
    std::vector<std::string> sql{"SELECT " + plot + ", " + species + ", " + data::treeCount(roles) +
                                 " FROM " + data::tableName(setup.tableFile)};
    if (!setup.conditions.empty()) sql.push_back("WHERE " + setup.conditions);
    sql.push_back("GROUP BY " + plot + ", " + species);
    query.close();
    query.setSql(sql);
    query.open();
    std::set<std::string> plots, codes;
    try {
        for (; !query.eof(); query.next()) {
            if (query.valueIsNull(1) || common::strToInt(query.valueText(2)) <= kMinTreesForStatistics)
                continue;
            plots.insert(query.valueText(0));
            codes.insert(query.valueText(1));
        }
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    return WidthsFor(plots, codes);
}

} // namespace

StatisticsRun::StatisticsRun(data::Connection &connection, data::Query &query, TableSetup setup,
                             ModelSettings settings)
    : m_connection(connection), m_query(query), m_setup(std::move(setup)), m_settings(settings)
{
}

// What one run has written and noticed so far.
struct StatisticsRun::Output
{
    TransitTable transit;
    AverageTable average;
    StatisticsSummary summary;
    ValueGuard guard;

    Output(data::TableWriter &transitWriter, data::TableWriter &averageWriter, const CodeWidths &widths)
        : transit(transitWriter, widths), average(averageWriter, widths)
    {
    }
};

void StatisticsRun::writeSpecies(Output &output, const std::string &plot, const std::string &species)
{
    const auto &years = m_setup.years;
    m_query.close();
    m_query.setSql(data::treeQuerySql(m_setup.tableFile, m_setup.roles, m_setup.conditions));
    m_query.prepare();
    // One read serves both the transitions and the yearly statistics.
    const TreeValues trees = ReadTreeValues(m_query, plot, species, years);

    StatisticsSummary &summary = output.summary;
    if (const auto list = BuildTransitList(trees, plot, years, m_settings.interval, m_settings.valueType)) {
        for (const auto &record : *list) {
            WriteTransitRow(output.transit, record, species, m_settings.interval, output.guard);
            ++summary.transitRows;
        }
    }
    const YearSeries series = ComputeYearStatistics(trees, m_settings.valueType);
    for (std::size_t y = 0; y < years.size(); ++y) {
        if (!series.hasStatistics(y)) continue;
        WriteAverageRow(output.average, plot, species, years[y].year, series, y, m_settings.prcTreeFactor,
                        output.guard);
        ++summary.averageRows;
    }
}

StatisticsSummary StatisticsRun::execute(PlotSpeciesSelection &selection, common::MessageSink &sink,
                                         common::Progress *progress)
{
    CheckRunInputs(m_connection, m_setup, m_settings);
    // Two runs at once would each rename their own pair into place, and could leave one table of each.
    const common::WriterLock lock(fullPath(m_connection.directory() / kStatisticsLock));
    if (!lock.held())
        throw common::Error("Another statistics run (process " +
                            (lock.holder() > 0 ? std::to_string(lock.holder()) : std::string("unknown")) +
                            ") is writing " + kTransitTable + " and " + kAverageTable + " in this folder");
    // Nor may an import or a setup replace the table or its side files while the run reads them.
    const data::TableLock tableLock(m_connection.directory(), m_setup.tableFile, "statistics run");
    // Cancel stops a slow statement too (a slow condition, a slow read), not only at the next plot.
    const std::function<bool()> former = m_connection.stopCheck();
    const common::ScopeExit restoreStopCheck([this, &former] { m_connection.setStopCheck(former); });
    if (progress)
        m_connection.setStopCheck(
            [former, progress] { return (former && former()) || progress->cancelRequested(); });
    // A statement stopped by Cancel is told as at a step, which decides: the window keeps the rows
    // written so far, the command line throws its interruption and keeps the last tables.
    auto cancelled = [progress](int done, int total) {
        if (!progress || !progress->cancelRequested()) return false;
        return !progress->step(done, total, "");
    };

    // The code columns are made as wide as the longest code the run writes, so none is cut.
    CodeWidths widths;
    bool cancelledEarly = false;
    try {
        widths = RunCodeWidths(m_query, m_setup);
    } catch (const common::DataError &) {
        if (!cancelled(0, 0)) throw;
        cancelledEarly = true;
    }
    ResultFile transit(m_connection, kTransitTable, TransitTableSql(widths));
    ResultFile average(m_connection, kAverageTable, AverageTableSql(widths));
    Output output(transit.writer, average.writer, widths);

    StatisticsSummary &summary = output.summary;
    summary.cancelled = cancelledEarly;
    try {
        const auto plots = cancelledEarly ? std::vector<std::string>{} : selection.plots();
        summary.plotCount = static_cast<int>(plots.size());
        for (std::size_t p = 0; p < plots.size(); ++p) {
            if (progress && !progress->step(static_cast<int>(p), summary.plotCount, plots[p])) {
                summary.cancelled = true;
                break;
            }
            const auto species = selection.selectPlot(p);
            for (std::size_t s = 0; s < species.size(); ++s) {
                if (selection.selectSpecies(s) <= kMinTreesForStatistics) continue;
                // The species' rows are written after its trees are read: a stopped read wrote none.
                writeSpecies(output, plots[p], species[s]);
                ++summary.speciesProcessed;
            }
            summary.plotsDone = static_cast<int>(p) + 1;
        }
    } catch (const common::DataError &) {
        if (!cancelled(summary.plotsDone, summary.plotCount)) throw;
        summary.cancelled = true;
    }
    if (progress && !summary.cancelled) progress->step(summary.plotCount, summary.plotCount, "");

    transit.writer.finish();
    average.writer.finish();
    common::commitTogether(transit.file, average.file);
    removeOtherNames(m_connection, kTransitTable);
    removeOtherNames(m_connection, kAverageTable);
    summary.valuesLeftBlank = output.guard.count();
    report(output, sink);
    return summary;
}

std::string ProcessedText(const StatisticsSummary &summary)
{
    const auto counted = [](int n, const char *one, const char *many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    // Each species is counted on every plot it grows on: these are pairs, not species.
    return counted(summary.plotsDone, "plot", "plots") + ", " +
           counted(summary.speciesProcessed, "pair of plot and species", "pairs of plot and species");
}

std::string CompletionText(const StatisticsSummary &summary)
{
    return "Statistics written: " + ProcessedText(summary) + "; " + kTransitTable + " " +
           std::to_string(summary.transitRows) + " rows, " + kAverageTable + " " +
           std::to_string(summary.averageRows) + " rows";
}

void StatisticsRun::report(const Output &output, common::MessageSink &sink) const
{
    const std::string tables = std::string(kTransitTable) + " and " + kAverageTable;
    if (output.summary.cancelled)
        sink.information("Statistics cancelled after " + std::to_string(output.summary.plotsDone) + " of " +
                         std::to_string(output.summary.plotCount) + " plots; " + tables +
                         " keep the rows written so far.");
    if (output.guard.count() > 0) sink.warning(output.guard.report());
}

} // namespace model
