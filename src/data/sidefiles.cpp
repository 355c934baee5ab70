// The years and roles side files: names, loading into a grid column, writing.
#include "data/sidefiles.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/replacingfile.h"
#include "common/textfile.h"
#include "data/codepage.h"

#include <limits>

namespace data {

namespace {

// The side files share the default code page of the data tables.
const CodePage &sideFileCodePage()
{
    static const CodePage codePage(kDefaultCodePage);
    return codePage;
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
    const auto lines = common::splitLines(common::readTextFile(file));
    std::vector<std::string> cells(cellCount);
    for (std::size_t i = 0; i < cellCount && i < lines.size(); ++i)
        cells[i] = lines[i].empty() ? " " : sideFileCodePage().decode(lines[i]);
    return cells;
}

std::string sideFileBytes(const std::vector<std::string> &cells)
{
    std::string text;
    for (std::string cell : cells) {
        for (char &c : cell)
            if (c == '\r' || c == '\n') c = ' ';
        text += sideFileCodePage().encode(cell, std::numeric_limits<std::size_t>::max(), false) + "\r\n";
    }
    return text;
}

void writeSideFile(const std::string &file, const std::vector<std::string> &cells)
{
    common::writeFileWhole(file, sideFileBytes(cells));
}

void writeSideFiles(const std::string &yearsFile, const std::vector<std::string> &yearCells,
                    const std::string &rolesFile, const std::vector<std::string> &roleCells)
{
    const std::string yearBytes = sideFileBytes(yearCells), roleBytes = sideFileBytes(roleCells);
    common::removeLeftoverTemporaries(yearsFile);
    common::removeLeftoverTemporaries(rolesFile);
    common::ReplacingFile years(yearsFile), roles(rolesFile);
    years.write(yearBytes);
    roles.write(roleBytes);
    common::commitTogether(years, roles);
}

namespace {

std::string tableLockFile(const std::filesystem::path &dir, const std::string &tableFile)
{
    const std::string base = std::filesystem::path(sideFileBase("", tableFile)).filename().string();
    return (dir / (".~" + common::lowerAscii(base.substr(0, base.size() - 1)) + ".table.lock")).string();
}

} // namespace

TableLock::TableLock(const std::filesystem::path &dir, const std::string &tableFile,
                     const std::string &activity)
    : m_lock(tableLockFile(dir, tableFile), activity)
{
    if (m_lock.held()) return;
    const std::string holder = m_lock.holderActivity().empty() ? "program" : m_lock.holderActivity();
    throw common::Error("Another " + holder + " (process " +
                        (m_lock.holder() > 0 ? std::to_string(m_lock.holder()) : std::string("unknown")) +
                        ") is using " + tableFile + " and its side files in this folder");
}

} // namespace data
