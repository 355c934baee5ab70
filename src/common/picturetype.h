// The picture files a chart can be saved as, told apart by the file name's extension.
#pragma once

#include <optional>
#include <string>

namespace common {

enum class PictureType { Bmp, Wmf, Emf, Png, Svg, Pdf };

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
