// fenoris-cli model: the single-plot model chart of one plot and species, its lines printed as CSV.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/csv.h"
#include "cli/options.h"
#include "cli/pictures.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/numbers.h"
#include "data/selection.h"
#include "model/modelchart.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>

namespace cli {

namespace {

// The band options: a level strictly between 0 and 1, whole draws from the level's least to the cap, and a
// seed of decimal digits that fits 64 bits. --draws and --seed alone would be silently ignored: refused.
std::optional<model::BandSettings> bandOptions(const Options &options)
{
    if (!options.has("band")) {
        if (options.has("draws") || options.has("seed"))
            throw common::Error("--draws and --seed go with --band L");
        return std::nullopt;
    }
    model::BandSettings band;
    const std::string level = options.value("band");
    try {
        band.level = static_cast<double>(common::strToFloat(level));
    } catch (const common::ConvertError &) {
        band.level = -1;
    }
    if (!(band.level > 0 && band.level < 1))
        throw common::Error("--band must be a level between 0 and 1 (such as 0.95), not '" + level + "'");
    // Without --draws: enough for the level (a level no number of draws serves is refused here).
    const std::string draws = options.value("draws", std::to_string(model::DefaultBandDraws(band.level)));
    try {
        band.draws = common::strToInt(draws);
    } catch (const common::ConvertError &) {
        band.draws = 0;
    }
    if (band.draws < 1 || band.draws > model::kMaxBandDraws)
        throw common::Error("--draws must be a whole number from 1 to " +
                            std::to_string(model::kMaxBandDraws) + ", not '" + draws + "'");
    if (band.draws < model::MinBandDraws(band.level))
        throw common::Error("--draws must be at least " + std::to_string(model::MinBandDraws(band.level)) +
                            " for a band at " + level + " (" + std::to_string(model::kMinDrawsBeyondBand) +
                            " draws beyond each end), not '" + draws + "'");
    if (options.has("seed")) {
        const std::string seed = options.value("seed");
        const char *end = seed.data() + seed.size();
        const auto [stop, error] = std::from_chars(seed.data(), end, band.seed);
        if (seed.empty() || error != std::errc() || stop != end)
            throw common::Error("--seed must be a whole number from 0 to 18446744073709551615, not '" + seed +
                                "'");
    }
    return band;
}

} // namespace

int runModel(const Args &args, std::ostream &out, std::ostream &err)
{
    Options options(args,
                    {"plot", "species", "interval", "max-deads", "share", "value-type", "conditions",
                     "picture", "size", "graph-ini", "settings", "band", "draws", "seed"},
                    {});
    if (options.positional().size() != 1 || !options.has("plot") || !options.has("species")) {
        err << usage("model");
        return 2;
    }
    int status = 0;
    const auto picture = pictureRequest(options, err, status);
    if (status != 0) return status;
    common::ConsoleSink sink(err);
    model::ModelSettings settings = settingsOptions(options, sink);
    settings.maxDeads = options.floatValue("max-deads", model::DefaultMaxDeads);
    settings.band = bandOptions(options);

    SelectedTrees trees(options.positional()[0], options.value("conditions"));
    const auto &setup = trees.survey->setup();
    const auto chart = model::ComputeModelChart(trees.query, options.value("plot"), options.value("species"),
                                                setup.years, settings, sink);
    if (picture) {
        // The title the window gives the chart on entering its page.
        const std::string title = "Plot " + options.value("plot") + " - species " + options.value("species");
        pictureWriters().model({title, chart.lines, picture->graphSettings, picture->look}, picture->file,
                               picture->size);
    }

    // With a band every row has lo and hi; they are empty on the lines that are not projections.
    out << (settings.band ? "series,title,type,x,y,lo,hi\n" : "series,title,type,x,y\n");
    for (std::size_t i = 0; i < chart.lines.size(); ++i) {
        const auto &line = chart.lines[i];
        // The chart shows a line's points by ascending x; equal x keep the order they were added in.
        std::vector<std::size_t> order(line.points.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::stable_sort(order.begin(), order.end(), [&line](std::size_t a, std::size_t b) {
            return line.points[a].x < line.points[b].x;
        });
        for (const std::size_t k : order) {
            const auto &point = line.points[k];
            out << i << "," << csvField(line.title) << "," << line.lineType << ","
                << common::floatToText(point.x) << "," << common::floatToText(point.y);
            if (settings.band) {
                if (line.band.empty())
                    out << ",,";
                else
                    out << "," << common::floatToText(line.band[k].lo) << ","
                        << common::floatToText(line.band[k].hi);
            }
            out << "\n";
        }
    }
    return 0;
}

} // namespace cli
