// The years and roles side files kept beside the data table: their names, reading them into a column
// of the field grid and writing a column back.
//
// Both files are 8-bit text in the Windows-1250 code page, one line per cell of a grid column, the
// heading first, every line ended by CR LF. They name no columns: line k + 1 belongs to the k-th
// column of the table by position only.
#pragma once

#include "common/writerlock.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace data {

// Directory and file name joined with the last three characters of the file name cut, so that the
// side files are base + "yrs" and base + "var": "D/M_trees.dbf" gives "D/M_trees.". A name
// without a three-character extension ("trees", "trees.dbase") keeps everything before its
// extension: "D/trees.". dataDir ends with its separator (or is empty).
std::string sideFileBase(const std::string &dataDir, const std::string &tableFile);
std::string yearsSideFile(const std::string &dataDir, const std::string &tableFile);
std::string rolesSideFile(const std::string &dataDir, const std::string &tableFile);

// The cells of a grid column of cellCount cells (heading included) as a side file fills them: line i
// goes into cell i, an empty line becomes a single blank so that its cell counts as filled, lines
// beyond cellCount are dropped and cells beyond the last line stay empty. Lines end with CR LF, LF or
// a lone CR. Texts are returned in UTF-8 (a byte the code page does not define as U+FFFD). Throws
// common::FileError when the file cannot be read.
std::vector<std::string> loadSideFile(const std::string &file, std::size_t cellCount);

// Writes the cells (UTF-8) as the file's lines, each ended by CR LF, replacing the file. A line break
// inside a cell is written as a blank, so that every cell stays one line. Throws common::DataError,
// before the file is touched, when a cell holds a character the code page lacks, and
// common::FileError when the file cannot be written.
void writeSideFile(const std::string &file, const std::vector<std::string> &cells);
// The bytes writeSideFile writes, for a caller that commits them together with other files.
std::string sideFileBytes(const std::vector<std::string> &cells);

// Writes the years and roles side files (writeSideFile) as one commit (common::commitTogether), so
// that a kill leaves both old or both new. Pending commits of the folder are finished and what killed
// writers of the two files left is removed first (common::removeLeftoverTemporaries). Throws as
// writeSideFile, before either file is touched.
void writeSideFiles(const std::string &yearsFile, const std::vector<std::string> &yearCells,
                    const std::string &rolesFile, const std::vector<std::string> &roleCells);

// The lock that every writer of a table or of its side files holds while it writes them (an import,
// `setup`, the window's Set OK and edits) and a statistics run while it reads them, so that two of
// them never mix their files: ".~<table name without extension, lower case>.table.lock" in the
// table's folder (the table in any case of its name has the same side files). Throws common::Error
// "Another <what the holder does> (process N) is using T.dbf and its side files in this folder"
// when another process holds it. `activity` says what this one does ("import").
class TableLock
{
public:
    TableLock(const std::filesystem::path &dir, const std::string &tableFile, const std::string &activity);

private:
    common::WriterLock m_lock;
};

} // namespace data
