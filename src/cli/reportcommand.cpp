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
#include "common/replacingfolder.h"
#include "common/version.h"
#include "data/treeselection.h"
#include "model/modelpictures.h"
#include "model/report.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>

namespace cli {

namespace {

constexpr const char *kUsage =
    "usage: fenoris-cli report TABLE.dbf --out DIR [--min-trees N] [--interval N] [--share P]\n"
    "                          [--value-type percent|classes] [--conditions TEXT]\n"
    "                          [--species-names FILE] [--overwrite]\n";

struct Request
{
    std::string table, out, conditions, speciesNames;
    long long minTrees = 10;
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
    request.conditions = options.value("conditions");
    request.speciesNames = options.value("species-names");
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

// The model pictures drawn as SVG on the chart of `models --type .svg`, one after the other.
class ReportPictures final : public model::ReportPictureMaker
{
public:
    ReportPictures() : m_writer(pictureWriters().modelSession()) {}
    void savePicture(const std::string &title, const std::vector<model::ChartLine> &lines,
                     const std::string &file) override
    {
        m_picture.title = title;
        m_picture.lines = lines;
        m_writer(m_picture, file, PictureSize{});
    }

private:
    ModelPictureWriter m_writer;
    ModelPicture m_picture;
};

} // namespace

int runReport(const Args &args, std::ostream &out, std::ostream &err)
{
    // Noted from the start, so that a Ctrl+C while the table is opened stops the run too.
    const InterruptWatch interrupts;
    common::ConsoleSink sink(err);
    Request request;
    try {
        Options options(
            args, {"out", "min-trees", "interval", "share", "value-type", "conditions", "species-names"},
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
    if (!pictureWriters().modelSession) {
        err << "This fenoris-cli was built without charts and cannot draw pictures.\n";
        return 2;
    }

    OpenedTable table(request.table);
    table.setConditions(request.conditions);
    auto names = speciesNameRows(table, request.speciesNames, sink);
    // As `mkdir -p` would for the folder above the report, once the table has opened.
    const std::filesystem::path parent = std::filesystem::path(request.out).parent_path();
    if (!parent.empty()) model::CreateDirectories(parent.string());
    common::ReplacingFolder folder(request.out, request.overwrite);

    model::ReportSettings settings;
    settings.folder = folder.path();
    settings.minTrees = request.minTrees;
    settings.model = request.model;
    settings.date = now();
    settings.version = common::kProgramVersion;
    data::Query trees(table.connection());
    data::prepareTreeQuery(trees, table.setup().tableFile, table.setup().roles, table.setup().conditions);
    model::ReportRun run(trees, table.setup(), settings, std::move(names));
    data::Query query(table.connection());
    model::QuerySelection selection(query, table.setup());
    ReportPictures pictures;

    model::ReportSummary summary;
    {
        TerminalProgress progress(err, TerminalProgress::watched(err));
        const std::optional<Interrupted> interrupted =
            progress.runInterruptible([&] { summary = run.execute(selection, pictures, sink, &progress); });
        if (interrupted) {
            if (interrupted->total == 0)
                err << "Report interrupted while the plots were listed";
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
