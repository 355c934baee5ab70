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
#include "data/treeselection.h"
#include "model/modelpictures.h"
#include "model/report.h"
#include "model/reportfolder.h"
#include "model/survey.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>
#include <poll.h>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

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
    // "DIR/" is the folder DIR, not a folder to make inside it.
    while (request.out.size() > 1 && request.out.back() == '/')
        request.out.pop_back();
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

// The model pictures drawn as SVG on the chart of `models --type .svg`, in this process. The chart
// component is brought up with the first picture: a process that shares the plots between workers
// never draws, and each worker (forked before anything brought Qt up) brings up its own.
class ReportPictures final : public model::ReportPictureMaker
{
public:
    ReportPictures(std::vector<std::string> graphSettings, ChartLook look)
    {
        m_picture.graphSettings = std::move(graphSettings);
        m_picture.look = std::move(look);
    }

    void savePicture(const std::string &title, const std::vector<model::ChartLine> &lines,
                     const std::string &file) override
    {
        if (!m_writer) m_writer = pictureWriters().modelSession();
        m_picture.title = title;
        m_picture.lines = lines;
        m_writer(m_picture, file, PictureSize{});
    }

private:
    ModelPictureWriter m_writer;
    ModelPicture m_picture;
};

// What a worker tells the process that started it, one frame at a time over its own pipe: a kind
// byte, the size of the rest as 4 bytes, and the rest.
enum class Frame : char {
    Message = 'm',  // the message kind's byte, then the text
    Figures = 'f',  // the row's index (8 bytes), then EncodeReportFigures
    PlotDone = 'p', // the plot's index (8 bytes): its page, pictures and figures are written
    Failed = 'e',   // the error's text; the worker ends after it
};

