// The connection to a data folder: its parameter list, the in-memory SQLite database, the attached files.
#include "common/error.h"
#include "common/replacingfile.h"
#include "common/terminaltext.h"
#include "data/engine.h"
#include "data/hardening.h"
#include "data/queryimpl.h"
#include "data/tableimpl.h"

#include <algorithm>
#include <unistd.h>

namespace data {

namespace {

// Refuses the functions that reach into the program (hardening.h), DROP TABLE from SQL (the engine detaches
// tables itself) and notes CREATE TABLE, which the engine turns into a new dBASE file.
int authorize(void *data, int action, const char *first, const char *second, const char *database,
              const char *)
{
    auto *engine = static_cast<Connection::Impl *>(data);
    if (action == SQLITE_FUNCTION && isRefusedFunction(second)) {
        if (engine->watch) engine->watch->denied = std::string("The function ") + second + " is not allowed";
        return SQLITE_DENY;
    }
    if ((action == SQLITE_DROP_VTABLE || action == SQLITE_DROP_TABLE) && !engine->allowDrop) {
        if (engine->watch)
            engine->watch->denied = "DROP TABLE is not supported: delete the table's file instead";
        return SQLITE_DENY;
    }
    // Every file the engine reads or writes is a table of the data directory: a database file
    // attached from elsewhere (ATTACH, or VACUUM INTO, which attaches its target) is refused.
    if (action == SQLITE_ATTACH) {
        if (engine->watch)
            engine->watch->denied = "ATTACH is not supported: tables are the files of the data directory";
        return SQLITE_DENY;
    }
    if (action == SQLITE_CREATE_TABLE && engine->watch && first && database &&
        std::string(database) == "main")
        engine->watch->createTable = first;
    return SQLITE_OK;
}

std::string paramName(const std::string &line, std::size_t equals)
{
    return line.substr(0, equals);
}

} // namespace

void Connection::Impl::requireOpen() const
{
    if (!db) throw common::DataError("The database connection is not open");
}

std::shared_ptr<DbfFile> Connection::Impl::sharedFile(const std::filesystem::path &path)
{
    const std::string key = path.string();
    auto found = files.find(key);
    if (found != files.end()) {
        if (auto file = found->second.lock()) {
            if (file->sync() == DbfFile::Change::Gone)
                throw common::DataError("Table " + file->fileName() + " no longer exists");
            return file;
        }
    }
    auto decided = textCodePages.find(key);
    auto file = std::make_shared<DbfFile>(
        path, decided == textCodePages.end() ? std::nullopt : std::optional(decided->second));
    if (file->textCodePage())
        textCodePages[key] = *file->textCodePage();
    else
        textCodePages.erase(key);
    files[key] = file;
    return file;
}

std::optional<std::filesystem::path> Connection::Impl::resolveTable(const std::string &name) const
{
    if (auto path = owner->findFile(name)) return path;
    if (name.find('.') == std::string::npos) return owner->findFile(name + ".dbf");
    return std::nullopt;
}

DbfVtab *Connection::Impl::findVtab(const std::string &name) const
{
    auto found = vtabs.find(lowerAscii(name));
    return found == vtabs.end() ? nullptr : found->second;
}

void Connection::Impl::noteUnreadable(const DbfFile &file, int field, std::size_t record,
                                      const std::string &text)
{
    const std::string &column = file.fields()[static_cast<std::size_t>(field)].name;
    if (!firstUnreadable) {
        firstUnreadable = UnreadableValue{file.path(), column, record + 1, text};
        return;
    }
    if (firstUnreadable->record != record + 1 || firstUnreadable->column != column ||
        firstUnreadable->table != file.path())
        moreUnreadable = true;
}

std::string UnreadableValue::place() const
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(table, ec);
    if (ec) full = table;
    return "Table " + full.lexically_normal().string() + ", column " + column + ", record " +
           std::to_string(record);
}

std::string UnreadableValue::describe() const
{
    return place() + ": '" + common::escapeControls(text) + "' is not a number";
}

