// Names and values put into the SQL texts the program builds. A table goes in by its file name as a
// quoted literal, the engine's way of naming a dBASE file ('M_trees.dbf'); a column as a quoted
// identifier ("PLOT"); a value as a quoted literal. Quotes inside are doubled, so a table named
// O'Hara.dbf, a plot named O'Hara and columns named ORDER or GROUP all stay what they are.
#pragma once

#include <string>

namespace data {

// A value between single quotes, inner single quotes doubled: O'Hara gives 'O''Hara'.
std::string quoteLiteral(const std::string &value);

// A name between double quotes, inner double quotes doubled: ORDER gives "ORDER".
std::string quoteIdentifier(const std::string &name);

// A table of the connection's directory by its file name: quoteLiteral of the name.
std::string tableName(const std::string &fileName);

// A column of a table: quoteIdentifier of the name. An empty name (a role no column has) throws
// common::DataError, as SQLite would otherwise read "" as an empty text and the query would quietly
// find nothing.
std::string columnName(const std::string &name);

} // namespace data
