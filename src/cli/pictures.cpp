// The picture options of fenoris-cli and the registered writers.
#include "cli/pictures.h"

#include "common/error.h"
#include "common/numbers.h"
#include "common/picturetype.h"
#include "common/textfile.h"

#include <ostream>

namespace cli {

namespace {

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

std::optional<PictureRequest> pictureRequest(const std::string &file, const std::string &size,
                                             const std::string &graphIni, std::ostream &err, int &status)
{
    status = 0;
    if (file.empty()) {
        if (!size.empty() || !graphIni.empty())
            throw common::Error("--size and --graph-ini go with --picture FILE");
        return std::nullopt;
    }
    if (!common::pictureTypeOf(file)) {
        err << common::unknownPictureTypeMessage(file) << "\n";
        status = 2;
        return std::nullopt;
    }
    if (!writers().model) {
        err << "This fenoris-cli was built without charts and cannot draw pictures.\n";
        status = 2;
        return std::nullopt;
    }
    PictureRequest request;
    request.file = file;
    if (!size.empty()) request.size = parsePictureSize(size);
    if (!graphIni.empty()) request.graphSettings = common::splitLines(common::readTextFile(graphIni));
    return request;
}

} // namespace cli
