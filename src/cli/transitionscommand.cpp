// fenoris-cli transitions: the transition matrices of one plot and species with the tree counts,
// standard errors and Wilson intervals of their cells, or the homogeneity test of their periods.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/csv.h"
#include "cli/options.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/numbers.h"
#include "data/selection.h"
#include "model/modelchart.h"
#include "model/transituncertainty.h"

#include <ostream>

namespace cli {

namespace {

void printCells(std::ostream &out, const std::vector<model::TTransit> &list, const std::string &species,
                int interval, double level)
{
    const auto estimates = model::EstimateTransits(list, level);
    out << "plot,species,year,to_year,from_class,to_class,n_from,n_ij,p,se,lo,hi,observed\n";
    for (std::size_t r = 0; r < list.size(); ++r) {
        const auto &record = list[r];
        const std::string years = csvField(record.Plot) + "," + csvField(species) + "," +
                                  std::to_string(record.Year) + "," + std::to_string(record.Year + interval);
        for (std::size_t i = 0; i < 6; ++i) {
            const auto &row = estimates[r][i];
            for (std::size_t j = 0; j < 6; ++j) {
                const auto &cell = row.cells[j];
                out << years << "," << i << "," << j << "," << common::floatToText(row.n) << ","
                    << common::floatToText(cell.count) << "," << common::floatToText(cell.share) << ","
                    << (cell.se ? common::floatToText(*cell.se) : "") << ","
                    << common::floatToText(cell.interval.lo) << "," << common::floatToText(cell.interval.hi)
                    << "," << (row.observed ? 1 : 0) << "\n";
            }
        }
    }
}

void printHomogeneity(std::ostream &out, std::ostream &err, const std::vector<model::TTransit> &list,
                      const Options &options, int interval)
{
    const auto test = model::TestHomogeneity(list, model::ExactP::Always);
    if (!test)
        throw common::Error("The homogeneity test needs two transition matrices or more; plot " +
                            options.value("plot") + ", species " + options.value("species") + " has " +
                            std::to_string(list.size()) + " at an interval of " + std::to_string(interval) +
                            (interval == 1 ? " year" : " years"));
    if (!test->p)
        err << "No p-value: 0 degrees of freedom (no class of the first year has trees in two periods and "
               "in two classes of the second year)\n";
    else if (test->smallCounts)
        err << "Small counts: " << test->smallCells << " of " << test->cellsUsed
            << " expected counts are below 5; the p-value is rough, exact_p is the better one\n";
    out << "chi2,df,p,small_counts,exact_p\n"
        << common::floatToText(test->chi2) << "," << test->df << ","
        << (test->p ? common::floatToText(*test->p) : "") << "," << (test->smallCounts ? 1 : 0) << ","
        << (test->exactP ? common::formatGeneral(*test->exactP, 2, 0) : "") << "\n";
}

// Why a plot and species has no transition matrix: too few trees, no two survey years the interval
// apart, or no tree with a class in both years of such a pair.
std::string noMatrixReason(const model::TreeValues &values, const std::vector<data::YearColumn> &years,
                           const Options &options, int interval)
{
    const std::string pair = "plot " + options.value("plot") + ", species " + options.value("species");
    const std::string apart = std::to_string(interval) + (interval == 1 ? " year" : " years") + " apart";
    if (values.treeCount() < model::kMinTransitTrees)
        return "No transition matrix: " + pair + " has " + std::to_string(values.treeCount()) +
               " trees; the matrices need at least " + std::to_string(model::kMinTransitTrees);
    for (std::size_t i = 0; i < years.size(); ++i)
        for (std::size_t j = 0; j < years.size(); ++j)
            if (static_cast<long long>(years[j].year) - years[i].year == interval)
                return "No transition matrix: no tree of " + pair +
                       " has a class in both years of a pair of survey years " + apart;
    return "No transition matrix: no two survey years lie " + apart;
}

} // namespace

int runTransitions(const Args &args, std::ostream &out, std::ostream &err)
{
    Options options(args, {"plot", "species", "interval", "level", "value-type", "conditions"},
                    {"homogeneity"});
    if (options.positional().size() != 1 || !options.has("plot") || !options.has("species")) {
        err << usage("transitions");
        return 2;
    }
    common::ConsoleSink sink(err);
    const model::ModelSettings settings = settingsOptions(options, sink);
    const double level = levelOption(options);

    SelectedTrees trees(options.positional()[0], options.value("conditions"));
    const auto &setup = trees.survey->setup();
    const std::string species = options.value("species");
    const model::TreeValues values =
        model::ReadTreeValues(trees.query, options.value("plot"), species, setup.years);
    const auto list = model::BuildTransitList(values, options.value("plot"), setup.years, settings.interval,
                                              settings.valueType);
    const std::vector<model::TTransit> records = list ? *list : std::vector<model::TTransit>{};

    if (options.has("homogeneity")) {
        printHomogeneity(out, err, records, options, settings.interval);
        return 0;
    }
    // Nothing to print is no success: the reason, and exit status 1.
    if (records.empty()) throw common::Error(noMatrixReason(values, setup.years, options, settings.interval));
    printCells(out, records, species, settings.interval, level);
    return 0;
}

} // namespace cli
