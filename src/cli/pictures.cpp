// The picture options of fenoris-cli and the registered writers.
#include "cli/pictures.h"

#include "common/error.h"
#include "common/graphsettings.h"
#include "common/numbers.h"
#include "common/picturetype.h"
#include "common/textfile.h"

#include <ostream>

namespace cli {

namespace {

const char *const kCannotDraw = "This fenoris-cli was built without charts and cannot draw pictures.";

PictureWriters &writers()
{
    static PictureWriters registered;
    return registered;
}

} // namespace

PictureSize parsePictureSize(const std::string &text)
{
    const std::size_t x = text.find_first_of("xX");
    const char *const message =
        "--size must be WIDTHxHEIGHT in pixels, each from 16 to 8000, such as 680x392";
    if (x == std::string::npos) throw common::Error(message);
    PictureSize size;
    try {
        size.width = common::strToInt(text.substr(0, x));
        size.height = common::strToInt(text.substr(x + 1));
    } catch (const common::ConvertError &) {
        throw common::Error(message);
    }
    if (size.width < 16 || size.width > 8000 || size.height < 16 || size.height > 8000)
        throw common::Error(message);
    return size;
}

void setPictureWriters(PictureWriters registered)
{
    writers() = std::move(registered);
}

const PictureWriters &pictureWriters()
{
    return writers();
}

bool canDrawModelPictures(std::ostream &err)
{
    if (writers().modelSession) return true;
    err << kCannotDraw << "\n";
    return false;
}

ChartLook readChartLook(const std::string &settingsFile)
{
    if (settingsFile.empty()) return {};
    if (!writers().look) throw common::Error(kCannotDraw);
    return writers().look(settingsFile);
}

std::optional<PictureRequest> pictureRequest(const Options &options, std::ostream &err, int &status)
{
    status = 0;
    const std::string file = options.value("picture");
    if (file.empty()) {
        for (const char *name : {"size", "graph-ini", "settings"})
            if (options.has(name))
                throw common::Error(std::string("--") + name + " goes with --picture FILE");
        return std::nullopt;
    }
    if (!common::pictureTypeOf(file)) {
        err << common::unknownPictureTypeMessage(file) << "\n";
        status = 2;
        return std::nullopt;
    }
    if (!writers().model || !writers().regression) {
        err << kCannotDraw << "\n";
        status = 2;
        return std::nullopt;
    }
    PictureRequest request;
    request.file = file;
    if (options.has("size")) request.size = parsePictureSize(options.value("size"));
    if (options.has("graph-ini"))
        request.graphSettings = common::splitLines(common::readTextFile(options.value("graph-ini")));
    request.look = readChartLook(options.value("settings"));
    return request;
}

std::vector<std::string> readGraphIni(const std::string &file, model::ModelSettings &model)
{
    std::vector<std::string> lines;
    if (!file.empty()) lines = common::splitLines(common::readTextFile(file));
    if (const common::BandLook band = common::ReadBandLook(lines); band.on)
        model.band =
            model::BandSettings{band.level, model::DefaultBandDraws(band.level), model::kDefaultBandSeed};
    return lines;
}

} // namespace cli
