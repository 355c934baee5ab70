// The defensive settings of SQLite connections.
#include "data/hardening.h"

#include "common/error.h"

#include <sqlite3.h>

#include <string>

namespace data {

void hardenConnection(sqlite3 *db)
{
    sqlite3_enable_load_extension(db, 0);
    const std::pair<int, int> settings[] = {{SQLITE_DBCONFIG_DEFENSIVE, 1},
                                            {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
                                            {SQLITE_DBCONFIG_WRITABLE_SCHEMA, 0},
                                            {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0}};
    for (const auto &[setting, wanted] : settings) {
        int now = -1;
        if (sqlite3_db_config(db, setting, wanted, &now) != SQLITE_OK || now != wanted)
            throw common::DataError("The database engine refused a safety setting (" +
                                    std::to_string(setting) + ")");
    }
}

bool isRefusedFunction(const char *name)
{
    if (!name) return false;
    for (const char *refused : {"fts3_tokenizer", "load_extension"})
        if (sqlite3_stricmp(name, refused) == 0) return true;
    return false;
}

} // namespace data
