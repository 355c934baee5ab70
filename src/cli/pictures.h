// Pictures of the commands' charts. Drawing needs Qt, which the commands themselves do not link: the
// program registers the writers of a drawing library at start, so that only the commands that draw
// bring Qt up, and a build without charts still has every other command.
#pragma once

#include "model/modelchart.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Size of a picture in pixels, the window's model chart by default.
struct PictureSize
{
    int width = 680;
    int height = 392;
};

// The model chart as the window draws it: its title, its lines and the line settings (the lines of a
// Graph.ini; missing ones take the defaults).
struct ModelPicture
{
    std::string title;
    std::vector<model::ChartLine> lines;
    std::vector<std::string> graphSettings;
};

// Writes the picture file, its type by the extension; throws common::Error.
using ModelPictureWriter = std::function<void(const ModelPicture &, const std::string &file, PictureSize)>;
// A writer for many pictures in turn: what drawing needs (Qt, a chart) is made once and reused until
// the writer, and every copy of it, is destroyed. The pictures are those of ModelPictureWriter.
using ModelPictureSession = std::function<ModelPictureWriter()>;

struct PictureWriters
{
    ModelPictureWriter model;
    ModelPictureSession modelSession;
    // TODO: a writer of the regression chart for "regression --picture", once the regression page's
    // chart routine exists in the chart library.
};

void setPictureWriters(PictureWriters writers);
const PictureWriters &pictureWriters();

// The options of a command that can draw: "--picture FILE", "--size WxH" (16 to 8000 each way) and
// "--graph-ini FILE" (line settings). Checked before the command computes anything.
struct PictureRequest
{
    std::string file;
    PictureSize size;
    std::vector<std::string> graphSettings;
};

// "WxH" in pixels, each from 16 to 8000; throws common::Error naming --size otherwise.
PictureSize parsePictureSize(const std::string &text);

// Reads the option values (empty when not given). Without a picture file: nothing, and an error for
// --size or --graph-ini given alone. Writes the message to err and returns the exit status 2 in
// `status` for an unknown picture type ("Unknown picture type: .xyz — use ...") and when this
// fenoris-cli cannot draw; throws common::Error for a bad size or an unreadable Graph.ini.
std::optional<PictureRequest> pictureRequest(const std::string &file, const std::string &size,
                                             const std::string &graphIni, std::ostream &err, int &status);

} // namespace cli
