// The picture files a chart can be saved as, told apart by the file name's extension.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace common {

enum class PictureType { Bmp, Wmf, Emf, Png, Svg, Pdf };

// A picture type with its extension (lower case, with the point) and its name in a file dialog.
struct PictureTypeName
{
    PictureType type;
    const char *extension;   // ".bmp"
    const char *description; // "Windows bitmap (BMP)"
};

// Every picture type, in the order the program offers them: .bmp, .wmf, .emf, .png, .svg, .pdf.
std::span<const PictureTypeName> pictureTypes();

// The extensions of pictureTypes() in their order, between them `separator`, before the last one
// `last`: ("|", "|") gives ".bmp|.wmf|.emf|.png|.svg|.pdf", (", ", " or ") ".bmp, ... .svg or .pdf".
std::string pictureExtensionList(const std::string &separator, const std::string &last);

// The filters of the dialog that saves a chart, "Windows bitmap (BMP) (*.bmp);;...", one for each
// type in the list's order with "All files (*)" after the enhanced metafile: the dialog had it there
// when it offered only the Windows types, and a filter's index keeps meaning the same type. With each
// filter the extension it gives a name typed without one ("bmp"; "" for all files).
struct PictureSaveFilters
{
    std::string filter;
    std::vector<std::string> extensions;
};
PictureSaveFilters pictureSaveFilters();

// The extension of the name's last component, from its last point on ("chart.Wmf" gives ".Wmf");
// "" when that component has no point.
std::string pictureExtension(const std::string &fileName);

// The type of ".bmp", ".wmf", ".emf", ".png", ".svg" and ".pdf", compared ignoring ASCII case;
// nothing for any other extension or none.
std::optional<PictureType> pictureTypeOf(const std::string &fileName);

// "Unknown picture type: .xyz — use .bmp, .wmf, .emf, .png, .svg or .pdf" (UTF-8), with
// "no extension" in place of the extension when the name has none.
std::string unknownPictureTypeMessage(const std::string &fileName);

} // namespace common
