// The years and roles side files: names, loading into a grid column, writing.
#include "data/sidefiles.h"

#include "common/error.h"
#include "data/codepage.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

namespace data {

namespace {

// The side files share the default code page of the data tables.
const CodePage &sideFileCodePage()
{
    static const CodePage codePage(kDefaultCodePage);
    return codePage;
}

std::string fileMessage(const char *what, const std::string &file)
{
    return std::string(what) + " \"" + file + "\". " + std::strerror(errno);
}

} // namespace

std::string sideFileBase(const std::string &dataDir, const std::string &tableFile)
{
    const size_t n = tableFile.size();
    if (n >= 4 && tableFile[n - 4] == '.') return dataDir + tableFile.substr(0, n - 3);
    // Cutting three characters of any other name would eat into the name itself ("trees" -> "tr"):
    // such names keep everything before their extension.
    const size_t dot = tableFile.rfind('.');
    const std::string stem = (dot == std::string::npos || dot == 0) ? tableFile : tableFile.substr(0, dot);
    return dataDir + stem + ".";
}

std::string yearsSideFile(const std::string &dataDir, const std::string &tableFile)
{
    return sideFileBase(dataDir, tableFile) + "yrs";
}

std::string rolesSideFile(const std::string &dataDir, const std::string &tableFile)
{
    return sideFileBase(dataDir, tableFile) + "var";
}

std::vector<std::string> loadSideFile(const std::string &file, std::size_t cellCount)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw common::FileError(fileMessage("Cannot open file", file));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();

    std::vector<std::string> cells(cellCount);
    size_t filled = 0;
    size_t pos = 0;
    while (pos < text.size() && filled < cellCount) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        cells[filled++] = line.empty() ? " " : sideFileCodePage().decode(line);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return cells;
}

void writeSideFile(const std::string &file, const std::vector<std::string> &cells)
{
    std::string text;
    for (std::string cell : cells) {
        for (char &c : cell)
            if (c == '\r' || c == '\n') c = ' ';
        text += sideFileCodePage().encode(cell, std::numeric_limits<std::size_t>::max(), false);
        text += "\r\n";
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw common::FileError(fileMessage("Cannot create file", file));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw common::FileError(fileMessage("Cannot write file", file));
}

} // namespace data
