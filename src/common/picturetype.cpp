// Picture types by extension.
#include "common/picturetype.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace common {

namespace {

const PictureTypeName kTypes[] = {
    {PictureType::Bmp, ".bmp", "Windows bitmap (BMP)"},
    {PictureType::Wmf, ".wmf", "Windows metafile (WMF)"},
    {PictureType::Emf, ".emf", "Enhanced metafile (EMF)"},
    {PictureType::Png, ".png", "PNG image (PNG)"},
    {PictureType::Svg, ".svg", "SVG drawing (SVG)"},
    {PictureType::Pdf, ".pdf", "PDF document (PDF)"},
};

} // namespace

std::span<const PictureTypeName> pictureTypes()
{
    return kTypes;
}

std::string pictureExtensionList(const std::string &separator, const std::string &last)
{
    std::string list;
    const std::size_t count = std::size(kTypes);
    for (std::size_t i = 0; i < count; ++i)
        list += (i == 0 ? "" : i + 1 == count ? last : separator) + kTypes[i].extension;
    return list;
}

PictureSaveFilters pictureSaveFilters()
{
    PictureSaveFilters filters;
    auto add = [&filters](const std::string &filter, const std::string &extension) {
        filters.filter += (filters.filter.empty() ? "" : ";;") + filter;
        filters.extensions.push_back(extension);
    };
    for (const PictureTypeName &type : kTypes) {
        add(std::string(type.description) + " (*" + type.extension + ")", type.extension + 1);
        if (type.type == PictureType::Emf) add("All files (*)", "");
    }
    return filters;
}

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
    for (const PictureTypeName &known : kTypes)
        if (extension == known.extension) return known.type;
    return std::nullopt;
}

std::string unknownPictureTypeMessage(const std::string &fileName)
{
    const std::string extension = pictureExtension(fileName);
    return "Unknown picture type: " + (extension.empty() ? std::string("no extension") : extension) +
           " \u2014 use " + pictureExtensionList(", ", " or ");
}

} // namespace common