bool Connection::Impl::attach(const std::string &name)
{
    if (findVtab(name) || !resolveTable(name)) return false;
    std::string sql = "CREATE VIRTUAL TABLE " + quoteIdentifier(name) + " USING dbf";
    char *error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        throw common::DataError(message);
    }
    return true;
}

void Connection::Impl::keepStatement(CachedStatement statement)
{
    constexpr std::size_t kKept = 16;
    sqlite3_reset(statement.stmt);
    sqlite3_clear_bindings(statement.stmt);
    statementCache.push_front(std::move(statement));
    while (statementCache.size() > kKept) {
        sqlite3_finalize(statementCache.back().stmt);
        statementCache.pop_back();
    }
}

std::optional<CachedStatement> Connection::Impl::takeStatement(const std::string &text)
{
    for (auto it = statementCache.begin(); it != statementCache.end(); ++it) {
        if (it->text != text || it->generation != dropGeneration) continue;
        CachedStatement statement = std::move(*it);
        statementCache.erase(it);
        return statement;
    }
    return std::nullopt;
}

void Connection::Impl::clearStatements()
{
    for (CachedStatement &statement : statementCache)
        sqlite3_finalize(statement.stmt);
    statementCache.clear();
}

void Connection::Impl::refreshAttachments()
{
    std::vector<std::string> stale;
    for (const auto &[key, vtab] : vtabs) {
        try {
            if (vtab->file->sync() == DbfFile::Change::Gone ||
                vtab->file->layoutVersion() != vtab->layoutVersion)
                stale.push_back(vtab->name);
        } catch (const common::Error &) {
            stale.push_back(vtab->name);
        }
    }
    if (!stale.empty()) clearStatements();
    for (const std::string &name : stale) {
        // A table that an open query still reads cannot be dropped; that query's next start fails with
        // the reason, and a later prepare tries again.
        allowDrop = true;
        std::string sql = "DROP TABLE " + quoteIdentifier(name);
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        allowDrop = false;
        if (rc == SQLITE_OK) ++dropGeneration;
    }
}

Connection::Connection() : m_params{"PATH="}, m_impl(std::make_unique<Impl>())
{
    m_impl->owner = this;
}

Connection::~Connection()
{
    try {
        close();
    } catch (...) {
        // A pending edit that cannot be stored is lost with the connection.
    }
    for (Query::Impl *query : std::vector<Query::Impl *>(m_impl->queries.begin(), m_impl->queries.end()))
        query->engine = nullptr;
    for (Table::Impl *table : std::vector<Table::Impl *>(m_impl->tables.begin(), m_impl->tables.end()))
        table->engine = nullptr;
}

void Connection::setParam(const std::string &name, const std::string &value)
{
    for (std::string &line : m_params) {
        std::size_t equals = line.find('=');
        if (equals != std::string::npos && equalsIgnoreCase(paramName(line, equals), name)) {
            line = paramName(line, equals) + "=" + value;
            return;
        }
    }
    m_params.push_back(name + "=" + value);
}

std::string Connection::param(const std::string &name) const
{
    for (const std::string &line : m_params) {
        std::size_t equals = line.find('=');
        if (equals != std::string::npos && equalsIgnoreCase(paramName(line, equals), name))
            return line.substr(equals + 1);
    }
    return {};
}

std::filesystem::path Connection::directory() const
{
    return param("PATH");
}

namespace {

// SQLite counts the steps of its virtual machine but calls the stop check only where a loop jumps
// back (the next row, the next turn of a recursive query), once the count passes this. A row of a
// scan is about ten steps, so a larger count would look only every few rows, and a condition that
// costs a second per row (a huge value made per row) would be stopped after several seconds. At 1
// the check comes at every such jump, which costs a few per cent of a plain scan.
constexpr int kStepsBetweenStopChecks = 1;
// The longest text or blob a statement may make (SQLite's default is a billion bytes). No field
// holds more than a few hundred bytes; a value of this size is made in one step of the virtual
// machine, which no stop check interrupts, in well under a second.
constexpr int kMaxValueBytes = 16 * 1024 * 1024;

extern "C" int stopRequested(void *impl)
{
    const auto &stop = static_cast<Connection::Impl *>(impl)->stop;
    return stop && stop() ? 1 : 0;
}

} // namespace

