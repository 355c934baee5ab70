// The report of a table: one folder that a browser opens without a server, with an index of every
// plot and species with enough trees (its yearly figures and trend), a page per plot with the model
// pictures and yearly statistics, and summary.csv with the index's figures for other programs.
// `fenoris-cli report` runs it; the pictures are drawn by whoever runs it, as for "Create all models".
#pragma once

#include "common/version.h"
#include "model/modelchart.h"
#include "model/modelpictures.h"
#include "model/speciesnames.h"
#include "model/statisticsrun.h"
#include "model/transituncertainty.h"
#include "model/treevalues.h"
#include "model/yearstatistics.h"
#include "stats/trend.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace common {
class MessageSink;
class Progress;
} // namespace common

namespace model {

// The figures of one plot and species. A figure that does not exist is empty: the years with
// statistics (ComputeYearStatistics) are the survey years here, and none of them gives no figures.
struct ReportFigures
{
    std::optional<int> firstYear, lastYear; // the first and last survey year with statistics
    // Mean defoliation of the living trees in per cent, as in AVERAGE.DBF; empty for a year without
    // a living tree (AVERAGE.DBF stores 0 there).
    std::optional<double> meanFirst, meanLast;
    std::optional<int> livingFirst, livingLast; // living trees with a value in those years
    // Living trees (below 100 %) of the last year with more than 25 % defoliation, in per cent of the
    // living trees of that year; empty when none lived.
    std::optional<double> shareOver25;
    std::optional<double> deadLast;                // dead share of the last year in per cent
    // The trend runs over the years with statistics and living trees, in year order.
    int trendYears = 0;
    std::optional<stats::MannKendall> mannKendall; // on the yearly means in year order
    std::optional<double> senSlope;                // of the yearly means, per cent per year
    std::optional<double> senLo, senHi;            // its interval at the report's level
    // p of the Anderson-Goodman test over the transition matrices at the report's interval; empty with
    // fewer than two matrices or no degree of freedom (TestHomogeneity).
    std::optional<double> homogeneityP;
    std::optional<double> homogeneityChi2;
    std::optional<int> homogeneityDf;
    // The Monte Carlo p given the margins (ExactHomogeneityP), where the chi-square p is rough.
    std::optional<double> homogeneityExactP;
};

// The figures from the trees' values and their yearly statistics (of the same trees and years);
// Sen's interval at `level` (a level out of range throws common::Error).
ReportFigures ComputeReportFigures(const TreeValues &trees, const YearSeries &series,
                                   const std::vector<data::YearColumn> &years, ValueType type,
                                   double level = kDefaultIntervalLevel);

// Whether a file of the report may have this name: with the 9 bytes of its temporary name it must not
// be longer than NAME_MAX.
bool FitsFileName(const std::string &name);

// One row of the index and of summary.csv.
struct ReportRow
{
    std::string plot, species, speciesName;
    long long trees = 0;
    // The plot's page, relative to the report folder ("plots/A1.html"); empty when the plot's name
    // would make a file name too long, and the page was passed over.
    std::string page;
    // The model picture, relative to the plot's page ("A1_SM.svg"); empty when passed over as the page.
    std::string picture;
    ReportFigures figures;
};

// What was read, shown at the top of the index.
struct ReportInfo
{
    std::string table;    // the table's file name
    std::string settings; // the settings of the run in words
    std::string date;     // when the report was made, "2026-12-11 03:20"
    std::string version;  // the program's version
    long long trees = 0;  // trees of all plots and species under the condition
    int plots = 0;
    int species = 0; // distinct species codes
    std::vector<int> years;
};

// Draws and saves one model picture as SVG: the chart of "Create all models" with the title and lines
// given. Throws common::Error.
class ReportPictureMaker
{
public:
    virtual ~ReportPictureMaker() = default;
    virtual void savePicture(const std::string &title, const std::vector<ChartLine> &lines,
                             const std::string &file) = 0;
};

// The local time now as the index shows it, "2026-12-11 03:20".
std::string LocalTimeText();

struct ReportSettings
{
    // An existing, empty folder the report is written into; ReplacingFolder puts it in place, with
    // CheckReplaceableReport as the check of the folder it replaces.
    std::string folder;
    long long minTrees = 10; // a plot and species is reported when it has at least this many trees
    ModelSettings model;
    double level = kDefaultIntervalLevel; // of the transition matrices' intervals, in (0, 1)
    std::string titlePlot = kDefaultTitlePlot;
    std::string titleSpecies = kDefaultTitleSpecies;
    // For ReportInfo: when the settings were made, in local time, and this program's version.
    std::string date = LocalTimeText();
    std::string version = common::kProgramVersion;
};

struct ReportSummary
{
    int plotCount = 0;
    int plotsDone = 0;
    int rows = 0;     // plot and species pairs reported
    int warnings = 0; // warnings of the model computations told, and of files passed over
    int passedOver = 0; // pictures and pages whose file name would be too long
};

// The figures as bytes and back, for a report whose plots are shared between processes: every value,
// empty or not, comes back as it went. Decoding bytes that were not encoded so throws common::Error.
std::string EncodeReportFigures(const ReportFigures &figures);
ReportFigures DecodeReportFigures(std::string_view bytes);

// The report in three steps: the plots are listed (listPlot, in list order: it names the files), each
// listed plot is written (writePlot, in any order and in any process that has the listing), and the
// index and summary.csv end it (finish). execute does all of them, plot by plot, in this process.
class ReportRun
{
public:
    ReportRun(TableSetup setup, ReportSettings settings, std::vector<SpeciesNameRow> names);

