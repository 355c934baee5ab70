/*
** The "dbf" virtual-table module: dBASE files in one directory as SQLite tables.
**
** USAGE
**
**   The module is registered on a connection for one directory (Connection::open does it). A table
**   is a file of that directory, attached under the name the SQL uses for it:
**
**     CREATE VIRTUAL TABLE "M_trees.dbf" USING dbf;
**
**   attaches the file named M_trees.dbf: the exact name when such a file exists, otherwise the file
**   whose name matches without regard to ASCII case (M_TREES.DBF, m_trees.Dbf), otherwise, for a
**   name without an extension, the name plus ".dbf". The engine attaches files itself: a statement
**   that fails with "no such table: X" gets X attached and is prepared again, one table per round, so
**   SQL simply names tables by file name in quotes: SELECT * FROM 'M_trees.dbf'.
**
**     CREATE VIRTUAL TABLE "TRANSIT.DBF" USING dbf(Id_plot CHAR(10), T00 DECIMAL(6,4), ...);
**
**   creates a new, empty file under exactly that name (".dbf" added when the name has none) and
**   refuses when a file of that name, in any case, exists. The engine turns the program's
**   CREATE TABLE "X.DBF" (...) into this statement. Column types:
**
**     CHAR(n), CHARACTER(n), VARCHAR(n)        C field of width n (1 to 254)
**     DECIMAL(p,s), NUMERIC(p,s), DECIMAL(p)   N field with s decimals, wide enough for p digits, a
**                                              sign and, when s > 0, the point (and a leading zero
**                                              when s = p), so that every value the declared
**                                              precision allows is stored exactly:
**                                              DECIMAL(4,0) is N(5,0), DECIMAL(6,4) is N(8,4),
**                                              DECIMAL(7,3) is N(9,3); p is 1 to 20, s 0 to p
**
**   Column names are 1 to 10 letters, digits or underscores, starting with a letter. The new file
**   has the language driver byte 0xC8 (code page 1250) and no .cpg file.
**
** VALUES
**
**   N and F fields are declared NUMERIC, all other fields TEXT. A numeric field reads as INTEGER when
**   it has no decimals and holds a whole number, otherwise as REAL; a blank field (spaces, or the
**   asterisks some writers use) reads as NULL, never as 0; a numeric field holding something that is
**   not a number reads as NULL too, and the connection notes the place (UnreadableValue), which a
**   live query's numeric reads turn into an error. Character fields read without trailing blanks; a
**   blank one is NULL. Other types (D, L, ...) read as their trimmed text. Deleted records are never
**   returned.
**   Numbers are parsed and written with from_chars/to_chars, whatever the C locale says.
**
**   Each table also has the hidden column dbf_record_number (the record's number from 1, as rowid),
**   through which a live query finds the record of a row.
**
** CODE PAGES
**
**   Character fields are converted from the file's code page to UTF-8 and back when written. The
**   code page is the one a .cpg file beside the table names (same base name, any case), else the one
**   of the language driver byte (byte 29 of the header). A file with neither is looked at when it is
**   opened: UTF-8 when the character fields of its live records are valid UTF-8 with at least one
**   character beyond ASCII, else CP1250; the decision is kept while the path names the same file
**   (dbffile.h). Bytes the code page does not define read as U+FFFD; a text with a character the
**   code page lacks is refused when written.
**
** WRITING AND CHANGES ON DISK
**
**   The module itself has no xUpdate: INSERT, UPDATE and DELETE in SQL are refused. The engine's
**   live queries and tables write through the shared file object (dbffile.h): each posted row goes to
**   the file at once with the header's record count, so other readers see it. A record is written
**   in one write of the whole record at its place, so a process killed meanwhile leaves it old or
**   new; a row a live query stores is also forced to the disk before the query goes on, and can be
**   told to an undo journal (editjournal.h). A table's file is
**   looked at (size, times, inode) whenever a statement over it starts: a file changed by another
**   program is read again; a file that is gone or has other fields makes the statement fail, and the
**   engine attaches it anew at the next prepare.
**
** SPEED
**
**   Equality constraints on columns (PLOT = :PlotNames AND SP = :NSpecies) are answered from an
**   index per column, built on first use and kept up to date by every write; SQLite checks every
**   returned row again, so the index only has to return a superset of the matches.
**
** MEMORY
**
**   Records are read from the file when asked for, through a cache of a few megabytes per file
**   (recordcache.h); appended rows go to the file and nowhere else. What a table costs in memory is
**   its indexes (a list of record numbers per distinct value), not its size.
*/
#include "common/asciicase.h"
#include "common/error.h"
#include "data/engine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace data {

