// CSV rows in an in-memory SQLite table for the import.
#include "data/csvstage.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/scopeexit.h"
#include "common/terminaltext.h"
#include "data/csvreader.h"
#include "data/hardening.h"
#include "data/sqlnames.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

namespace data {

namespace {

constexpr const char *kRows = "csv_rows";

// SQLite asks the stop check where a loop jumps back (the next row, the next turn of a recursive
// query) once this many steps of its virtual machine have passed: at 1, at every such jump, so that
// a condition however costly per row is stopped after one row (connection.cpp has the numbers).
constexpr int kStepsBetweenStopChecks = 1;
// The longest text or blob an expression may make (SQLite's default is a billion bytes): a value
// that large is no field of a tree, and making one is a step that no stop check interrupts.
constexpr int kMaxValueBytes = 16 * 1024 * 1024;

// Why an expression would not stand alone between brackets: a quote, quoted name, comment or bracket
// it opens and does not close (which would swallow what follows it, the next expression included), a
// bracket it closes that it did not open, or a semicolon. Empty when it stands alone. The tokens are
// SQLite's: '...' and "..." and `...` with their quote doubled inside, [...], -- to the end of the
// line and /* ... */.
std::string unbalanced(std::string_view e)
{
    int depth = 0;
    for (std::size_t i = 0; i < e.size();) {
        const char c = e[i];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            std::size_t end = i + 1;
            for (;;) {
                end = e.find(close, end);
                if (end == std::string_view::npos)
                    return std::string("the quote ") + c + " opened in it is not closed";
                if (close != ']' && end + 1 < e.size() && e[end + 1] == close) {
                    end += 2;
                    continue;
                }
                break;
            }
            i = end + 1;
        } else if (e.substr(i, 2) == "--") {
            i = e.find('\n', i);
            if (i == std::string_view::npos) break;
        } else if (e.substr(i, 2) == "/*") {
            const std::size_t end = e.find("*/", i + 2);
            if (end == std::string_view::npos) return "the comment opened in it (/*) is not closed";
            i = end + 2;
        } else {
            if (c == ';') return "it is more than one expression";
            if (c == '(') ++depth;
            if (c == ')' && --depth < 0) return "it closes a bracket that it did not open";
            ++i;
        }
    }
    if (depth > 0) return "a bracket opened in it is not closed";
    return {};
}

// What the user's expressions may do: read the rows and call functions, nothing else (no PRAGMA, no
// write, no ATTACH), and no function that reaches into the program (hardening.h).
extern "C" int authorizeExpression(void *guarded, int action, const char *, const char *function,
                                   const char *, const char *)
{
    if (!*static_cast<const bool *>(guarded)) return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        return isRefusedFunction(function) ? SQLITE_DENY : SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

extern "C" int stageStopRequested(void *stage)
{
    const auto &stop = *static_cast<const std::function<bool()> *>(stage);
    return stop && stop() ? 1 : 0;
}

// A statement prepared from the whole of sql, or the engine's message.
sqlite3_stmt *prepareWhole(sqlite3 *db, const std::string &sql, std::string &message)
{
    sqlite3_stmt *statement = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail) != SQLITE_OK) {
        message = sqlite3_errmsg(db);
        return nullptr;
    }
    // An expression that closes the statement and starts another ("1; DELETE ...") is not one
    // expression.
    while (tail && *tail && (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';'))
        ++tail;
    if (tail && *tail) {
        sqlite3_finalize(statement);
        message = "it is more than one expression";
        return nullptr;
    }
    return statement;
}

} // namespace

CsvStage::CsvStage()
{
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close_v2(m_db);
        throw common::DataError("Cannot open the import's database: " + message);
    }
    // A name in double quotes is a column and nothing else: a misspelt one is refused instead of
    // being read as a text that every row has.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    try {
        hardenConnection(m_db);
    } catch (...) {
        sqlite3_close_v2(m_db);
        throw;
    }
    sqlite3_set_authorizer(m_db, authorizeExpression, &m_guarded);
    sqlite3_progress_handler(m_db, kStepsBetweenStopChecks, stageStopRequested, &m_stop);
}

void CsvStage::setStopCheck(std::function<bool()> stop)
{
    m_stop = std::move(stop);
}

CsvStage::~CsvStage()
{
    sqlite3_finalize(m_insert);
    sqlite3_close_v2(m_db);
}

void CsvStage::fail(const std::string &what) const
{
    throw common::DataError(what + ": " + sqlite3_errmsg(m_db));
}

void CsvStage::exec(const std::string &sql) const
{
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("The import's database");
}

std::string CsvStage::place(const RowOrigin &origin) const
{
    return "File " + m_files[origin.file] + ", line " + std::to_string(origin.line);
}

