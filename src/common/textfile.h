// Small text files of the program (Graph.ini, the side files of a table): read and written whole,
// as lines ending in CR LF, with the file errors the user sees.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace common {

// Side files, Graph.ini and species names are a few kilobytes; a larger file is not one of them.
inline constexpr std::size_t kMaxTextFileBytes = 1024 * 1024;

// The bytes of the file. Throws FileError "Cannot open file "<file>". <reason>", also when it is not
// a regular file (a device, a pipe, a folder) or holds more than kMaxTextFileBytes.
std::string readTextFile(const std::string &file);

// The lines of a text, ended by CR LF, LF or CR; a last line without an ending counts, nothing after
// the last ending does.
std::vector<std::string> splitLines(const std::string &text);

// Replaces the file with the lines, each followed by CR LF, through a temporary file renamed into
// place (common/replacingfile.h), so a failed write keeps the old file. Throws FileError "Cannot
// create file ..." or "Cannot write file ...". The lines are written as they are given.
void writeTextLines(const std::string &file, const std::vector<std::string> &lines);

} // namespace common
