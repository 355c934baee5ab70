// Whole text files as CR LF lines.
#include "common/textfile.h"

#include "common/error.h"
#include "common/replacingfile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace common {

namespace {

std::string fileMessage(const char *what, const std::string &file)
{
    return std::string(what) + " \"" + file + "\". " + std::strerror(errno);
}

} // namespace

std::string readTextFile(const std::string &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw FileError(fileMessage("Cannot open file", file));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

void writeTextLines(const std::string &file, const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines)
        text += line + "\r\n";
    writeFileWhole(file, text);
}

} // namespace common