namespace {

void setError(sqlite3_vtab *vtab, const std::string &message)
{
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", message.c_str());
}

// Runs body and turns every exception into an SQLite error code with its message: no exception may
// cross SQLite's C frames.
template <typename Body> int guarded(sqlite3_vtab *vtab, Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    } catch (const std::exception &e) {
        setError(vtab, e.what());
        return SQLITE_ERROR;
    } catch (...) {
        setError(vtab, "unknown error in the dbf module");
        return SQLITE_ERROR;
    }
}

struct DbfCursor : sqlite3_vtab_cursor
{
    std::shared_ptr<DbfFile> file;
    bool useRows = false;
    std::vector<std::uint32_t> rows; // candidates from the indexes, when useRows
    std::size_t position = 0;        // into rows, when useRows
    std::size_t record = 0;
    Cell cell;

    bool atEnd() const { return useRows ? position >= rows.size() : record >= file->recordCount(); }
    void settle()
    {
        if (useRows) {
            while (position < rows.size() && !file->isLive(rows[position]))
                ++position;
            if (position < rows.size()) record = rows[position];
        } else {
            while (record < file->recordCount() && !file->isLive(record))
                ++record;
        }
    }
};

// "name TYPE(args)" as a module argument: the name may be quoted with "", `` or [].
std::pair<std::string, std::string> splitColumnDefinition(const std::string &definition)
{
    std::size_t i = 0;
    std::string name;
    if (!definition.empty() && (definition[0] == '"' || definition[0] == '`' || definition[0] == '[')) {
        char close = definition[0] == '[' ? ']' : definition[0];
        for (i = 1; i < definition.size(); ++i) {
            if (definition[i] == close) {
                if (close != ']' && i + 1 < definition.size() && definition[i + 1] == close) {
                    name += close;
                    ++i;
                    continue;
                }
                ++i;
                break;
            }
            name += definition[i];
        }
    } else {
        while (i < definition.size() && !std::isspace(static_cast<unsigned char>(definition[i])))
            name += definition[i++];
    }
    while (i < definition.size() && std::isspace(static_cast<unsigned char>(definition[i])))
        ++i;
    return {name, definition.substr(i)};
}

std::string declaration(const DbfFile &file)
{
    std::string sql = "CREATE TABLE x(";
    for (const DbfField &field : file.fields())
        sql += quoteIdentifier(field.name) + (field.isNumeric() ? " NUMERIC, " : " TEXT, ");
    sql += std::string(kRecordColumn) + " INTEGER HIDDEN)";
    return sql;
}

int connectTable(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **result,
                 char **error, bool create)
{
    auto *engine = static_cast<Connection::Impl *>(aux);
    try {
        const std::string name = argv[2];
        if (create && argc > 3) {
            std::vector<FieldSpec> fields;
            for (int i = 3; i < argc; ++i) {
                auto [column, type] = splitColumnDefinition(argv[i]);
                FieldSpec field = fieldSpecOf(column, type);
                for (const FieldSpec &other : fields)
                    if (equalsIgnoreCase(other.name, field.name))
                        throw common::DataError("Column " + field.name + " is declared twice");
                fields.push_back(field);
            }
            std::string fileName = name.find('.') == std::string::npos ? name + ".dbf" : name;
            if (fileName.find('/') != std::string::npos || fileName == "." || fileName == "..")
                throw common::DataError("'" + name + "' cannot be a table file name");
            if (auto existing = engine->owner->findFile(fileName))
                throw common::DataError("Table " + fileName + " already exists (" +
                                        existing->filename().string() + ")");
            DbfFile::create(engine->directory / fileName, fields);
        }
        auto path = engine->resolveTable(name);
        if (!path) throw common::DataError("no such table: " + name);
        auto vtab = std::make_unique<DbfVtab>();
        vtab->engine = engine;
        vtab->name = name;
        vtab->file = engine->sharedFile(*path);
        vtab->layoutVersion = vtab->file->layoutVersion();
        vtab->fieldCount = static_cast<int>(vtab->file->fields().size());
        if (sqlite3_declare_vtab(db, declaration(*vtab->file).c_str()) != SQLITE_OK)
            throw common::DataError("Table " + vtab->file->fileName() +
                                    " cannot be attached: " + sqlite3_errmsg(db));
        engine->vtabs[lowerAscii(name)] = vtab.get();
        *result = vtab.release();
        return SQLITE_OK;
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    } catch (const std::exception &e) {
        *error = sqlite3_mprintf("%s", e.what());
        return SQLITE_ERROR;
    }
}

