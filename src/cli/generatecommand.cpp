// fenoris-cli generate: writes a realistic test table with its side files, never over an existing
// table unless --force is given.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/options.h"

#include "common/error.h"
#include "data/generator.h"

#include <filesystem>
#include <ostream>

namespace cli {

int runGenerate(const Args &args, std::ostream &out, std::ostream &err)
{
    Options options(args, {"trees", "plots", "years", "first-year", "seed", "value-type", "blank-share"},
                    {"force"});
    if (options.positional().size() != 1) {
        err << usage("generate");
        return 2;
    }
    data::GeneratorSettings settings;
    settings.trees = options.intValue("trees", settings.trees);
    settings.plots = options.intValue("plots", settings.plots);
    settings.years = options.intValue("years", settings.years);
    settings.firstYear = options.intValue("first-year", settings.firstYear);
    settings.seed = static_cast<std::uint64_t>(options.intValue("seed", 1));
    // A per cent, as --share of the other commands.
    const double blankPercent = options.floatValue("blank-share", settings.blankShare * 100);
    if (!(blankPercent >= 0 && blankPercent <= 100)) throw common::Error("--blank-share must be 0 to 100");
    settings.blankShare = blankPercent / 100;
    settings.valueType = parseValueType(options.value("value-type", "percent"));

    const std::filesystem::path table = options.positional()[0];
    // A user's table is never overwritten by mistake.
    if (std::filesystem::exists(table) && !options.has("force"))
        throw common::FileError("Table " + table.string() + " already exists: give --force to replace it");
    auto summary = data::generateTable(table, settings);
    out << "wrote " << summary.trees << " trees on " << summary.plots << " plots (" << summary.speciesPlots
        << " plot and species pairs, " << summary.deadTrees << " dead in the last year)\n";
    return 0;
}

} // namespace cli