void sendFrame(int fd, Frame kind, std::string_view body)
{
    std::string frame(1, static_cast<char>(kind));
    const auto size = static_cast<std::uint32_t>(body.size());
    frame.append(reinterpret_cast<const char *>(&size), sizeof size);
    frame.append(body);
    for (std::string_view rest = frame; !rest.empty();) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        // The parent has gone or closed the pipe: nobody would see the rest.
        if (n <= 0) std::_Exit(1);
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string indexBytes(std::size_t index)
{
    const auto value = static_cast<std::uint64_t>(index);
    return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

std::size_t indexOf(std::string_view bytes)
{
    std::uint64_t value = 0;
    if (bytes.size() < sizeof value) throw common::Error("A report worker sent a frame cut short");
    std::memcpy(&value, bytes.data(), sizeof value);
    return static_cast<std::size_t>(value);
}

// A worker's messages, sent to the parent that tells them.
class FrameSink final : public common::MessageSink
{
public:
    explicit FrameSink(int fd) : m_fd(fd) {}
    void message(common::MessageKind kind, const std::string &text) override
    {
        sendFrame(m_fd, Frame::Message, std::string(1, static_cast<char>(kind)) + text);
    }

private:
    int m_fd;
};

// The plots of a listed report written by worker processes, each taking every jobs-th plot: it opens
// the table anew (a connection of the engine must not be shared across processes) with the setup
// this process read, computes the figures, draws the pictures, writes the pages and sends the figures
// back. A worker checks that the table is still the file this process noted, when it opens it and
// after each plot, so that no figure of a changed table is sent. Only this process writes index.html
// and summary.csv, once every worker has ended well.
class PlotWorkers
{
public:
    PlotWorkers(model::ReportRun &run, const Request &request, ReportPictures &pictures,
                const model::ReportTableCheck &table)
        : m_run(run), m_request(request), m_pictures(pictures), m_table(table)
    {
    }
    ~PlotWorkers() { end(); }
    PlotWorkers(const PlotWorkers &) = delete;
    PlotWorkers &operator=(const PlotWorkers &) = delete;

    // Starts the workers and waits for them, telling progress of every plot written and the workers'
    // messages to sink; throws Interrupted on Ctrl+C or SIGTERM and common::Error when a worker fails
    // (with its own message). Workers still running when it throws are ended as the object goes.
    void run(common::MessageSink &sink, common::Progress &progress);

private:
    struct Worker
    {
        pid_t pid = -1;
        int fd = -1; // the reading end of its pipe; -1 once it closed
        std::string pending;
        std::size_t first = 0;     // its first plot; it writes every workers-th from there
        std::size_t plotsDone = 0; // plots it has said it wrote
        std::string failure;       // the message it ended with, when it said one
    };
    [[noreturn]] void work(std::size_t first, std::size_t step, int fd);
    void start(std::size_t count);
    // Handles the complete frames of the worker's pending bytes.
    void readFrames(Worker &worker, common::MessageSink &sink);
    // Why the worker that ended with `status` failed, or nothing when it ended well.
    std::optional<std::string> failure(const Worker &worker, int status) const;
    void end();

    model::ReportRun &m_run;
    const Request &m_request;
    ReportPictures &m_pictures;
    const model::ReportTableCheck &m_table;
    std::vector<Worker> m_workers;
    std::size_t m_plotsDone = 0;
};

void PlotWorkers::work(std::size_t first, std::size_t step, int fd)
{
    // The worker ends as any program does on Ctrl+C; the parent tells how far the report got.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    int status = 0;
    try {
        // The folder is flushed whole when it is put in place: no file need wait for the disk.
        const common::DeferredSync deferSync;
        // The side files are not read again: the plots were listed with this process's setup.
        model::Survey survey(m_request.table);
        m_table.check();
        const model::TableSetup &setup = m_run.setup();
        data::Query trees(survey.connection());
        data::prepareTreeQuery(trees, setup.tableFile, setup.roles, setup.conditions);
        FrameSink sink(fd);
        for (std::size_t p = first; p < m_run.plotCount(); p += step) {
            m_run.writePlot(p, trees, m_pictures, sink);
            m_table.check();
            const auto [begin, end] = m_run.plotRows(p);
            for (std::size_t r = begin; r < end; ++r)
                sendFrame(fd, Frame::Figures,
                          indexBytes(r) + model::EncodeReportFigures(m_run.rows()[r].figures));
            sendFrame(fd, Frame::PlotDone, indexBytes(p));
        }
    } catch (const std::exception &e) {
        sendFrame(fd, Frame::Failed, e.what());
        status = 1;
    }
    // Nothing of the parent's (its database, its streams' buffers) may be closed or flushed twice.
    std::_Exit(status);
}

void PlotWorkers::start(std::size_t count)
{
    std::cout.flush();
    std::cerr.flush();
    for (std::size_t w = 0; w < count; ++w) {
        int fds[2];
        if (::pipe(fds) != 0)
            throw common::Error(std::string("Cannot start a process to write the report: ") +
                                std::strerror(errno));
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            // The pipes of the workers started before are the parent's business only.
            for (const Worker &other : m_workers)
                ::close(other.fd);
            work(w, count, fds[1]);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            throw common::Error(std::string("Cannot start a process to write the report: ") +
                                std::strerror(errno));
        }
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        m_workers.push_back({pid, fds[0], {}, w, 0, {}});
    }
}

void PlotWorkers::readFrames(Worker &worker, common::MessageSink &sink)
{
    constexpr std::size_t head = 1 + sizeof(std::uint32_t);
    std::size_t used = 0;
    while (worker.pending.size() - used >= head) {
        std::uint32_t size = 0;
        std::memcpy(&size, worker.pending.data() + used + 1, sizeof size);
        if (worker.pending.size() - used < head + size) break;
        const auto kind = static_cast<Frame>(worker.pending[used]);
        const std::string_view body(worker.pending.data() + used + head, size);
        used += head + size;
        switch (kind) {
        case Frame::Message:
            if (body.empty()) throw common::Error("A report worker sent an empty message");
            sink.message(static_cast<common::MessageKind>(body[0]), std::string(body.substr(1)));
            break;
        case Frame::Figures:
            m_run.setFigures(indexOf(body), model::DecodeReportFigures(body.substr(sizeof(std::uint64_t))));
            break;
        case Frame::PlotDone:
            ++m_plotsDone;
            ++worker.plotsDone;
            break;
        case Frame::Failed:
            worker.failure = body;
            break;
        default:
            throw common::Error("A report worker sent a frame of an unknown kind");
        }
    }
    worker.pending.erase(0, used);
}

void PlotWorkers::run(common::MessageSink &sink, common::Progress &progress)
{
    const std::size_t plots = m_run.plotCount();
    const int total = static_cast<int>(plots);
    start(std::min(plots, static_cast<std::size_t>(m_request.jobs)));
    // Whatever ends the wait early (a signal, a failed worker, a throwing progress) ends the workers
    // too, as the destructor does.
    for (std::size_t open = m_workers.size(); open > 0;) {
        if (const int signal = InterruptWatch::signal())
            throw Interrupted{signal, static_cast<int>(m_plotsDone), total};
        progress.step(static_cast<int>(m_plotsDone), total, "");
        std::vector<pollfd> polled;
        for (const Worker &worker : m_workers)
            if (worker.fd >= 0) polled.push_back({worker.fd, POLLIN, 0});
        // Woken at least ten times a second: a SIGTERM to this process alone must end the workers too.
        if (::poll(polled.data(), polled.size(), 100) < 0 && errno != EINTR)
            throw common::Error(std::string("Cannot wait for the report's workers: ") + std::strerror(errno));
        for (Worker &worker : m_workers) {
            if (worker.fd < 0) continue;
            char bytes[65536];
            ssize_t n;
            while ((n = ::read(worker.fd, bytes, sizeof bytes)) > 0)
                worker.pending.append(bytes, static_cast<std::size_t>(n));
            readFrames(worker, sink);
            if (n != 0) continue;
            // The worker has ended: well only when it said all it had to and exited with 0.
            ::close(worker.fd);
            worker.fd = -1;
            --open;
            int status = 0;
            while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
            }
            worker.pid = -1;
            if (const auto why = failure(worker, status)) {
                // Ctrl+C on a terminal reaches the workers too: that is an interruption, not a failure.
                if (const int signal = InterruptWatch::signal())
                    throw Interrupted{signal, static_cast<int>(m_plotsDone), total};
                throw common::Error(*why);
            }
        }
    }
    if (const int signal = InterruptWatch::signal())
        throw Interrupted{signal, static_cast<int>(m_plotsDone), total};
    if (m_plotsDone != plots)
        throw common::Error("The report's workers wrote " + std::to_string(m_plotsDone) + " of " +
                            std::to_string(plots) + " plots");
    progress.step(total, total, "");
}