int xCreate(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **result, char **error)
{
    return connectTable(db, aux, argc, argv, result, error, true);
}

// A different function from xCreate, so that SQLite does not make the module an eponymous table.
int xConnect(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **result, char **error)
{
    return connectTable(db, aux, argc, argv, result, error, false);
}

int xDisconnect(sqlite3_vtab *tab)
{
    auto *vtab = static_cast<DbfVtab *>(tab);
    auto found = vtab->engine->vtabs.find(lowerAscii(vtab->name));
    if (found != vtab->engine->vtabs.end() && found->second == vtab) vtab->engine->vtabs.erase(found);
    sqlite3_free(vtab->zErrMsg);
    delete vtab;
    return SQLITE_OK;
}

int xBestIndex(sqlite3_vtab *tab, sqlite3_index_info *info)
{
    auto *vtab = static_cast<DbfVtab *>(tab);
    return guarded(tab, [&] {
        const int fieldCount = vtab->fieldCount;
        std::string columns;
        int used = 0;
        for (int i = 0; i < info->nConstraint && used < 8; ++i) {
            const auto &constraint = info->aConstraint[i];
            if (!constraint.usable || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ || constraint.iColumn < 0 ||
                constraint.iColumn >= fieldCount)
                continue;
            // Under another collation ('a1' = 'A1' COLLATE NOCASE) the index would miss matches.
            const char *collation = sqlite3_vtab_collation(info, i);
            if (collation && sqlite3_stricmp(collation, "BINARY") != 0) continue;
            info->aConstraintUsage[i].argvIndex = ++used;
            info->aConstraintUsage[i].omit = 0;
            columns += std::to_string(constraint.iColumn) + " ";
        }
        double rows = std::max<double>(1.0, static_cast<double>(vtab->file->recordCount()));
        if (used > 0) {
            info->idxNum = 1;
            info->idxStr = sqlite3_mprintf("%s", columns.c_str());
            info->needToFreeIdxStr = 1;
            info->estimatedRows =
                std::max<sqlite3_int64>(1, static_cast<sqlite3_int64>(rows / (20.0 * used)));
            info->estimatedCost = 10.0 + rows / (20.0 * used);
        } else {
            info->idxNum = 0;
            info->estimatedRows = static_cast<sqlite3_int64>(rows);
            info->estimatedCost = 100.0 + rows;
        }
        return SQLITE_OK;
    });
}

int xOpen(sqlite3_vtab *tab, sqlite3_vtab_cursor **result)
{
    return guarded(tab, [&] {
        auto *cursor = new DbfCursor();
        cursor->file = static_cast<DbfVtab *>(tab)->file;
        *result = cursor;
        return SQLITE_OK;
    });
}

int xClose(sqlite3_vtab_cursor *cursor)
{
    delete static_cast<DbfCursor *>(cursor);
    return SQLITE_OK;
}

// The index key a constraint value may match in a field, following SQLite's comparison rules: a
// numeric column compares a text value as a number when it looks like one, a text column compares
// text. Empty when every record has to be looked at (the index cannot answer for this value).
enum class KeyKind { Key, Nothing, Everything };
KeyKind keyOfValue(const DbfField &field, sqlite3_value *value, std::string &key)
{
    int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL) return KeyKind::Nothing;
    if (type == SQLITE_BLOB) return KeyKind::Everything;
    if (field.isNumeric()) {
        sqlite3_value *copy = sqlite3_value_dup(value);
        if (!copy) throw std::bad_alloc();
        int numeric = sqlite3_value_numeric_type(copy);
        if (numeric == SQLITE_INTEGER)
            key = DbfFile::numberKey(static_cast<double>(sqlite3_value_int64(copy)));
        else if (numeric == SQLITE_FLOAT)
            key = DbfFile::numberKey(sqlite3_value_double(copy));
        else
            key = DbfFile::textKey(reinterpret_cast<const char *>(sqlite3_value_text(copy)));
        sqlite3_value_free(copy);
        return KeyKind::Key;
    }
    // A number against a text column is compared as text only when no other column's affinity makes
    // the column a number first (a join); the index cannot tell, so such a value scans.
    if (type != SQLITE_TEXT) return KeyKind::Everything;
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    key = DbfFile::textKey(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value))));
    return KeyKind::Key;
}