void Connection::setStopCheck(std::function<bool()> stop)
{
    m_impl->stop = std::move(stop);
}

const std::function<bool()> &Connection::stopCheck() const
{
    return m_impl->stop;
}

void Connection::open()
{
    if (m_impl->db) return;
    std::filesystem::path dir = directory();
    std::error_code ec;
    if (dir.empty()) throw common::DataError("The connection has no PATH: set it to the data directory");
    if (!std::filesystem::is_directory(dir, ec) || ::access(dir.c_str(), R_OK | X_OK) != 0)
        throw common::DataError("Cannot open the data directory " + dir.string() +
                                ": it is not a readable directory");
    // A statistics run killed between the renames of its tables left a journal: the pair is made
    // whole before a table of the folder is read.
    common::finishInterruptedCommits(dir.string());
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        throw common::DataError("Cannot open the database engine: " + message);
    }
    try {
        m_impl->db = db;
        m_impl->directory = dir;
        m_impl->dropGeneration = 0;
        m_impl->firstUnreadable.reset();
        m_impl->moreUnreadable = false;
        // The program's conditions may quote text in double quotes (SP="SM").
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 1, nullptr);
        hardenConnection(db);
        sqlite3_set_authorizer(db, authorize, m_impl.get());
        // And no database beside the in-memory one, whatever statement would attach it.
        sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
        sqlite3_progress_handler(db, kStepsBetweenStopChecks, stopRequested, m_impl.get());
        registerDbfModule(db, m_impl.get());
    } catch (...) {
        m_impl->db = nullptr;
        sqlite3_close_v2(db);
        throw;
    }
}

void Connection::close()
{
    if (!m_impl->db) return;
    std::string firstError;
    for (Query::Impl *query : std::vector<Query::Impl *>(m_impl->queries.begin(), m_impl->queries.end())) {
        try {
            query->close();
        } catch (const std::exception &e) {
            if (firstError.empty()) firstError = e.what();
            query->cancelEdit();
            query->closeCursor();
        }
        query->unprepare();
    }
    for (Table::Impl *table : std::vector<Table::Impl *>(m_impl->tables.begin(), m_impl->tables.end())) {
        try {
            table->close();
        } catch (const std::exception &e) {
            if (firstError.empty()) firstError = e.what();
            table->pending.reset();
            table->file.reset();
        }
    }
    m_impl->clearStatements();
    sqlite3_close_v2(m_impl->db);
    m_impl->db = nullptr;
    m_impl->vtabs.clear();
    m_impl->files.clear();
    m_impl->textCodePages.clear();
    if (!firstError.empty()) throw common::DataError(firstError);
}

bool Connection::isOpen() const
{
    return m_impl->db != nullptr;
}

std::optional<std::filesystem::path> Connection::findFile(const std::string &fileName) const
{
    if (fileName.empty() || fileName == "." || fileName == ".." || fileName.find('/') != std::string::npos ||
        fileName.find('\0') != std::string::npos)
        return std::nullopt;
    std::filesystem::path dir = directory();
    std::error_code ec;
    if (std::filesystem::is_regular_file(dir / fileName, ec)) return dir / fileName;
    std::vector<std::filesystem::path> matches;
    for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
        std::error_code entryError;
        if (equalsIgnoreCase(entry.path().filename().string(), fileName) && entry.is_regular_file(entryError))
            matches.push_back(entry.path());
    }
    if (matches.empty()) return std::nullopt;
    return *std::min_element(matches.begin(), matches.end());
}

const std::optional<UnreadableValue> &Connection::firstUnreadable() const
{
    return m_impl->firstUnreadable;
}

bool Connection::moreUnreadable() const
{
    return m_impl->moreUnreadable;
}

sqlite3 *Connection::handle() const
{
    return m_impl->db;
}

} // namespace data
