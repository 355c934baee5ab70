// fenoris-cli statistics: TRANSIT.DBF and AVERAGE.DBF for every plot and species of a table, written
// beside it as the "Statistics" button writes them.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/interrupt.h"
#include "cli/options.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/progress.h"
#include "data/selection.h"
#include "model/statisticsrun.h"

#include <chrono>
#include <iostream>
#include <unistd.h>

namespace cli {

namespace {

constexpr const char *kUsage =
    "usage: fenoris-cli statistics TABLE.dbf [--interval N] [--share P]\n"
    "                              [--value-type percent|classes] [--conditions TEXT]\n";

// Ctrl+C or SIGTERM noted by the progress: the run ends as on an error.
struct Interrupted
{
    int signal;
    int done, total;
};

// Asks at every plot whether the run was interrupted, and shows one line on a terminal, rewritten at
// most ten times a second and cleared at the end.
class TerminalProgress : public common::Progress
{
public:
    TerminalProgress(std::ostream &stream, bool show) : m_stream(stream), m_show(show) {}
    ~TerminalProgress() override { clear(); }

    bool step(int done, int total, const std::string &current) override
    {
        if (const int signal = InterruptWatch::signal()) throw Interrupted{signal, done, total};
        const auto now = std::chrono::steady_clock::now();
        if (!m_show || (done < total && now - m_shown < std::chrono::milliseconds(100))) return true;
        m_shown = now;
        clear();
        if (done < total) {
            const std::string text =
                "plot " + std::to_string(done + 1) + " of " + std::to_string(total) + ": " + current;
            m_stream << text << std::flush;
            m_width = text.size();
        }
        return true;
    }

    void clear()
    {
        if (m_width == 0) return;
        m_stream << "\r" << std::string(m_width, ' ') << "\r" << std::flush;
        m_width = 0;
    }

private:
    std::ostream &m_stream;
    bool m_show;
    std::chrono::steady_clock::time_point m_shown{};
    std::size_t m_width = 0;
};

} // namespace

int runStatistics(const Args &args, std::ostream &out, std::ostream &err)
{
    // Noted from the start, so that a Ctrl+C while the table is opened stops the run too.
    const InterruptWatch interrupts;
    Options options(args, {"interval", "share", "value-type", "conditions"}, {});
    if (options.positional().size() != 1) {
        err << kUsage;
        return 2;
    }
    common::ConsoleSink sink(err);
    model::ModelSettings settings = settingsOptions(options, sink);

    OpenedTable table(options.positional()[0]);
    table.setConditions(options.value("conditions"));
    data::Query query(table.connection());
    model::QuerySelection selection(query, table.setup());
    model::StatisticsRun run(table.connection(), query, table.setup(), settings);

    model::StatisticsSummary summary;
    {
        // Progress shown only to a person watching: not into a file, a pipe or a test's stream.
        const bool terminal = &err == &std::cerr && isatty(STDERR_FILENO);
        TerminalProgress progress(err, terminal);
        try {
            summary = run.execute(selection, sink, &progress);
        } catch (const Interrupted &interrupted) {
            progress.clear();
            err << "Statistics interrupted after " << interrupted.done << " of " << interrupted.total
                << " plots; TRANSIT.DBF and AVERAGE.DBF were left as they were\n";
            return 128 + interrupted.signal;
        }
    }
    out << summary.plotsDone << " plots, " << summary.speciesProcessed << " species processed, "
        << summary.transitRows + summary.averageRows << " rows written (TRANSIT.DBF " << summary.transitRows
        << ", AVERAGE.DBF " << summary.averageRows << ")\n";
    return 0;
}

} // namespace cli
