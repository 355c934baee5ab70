// Picture types by extension.
#include "common/picturetype.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace common {

namespace {

const std::pair<const char *, PictureType> kExtensions[] = {
    {".bmp", PictureType::Bmp}, {".wmf", PictureType::Wmf}, {".emf", PictureType::Emf},
    {".png", PictureType::Png}, {".svg", PictureType::Svg}, {".pdf", PictureType::Pdf},
};

} // namespace

std::string pictureExtension(const std::string &fileName)
{
    // A point in a directory's name ("v1.2/chart") is not the file's extension.
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t point = fileName.find_last_of('.');
    if (point == std::string::npos || point < nameStart) return {};
    return fileName.substr(point);
}

std::optional<PictureType> pictureTypeOf(const std::string &fileName)
{
    std::string extension = pictureExtension(fileName);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto &[known, type] : kExtensions)
        if (extension == known) return type;
    return std::nullopt;
}

std::string unknownPictureTypeMessage(const std::string &fileName)
{
    const std::string extension = pictureExtension(fileName);
    return "Unknown picture type: " + (extension.empty() ? std::string("no extension") : extension) +
           " \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf";
}

} // namespace common
