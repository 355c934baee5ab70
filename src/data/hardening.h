// SQLite's defensive settings for the connections that run SQL the user typed: the engine's and the
// import's.
#pragma once

struct sqlite3;

namespace data {

// Turns on SQLITE_DBCONFIG_DEFENSIVE (no writable schema, no shadow-table writes) and turns off the
// two-argument fts3_tokenizer(), a writable schema and load_extension(). Throws common::DataError
// when SQLite does not take a setting.
void hardenConnection(sqlite3 *db);

// Whether SQL may call the function: fts3_tokenizer() hands out a pointer into the program,
// load_extension() loads code. For the connections' authorizers (SQLITE_FUNCTION).
bool isRefusedFunction(const char *name);

} // namespace data
