// fenoris-cli statistics: TRANSIT.DBF and AVERAGE.DBF for every plot and species of a table, written
// beside it as the "Statistics" button writes them.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/terminalprogress.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/progress.h"
#include "data/selection.h"
#include "model/runinputs.h"
#include "model/statisticsrun.h"

#include <filesystem>
#include <iostream>
#include <optional>

namespace cli {

int runStatistics(const Args &args, std::ostream &out, std::ostream &err)
{
    // Noted from the start, so that a Ctrl+C while the table is opened stops the run too.
    const InterruptWatch interrupts;
    Options options(args, {"interval", "share", "value-type", "conditions"}, {});
    if (options.positional().size() != 1) {
        err << usage("statistics");
        return 2;
    }
    common::ConsoleSink sink(err);
    model::ModelSettings settings = settingsOptions(options, sink);

    // Refused before the table is read: without its side files it would be refused for them instead.
    const std::filesystem::path tablePath(options.positional()[0]);
    model::RequireNotResultTable(tablePath.parent_path().empty() ? "." : tablePath.parent_path(),
                                 tablePath.filename().string());
    const auto opened = openSurvey(options.positional()[0]);
    model::Survey &table = *opened;
    table.setConditions(options.value("conditions"));
    data::Query query(table.connection());
    model::QuerySelection selection(query, table.setup());
    model::StatisticsRun run(table.connection(), query, table.setup(), settings);

    model::StatisticsSummary summary;
    {
        // Progress shown only to a person watching: not into a file, a pipe or a test's stream.
        TerminalProgress progress(err, TerminalProgress::watched(err));
        const std::optional<Interrupted> interrupted =
            progress.runInterruptible([&] { summary = run.execute(selection, sink, &progress); });
        if (interrupted) {
            if (interrupted->total == 0)
                err << "Statistics interrupted while the plots were listed";
            else
                err << "Statistics interrupted after " << interrupted->done << " of " << interrupted->total
                    << " plots";
            err << "; TRANSIT.DBF and AVERAGE.DBF were left as they were\n";
            return 128 + interrupted->signal;
        }
    }
    out << model::ProcessedText(summary) << " processed, " << summary.transitRows + summary.averageRows
        << " rows written (TRANSIT.DBF " << summary.transitRows << ", AVERAGE.DBF " << summary.averageRows
        << ")\n";
    return 0;
}

} // namespace cli
