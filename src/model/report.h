// The report of a table: one folder that a browser opens without a server, with an index of every
// plot and species with enough trees (its yearly figures and trend), a page per plot with the model
// pictures and yearly statistics, and summary.csv with the index's figures for other programs.
// `fenoris-cli report` runs it; the pictures are drawn by whoever runs it, as for "Create all models".
#pragma once

#include "model/modelchart.h"
#include "model/modelpictures.h"
#include "model/speciesnames.h"
#include "model/statisticsrun.h"
#include "model/transituncertainty.h"
#include "model/treevalues.h"
#include "model/yearstatistics.h"
#include "stats/trend.h"

#include <optional>
#include <string>
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
    std::optional<int> firstYear, lastYear;    // the first and last survey year with statistics
    std::optional<double> meanFirst, meanLast; // mean defoliation in per cent, as in AVERAGE.DBF
    // Living trees (below 100 %) of the last year with more than 25 % defoliation, in per cent of the
    // living trees of that year; empty when none lived.
    std::optional<double> shareOver25;
    std::optional<double> deadLast;                // dead share of the last year in per cent
    std::optional<stats::MannKendall> mannKendall; // on the yearly means in year order
    std::optional<double> senSlope;                // of the yearly means, per cent per year
    // p of the Anderson-Goodman test over the transition matrices at the report's interval; empty with
    // fewer than two matrices or no degree of freedom (TestHomogeneity).
    std::optional<double> homogeneityP;
};

// The figures from the trees' values and their yearly statistics (of the same trees and years).
ReportFigures ComputeReportFigures(const TreeValues &trees, const YearSeries &series,
                                   const std::vector<data::YearColumn> &years, ValueType type);

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

struct ReportSettings
{
    std::string folder;      // an existing, empty folder the report is written into
    long long minTrees = 10; // a plot and species is reported when it has at least this many trees
    ModelSettings model;
    double level = kDefaultIntervalLevel; // of the transition matrices' intervals, in (0, 1)
    std::string titlePlot = kDefaultTitlePlot;
    std::string titleSpecies = kDefaultTitleSpecies;
    std::string date, version; // for ReportInfo
};

struct ReportSummary
{
    int plotCount = 0;
    int plotsDone = 0;
    int rows = 0;     // plot and species pairs reported
    int warnings = 0; // warnings of the model computations told, and of files passed over
    int passedOver = 0; // pictures and pages whose file name would be too long
};

class ReportRun
{
public:
    // trees: the prepared selected-trees query (data::prepareTreeQuery) of the setup's table.
    ReportRun(data::Query &trees, TableSetup setup, ReportSettings settings,
              std::vector<SpeciesNameRow> names);

    // Walks the selection's plots and species in list order; for each pair with at least minTrees
    // trees reads its trees once, computes its figures, transition matrices and model, and has the
    // maker save the picture into plots/; writes each plot's page when the plot is done, and index.html
    // and summary.csv at the end. The model computation's warnings go to sink naming plot and species.
    // A page or picture whose file name would be too long (FitsFileName) is passed over with a warning
    // naming plot and species; the pair keeps its row. A level out of range throws common::Error.
    // progress (optional) is told before every plot; it may cancel (the run returns at once, without
    // index.html and summary.csv, with plotsDone below plotCount) or throw. Errors of the engine, the
    // maker and the files propagate.
    ReportSummary execute(PlotSpeciesSelection &selection, ReportPictureMaker &maker,
                          common::MessageSink &sink, common::Progress *progress = nullptr);

    const ReportSummary &summary() const { return m_summary; }

private:
    class Names;
    void passOver(common::MessageSink &messages, const std::string &what);
    void writePlot(const std::string &plot, const std::vector<std::string> &species,
                   PlotSpeciesSelection &selection, ReportPictureMaker &maker, common::MessageSink &sink,
                   Names &names, ReportInfo &info);

    data::Query &m_trees;
    TableSetup m_setup;
    ReportSettings m_settings;
    std::vector<SpeciesNameRow> m_names;
    std::vector<ReportRow> m_rows;
    ReportSummary m_summary;
};

} // namespace model
