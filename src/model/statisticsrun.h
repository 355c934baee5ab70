// The statistics run: the transition matrices and yearly statistics of every plot and species with
// more than 5 trees, written to TRANSIT.DBF and AVERAGE.DBF in the data directory. The window's
// "Statistics" button and `fenoris-cli statistics` both run it, so both write the same rows.
#pragma once

#include "data/selection.h"
#include "model/modelsettings.h"

#include <cstddef>
#include <string>
#include <vector>

namespace common {
class MessageSink;
class Progress;
} // namespace common

namespace data {
class Connection;
class Query;
} // namespace data

namespace model {

// What the queries of the run are built from: the data table, its column roles and year list, and
// the user's extra condition.
struct TableSetup
{
    std::string tableFile; // file name in the connection's directory
    data::FieldRoles roles;
    std::string conditions; // empty or a text starting with "("
    std::vector<data::YearColumn> years;
};

// How the run walks the plots and species, in the order of the window's lists (ascending,
// data::listsBefore). The window implements it with its lists, so that a plot is selected with its
// click (which fills the species list) and a species with its click (which counts its trees);
// QuerySelection gives the same lists and counts without a window.
class PlotSpeciesSelection
{
public:
    virtual ~PlotSpeciesSelection() = default;
    // The plot list, first to last.
    virtual std::vector<std::string> plots() = 0;
    // Selects plot `index` of plots() and returns its species list.
    virtual std::vector<std::string> selectPlot(std::size_t index) = 0;
    // Selects species `index` of the last species list and returns its tree count.
    virtual long long selectSpecies(std::size_t index) = 0;
};

// The selection through SQL on the given query, with the user's condition: the distinct plots, and
// per plot one query for its species with the Count of their tree identifiers, which gives the lists
// and counts of the window's queries (distinct species of the plot, a count per species) in one
// read of the plot's trees.
class QuerySelection final : public PlotSpeciesSelection
{
public:
    QuerySelection(data::Query &query, const TableSetup &setup) : m_query(query), m_setup(setup) {}
    std::vector<std::string> plots() override;
    std::vector<std::string> selectPlot(std::size_t index) override;
    long long selectSpecies(std::size_t index) override;

private:
    data::Query &m_query;
    const TableSetup &m_setup;
    std::vector<std::string> m_plots;
    std::vector<std::pair<std::string, long long>> m_species; // of the selected plot, with their counts
};

struct StatisticsSummary
{
    int plotCount = 0;        // plots in the list
    int plotsDone = 0;        // plots walked through
    int speciesProcessed = 0; // plot and species pairs with more than 5 trees
    int transitRows = 0;
    int averageRows = 0;
    std::size_t valuesLeftBlank = 0; // values that did not fit their columns
    bool cancelled = false;
};

// "28 plots, 307 pairs of plot and species" ("1 plot", "1 pair of plot and species"): what a run
// went through.
std::string ProcessedText(const StatisticsSummary &summary);

// "Statistics written: 28 plots, 307 pairs of plot and species; TRANSIT.DBF 2196 rows, AVERAGE.DBF
// 2849 rows": what a run that ended wrote, as the window tells it at the end.
std::string CompletionText(const StatisticsSummary &summary);

// The lock file a statistics run holds beside the tables while it writes them, with its process id.
inline constexpr const char *kStatisticsLock = ".~statistics.lock";

// Only plot and species pairs with more trees than this are processed.
inline constexpr long long kMinTreesForStatistics = 5;

class StatisticsRun
{
public:
    // query is the shared query of the window (or the command's own): it carries the selected-trees
    // query and is left closed. The tables' columns come from their CREATE TABLE statements
    // (TransitTableSql, AverageTableSql), read by the engine's parser.
    StatisticsRun(data::Connection &connection, data::Query &query, TableSetup setup, ModelSettings settings);

    // Checks its inputs (CheckRunInputs) and takes the folder's kStatisticsLock (another run holding
    // it throws common::Error "Another statistics run (process N) is writing TRANSIT.DBF and
    // AVERAGE.DBF in this folder"), then writes TRANSIT.DBF and AVERAGE.DBF afresh under
    // temporary names beside the data table, plot by plot and species by species, and renames both
    // into place when it ends: the tables of the last run stay whole until then and remain when the
    // run fails or is killed; temporary files a killed run left are removed first. An old table that
    // cannot be replaced (a folder under its name, a folder without write access) stops the run
    // before anything is written with common::FileError "Unable delete file <its full path>".
    // progress (optional) is told before every plot and at the end; it may cancel (both tables are
    // then renamed into place with the rows written so far and sink is told so) or throw (the run
    // then ends as on any error). The code columns are as wide as the run's longest plot name and
    // species code need (CodeWidths), so every code is stored whole; a code longer than a dBASE
    // character field throws common::Error before anything is written. At the end sink is warned
    // once about values left blank because they did not fit their columns. Engine errors propagate.
    StatisticsSummary execute(PlotSpeciesSelection &selection, common::MessageSink &sink,
                              common::Progress *progress = nullptr);

private:
    struct Output;
    struct ResultFile;
    void writeSpecies(Output &output, const std::string &plot, const std::string &species);
    void report(const Output &output, common::MessageSink &sink) const;

    data::Connection &m_connection;
    data::Query &m_query;
    TableSetup m_setup;
    ModelSettings m_settings;
};

} // namespace model
