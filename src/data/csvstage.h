// The rows of CSV files held in an in-memory SQLite table, every field as text, so that SQL
// expressions over their columns can be evaluated. Internal to the import.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace data {

// Where a staged row came from.
struct RowOrigin
{
    std::uint32_t file = 0; // index in the order the files were added
    std::uint32_t line = 0; // line of the file where the record starts
};

class CsvStage
{
public:
    CsvStage();
    ~CsvStage();
    CsvStage(const CsvStage &) = delete;
    CsvStage &operator=(const CsvStage &) = delete;

    // Adds the records of a file's text (UTF-8) and returns how many. The first file decides the
    // columns; a later file whose header differs is refused, naming the first column that differs.
    // A field that is empty or equals missing is NULL. Throws common::DataError (csvreader.h).
    std::size_t add(const std::string &fileName, std::string_view text, const std::string &missing);

    // Refuses, with SQLite's message, an expression (or a condition) that cannot be evaluated over
    // the columns: "The value expression is refused: no such column: x". what names it. An
    // expression that does not stand alone (a quote, comment or bracket it leaves open or closes
    // beyond itself, a semicolon) or does more than read the rows and call functions is refused too.
    void check(const std::string &what, const std::string &expression, bool isCondition) const;

    // Asked at every row and every turn of a loop while select() runs: true stops it.
    void setStopCheck(std::function<bool()> stop);

    // Runs SELECT expressions FROM the rows WHERE condition (every row when empty), in the order the
    // rows were added, and calls row for each with the statement, whose columns are the expressions.
    // Each expression and the condition are checked alone first, so that one cannot reach into the
    // next (a comment or bracket left open); they may only read the rows and call functions. Returns
    // false when the stop check stopped it.
    bool select(const std::vector<std::string> &expressions, const std::string &condition,
                const std::function<void(const RowOrigin &, sqlite3_stmt *)> &row);

    const std::string &fileName(std::uint32_t file) const { return m_files[file]; }
    // "File F, line N" of a row.
    std::string place(const RowOrigin &origin) const;

private:
    void createTable(const std::vector<std::string> &header);
    void exec(const std::string &sql) const;
    [[noreturn]] void fail(const std::string &what) const;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    std::vector<std::string> m_header;
    std::vector<std::string> m_files;
    std::vector<RowOrigin> m_origins; // by row id - 1
    std::string m_idColumn;
    bool m_inTransaction = false;
    mutable bool m_guarded = false; // the user's SQL is being prepared: the authorizer holds it to reading
    std::function<bool()> m_stop;
};

} // namespace data
