// fenoris-cli report: a folder with an index of every plot and species with enough trees, a page per
// plot with its model pictures and yearly statistics, and summary.csv, written whole.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/pictures.h"
#include "cli/terminalprogress.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/replacingfile.h"
#include "common/replacingfolder.h"
#include "common/version.h"
#include "data/treeselection.h"
#include "model/modelpictures.h"
#include "model/report.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

constexpr const char *kUsage =
    "usage: fenoris-cli report TABLE.dbf --out DIR [--min-trees N] [--interval N] [--level L] [--share P]\n"
    "                          [--value-type percent|classes] [--conditions TEXT]\n"
    "                          [--species-names FILE] [--graph-ini FILE] [--settings FILE.gsf]\n"
    "                          [--jobs N] [--overwrite]\n";

struct Request
{
    std::string table, out, conditions, speciesNames, graphIni, settings;
    long long minTrees = 10;
    double level = model::kDefaultIntervalLevel;
    int jobs = 1;
    model::ModelSettings model;
    bool overwrite = false;
};

Request readRequest(const Options &options, common::MessageSink &sink)
{
    Request request;
    request.table = options.positional().at(0);
    request.out = options.value("out");
    request.minTrees = options.intValue("min-trees", 10);
    if (request.minTrees < 1 || request.minTrees > 9999)
        throw common::Error("--min-trees must be from 1 to 9999");
    request.model = settingsOptions(options, sink);
    request.level = levelOption(options);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    request.jobs = options.intValue("jobs", cores > 0 ? cores : 1);
    if (request.jobs < 1 || request.jobs > 256) throw common::Error("--jobs must be from 1 to 256");
    request.conditions = options.value("conditions");
    request.speciesNames = options.value("species-names");
    request.graphIni = options.value("graph-ini");
    request.settings = options.value("settings");
    request.overwrite = options.has("overwrite");
    return request;
}

std::string now()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

// The model pictures drawn as SVG on the chart of `models --type .svg`. With one job each is drawn
// when the run asks; with more the pictures are noted and drawn at the end by that many worker
// processes, each taking every jobs-th one: a chart can only be drawn in a process's main thread.
// The workers are forked before this process has brought Qt up, and each brings up its own.
class ReportPictures final : public model::ReportPictureMaker
{
public:
    ReportPictures(int jobs, std::vector<std::string> graphSettings, ChartLook look) : m_jobs(jobs)
    {
        m_picture.graphSettings = std::move(graphSettings);
        m_picture.look = std::move(look);
        if (m_jobs == 1) m_writer = pictureWriters().modelSession();
    }

    void savePicture(const std::string &title, const std::vector<model::ChartLine> &lines,
                     const std::string &file) override
    {
        if (m_jobs > 1) {
            m_waiting.push_back({title, lines, file});
            return;
        }
        m_picture.title = title;
        m_picture.lines = lines;
        m_writer(m_picture, file, PictureSize{});
    }

    // Draws the pictures noted, telling progress (optional) of every picture done; throws Interrupted
    // on Ctrl+C or SIGTERM (the workers are then ended) and common::Error when a worker fails (its own
    // message is on standard error).
    void drawWaiting(common::Progress *progress);

private:
    struct Waiting
    {
        std::string title;
        std::vector<model::ChartLine> lines;
        std::string file;
    };
    [[noreturn]] void drawShare(std::size_t first, int doneFd);

    int m_jobs;
    ModelPictureWriter m_writer;
    ModelPicture m_picture;
    std::vector<Waiting> m_waiting;
};

void ReportPictures::drawShare(std::size_t first, int doneFd)
{
    // The worker ends as any program does on Ctrl+C; the parent tells how far the report got.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    int status = 0;
    try {
        // The folder is flushed whole when it is put in place: no picture need wait for the disk.
        const common::DeferredSync deferSync;
        ModelPictureWriter writer = pictureWriters().modelSession();
        ModelPicture picture = m_picture;
        for (std::size_t i = first; i < m_waiting.size(); i += static_cast<std::size_t>(m_jobs)) {
            picture.title = m_waiting[i].title;
            picture.lines = m_waiting[i].lines;
            writer(picture, m_waiting[i].file, PictureSize{});
            // One byte per picture tells the parent how far the drawing has got.
            const char done = 1;
            [[maybe_unused]] const auto written = ::write(doneFd, &done, 1);
        }
    } catch (const std::exception &e) {
        std::cerr << e.what() << std::endl;
        status = 1;
    }
    // Nothing of the parent's (its database, its streams' buffers) may be closed or flushed twice.
    std::_Exit(status);
}

