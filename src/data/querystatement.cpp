// The statement of a Query: compiled with its tables attached on demand, made live when it is
// SELECT * over one table, CREATE TABLE turned into a new dBASE file.
#include "common/error.h"
#include "data/queryimpl.h"

#include <cctype>
#include <cstring>

namespace data {

namespace {

// Whitespace, comments and semicolons only: what may follow the one statement of a text.
bool isBlankSql(const char *p)
{
    while (p && *p) {
        if (std::isspace(static_cast<unsigned char>(*p)) || *p == ';') {
            ++p;
        } else if (p[0] == '-' && p[1] == '-') {
            while (*p && *p != '\n')
                ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            const char *end = std::strstr(p + 2, "*/");
            p = end ? end + 2 : p + std::strlen(p);
        } else {
            return false;
        }
    }
    return true;
}

std::string abbreviated(std::string text)
{
    std::size_t start = text.find_first_not_of(" \t\r\n;");
    text = start == std::string::npos ? "" : text.substr(start);
    return text.size() > 60 ? text.substr(0, 60) + "..." : text;
}

// The position of the '*' of a text that starts "SELECT * FROM", or npos.
std::size_t selectStarPosition(const std::string &sql)
{
    std::size_t i = 0;
    auto skipSpace = [&] {
        std::size_t start = i;
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
            ++i;
        return i > start;
    };
    auto word = [&](const char *expected) {
        std::size_t length = std::strlen(expected);
        if (sql.size() - i < length || !equalsIgnoreCase(sql.substr(i, length), expected)) return false;
        i += length;
        return true;
    };
    skipSpace();
    if (!word("SELECT") || !skipSpace() || i >= sql.size() || sql[i] != '*') return std::string::npos;
    std::size_t star = i++;
    if (!skipSpace() || !word("FROM")) return std::string::npos;
    return star;
}

} // namespace

sqlite3_stmt *Query::Impl::compile(const std::string &sql, std::string *created)
{
    for (int round = 0;; ++round) {
        Connection::Impl::PrepareWatch watch;
        engine->watch = &watch;
        sqlite3_stmt *statement = nullptr;
        const char *tail = nullptr;
        int rc = sqlite3_prepare_v2(engine->db, sql.c_str(), -1, &statement, &tail);
        engine->watch = nullptr;
        if (rc == SQLITE_OK) {
            if (!statement) throw common::DataError("The SQL text holds no statement");
            if (!isBlankSql(tail)) {
                sqlite3_finalize(statement);
                throw common::DataError(
                    "Only one SQL statement can be run at a time; the text goes on after the "
                    "first: " +
                    abbreviated(tail));
            }
            if (created) *created = watch.createTable;
            return statement;
        }
        std::string message = !watch.denied.empty() ? watch.denied : sqlite3_errmsg(engine->db);
        sqlite3_finalize(statement);
        // CREATE TABLE over a table whose file was deleted, while an open query still reads the old file.
        const std::string exists = "\" already exists";
        if (message.rfind("table \"", 0) == 0 && message.size() > exists.size() + 7 &&
            message.compare(message.size() - exists.size(), exists.size(), exists) == 0) {
            DbfVtab *vtab = engine->findVtab(message.substr(7, message.size() - 7 - exists.size()));
            bool gone = false;
            try {
                gone = vtab && vtab->file->sync() == DbfFile::Change::Gone;
            } catch (const common::Error &) {
            }
            if (gone)
                message = "Table " + vtab->name +
                          " cannot be created again while an open query still reads "
                          "the former file; close it first";
        }
        // One missing table is reported per round: attach its file and try again.
        const std::string prefix = "no such table: ";
        if (round < 64 && message.compare(0, prefix.size(), prefix) == 0) {
            std::string missing = message.substr(prefix.size());
            if (missing.size() > 5 && equalsIgnoreCase(missing.substr(0, 5), "main.")) missing.erase(0, 5);
            if (engine->attach(missing)) continue;
        }
        throw common::DataError(message);
    }
}

bool Query::Impl::acceptLive(sqlite3_stmt *statement)
{
    int count = sqlite3_column_count(statement);
    const char *table = count > 1 ? sqlite3_column_table_name(statement, 0) : nullptr;
    const char *last = count > 1 ? sqlite3_column_origin_name(statement, count - 1) : nullptr;
    DbfVtab *vtab = table ? engine->findVtab(table) : nullptr;
    if (!vtab || !last || std::strcmp(last, kRecordColumn) != 0) return false;
    std::vector<int> fields;
    for (int i = 0; i < count - 1; ++i) {
        const char *columnTable = sqlite3_column_table_name(statement, i);
        const char *origin = sqlite3_column_origin_name(statement, i);
        if (!columnTable || !origin || !equalsIgnoreCase(columnTable, table)) return false;
        fields.push_back(vtab->file->fieldIndex(origin));
        if (fields.back() < 0) return false;
    }
    live = true;
    file = vtab->file;
    layoutVersion = vtab->layoutVersion;
    fieldOfColumn = fields;
    return true;
}

void Query::Impl::prepare(const std::string &sql)
{
    if (!engine) throw common::DataError("The query's database connection no longer exists");
    engine->requireOpen();
    unprepare();
    engine->refreshAttachments();
    std::string created;
    if (auto kept = engine->takeStatement(sql)) {
        stmt = kept->stmt;
        live = kept->live;
        file = kept->file;
        layoutVersion = kept->layoutVersion;
        fieldOfColumn = kept->fieldOfColumn;
    }
    // "SELECT * FROM one table" is compiled with the record number as an extra last column, which
    // makes its rows live; a text for which that fails is compiled as it was written.
    std::size_t star = stmt ? std::string::npos : selectStarPosition(sql);
    if (star != std::string::npos) {
        std::string rewritten = sql.substr(0, star + 1) + ", " + kRecordColumn + sql.substr(star + 1);
        try {
            stmt = compile(rewritten, &created);
        } catch (const common::DataError &) {
            stmt = nullptr;
        }
        if (stmt && (!created.empty() || !acceptLive(stmt))) {
            sqlite3_finalize(stmt);
            stmt = nullptr;
            live = false;
        }
    }
    if (!stmt) stmt = compile(sql, &created);
    preparedText = sql;
    createTable = created;
    generation = engine->dropGeneration;

    int shown = sqlite3_column_count(stmt) - (live ? 1 : 0);
    for (int i = 0; i < shown; ++i) {
        columns.emplace_back(sqlite3_column_name(stmt, i));
        columnLookup.emplace(lowerAscii(columns.back()), i);
    }
    for (int i = 1; i <= sqlite3_bind_parameter_count(stmt); ++i) {
        const char *name = sqlite3_bind_parameter_name(stmt, i);
        if (name && name[0] && name[1]) parameterNames.insert(lowerAscii(name + 1));
    }
    for (auto it = values.begin(); it != values.end();)
        it = parameterNames.count(it->first) ? std::next(it) : values.erase(it);
}

void Query::Impl::unprepare()
{
    closeCursor();
    if (stmt && engine && engine->db && createTable.empty())
        engine->keepStatement({preparedText, stmt, generation, live, file, layoutVersion, fieldOfColumn});
    else
        sqlite3_finalize(stmt);
    stmt = nullptr;
    createTable.clear();
    parameterNames.clear();
    columns.clear();
    columnLookup.clear();
    live = false;
    file.reset();
    fieldOfColumn.clear();
}

void Query::Impl::ensureCurrent()
{
    if (!engine) throw common::DataError("The query's database connection no longer exists");
    engine->requireOpen();
    if (!stmt) prepare(preparedText);
    // A statement prepared a while ago may name a table whose file was since replaced by one with
    // other fields: that table is attached anew and the statement prepared again.
    engine->refreshAttachments();
    if (engine->dropGeneration != generation) prepare(preparedText);
}

void Query::Impl::bindValues(sqlite3_stmt *statement) const
{
    sqlite3_clear_bindings(statement);
    for (int i = 1; i <= sqlite3_bind_parameter_count(statement); ++i) {
        const char *name = sqlite3_bind_parameter_name(statement, i);
        if (!name || !name[0] || !name[1]) continue;
        auto value = values.find(lowerAscii(name + 1));
        if (value != values.end())
            sqlite3_bind_text(statement, i, value->second.data(), static_cast<int>(value->second.size()),
                              SQLITE_TRANSIENT);
    }
}

void Query::Impl::execute()
{
    ensureCurrent();
    if (!createTable.empty()) {
        runCreateTable();
        return;
    }
    sqlite3_reset(stmt);
    bindValues(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    std::string message = rc == SQLITE_DONE ? "" : sqlite3_errmsg(engine->db);
    sqlite3_reset(stmt);
    if (!message.empty()) throw common::DataError(message);
}

DeclaredTable parseCreateTable(const std::string &sql)
{
    // SQLite's own parser reads the statement in a scratch database; its columns and declared types
    // then make the dBASE file.
    sqlite3 *scratch = nullptr;
    sqlite3_open_v2(":memory:", &scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DeclaredTable declared;
    std::string failure;
    char *error = nullptr;
    if (sqlite3_exec(scratch, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        failure = error ? error : sqlite3_errmsg(scratch);
    } else {
        sqlite3_stmt *info = nullptr;
        sqlite3_prepare_v2(
            scratch,
            "SELECT m.name, p.name, p.type FROM sqlite_schema AS m, pragma_table_info(m.name) AS p "
            "WHERE m.type = 'table' ORDER BY p.cid",
            -1, &info, nullptr);
        while (sqlite3_step(info) == SQLITE_ROW) {
            declared.name = reinterpret_cast<const char *>(sqlite3_column_text(info, 0));
            declared.columns.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(info, 1)),
                                          reinterpret_cast<const char *>(sqlite3_column_text(info, 2)));
        }
        sqlite3_finalize(info);
    }
    sqlite3_free(error);
    sqlite3_close_v2(scratch);
    if (!failure.empty()) throw common::DataError(failure);
    return declared;
}

void Query::Impl::runCreateTable()
{
    const DeclaredTable declared = parseCreateTable(preparedText);
    std::string sql = "CREATE VIRTUAL TABLE " + quoteIdentifier(createTable) + " USING dbf(";
    for (std::size_t i = 0; i < declared.columns.size(); ++i) {
        const auto &[name, type] = declared.columns[i];
        fieldSpecOf(name, type);
        sql += (i ? ", " : "") + quoteIdentifier(name) + " " + type;
    }
    sql += ")";
    engine->refreshAttachments();
    char *error = nullptr;
    if (sqlite3_exec(engine->db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(engine->db);
        sqlite3_free(error);
        throw common::DataError(message);
    }
}

} // namespace data