int xFilter(sqlite3_vtab_cursor *base, int indexNumber, const char *indexText, int argc, sqlite3_value **argv)
{
    auto *cursor = static_cast<DbfCursor *>(base);
    auto *vtab = static_cast<DbfVtab *>(base->pVtab);
    return guarded(base->pVtab, [&] {
        DbfFile::Change change = vtab->file->sync();
        if (change == DbfFile::Change::Gone)
            throw common::DataError("Table " + vtab->file->fileName() + " no longer exists");
        if (vtab->file->layoutVersion() != vtab->layoutVersion)
            throw common::DataError("Table " + vtab->file->fileName() +
                                    " was changed on disk by another program; prepare the query again");
        cursor->file = vtab->file;
        cursor->useRows = false;
        cursor->rows.clear();
        cursor->position = 0;
        cursor->record = 0;
        if (indexNumber == 1 && indexText) {
            // SQLite checks every row again, so the shortest candidate list is enough.
            const char *p = indexText;
            const std::vector<std::uint32_t> *shortest = nullptr;
            bool narrowed = false;
            for (int k = 0; k < argc && *p; ++k) {
                char *end = nullptr;
                long column = std::strtol(p, &end, 10);
                p = end;
                while (*p == ' ')
                    ++p;
                if (column < 0 || column >= static_cast<long>(cursor->file->fields().size())) continue;
                std::string key;
                KeyKind kind =
                    keyOfValue(cursor->file->fields()[static_cast<std::size_t>(column)], argv[k], key);
                if (kind == KeyKind::Everything) continue;
                const std::vector<std::uint32_t> *list =
                    kind == KeyKind::Nothing ? nullptr
                                             : cursor->file->candidates(static_cast<int>(column), key);
                static const std::vector<std::uint32_t> none;
                if (!list) list = &none;
                if (!narrowed || list->size() < shortest->size()) shortest = list;
                narrowed = true;
                if (shortest->empty()) break;
            }
            if (narrowed) cursor->rows = *shortest;
            cursor->useRows = narrowed;
        }
        cursor->settle();
        return SQLITE_OK;
    });
}

int xNext(sqlite3_vtab_cursor *base)
{
    auto *cursor = static_cast<DbfCursor *>(base);
    return guarded(base->pVtab, [&] {
        if (cursor->useRows)
            ++cursor->position;
        else
            ++cursor->record;
        // Reads the next records' deletion flags: a file cut short meanwhile throws.
        cursor->settle();
        return SQLITE_OK;
    });
}

int xEof(sqlite3_vtab_cursor *base)
{
    return static_cast<DbfCursor *>(base)->atEnd() ? 1 : 0;
}

int xColumn(sqlite3_vtab_cursor *base, sqlite3_context *context, int column)
{
    auto *cursor = static_cast<DbfCursor *>(base);
    auto *vtab = static_cast<DbfVtab *>(base->pVtab);
    return guarded(base->pVtab, [&] {
        const DbfFile &file = *cursor->file;
        // Another statement may have read the file again meanwhile, laid out anew.
        if (file.layoutVersion() != vtab->layoutVersion)
            throw common::DataError("Table " + file.fileName() +
                                    " was changed on disk by another program; "
                                    "prepare the query again");
        if (cursor->atEnd() || cursor->record >= file.recordCount()) {
            sqlite3_result_null(context);
            return SQLITE_OK;
        }
        if (column < 0 || column >= vtab->fieldCount) {
            sqlite3_result_int64(context, static_cast<sqlite3_int64>(cursor->record) + 1);
            return SQLITE_OK;
        }
        Cell &cell = cursor->cell;
        file.readCell(cursor->record, column, cell);
        switch (cell.kind) {
        case Cell::Null:
            sqlite3_result_null(context);
            break;
        case Cell::Integer:
            sqlite3_result_int64(context, cell.integer);
            break;
        case Cell::Real:
            sqlite3_result_double(context, cell.real);
            break;
        case Cell::Text:
            // A numeric field holding no number is blank to SQL, so that letters never compare above
            // every number; the place is noted for whoever reads it as a number.
            if (file.fields()[static_cast<std::size_t>(column)].isNumeric()) {
                vtab->engine->noteUnreadable(file, column, cursor->record, cell.text);
                sqlite3_result_null(context);
                break;
            }
            sqlite3_result_text(context, cell.text.data(), static_cast<int>(cell.text.size()),
                                SQLITE_TRANSIENT);
            break;
        }
        return SQLITE_OK;
    });
}

