// Graph.ini, the model line settings kept between runs: where it is read and written, and its lines.
//
// Settings live per user, in the XDG configuration folder: $XDG_CONFIG_HOME/fenoris/Graph.ini, or
// ~/.config/fenoris/Graph.ini without that variable (userConfigDir). A Graph.ini beside the program,
// where one is shipped, is the default read while the user has none of their own; the program never
// writes beside itself (an installed program cannot, and every user would share one look).
// The lines are kept as they stand, including those the program does not know.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace app {

inline constexpr const char *kGraphIniName = "Graph.ini";

// The program's folder in the user's configuration: $XDG_CONFIG_HOME/fenoris when the variable holds an
// absolute path (as the XDG base directory rules want), else $HOME/.config/fenoris. Null pointers
// stand for unset variables.
std::filesystem::path userConfigDir(const char *xdgConfigHome, const char *home);

// The user's Graph.ini when it exists, else the one shipped beside the program when it exists, else
// the user's (to be created).
std::filesystem::path graphIniReadPath(const std::filesystem::path &programDir,
                                       const std::filesystem::path &configDir);
// Always the user's Graph.ini.
std::filesystem::path graphIniWritePath(const std::filesystem::path &configDir);

// The lines of the file (line ends CR LF, LF or CR); none when the file does not exist. Throws
// common::FileError when it exists but cannot be read.
std::vector<std::string> loadGraphIni(const std::filesystem::path &file);

// Replaces the file by the lines, each ended by CR LF; creates the file's directory when missing.
// Throws common::FileError when it cannot be written.
void saveGraphIni(const std::filesystem::path &file, const std::vector<std::string> &lines);

} // namespace app