void ReportPictures::drawWaiting(common::Progress *progress)
{
    if (m_waiting.empty()) return;
    std::cout.flush();
    std::cerr.flush();
    int done[2];
    if (::pipe(done) != 0)
        throw common::Error(std::string("Cannot start a process to draw the pictures: ") +
                            std::strerror(errno));
    ::fcntl(done[0], F_SETFL, O_NONBLOCK);
    std::vector<pid_t> workers;
    auto endWorkers = [&workers] {
        for (const pid_t pid : workers)
            ::kill(pid, SIGTERM);
        for (const pid_t pid : workers)
            ::waitpid(pid, nullptr, 0);
        workers.clear();
    };
    struct ClosePipe
    {
        int *fds;
        ~ClosePipe()
        {
            for (int i = 0; i < 2; ++i)
                if (fds[i] >= 0) ::close(fds[i]);
        }
    } closePipe{done};
    const std::size_t count = std::min(m_waiting.size(), static_cast<std::size_t>(m_jobs));
    for (std::size_t w = 0; w < count; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(done[0]);
            drawShare(w, done[1]);
        }
        if (pid < 0) {
            endWorkers();
            throw common::Error(std::string("Cannot start a process to draw the pictures: ") +
                                std::strerror(errno));
        }
        workers.push_back(pid);
    }
    ::close(done[1]);
    done[1] = -1;
    // Polled rather than waited for: a SIGTERM to this process alone must end the workers too.
    const int total = static_cast<int>(m_waiting.size());
    int drawn = 0;
    bool failed = false;
    while (!workers.empty()) {
        if (const int signal = InterruptWatch::signal()) {
            endWorkers();
            throw Interrupted{signal, 1, 1};
        }
        char bytes[256];
        for (ssize_t n; (n = ::read(done[0], bytes, sizeof bytes)) > 0;)
            drawn += static_cast<int>(n);
        if (progress) {
            try {
                progress->step(std::min(drawn, total - 1), total, "");
            } catch (const Interrupted &stopped) {
                endWorkers();
                throw Interrupted{stopped.signal, 1, 1};
            }
        }
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, WNOHANG);
        if (pid == 0 || (pid < 0 && errno == EINTR)) {
            ::usleep(20000);
            continue;
        }
        if (pid < 0) break;
        workers.erase(std::remove(workers.begin(), workers.end(), pid), workers.end());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failed = true;
    }
    if (const int signal = InterruptWatch::signal()) throw Interrupted{signal, 1, 1};
    if (failed) throw common::Error("Drawing the model pictures failed");
    if (progress) progress->step(total, total, "");
}

} // namespace

int runReport(const Args &args, std::ostream &out, std::ostream &err)
{
    // Noted from the start, so that a Ctrl+C while the table is opened stops the run too.
    const InterruptWatch interrupts;
    common::ConsoleSink sink(err);
    Request request;
    try {
        Options options(args,
                        {"out", "min-trees", "interval", "level", "share", "value-type", "conditions",
                         "species-names", "jobs", "graph-ini", "settings"},
                        {"overwrite"});
        if (options.positional().size() != 1 || !options.has("out") || options.value("out").empty()) {
            err << kUsage;
            return 2;
        }
        request = readRequest(options, sink);
    } catch (const common::Error &e) {
        err << e.what() << "\n" << kUsage;
        return 2;
    }
    if (!canDrawModelPictures(err)) return 2;

    // A refused settings file ends the command before the table is opened, as for `models`.
    ChartLook look = readChartLook(request.settings);
    const auto opened = openSurvey(request.table);
    model::Survey &table = *opened;
    table.setConditions(request.conditions);
    auto names = speciesNameRows(table, request.speciesNames, sink);
    std::vector<std::string> graphSettings = readGraphIni(request.graphIni, request.model);
    // As `mkdir -p` would for the folder above the report, once the table has opened.
    const std::filesystem::path parent = std::filesystem::path(request.out).parent_path();
    if (!parent.empty()) model::CreateDirectories(parent.string());
    common::ReplacingFolder folder(request.out, request.overwrite);

    model::ReportSettings settings;
    settings.folder = folder.path();
    settings.minTrees = request.minTrees;
    settings.model = request.model;
    settings.level = request.level;
    settings.date = now();
    settings.version = common::kProgramVersion;
    data::Query trees(table.connection());
    data::prepareTreeQuery(trees, table.setup().tableFile, table.setup().roles, table.setup().conditions);
    model::ReportRun run(trees, table.setup(), settings, std::move(names));
    data::Query query(table.connection());
    model::QuerySelection selection(query, table.setup());
    ReportPictures pictures(request.jobs, std::move(graphSettings), std::move(look));

    model::ReportSummary summary;
    {
        TerminalProgress progress(err, TerminalProgress::watched(err));
        const std::optional<Interrupted> interrupted = progress.runInterruptible([&] {
            summary = run.execute(selection, pictures, sink, &progress);
            progress.setUnit("picture");
            pictures.drawWaiting(&progress);
        });
        if (interrupted) {
            if (interrupted->total == 0)
                err << "Report interrupted while the plots were listed";
            else if (interrupted->done >= interrupted->total)
                err << "Report interrupted while the pictures were drawn";
            else
                err << "Report interrupted at plot " << interrupted->done + 1 << " of " << interrupted->total;
            err << "; " << request.out << " was left as it was\n";
            return 128 + interrupted->signal;
        }
    }
    folder.commit();
    out << "Report written to " << request.out << ": " << summary.rows << " plots and species of "
        << summary.plotCount << " plots\n";
    return 0;
}

} // namespace cli