int xRowid(sqlite3_vtab_cursor *base, sqlite3_int64 *rowid)
{
    *rowid = static_cast<sqlite3_int64>(static_cast<DbfCursor *>(base)->record) + 1;
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module module{};
    module.iVersion = 1;
    module.xCreate = xCreate;
    module.xConnect = xConnect;
    module.xBestIndex = xBestIndex;
    module.xDisconnect = xDisconnect;
    module.xDestroy = xDisconnect;
    module.xOpen = xOpen;
    module.xClose = xClose;
    module.xFilter = xFilter;
    module.xNext = xNext;
    module.xEof = xEof;
    module.xColumn = xColumn;
    module.xRowid = xRowid;
    return module;
}

const sqlite3_module kModule = makeModule();

bool parseArguments(const std::string &text, std::vector<int> &numbers)
{
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        if (start == i || i - start > 4) return false;
        numbers.push_back(std::stoi(text.substr(start, i - start)));
        if (i == text.size()) break;
        if (text[i] != ',') return false;
        ++i;
    }
    return !numbers.empty();
}

} // namespace

void registerDbfModule(sqlite3 *db, Connection::Impl *engine)
{
    if (sqlite3_create_module_v2(db, "dbf", &kModule, engine, nullptr) != SQLITE_OK)
        throw common::DataError(std::string("Cannot register the dBASE module: ") + sqlite3_errmsg(db));
}

FieldSpec fieldSpecOf(const std::string &name, const std::string &declaredType)
{
    bool nameOk = !name.empty() && name.size() <= 10 && std::isalpha(static_cast<unsigned char>(name[0]));
    for (char c : name)
        nameOk = nameOk && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!nameOk)
        throw common::DataError("Column name '" + name +
                                "' cannot be a dBASE field name (1 to 10 letters, digits or underscores, "
                                "starting with a letter)");
    std::string type;
    for (char c : declaredType)
        if (!std::isspace(static_cast<unsigned char>(c))) type += c;
    type = common::upperAscii(type);
    std::size_t open = type.find('(');
    std::string word = type.substr(0, open);
    std::vector<int> arguments;
    bool argumentsOk = open != std::string::npos && type.back() == ')' &&
                       parseArguments(type.substr(open + 1, type.size() - open - 2), arguments);
    auto refuse = [&](const std::string &why) {
        return common::DataError("Column " + name + ": type '" + declaredType + "' " + why);
    };
    if (word == "CHAR" || word == "CHARACTER" || word == "VARCHAR") {
        if (!argumentsOk || arguments.size() != 1) throw refuse("needs a width: CHAR(n)");
        if (arguments[0] < 1 || arguments[0] > 254) throw refuse("has a width outside 1 to 254");
        return {name, 'C', arguments[0], 0};
    }
    if (word == "DECIMAL" || word == "NUMERIC") {
        if (!argumentsOk || arguments.size() > 2) throw refuse("needs a precision: DECIMAL(p,s)");
        int precision = arguments[0];
        int scale = arguments.size() > 1 ? arguments[1] : 0;
        if (precision < 1 || precision > 20) throw refuse("has a precision outside 1 to 20");
        if (scale < 0 || scale > precision) throw refuse("has a scale outside 0 to its precision");
        int width = precision + 1 + (scale > 0 ? 1 : 0) + (scale > 0 && scale == precision ? 1 : 0);
        return {name, 'N', width, scale};
    }
    throw refuse("is not supported: use CHAR(n) or DECIMAL(p,s)");
}

} // namespace data
