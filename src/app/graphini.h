// Graph.ini, the model line settings kept between runs: where it is read and written, and its lines.
//
// The file is read from beside the program when it exists there, else from the user's configuration
// directory; it is written beside the program when that directory is writable and the program is not
// an installed one (see installedDocDir), else into the user's configuration directory (created when
// missing). A program installed system-wide thus keeps its settings per user, also when run by root.
// The lines are kept as they stand, including those the program does not know.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace app {

inline constexpr const char *kGraphIniName = "Graph.ini";

std::filesystem::path graphIniReadPath(const std::filesystem::path &programDir,
                                       const std::filesystem::path &configDir);
std::filesystem::path graphIniWritePath(const std::filesystem::path &programDir,
                                        const std::filesystem::path &configDir);

// The lines of the file (line ends CR LF, LF or CR); none when the file does not exist. Throws
// common::FileError when it exists but cannot be read.
std::vector<std::string> loadGraphIni(const std::filesystem::path &file);

// Replaces the file by the lines, each ended by CR LF; creates the file's directory when missing.
// Throws common::FileError when it cannot be written.
void saveGraphIni(const std::filesystem::path &file, const std::vector<std::string> &lines);

} // namespace app