std::optional<std::string> PlotWorkers::failure(const Worker &worker, int status) const
{
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (exited && worker.pending.empty() && worker.failure.empty()) return std::nullopt;
    // A worker that said why passes its own message on.
    if (!worker.failure.empty()) return worker.failure;
    std::string text =
        "Report worker " + std::to_string(worker.first + 1) + " of " + std::to_string(m_workers.size());
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char *name = ::strsignal(signal);
        text += " was killed by signal " + std::to_string(signal) + " (" + (name ? name : "unknown") + ")";
    } else if (!exited) {
        text += " ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    } else {
        text += " ended in the middle of what it sent";
    }
    const std::size_t plot = worker.first + worker.plotsDone * m_workers.size();
    if (plot < m_run.plotCount())
        text += " while writing plot " + std::to_string(plot + 1) + " of " +
                std::to_string(m_run.plotCount()) + " (" + m_run.plotName(plot) + ")";
    return text;
}

void PlotWorkers::end()
{
    for (const Worker &worker : m_workers)
        if (worker.pid > 0) ::kill(worker.pid, SIGTERM);
    for (Worker &worker : m_workers) {
        if (worker.pid > 0)
            while (::waitpid(worker.pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        if (worker.fd >= 0) ::close(worker.fd);
        worker = {};
    }
    m_workers.clear();
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
            err << usage("report");
            return 2;
        }
        request = readRequest(options, sink);
    } catch (const common::Error &e) {
        // A refused option or value: exit status 1, as in every command.
        err << e.what() << "\n";
        return 1;
    }
    if (!canDrawModelPictures(err)) return 2;

    // A refused settings file ends the command before the table is opened, as for `models`.
    ChartLook look = readChartLook(request.settings);
    // Noted before the table is opened: the check at the end then covers every read of it.
    const model::ReportTableCheck tableCheck(request.table);
    SelectedTrees trees(request.table, request.conditions);
    model::Survey &table = *trees.survey;
    auto names = speciesNameRows(table, request.speciesNames, sink);
    std::vector<std::string> graphSettings = readGraphIni(request.graphIni, request.model);
    // As `mkdir -p` would for the folder above the report, once the table has opened.
    const std::filesystem::path parent = std::filesystem::path(request.out).parent_path();
    if (!parent.empty()) model::CreateDirectories(parent.string());
    common::ReplacingFolder folder(request.out, request.overwrite, [&](const std::string &target) {
        model::CheckReplaceableReport(target, request.table);
    });

    model::ReportSettings settings;
    settings.folder = folder.path();
    settings.minTrees = request.minTrees;
    settings.model = request.model;
    settings.level = request.level;
    model::ReportRun run(table.setup(), settings, std::move(names));
    data::Query query(table.connection());
    model::QuerySelection selection(query, table.setup());
    ReportPictures pictures(std::move(graphSettings), std::move(look));

    {
        TerminalProgress progress(err, TerminalProgress::watched(err));
        const std::optional<Interrupted> interrupted = progress.runInterruptible([&] {
            if (request.jobs == 1) {
                run.execute(trees.query, selection, pictures, sink, &progress);
                return;
            }
            // The plots are listed here, in order, which names their files; the workers write them.
            const common::DeferredSync deferSync;
            const std::size_t count = run.start(selection);
            progress.setUnit("listing plot");
            for (std::size_t p = 0; p < count; ++p) {
                progress.step(static_cast<int>(p), static_cast<int>(count), run.plotName(p));
                run.listPlot(p, selection, sink);
            }
            progress.setUnit("plot");
            PlotWorkers(run, request, pictures, tableCheck).run(sink, progress);
            run.finish();
        });
        if (interrupted) {
            if (interrupted->total == 0)
                err << "Report interrupted while the plots were listed";
            else
                err << "Report interrupted at plot " << interrupted->done + 1 << " of " << interrupted->total;
            err << "; " << request.out << " was left as it was\n";
            return 128 + interrupted->signal;
        }
    }
    tableCheck.check();
    folder.commit();
    out << "Report written to " << request.out << ": " << run.rows().size() << " plots and species of "
        << run.plotCount() << " plots\n";
    return 0;
}

} // namespace cli
