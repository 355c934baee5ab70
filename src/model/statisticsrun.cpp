// The statistics run over all plots and species.
#include "model/statisticsrun.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "common/progress.h"
#include "data/database.h"
#include "model/resulttables.h"
#include "model/transitlist.h"
#include "model/yearstatistics.h"

#include <filesystem>
#include <map>
#include <set>

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

// The table may exist under another case of its name; every such entry goes.
void deleteExisting(const data::Connection &connection, const std::string &name)
{
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(connection.directory(), ec))
        if (common::equalsIgnoreCase(entry.path().filename().string(), name)) found.push_back(entry.path());
    for (const auto &file : found)
        if (!std::filesystem::remove(file, ec) || ec) throw common::FileError("Unable delete file " + name);
}

} // namespace

std::vector<std::string> QuerySelection::distinct(const std::string &column, const std::string &where)
{
    m_query.close();
    m_query.setSql(data::distinctSql(m_setup.tableFile, column, where, m_setup.conditions));
    m_query.open();
    std::vector<std::string> values;
    const std::string field = m_query.fieldNames().front();
    for (; !m_query.eof(); m_query.next())
        values.push_back(m_query.asString(field));
    m_query.close();
    return values;
}

std::vector<std::string> QuerySelection::plots()
{
    m_plots = distinct(m_setup.roles.plot, "");
    return m_plots;
}

std::vector<std::string> QuerySelection::selectPlot(std::size_t index)
{
    m_plot = m_plots.at(index);
    m_species = distinct(m_setup.roles.species, data::plotWhere(m_setup.roles.plot, m_plot));
    return m_species;
}

long long QuerySelection::selectSpecies(std::size_t index)
{
    m_query.close();
    m_query.setSql(data::countSql(m_setup.tableFile, m_setup.roles, m_setup.conditions));
    m_query.prepare();
    m_query.setParam("PlotNames", m_plot);
    m_query.setParam("Species", m_species.at(index));
    m_query.open();
    const long long count = m_query.asInteger(m_query.fieldNames().front());
    m_query.close();
    return count;
}

StatisticsRun::StatisticsRun(data::Connection &connection, data::Query &query, TableSetup setup,
                             ModelSettings settings)
    : m_connection(connection), m_query(query), m_setup(std::move(setup)), m_settings(settings)
{
}

void StatisticsRun::createTable(const std::string &name, const std::vector<std::string> &sql)
{
    deleteExisting(m_connection, name);
    m_query.close();
    m_query.setSql(sql);
    m_query.execSql();
}

// What one run has written and noticed so far.
struct StatisticsRun::Output
{
    data::Table transit;
    data::Table average;
    StatisticsSummary summary;
    ValueGuard guard;
    MergedCodes plotNames{10}, speciesCodes{2};

    explicit Output(data::Connection &connection)
        : transit(connection, kTransitTable), average(connection, kAverageTable)
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
    Output output(m_connection);
    createTable(kTransitTable, TransitTableSql());
    output.transit.open();
    createTable(kAverageTable, AverageTableSql());
    output.average.open();

    StatisticsSummary &summary = output.summary;
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
            ++summary.speciesProcessed;
            writeSpecies(output, plots[p], species[s]);
        }
        summary.plotsDone = static_cast<int>(p) + 1;
    }
    if (progress && !summary.cancelled) progress->step(summary.plotCount, summary.plotCount, "");

    // Closing writes the record counts, so both files are complete dBASE tables from here on.
    output.transit.close();
    output.average.close();
    summary.valuesLeftBlank = output.guard.count();
    report(output, sink);
    return summary;
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
