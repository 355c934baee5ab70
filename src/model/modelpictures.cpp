// The run that draws and saves the model picture of every plot and species.
#include "model/modelpictures.h"

#include "common/replacingfile.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "common/progress.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <utility>

namespace model {

namespace {

// The name as a file name can hold it, and whether anything was replaced: no "/", and no control
// character (a line break or an escape in a file name trips every tool that lists it).
std::pair<std::string, bool> fileNamePart(const std::string &name)
{
    std::string part = name;
    bool replaced = false;
    for (char &c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (c != '/' && byte >= 0x20 && byte != 0x7f) continue;
        c = '_';
        replaced = true;
    }
    return {part, replaced};
}

} // namespace

std::string ModelChartTitle(const std::string &titlePlot, const std::string &plot,
                            const std::string &titleSpecies, const std::string &speciesName)
{
    return titlePlot + plot + titleSpecies + speciesName;
}

std::string WithTrailingSeparator(const std::string &directory)
{
    if (directory.empty() || directory.back() == '/') return directory;
    return directory + "/";
}

PictureFile ModelPictureFile(const std::string &directory, const std::string &plot,
                             const std::string &species, const std::string &type)
{
    const auto [plotPart, plotReplaced] = fileNamePart(plot);
    const auto [speciesPart, speciesReplaced] = fileNamePart(species);
    return {WithTrailingSeparator(directory) + plotPart + "_" + speciesPart + type,
            plotReplaced || speciesReplaced};
}

std::string PicturesCompletionText(const ModelPicturesSummary &summary)
{
    return std::to_string(summary.written) + " pictures written, " + std::to_string(summary.skipped) +
           " skipped";
}

std::string NoPicturesReason(const ModelPicturesSummary &summary)
{
    if (summary.cancelled || summary.pairsWithEnoughTrees > 0) return {};
    return "No plot and species has the minimal number of trees (" + std::to_string(summary.minTrees) +
           "); the largest has " + std::to_string(summary.mostTrees);
}

bool CreateDirectories(const std::string &directory)
{
    std::error_code ec;
    const bool created = std::filesystem::create_directories(directory, ec);
    // create_directories reports no error when a file of the name is in the way.
    if (ec || !std::filesystem::is_directory(directory, ec))
        throw common::FileError("Cannot create the directory " + directory + ": " +
                                (ec ? ec.message() : "a file of this name is in the way"));
    return created;
}

// The messages of the model computation, each told with the plot and species it came from; the
// warnings are also kept.
class ModelPicturesRun::Messages final : public common::MessageSink
{
public:
    Messages(common::MessageSink &target, std::vector<std::string> &warnings)
        : m_target(target), m_warnings(warnings)
    {
    }

    void setPicture(const std::string &plot, const std::string &species)
    {
        m_picture = "plot " + plot + ", species " + species;
    }

