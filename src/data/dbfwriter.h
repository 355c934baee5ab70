// The shapelib side of a dBASE file: a write handle over hooks that open the exact path and read and
// write it with pread and pwrite. Internal to the engine.
#pragma once

#include "data/dbffile.h"

#include <shapefil.h>

namespace data {

// What shapelib sees as its file: a descriptor and a position.
struct HookFile
{
    int fd = -1;
    std::size_t position = 0;
    bool discard = false; // set before closing: shapelib's closing writes are not wanted
    int error = 0;        // errno of the first failed write
};

struct DbfFile::Writer
{
    // Opens the file for writing. Throws common::DataError when the file cannot be opened for writing
    // or shapelib reads its header other than the engine does.
    Writer(const std::filesystem::path &path, std::size_t headerLength, std::size_t recordLength,
           std::size_t recordCount, const std::vector<DbfField> &fields);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // Writes a whole record (an existing one or the next new one) in one write at its place, then the
    // header with the record count and the date (today's when none is given). Throws
    // common::DataError when the file refuses a byte.
    void write(std::size_t record, const std::string &bytes, const DbfFile::UpdateDate *date = nullptr);
    // The header's date of the last update as the file holds it now.
    DbfFile::UpdateDate storedDate() const;
    std::size_t recordCount() const;

    std::filesystem::path path;
    HookFile file;
    DBFHandle handle = nullptr;
};

} // namespace data
