// The program's own manual, manual.html (made from the README by scripts/make-manual): where the
// program finds it. "Help on-line" opens it in the desktop's browser.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace app {

// The installation's folder of documents for a program in its bin folder: share/doc/fenoris beside
// bin. It exists only for an installed program.
std::filesystem::path installedDocDir(const std::filesystem::path &programDir);

// Where the manual is looked for, in order: beside the program (a build tree, a copied folder), then
// in the installation's share/doc/fenoris folder beside the program's bin folder.
std::vector<std::filesystem::path> manualPlaces(const std::filesystem::path &programDir);

// The first of manualPlaces that is a file; nothing when none is.
std::optional<std::filesystem::path> findManual(const std::filesystem::path &programDir);

} // namespace app
