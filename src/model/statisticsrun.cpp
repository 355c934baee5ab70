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
#include <map>
#include <set>
#include <unistd.h>

namespace model {

namespace {

// Codes that a CHAR column cuts to the same text, so that their rows can no longer be told apart.
class MergedCodes
{
public:
    explicit MergedCodes(std::size_t width) : m_width(width) {}
    void add(const std::string &code) { m_kept[keptText(code, m_width)].insert(code); }

    // "SMA, SMB as SM; QRA, QRB as QR", empty when no two codes were merged.
    std::string describe() const
    {
        std::string text;
        for (const auto &[kept, codes] : m_kept) {
            if (codes.size() < 2) continue;
            if (!text.empty()) text += "; ";
            bool first = true;
            for (const auto &code : codes) {
                text += (first ? "" : ", ") + code;
                first = false;
            }
            text += " as " + kept;
        }
        return text;
    }

private:
    std::size_t m_width;
    std::map<std::string, std::set<std::string>> m_kept;
};

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
    MergedCodes plotNames{10}, speciesCodes{2};

    Output(data::TableWriter &transitWriter, data::TableWriter &averageWriter)
        : transit(transitWriter), average(averageWriter)
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
    const int rowsBefore = summary.transitRows + summary.averageRows;
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
    if (summary.transitRows + summary.averageRows > rowsBefore) {
        output.plotNames.add(plot);
        output.speciesCodes.add(species);
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
    ResultFile transit(m_connection, kTransitTable, TransitTableSql());
    ResultFile average(m_connection, kAverageTable, AverageTableSql());
    Output output(transit.writer, average.writer);

    StatisticsSummary &summary = output.summary;
    // Cancel stops a slow statement too (a slow condition, a slow read), not only at the next plot.
    const std::function<bool()> former = m_connection.stopCheck();
    const common::ScopeExit restoreStopCheck([this, &former] { m_connection.setStopCheck(former); });
    if (progress)
        m_connection.setStopCheck(
            [former, progress] { return (former && former()) || progress->cancelRequested(); });
    try {
        const auto plots = selection.plots();
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
        if (!progress || !progress->cancelRequested()) throw;
        // Told as at a step, which decides: the window keeps the rows written so far, the command line
        // throws its interruption and keeps the last tables.
        if (progress->step(summary.plotsDone, summary.plotCount, "")) throw;
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

std::string CompletionText(const StatisticsSummary &summary)
{
    return "Statistics written: " + std::to_string(summary.plotsDone) + " plots, " +
           std::to_string(summary.speciesProcessed) + " species; " + kTransitTable + " " +
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
    const std::string species = output.speciesCodes.describe();
    if (!species.empty())
        sink.warning("Species codes that share their first two characters are stored under one code in " +
                     tables + ": " + species);
    const std::string plots = output.plotNames.describe();
    if (!plots.empty())
        sink.warning("Plot names that share their first ten characters are stored under one name in " +
                     tables + ": " + plots);
}

} // namespace model
