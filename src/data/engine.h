// Internals of the engine shared by the connection, its queries and tables, and the dbf module.
#pragma once

#include "data/database.h"
#include "data/dbffile.h"
#include "data/sqlnames.h"

#include <list>
#include <map>
#include <optional>
#include <set>
#include <sqlite3.h>

namespace data {

// The hidden column through which a live query learns the record of each row.
inline constexpr const char *kRecordColumn = "dbf_record_number";

// A table of the dbf module: one dBASE file attached under the name the SQL gives it.
struct DbfVtab : sqlite3_vtab
{
    Connection::Impl *engine = nullptr;
    std::string name;
    std::shared_ptr<DbfFile> file;
    unsigned layoutVersion = 0; // the file's layout the declared columns follow
    int fieldCount = 0;         // declared columns before the hidden record column
};

// A compiled statement kept for the next query that prepares the same text: the program prepares
// the same few texts for every plot and species.
struct CachedStatement
{
    std::string text;
    sqlite3_stmt *stmt = nullptr;
    unsigned generation = 0;
    bool live = false;
    std::shared_ptr<DbfFile> file;
    unsigned layoutVersion = 0;
    std::vector<int> fieldOfColumn;
};

struct Connection::Impl
{
    // What the authorizer saw while one statement was prepared.
    struct PrepareWatch
    {
        std::string createTable; // CREATE TABLE of this name in the main schema
        std::string denied;      // why the statement was refused
    };

    Connection *owner = nullptr;
    sqlite3 *db = nullptr;
    std::filesystem::path directory;
    std::map<std::string, std::weak_ptr<DbfFile>> files; // one object per file, by exact path
    std::map<std::string, DbfVtab *> vtabs;              // attached tables by lower-case name
    // Code pages decided from the text of files that name none, by exact path: a file is looked at
    // once while the connection is open, however often it is opened again.
    std::map<std::string, TextCodePage> textCodePages;
    std::set<Query::Impl *> queries;
    std::set<Table::Impl *> tables;
    unsigned dropGeneration = 0; // counts tables detached since the connection opened
    bool allowDrop = false;
    PrepareWatch *watch = nullptr;
    std::list<CachedStatement> statementCache; // most recent first
    std::optional<UnreadableValue> firstUnreadable;
    bool moreUnreadable = false;
    std::function<bool()> stop; // Connection::setStopCheck

    // Notes a value read as blank because its numeric field holds no number.
    void noteUnreadable(const DbfFile &file, int field, std::size_t record, const std::string &text);

    // Keeps a statement for reuse (the cache holds a few) or takes one back; nullopt when none fits.
    void keepStatement(CachedStatement statement);
    std::optional<CachedStatement> takeStatement(const std::string &text);
    void clearStatements();

    void requireOpen() const;
    // The file object of path shared by every table and query of this connection, brought up to date.
    std::shared_ptr<DbfFile> sharedFile(const std::filesystem::path &path);
    // The file a table name in SQL stands for: the name itself, matched without regard to case, or
    // the name with ".dbf" added when it has no extension.
    std::optional<std::filesystem::path> resolveTable(const std::string &name) const;
    // Attaches the file a missing table name stands for; false when there is no such file. Throws
    // common::DataError when the file is not a readable dBASE table.
    bool attach(const std::string &name);
    // Detaches tables whose files are gone, damaged now or laid out anew, so that the next prepare
    // attaches them again.
    void refreshAttachments();
    DbfVtab *findVtab(const std::string &name) const;
};

// Registers the dbf module on db for the engine's directory and files.
void registerDbfModule(sqlite3 *db, Connection::Impl *engine);

// The dBASE field a declared column type stands for (CHAR(n), DECIMAL(p,s) ...). Throws
// common::DataError for names dBASE cannot hold and for other types.
FieldSpec fieldSpecOf(const std::string &name, const std::string &declaredType);

// The table name and the columns (name, declared type) of a CREATE TABLE statement, in order, read by
// SQLite's own parser. Throws common::DataError with the parser's message.
struct DeclaredTable
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> columns;
};
DeclaredTable parseCreateTable(const std::string &sql);

} // namespace data
