// Pictures of the commands' charts. Drawing needs Qt, which the commands themselves do not link: the
// program registers the writers of a drawing library at start, so that only the commands that draw
// bring Qt up, and a build without charts still has every other command.
#pragma once

#include "cli/options.h"
#include "model/modelchart.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace charts {
class Chart;
}
namespace stats {
class TStatistics;
}

namespace cli {

// Size of a picture in pixels, the window's model chart by default.
struct PictureSize
{
    int width = 680;
    int height = 392;
};

// The look of a chart settings file (--settings FILE.gsf), read and checked once, before anything is
// computed, and then given to every chart a command draws, as the properties dialog's Load gives it
// to a chart: title font and visibility, both axes, border, legend, bevel and chart colour. The
// chart's title text stays its own, so that each picture still names its plot and species. Empty
// when no file is given: the chart keeps the look it is set up with.
using ChartLook = std::function<void(charts::Chart &)>;

// The model chart as the window draws it: its title, its lines and the line settings (the lines of a
// Graph.ini; missing ones take the defaults), in the look of a settings file when one is given.
struct ModelPicture
{
    std::string title;
    std::vector<model::ChartLine> lines;
    std::vector<std::string> graphSettings;
    ChartLook look;
};

// The regression chart as the window draws a freely chosen pair: no title, the axes named after the
// columns (model::AxisTitle), the points as "Data" and the series' polynomial.
struct RegressionPicture
{
    const stats::TStatistics *series = nullptr;
    std::string xTitle;
    std::string yTitle;
    ChartLook look;
};

// Write the picture file, its type by the extension; throw common::Error.
using ModelPictureWriter = std::function<void(const ModelPicture &, const std::string &file, PictureSize)>;
using RegressionPictureWriter =
    std::function<void(const RegressionPicture &, const std::string &file, PictureSize)>;
// Reads and checks a chart settings file whole; throws common::Error with the reader's message.
using ChartLookReader = std::function<ChartLook(const std::string &file)>;
// A writer for many pictures in turn: what drawing needs (Qt, a chart) is made once and reused until
// the writer, and every copy of it, is destroyed. The pictures are those of ModelPictureWriter.
using ModelPictureSession = std::function<ModelPictureWriter()>;

struct PictureWriters
{
    ModelPictureWriter model;
    RegressionPictureWriter regression;
    ChartLookReader look;
    ModelPictureSession modelSession;
};

void setPictureWriters(PictureWriters writers);
const PictureWriters &pictureWriters();
// False, with the reason on err, when this fenoris-cli was built without charts and cannot draw
// the pictures of a batch.
bool canDrawModelPictures(std::ostream &err);

// The look of the settings file for every chart of a command; empty for an empty name. Throws
// common::Error with the settings file reader's message for a file that cannot be read, is shorter
// than the record ("Not a chart settings file: FILE (N bytes, expected 2992)") or holds values no
// chart takes, and when this fenoris-cli cannot draw. Call it once, before computing, and pass the
// look to each picture.
ChartLook readChartLook(const std::string &settingsFile);

// The options of a command that can draw: "--picture FILE", "--size WxH" (16 to 8000 each way),
// "--graph-ini FILE" (line settings) and "--settings FILE.gsf" (chart settings). Checked before the
// command computes anything.
struct PictureRequest
{
    std::string file;
    PictureSize size;
    std::vector<std::string> graphSettings;
    ChartLook look;
};

// The lines of the Graph.ini named by --graph-ini (none for an empty name), and the band they switch
// on in `model`, drawn as the window's "Create all models" draws it, with the same draws and seed.
// Throws common::Error when the file cannot be read.
std::vector<std::string> readGraphIni(const std::string &file, model::ModelSettings &model);

// "WxH" in pixels, each from 16 to 8000; throws common::Error naming --size otherwise.
PictureSize parsePictureSize(const std::string &text);

// The picture options of `options` among "picture", "size", "graph-ini" and "settings" (a command
// that has no line settings does not accept "graph-ini"). Without a picture file: nothing, and an
// error for the others given alone. Writes the message to err and returns the exit status 2 in
// `status` for an unknown picture type ("Unknown picture type: .xyz — use ...") and when this
// fenoris-cli cannot draw; throws common::Error for a bad size, an unreadable Graph.ini and a
// settings file refused by readChartLook.
std::optional<PictureRequest> pictureRequest(const Options &options, std::ostream &err, int &status);

} // namespace cli