    void message(common::MessageKind kind, const std::string &text) override
    {
        const std::string told = text + " (" + m_picture + ")";
        if (kind == common::MessageKind::Warning) m_warnings.push_back(told);
        m_target.message(kind, told);
    }

private:
    common::MessageSink &m_target;
    std::vector<std::string> &m_warnings;
    std::string m_picture;
};

ModelPicturesRun::ModelPicturesRun(ModelPicturesSettings settings) : m_settings(std::move(settings))
{
    m_settings.directory = WithTrailingSeparator(m_settings.directory);
}

ModelPicturesSummary ModelPicturesRun::execute(PlotSpeciesSelection &selection, ModelPictureMaker &maker,
                                               common::MessageSink &sink, common::Progress *progress)
{
    m_summary = {};
    m_summary.minTrees = m_settings.minTrees;
    if (m_settings.directory.empty()) throw common::FileError("No directory was given for the pictures.");
    std::error_code ec;
    if (!std::filesystem::is_directory(m_settings.directory, ec))
        throw common::FileError("The directory for the pictures does not exist: " + m_settings.directory);

    // Pictures of this type that a killed run left half made under their temporary names go first.
    common::removeLeftoverTemporariesOfType(m_settings.directory, m_settings.fileType);
    // New pictures go to disk together at the end of the run (or when it is cancelled or fails);
    // pictures that replace older ones are flushed one by one as ever.
    const common::DeferredSync deferSync;
    Messages messages(sink, m_summary.warnings);
    try {
        runPlots(selection, maker, messages, progress);
    } catch (...) {
        // The error that ended the run is the one to tell; the list is a help beside it.
        try {
            keepWarnings();
        } catch (const std::exception &) {
        }
        throw;
    }
    report(sink);
    keepWarnings();
    return m_summary;
}

void ModelPicturesRun::runPlots(PlotSpeciesSelection &selection, ModelPictureMaker &maker, Messages &messages,
                                common::Progress *progress)
{
    const auto plots = selection.plots();
    const int total = static_cast<int>(plots.size());
    m_summary.plotCount = total;
    for (std::size_t p = 0; p < plots.size() && !m_summary.cancelled; ++p) {
        const int done = static_cast<int>(p);
        if (progress && !progress->step(done, total, plots[p])) {
            m_summary.cancelled = true;
            break;
        }
        m_summary.plotsVisited = done + 1;
        const auto species = selection.selectPlot(p);
        for (std::size_t s = 0; s < species.size(); ++s) {
            const long long trees = selection.selectSpecies(s);
            m_summary.mostTrees = std::max(m_summary.mostTrees, trees);
            if (trees < m_settings.minTrees) continue;
            ++m_summary.pairsWithEnoughTrees;
            makePicture(plots[p], species[s], maker, messages);
            // Cancel takes effect after the picture in hand.
            if (progress && !progress->step(done, total, plots[p])) {
                m_summary.cancelled = true;
                break;
            }
        }
    }
    if (progress && !m_summary.cancelled) progress->step(total, total, "");
}

void ModelPicturesRun::makePicture(const std::string &plot, const std::string &species,
                                   ModelPictureMaker &maker, Messages &messages)
{
    const PictureFile file = ModelPictureFile(m_settings.directory, plot, species, m_settings.fileType);
    if (file.replaced) {
        for (const std::string *name : {&plot, &species}) {
            if (fileNamePart(*name).second && std::find(m_summary.renamed.begin(), m_summary.renamed.end(),
                                                        *name) == m_summary.renamed.end())
                m_summary.renamed.push_back(*name);
        }
    }
    messages.setPicture(plot, species);
    maker.drawModel(plot, species, messages);
    // A name longer than a file name may be (the temporary file beside it takes 9 bytes more) would
    // stop the whole run at its save: that picture alone is passed over, with the reason.
    if (std::filesystem::path(file.path).filename().string().size() + 9 > NAME_MAX) {
        messages.warning(
            "The picture's file name would be longer than a file name may be; it was passed over");
        ++m_summary.skipped;
        return;
    }
    std::error_code ec;
    if (std::filesystem::exists(file.path, ec) && !maker.replaceExisting(file.path)) {
        ++m_summary.skipped;
        return;
    }
    try {
        maker.savePicture(file.path);
    } catch (const common::FileError &e) {
        throw common::FileError(std::string(e.what()) + " Stopped with " + PicturesCompletionText(m_summary) +
                                ".");
    }
    ++m_summary.written;
}

void ModelPicturesRun::report(common::MessageSink &sink)
{
    if (!m_summary.renamed.empty()) {
        std::string names;
        for (const auto &name : m_summary.renamed)
            names += (names.empty() ? "" : ", ") + name;
        const std::string text =
            "These plot or species names hold characters a file name cannot hold; their pictures are "
            "named with \"_\" in their place: " +
            names;
        m_summary.warnings.push_back(text);
        sink.warning(text);
    }
    if (m_summary.cancelled)
        sink.information("Creating the models was cancelled after plot " +
                         std::to_string(m_summary.plotsVisited) + " of " +
                         std::to_string(m_summary.plotCount) + ": " + PicturesCompletionText(m_summary));
}

void ModelPicturesRun::keepWarnings() const
{
    const std::string file = m_settings.directory + kWarningsFile;
    if (m_summary.warnings.empty()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        return;
    }
    std::string text;
    for (const auto &warning : m_summary.warnings) {
        // A plot name may hold a line break; each warning stays on its line.
        std::string line = warning;
        std::replace_if(
            line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        text += line + "\n";
    }
    common::writeFileWhole(file, text);
}

} // namespace model
