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

// The messages of the model computation, each told with the plot and species it came from.
class ModelPicturesRun::Messages final : public common::MessageSink
{
public:
    explicit Messages(common::MessageSink &target) : m_target(target) {}

    void setPicture(const std::string &plot, const std::string &species)
    {
        m_picture = "plot " + plot + ", species " + species;
    }

    void message(common::MessageKind kind, const std::string &text) override
    {
        m_target.message(kind, text + " (" + m_picture + ")");
    }

private:
    common::MessageSink &m_target;
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
    if (m_settings.directory.empty()) throw common::FileError("No directory was given for the pictures.");
    std::error_code ec;
    if (!std::filesystem::is_directory(m_settings.directory, ec))
        throw common::FileError("The directory for the pictures does not exist: " + m_settings.directory);

    // Pictures of this type that a killed run left half made under their temporary names go first.
    common::removeLeftoverTemporariesOfType(m_settings.directory, m_settings.fileType);
    // New pictures go to disk together at the end of the run (or when it is cancelled or fails);
    // pictures that replace older ones are flushed one by one as ever.
    const common::DeferredSync deferSync;
    Messages messages(sink);
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
            if (selection.selectSpecies(s) < m_settings.minTrees) continue;
            makePicture(plots[p], species[s], maker, messages);
            // Cancel takes effect after the picture in hand.
            if (progress && !progress->step(done, total, plots[p])) {
                m_summary.cancelled = true;
                break;
            }
        }
    }
    if (progress && !m_summary.cancelled) progress->step(total, total, "");
    report(sink);
    return m_summary;
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

void ModelPicturesRun::report(common::MessageSink &sink) const
{
    if (!m_summary.renamed.empty()) {
        std::string names;
        for (const auto &name : m_summary.renamed)
            names += (names.empty() ? "" : ", ") + name;
        sink.warning(
            "These plot or species names hold characters a file name cannot hold; their pictures are "
            "named with \"_\" in their place: " +
            names);
    }
    if (m_summary.cancelled)
        sink.information("Creating the models was cancelled after plot " +
                         std::to_string(m_summary.plotsVisited) + " of " +
                         std::to_string(m_summary.plotCount) + ": " + PicturesCompletionText(m_summary));
}

} // namespace model
