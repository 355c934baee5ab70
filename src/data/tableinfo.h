// What a data table is as the engine reads it: its fields, its records and the code page of its text,
// for "fenoris-cli info" and the main window.
#pragma once

#include "data/codepage.h"
#include "data/database.h"
#include "data/dbffile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace data {

struct TableInfo
{
    std::string fileName; // as found in the directory
    std::vector<DbfField> fields;
    std::size_t records = 0; // records not marked deleted
    std::size_t deleted = 0; // records marked deleted, which no query returns
    CodePageChoice codePage;
};

// The table fileName (case ignored) of the connection's directory, as the connection's queries read
// it: the code page is the one they read and write its text in. Throws common::DataError when the
// connection is closed, there is no such file, or it is not a readable dBASE table.
TableInfo describeTable(Connection &connection, const std::string &fileName);

// The description as lines for the console: table, records, code page and how it was decided, then
// one line per field with its type letter and width (and decimals for numeric fields).
std::string formatTableInfo(const TableInfo &info);

} // namespace data
