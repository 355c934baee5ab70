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
#include "data/treeselection.h"
#include "model/modelchart.h"

#include <algorithm>
#include <ostream>

namespace cli {

namespace {

constexpr const char *kUsage =
    "usage: fenoris-cli model TABLE.dbf --plot P --species S [--interval N] [--max-deads P] [--share P]\n"
    "                         [--value-type percent|classes] [--conditions TEXT]\n"
    "                         [--picture FILE.bmp|.wmf|.emf|.png|.svg|.pdf [--size WxH]\n"
    "                                    [--graph-ini FILE] [--settings FILE.gsf]]\n";

} // namespace

int runModel(const Args &args, std::ostream &out, std::ostream &err)
{
    Options options(args,
                    {"plot", "species", "interval", "max-deads", "share", "value-type", "conditions",
                     "picture", "size", "graph-ini", "settings"},
                    {});
    if (options.positional().size() != 1 || !options.has("plot") || !options.has("species")) {
        err << kUsage;
        return 2;
    }
    int status = 0;
    const auto picture = pictureRequest(options, err, status);
    if (status != 0) return status;
    common::ConsoleSink sink(err);
    model::ModelSettings settings = settingsOptions(options, sink);
    settings.maxDeads = options.floatValue("max-deads", model::DefaultMaxDeads);

    const auto opened = openSurvey(options.positional()[0]);
    model::Survey &table = *opened;
    table.setConditions(options.value("conditions"));
    const auto &setup = table.setup();
    data::Query query(table.connection());
    data::prepareTreeQuery(query, setup.tableFile, setup.roles, setup.conditions);
    const auto chart = model::ComputeModelChart(query, options.value("plot"), options.value("species"),
                                                setup.years, settings, sink);
    if (picture) {
        // The title the window gives the chart on entering its page.
        const std::string title = "Plot " + options.value("plot") + " - species " + options.value("species");
        pictureWriters().model({title, chart.lines, picture->graphSettings, picture->look}, picture->file,
                               picture->size);
    }

    out << "series,title,type,x,y\n";
    for (std::size_t i = 0; i < chart.lines.size(); ++i) {
        const auto &line = chart.lines[i];
        // The chart shows a line's points by ascending x; equal x keep the order they were added in.
        auto points = line.points;
        std::stable_sort(points.begin(), points.end(),
                         [](const auto &a, const auto &b) { return a.x < b.x; });
        for (const auto &point : points)
            out << i << "," << csvField(line.title) << "," << line.lineType << ","
                << common::floatToText(point.x) << "," << common::floatToText(point.y) << "\n";
    }
    return 0;
}

} // namespace cli
