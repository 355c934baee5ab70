// The statement behind a Query: prepare with tables attached on demand, parameters, the cursor, and
// the edit buffer of a live row. Internal to the engine.
#pragma once

#include "data/engine.h"

#include <map>
#include <optional>
#include <set>
#include <unordered_map>

namespace data {

struct Query::Impl
{
    explicit Impl(Connection::Impl *engine);
    ~Impl();

    Connection::Impl *engine; // null once the connection is destroyed

    // Statement.
    std::string preparedText; // the text prepared
    sqlite3_stmt *stmt = nullptr;
    std::string createTable;                           // the statement is CREATE TABLE of this name
    std::set<std::string> parameterNames;              // lower case, without the ':'
    std::map<std::string, std::string> values;         // parameter values by lower-case name
    std::vector<std::string> columns;                  // result columns shown, in order
    std::unordered_map<std::string, int> columnLookup; // lower-case names -> first column
    unsigned generation = 0;                           // engine->dropGeneration when prepared

    // Live results: the rows are records of file, and the last result column is their number.
    bool live = false;
    std::shared_ptr<DbfFile> file;
    unsigned layoutVersion = 0;
    std::vector<int> fieldOfColumn;

    // Cursor.
    bool active = false;
    bool atEnd = true;
    int row = 0;
    std::optional<int> count;

    // Edit buffer: field index -> bytes, for the record of the current row.
    bool editing = false;
    std::size_t editRecord = 0;
    std::map<int, std::string> edits;
    EditJournal *journal = nullptr;

    void prepare(const std::string &sql);
    void unprepare();
    bool isPrepared() const { return stmt != nullptr; }
    void open();
    void execute();
    void close();
    void closeCursor();
    void first();
    void next();
    int recordCount();
    bool locate(int column, const std::string &value);

    int columnIndex(const std::string &name) const; // throws DataError for an unknown column
    Cell cell(int column) const;                    // the current row's value (the edited one while editing)
    std::string text(int column) const;
    // The current row's column of a live result when its numeric field holds no number (SQL read it
    // as blank); nothing otherwise.
    std::optional<UnreadableValue> unreadable(int column) const;
    // The current row's column to be read as a number: throws common::DataError naming the place when
    // it is a field of a live row that holds no number.
    Cell numericCell(int column) const;
    // Throws common::DataError for a text that is not a number read from the column as one.
    [[noreturn]] void refuseNumber(int column, const std::string &text) const;
    // "Table T, column C, record N" of the current row's column when the row is live, "Column C"
    // otherwise.
    std::string placeOf(int column) const;
    // The value rounded to a whole number, ties to even; common::DataError naming the place when it is
    // beyond 64-bit whole numbers.
    long long rounded(int column, long double value) const;

    void edit();
    void setField(int column, const std::string &value);
    void post();
    void cancelEdit();
    void requireLive() const;
    // The bytes of a value for a column, checked against the file's layout.
    std::string encode(int column, const std::string &value) const;
    // Writes the fields of one record, told to the journal, and makes it durable.
    void store(std::size_t record, const std::map<int, std::string> &fields);

private:
    sqlite3_stmt *compile(const std::string &sql, std::string *createTable);
    bool acceptLive(sqlite3_stmt *statement);
    void bindValues(sqlite3_stmt *statement) const;
    void ensureCurrent();
    void step();
    void advance();
    void restart();
    void runCreateTable();
};

} // namespace data
