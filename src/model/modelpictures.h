// The model pictures of every plot and species: the run behind "Create all models" and
// `fenoris-cli models`. This routine alone decides which plots and species get a picture, under
// which file name, what is skipped, what is counted and what the user is told; the window (on its
// model page) and the command line (on a chart of its own) only draw and save what it asks for, so
// the two cannot disagree.
#pragma once

#include "model/statisticsrun.h"

#include <string>
#include <vector>

namespace common {
class MessageSink;
class Progress;
} // namespace common

namespace model {

// The file beside the pictures that lists the warnings of the last run, one a line.
inline constexpr const char *kWarningsFile = "warnings.txt";

// The start values of the two texts of the model chart's title.
inline constexpr const char *kDefaultTitlePlot = "Plot ";
inline constexpr const char *kDefaultTitleSpecies = " - species ";

// The model chart's title: titlePlot, the plot, titleSpecies and the species' display name, joined
// without separators ("Plot A1 - species Picea abies").
std::string ModelChartTitle(const std::string &titlePlot, const std::string &plot,
                            const std::string &titleSpecies, const std::string &speciesName);

// The directory followed by "/" when it does not end with one (an empty text stays empty): typed
// without it, the pictures' names would be glued to the directory's.
std::string WithTrailingSeparator(const std::string &directory);

// The picture file of a plot and species: directory (with its trailing separator), plot, "_", species
// code and type (".bmp"), such as /data/out/A1_SM.bmp. A "/" or NUL in the plot or species, which
// no file name can hold, is written as "_" (A/1 gives A_1_SM.bmp); `replaced` then says so.
struct PictureFile
{
    std::string path;
    bool replaced = false;
};
PictureFile ModelPictureFile(const std::string &directory, const std::string &plot,
                             const std::string &species, const std::string &type);

struct ModelPicturesSettings
{
    std::string directory;         // where the pictures go; a trailing separator is added when missing
    std::string fileType = ".bmp"; // ".bmp", ".wmf", ".emf", ".png", ".svg" or ".pdf"
    long long minTrees = 10;       // a species of a plot gets a picture when it has at least this many trees
};

// What draws and saves the pictures: the window on its model page, fenoris-cli on a chart of its own.
class ModelPictureMaker
{
public:
    virtual ~ModelPictureMaker() = default;
    // Computes and draws the model of the plot and species the selection selected last, titled with
    // the species' display name; the messages of the computation go to sink (which names the plot and
    // species in them).
    virtual void drawModel(const std::string &plot, const std::string &species,
                           common::MessageSink &sink) = 0;
    // Whether an existing file may be replaced by the picture now drawn: the window asks the user,
    // the command line follows --overwrite.
    virtual bool replaceExisting(const std::string &file) = 0;
    // Writes the model drawn last into the file, whole or not at all. Throws common::Error.
    virtual void savePicture(const std::string &file) = 0;
};

struct ModelPicturesSummary
{
    int plotCount = 0;    // plots in the list
    int plotsVisited = 0; // plots begun
    int written = 0;      // pictures written
    int skipped = 0;      // existing pictures kept
    bool cancelled = false;
    // Plot and species names written with "_" in their file names, each once, in the order met.
    std::vector<std::string> renamed;
    // Every warning told in the run, in order, as told (naming the plot and species).
    std::vector<std::string> warnings;
    long long minTrees = 0;       // the minimal number of trees of the run
    int pairsWithEnoughTrees = 0; // plot and species pairs met with at least minTrees trees
    long long mostTrees = 0;      // the largest number of trees of a plot and species met
};

// "12 pictures written, 3 skipped": how a run ended, as both the window and the command line say it.
std::string PicturesCompletionText(const ModelPicturesSummary &summary);

// Why a whole run drew nothing: "No plot and species has the minimal number of trees (10); the
// largest has 4". Empty when some plot and species had enough trees or the run was cancelled.
std::string NoPicturesReason(const ModelPicturesSummary &summary);

// Creates the directory and the missing directories above it, as `mkdir -p`; false when it existed.
// Throws common::FileError, with the system's reason, when it cannot be created (or a file of its
// name is in the way).
bool CreateDirectories(const std::string &directory);

class ModelPicturesRun
{
public:
    explicit ModelPicturesRun(ModelPicturesSettings settings);

    // Walks the selection's plots and their species in list order. For every species with at least
    // minTrees trees: the maker draws its model, an existing file is replaced only when the maker
    // agrees (otherwise it is counted as skipped), and the picture is saved. Messages of the
    // computation reach sink when they come, with the plot and species named ("No transition matrix
    // was calculated (plot A1, species SM)"), so that a warning met for many species says where.
    //
    // Every warning is also kept in the summary and, at the end, in kWarningsFile in the directory
    // (one line each, written whole); a run without warnings removes the file that an earlier run
    // left, which would speak of pictures now redrawn. A run ended by an error keeps the warnings
    // met so far the same way.
    //
    // progress (optional) is told before every plot and after every picture; when it cancels, the
    // run stops after the picture in hand and sink is told how many were written. It may also throw,
    // which ends the run at once (summary() then says how far it got). At the end sink is warned once
    // about the names written with "_". Throws common::FileError before anything is drawn when the
    // directory does not exist; a picture that cannot be written ends the run with its error, the
    // number of pictures written before added to the message. Errors of the selection and the maker
    // propagate.
    ModelPicturesSummary execute(PlotSpeciesSelection &selection, ModelPictureMaker &maker,
                                 common::MessageSink &sink, common::Progress *progress = nullptr);

    const ModelPicturesSettings &settings() const { return m_settings; }
    // How far the run has got; complete once execute() has returned.
    const ModelPicturesSummary &summary() const { return m_summary; }

private:
    class Messages;
    void makePicture(const std::string &plot, const std::string &species, ModelPictureMaker &maker,
                     Messages &messages);
    void runPlots(PlotSpeciesSelection &selection, ModelPictureMaker &maker, Messages &messages,
                  common::Progress *progress);
    void report(common::MessageSink &sink);
    void keepWarnings() const;

    ModelPicturesSettings m_settings;
    ModelPicturesSummary m_summary;
};

} // namespace model
