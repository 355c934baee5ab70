// fenoris-cli models: the model picture of every plot and species with enough trees, written into a
// directory under the names and titles the window's "Create all models" gives them.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/pictures.h"
#include "cli/terminalprogress.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/picturetype.h"
#include "data/listorder.h"
#include "data/selection.h"
#include "data/tableinfo.h"
#include "data/treeselection.h"
#include "model/modelchart.h"
#include "model/modelpictures.h"
#include "model/speciesnames.h"

#include <optional>
#include <ostream>

namespace cli {

namespace {

// What the options ask for, checked before the table is opened.
struct Request
{
    model::ModelPicturesSettings run;
    model::ModelSettings model;
    PictureSize size;
    std::string titlePlot = model::kDefaultTitlePlot;
    std::string titleSpecies = model::kDefaultTitleSpecies;
    bool overwrite = false;
    std::string table, conditions, speciesNames, graphIni, settings;
};

Request readRequest(const Options &options, common::MessageSink &sink)
{
    Request request;
    request.run.directory = options.value("out");
    request.run.fileType = options.value("type", ".bmp");
    // The window offers exactly these six types; a name such as "bmp" or ".tif" is refused.
    if (request.run.fileType.size() < 2 || request.run.fileType.front() != '.' ||
        !common::pictureTypeOf(request.run.fileType))
        throw common::Error(common::unknownPictureTypeMessage(request.run.fileType));
    request.run.minTrees = options.intValue("min-trees", 10);
    if (request.run.minTrees < 1 || request.run.minTrees > 9999)
        throw common::Error("--min-trees must be from 1 to 9999");
    request.model = settingsOptions(options, sink);
    request.model.maxDeads = options.floatValue("max-deads", model::DefaultMaxDeads);
    if (options.has("size")) request.size = parsePictureSize(options.value("size"));
    if (options.has("title-plot")) request.titlePlot = options.value("title-plot");
    if (options.has("title-species")) request.titleSpecies = options.value("title-species");
    request.overwrite = options.has("overwrite");
    request.table = options.positional().at(0);
    request.conditions = options.value("conditions");
    request.speciesNames = options.value("species-names");
    request.graphIni = options.value("graph-ini");
    request.settings = options.value("settings");
    return request;
}

// The pictures drawn on a chart of the drawing library, one after the other.
class CommandPictures final : public model::ModelPictureMaker
{
public:
    CommandPictures(model::Survey &table, const Request &request, std::vector<model::SpeciesNameRow> names,
                    std::vector<std::string> graphSettings, ChartLook look)
        : m_table(table), m_request(request), m_names(std::move(names)), m_trees(table.connection()),
          m_writer(pictureWriters().modelSession())
    {
        const auto &setup = table.setup();
        data::prepareTreeQuery(m_trees, setup.tableFile, setup.roles, setup.conditions);
        m_picture.graphSettings = std::move(graphSettings);
        m_picture.look = std::move(look);
    }

    void drawModel(const std::string &plot, const std::string &species, common::MessageSink &sink) override
    {
        auto chart =
            model::ComputeModelChart(m_trees, plot, species, m_table.setup().years, m_request.model, sink);
        m_picture.lines = std::move(chart.lines);
        m_picture.title = model::ModelChartTitle(m_request.titlePlot, plot, m_request.titleSpecies,
                                                 model::SpeciesDisplayName(m_names, species));
    }

    bool replaceExisting(const std::string &) override { return m_request.overwrite; }

    void savePicture(const std::string &file) override { m_writer(m_picture, file, m_request.size); }

private:
    model::Survey &m_table;
    const Request &m_request;
    std::vector<model::SpeciesNameRow> m_names;
    data::Query m_trees;
    ModelPictureWriter m_writer;
    ModelPicture m_picture;
};

} // namespace

int runModels(const Args &args, std::ostream &out, std::ostream &err)
{
    // Noted from the start, so that a Ctrl+C while the table is opened stops the run too.
    const InterruptWatch interrupts;
    common::ConsoleSink sink(err);
    Request request;
    try {
        Options options(args,
                        {"out", "type", "min-trees", "interval", "max-deads", "share", "value-type",
                         "conditions", "species-names", "title-plot", "title-species", "size", "graph-ini",
                         "settings"},
                        {"overwrite"});
        if (options.positional().size() != 1 || !options.has("out")) {
            err << usage("models");
            return 2;
        }
        request = readRequest(options, sink);
    } catch (const common::Error &e) {
        err << e.what() << "\n" << usage("models");
        return 2;
    }
    if (!canDrawModelPictures(err)) return 2;

    // A refused settings file ends the command before the table is opened, as for one picture.
    ChartLook look = readChartLook(request.settings);
    const auto opened = openSurvey(request.table);
    model::Survey &table = *opened;
    table.setConditions(request.conditions);
    std::vector<std::string> graphSettings = readGraphIni(request.graphIni, request.model);
    CommandPictures pictures(table, request, speciesNameRows(table, request.speciesNames, sink),
                             std::move(graphSettings), std::move(look));
    data::Query query(table.connection());
    model::QuerySelection selection(query, table.setup());
    // As `mkdir -p` would, once the table has opened.
    if (!request.run.directory.empty() && model::CreateDirectories(request.run.directory))
        err << "Created the directory " << request.run.directory << "\n";
    model::ModelPicturesRun run(request.run);

    model::ModelPicturesSummary summary;
    {
        TerminalProgress progress(err, TerminalProgress::watched(err));
        const std::optional<Interrupted> interrupted =
            progress.runInterruptible([&] { summary = run.execute(selection, pictures, sink, &progress); });
        if (interrupted) {
            if (interrupted->total == 0)
                err << "Models interrupted while the plots were listed";
            else
                err << "Models interrupted at plot " << interrupted->done + 1 << " of " << interrupted->total;
            err << ": " << model::PicturesCompletionText(run.summary()) << "\n";
            return 128 + interrupted->signal;
        }
    }
    out << model::PicturesCompletionText(summary) << "\n";
    const std::string reason = model::NoPicturesReason(summary);
    if (!reason.empty()) err << reason << "\n";
    if (!summary.warnings.empty())
        err << summary.warnings.size() << " warnings, listed in " << run.settings().directory
            << model::kWarningsFile << "\n";
    return 0;
}

} // namespace cli