void CsvStage::createTable(const std::vector<std::string> &header)
{
    m_header = header;
    // The row number goes in a column of its own under a name no file column has.
    m_idColumn = "csv_row";
    auto taken = [&](const std::string &name) {
        return std::any_of(header.begin(), header.end(),
                           [&](const std::string &column) { return common::equalsIgnoreCase(column, name); });
    };
    for (int n = 1; taken(m_idColumn); ++n)
        m_idColumn = "csv_row" + std::to_string(n);
    // TEXT columns: a value compared with a number literal is compared as text ("StemTag = 1" finds
    // the field 1), and arithmetic reads the text as a number.
    std::string create =
        "CREATE TABLE " + std::string(kRows) + "(" + quoteIdentifier(m_idColumn) + " INTEGER PRIMARY KEY";
    std::string insert = "INSERT INTO " + std::string(kRows) + " VALUES(?";
    for (const std::string &column : header) {
        create += ", " + quoteIdentifier(column) + " TEXT";
        insert += ",?";
    }
    exec(create + ")");
    if (sqlite3_prepare_v3(m_db, (insert + ")").c_str(), -1, SQLITE_PREPARE_PERSISTENT, &m_insert, nullptr) !=
        SQLITE_OK)
        fail("The import's database");
    exec("PRAGMA journal_mode = OFF");
    exec("BEGIN");
    m_inTransaction = true;
}

std::size_t CsvStage::add(const std::string &fileName, std::string_view text, const std::string &missing)
{
    CsvReader reader(text, fileName);
    if (m_files.empty()) {
        createTable(reader.header());
    } else if (reader.header() != m_header) {
        const auto &header = reader.header();
        std::size_t i = 0;
        while (i < header.size() && i < m_header.size() && header[i] == m_header[i])
            ++i;
        std::string what = "File " + fileName + " has other columns than " + m_files.front() + ": column " +
                           std::to_string(i + 1) + " is ";
        what += i < header.size() ? "'" + common::escapeControls(header[i]) + "'" : "missing";
        what += i < m_header.size() ? ", not '" + common::escapeControls(m_header[i]) + "'"
                                    : ", which the first file does not have";
        throw common::DataError(what);
    }
    const auto file = static_cast<std::uint32_t>(m_files.size());
    m_files.push_back(fileName);
    std::size_t rows = 0;
    while (reader.next()) {
        const auto &fields = reader.fields();
        m_origins.push_back({file, static_cast<std::uint32_t>(reader.line())});
        sqlite3_bind_int64(m_insert, 1, static_cast<sqlite3_int64>(m_origins.size()));
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int index = static_cast<int>(i) + 2;
            if (fields[i].empty() || fields[i] == missing)
                sqlite3_bind_null(m_insert, index);
            else
                sqlite3_bind_text(m_insert, index, fields[i].data(), static_cast<int>(fields[i].size()),
                                  SQLITE_STATIC);
        }
        if (sqlite3_step(m_insert) != SQLITE_DONE) fail(place(m_origins.back()));
        sqlite3_reset(m_insert);
        ++rows;
    }
    return rows;
}

void CsvStage::check(const std::string &what, const std::string &expression, bool isCondition) const
{
    if (expression.find_first_not_of(" \t\r\n") == std::string::npos)
        throw common::DataError("The " + what + " is empty");
    // Each expression is read alone before it is joined to the others.
    if (const std::string fault = unbalanced(expression); !fault.empty())
        throw common::DataError("The " + what + " is refused: " + fault);
    // On lines of its own, so that a comment at its end ("-- ...") ends with it.
    const std::string sql = isCondition
                                ? "SELECT 1 FROM " + std::string(kRows) + " WHERE (\n" + expression + "\n)"
                                : "SELECT (\n" + expression + "\n) FROM " + kRows;
    std::string message;
    m_guarded = true;
    sqlite3_stmt *statement = prepareWhole(m_db, sql, message);
    m_guarded = false;
    if (!statement) throw common::DataError("The " + what + " is refused: " + message);
    sqlite3_finalize(statement);
}

bool CsvStage::select(const std::vector<std::string> &expressions, const std::string &condition,
                      const std::function<void(const RowOrigin &, sqlite3_stmt *)> &row)
{
    for (const std::string &expression : expressions)
        if (const std::string fault = unbalanced(expression); !fault.empty())
            throw common::DataError("The import's expressions are refused: " + fault);
    if (const std::string fault = unbalanced(condition); !fault.empty())
        throw common::DataError("The condition is refused: " + fault);
    if (m_inTransaction) {
        exec("COMMIT");
        m_inTransaction = false;
    }
    std::string sql = "SELECT " + quoteIdentifier(m_idColumn);
    for (const std::string &expression : expressions)
        sql += ",\n(\n" + (expression.empty() ? std::string("NULL") : expression) + "\n)";
    sql += "\nFROM " + std::string(kRows);
    if (!condition.empty()) sql += " WHERE (\n" + condition + "\n)";
    sql += "\nORDER BY " + quoteIdentifier(m_idColumn);
    std::string message;
    // Guarded while it runs too: SQLite may prepare the statement again on its way.
    m_guarded = true;
    const common::ScopeExit unguard([this] { m_guarded = false; });
    sqlite3_stmt *statement = prepareWhole(m_db, sql, message);
    if (!statement) throw common::DataError("The import's expressions are refused: " + message);
    const common::ScopeExit finalize([statement] { sqlite3_finalize(statement); });
    if (sqlite3_column_count(statement) != static_cast<int>(expressions.size()) + 1)
        throw common::DataError("The import's expressions are refused: they are not one value each");
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto id = sqlite3_column_int64(statement, 0);
        if (id < 1 || static_cast<std::uint64_t>(id) > m_origins.size())
            throw common::DataError("The import's expressions changed the row numbers");
        row(m_origins[static_cast<std::size_t>(id - 1)], statement);
    }
    if (rc == SQLITE_INTERRUPT && m_stop && m_stop()) return false;
    if (rc != SQLITE_DONE) fail("The import's expressions");
    return true;
}

} // namespace data