    // Walks the selection's plots and species in list order; for each pair with at least minTrees
    // trees reads its trees once, computes its figures, transition matrices and model, and has the
    // maker save the picture into plots/; writes each plot's page when the plot is done, and index.html
    // and summary.csv at the end. trees: the prepared selected-trees query (data::prepareTreeQuery) of
    // the setup's table. The model computation's warnings go to sink naming plot and species. A page
    // or picture whose file name would be too long (FitsFileName) is passed over with a warning naming
    // plot and species; the pair keeps its row. A level out of range throws common::Error.
    // progress (optional) is told before every plot; it may cancel (the run returns at once, without
    // index.html and summary.csv, with plotsDone below plotCount) or throw. Errors of the engine, the
    // maker and the files propagate.
    ReportSummary execute(data::Query &trees, PlotSpeciesSelection &selection, ReportPictureMaker &maker,
                          common::MessageSink &sink, common::Progress *progress = nullptr);

    // Lists the selection's plots and makes the folder of the pages; returns their number. A level out
    // of range throws common::Error before anything is written.
    std::size_t start(PlotSpeciesSelection &selection);
    // Selects plot `index` (of start's list; every plot in turn from the first), counts its species'
    // trees and gives each pair with enough trees its row and the names of its page and picture,
    // passing over names too long with a warning to sink.
    void listPlot(std::size_t index, PlotSpeciesSelection &selection, common::MessageSink &sink);
    // Computes the figures of a listed plot's rows, has the maker save their pictures and writes the
    // plot's page. trees: as for execute.
    void writePlot(std::size_t index, data::Query &trees, ReportPictureMaker &maker,
                   common::MessageSink &sink);
    // Writes index.html and summary.csv of every row, and the marker (kReportMarkerFile) that names
    // the folder a report of this program.
    void finish();

    const TableSetup &setup() const { return m_setup; }
    std::size_t plotCount() const { return m_plots.size(); }
    const std::string &plotName(std::size_t index) const { return m_plots.at(index).name; }
    // The rows of a listed plot: [first, end) of rows().
    std::pair<std::size_t, std::size_t> plotRows(std::size_t index) const
    {
        return {m_plots.at(index).firstRow, m_plots.at(index).endRow};
    }
    const std::vector<ReportRow> &rows() const { return m_rows; }
    // The figures of a row that another process wrote.
    void setFigures(std::size_t row, ReportFigures figures) { m_rows.at(row).figures = std::move(figures); }

    // What was done in this process: plotsDone counts the plots written by execute.
    const ReportSummary &summary() const { return m_summary; }

private:
    struct Plot
    {
        std::string name;
        std::string page; // relative to the folder; empty when passed over or no pair has enough trees
        std::size_t firstRow = 0, endRow = 0;
    };
    void passOver(common::MessageSink &messages, const std::string &what);
    // A file name made safe as the model pictures' are, and kept apart from those given before: a
    // second name that comes out the same ("A/1" after "A_1") gets "~2", so that no page or picture
    // overwrites another.
    std::string uniqueName(const std::string &name, const std::string &extension);

    TableSetup m_setup;
    ReportSettings m_settings;
    std::vector<SpeciesNameRow> m_names;
    std::set<std::string> m_usedNames;
    std::vector<Plot> m_plots;
    std::vector<ReportRow> m_rows;
    ReportInfo m_info;
    std::set<std::string> m_species; // every species code met, for the info
    ReportSummary m_summary;
};

} // namespace model
