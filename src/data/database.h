// The program's database engine: dBASE tables kept as files in one directory, answered through SQL.
//
// Connection holds the parameter list ("PATH=" + directory, "DEFAULT DRIVER=dBASE",
// "ENABLE BCD=FALSE") and, once connected, an in-memory SQLite database on which the dbf
// virtual-table module (dbfmodule.h) is registered. Every table named in SQL by its file name in
// single or double quotes ('M_trees.dbf', "TRANSIT.DBF") is resolved to that file in the PATH
// directory, the name matched without regard to case, and attached on first use.
//
// Query is the dataset the windows work with: SQL set by lines, named text parameters, a cursor with
// first/next/eof, fields read by name, locate, and live editing of single-table SELECT * results.
// Table opens one dBASE file by name for appending rows.
//
// Every refusal is a common::DataError carrying the engine's message.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace data {

class EditJournal;

// A value that the engine reads as blank because its numeric field holds something that is not a
// number (letters typed into a defoliation column, for instance): SQL compares it as NULL, never as
// text above every number. Where the program reads a value as a number, such a field is an error
// that names this place.
struct UnreadableValue
{
    std::filesystem::path table; // the table's file, as the connection's directory names it
    std::string column;
    std::size_t record = 0; // from 1, as dBASE tools count records
    std::string text;

    // "Table /data/T.dbf, column D2021, record 17: 'abc' is not a number", with the full path.
    std::string describe() const;
    // "Table /data/T.dbf, column D2021, record 17", the place alone.
    std::string place() const;
};

class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Replaces the value of the parameter whose name matches (case ignored), or appends it.
    void setParam(const std::string &name, const std::string &value);
    // The value of a parameter (name case ignored), empty when absent.
    std::string param(const std::string &name) const;

    // Connects to the PATH directory; throws DataError when it is not a readable directory.
    void open();
    // A check the engine calls every few thousand steps of a statement, also while it reads a table;
    // when it returns true the statement stops with DataError "interrupted", so that Ctrl+C or Cancel
    // ends a slow condition within moments. Kept over close() and open().
    void setStopCheck(std::function<bool()> stop);
    const std::function<bool()> &stopCheck() const;
    // Disconnects; open queries and tables of this connection become closed.
    void close();
    bool isOpen() const;

    std::filesystem::path directory() const;
    // The file in the PATH directory whose name matches fileName without regard to case; the exact
    // name when the file exists under it, else the first case-insensitive match; nullopt when none.
    std::optional<std::filesystem::path> findFile(const std::string &fileName) const;

    // The first value read as blank since the connection was opened because its numeric field holds
    // no number, and whether other such values were read after it; nothing when there was none.
    const std::optional<UnreadableValue> &firstUnreadable() const;
    bool moreUnreadable() const;

    // The SQLite connection; valid while open.
    sqlite3 *handle() const;

    // Engine internals shared with queries and tables.
    struct Impl;
    Impl &impl() const { return *m_impl; }

private:
    std::vector<std::string> m_params;
    std::unique_ptr<Impl> m_impl;
};

class Query
{
public:
    explicit Query(Connection &connection);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    // The SQL text as lines; the engine receives them joined by line breaks ("\n").
    void setSql(const std::vector<std::string> &lines);
    void addSql(const std::string &line);
    const std::vector<std::string> &sqlLines() const { return m_lines; }
    std::string sqlText() const;

    // Parses the text (exactly one statement); parameters keep their values across prepare only when
    // their names are unchanged.
    void prepare();
    bool isPrepared() const;
    // Sets a named parameter (":Name" in the text, name matched without regard to case) as text.
    void setParam(const std::string &name, const std::string &value);

    // Runs a statement that returns rows and positions on the first row.
    void open();
    // Runs a statement without result (CREATE TABLE ...).
    void execSql();
    // Stores a pending edit, then closes the cursor. Safe to call when closed.
    void close();
    bool isActive() const;

    // Cursor.
    void first();
    void next();
    bool eof() const;
    int recordCount();

    // Result columns in order, as the table names them.
    std::vector<std::string> fieldNames() const;
    // A column of the current row by name (case ignored). Text: empty for a blank value, numbers in
    // the general format with 15 digits and '.', character columns without trailing blanks.
    std::string asString(const std::string &field) const;
    bool isNull(const std::string &field) const;
    // The same by position in fieldNames(), for results whose columns share a name.
    std::string valueText(int column) const;
    bool valueIsNull(int column) const;
    // Whole number, ties to even; a blank reads 0. ConvertError when the text is not a number,
    // DataError naming the place (UnreadableValue) when the field of a live row holds no number or a
    // number beyond 64-bit whole numbers.
    long long asInteger(const std::string &field) const;
    // Floating point; a blank reads 0. Errors as asInteger.
    double asFloat(const std::string &field) const;
    // The column as a number, nothing for a blank. Throws common::DataError naming the table, the
    // column and the record (UnreadableValue::describe) when the field of a live row holds something
    // that is not a number, and naming the column for other text that is not one.
    std::optional<double> numberOrBlank(const std::string &field) const;
    // The same by position in fieldNames(), for reading many rows.
    std::optional<double> numberOrBlank(int column) const;
    // numberOrBlank as a whole number, ties to even. Throws as numberOrBlank, and common::DataError
    // naming the place (the table, column and record of a live row) for a number beyond the whole
    // numbers the program computes with (64 bits).
    std::optional<long long> integerOrBlank(int column) const;
    std::optional<long long> integerOrBlank(const std::string &field) const;

    // Moves to the first row whose column equals value (compared as text, exactly); false and the
    // cursor unchanged when there is none.
    bool locate(const std::string &field, const std::string &value);

    // Live editing: only for results of "SELECT * FROM 'table' ..." over one dBASE table.
    bool canModify() const;
    void edit();
    void setField(const std::string &field, const std::string &text);
    // Writes the edited row into its record; called by next(), first(), locate() and close().
    void post();
    void cancel();
    bool isEditing() const;
    // Empty when the rows can be edited; otherwise why not (the result is not live, the file cannot
    // be written).
    std::string readOnlyReason() const;
    // Throws DataError, naming the column and the value, when text cannot be stored in the column: a
    // numeric column refuses text that is not a number and numbers that do not fit its width.
    void checkValue(const std::string &field, const std::string &text) const;

    // Live rows by their records, for a view that keeps the rows it was shown: the record of the
    // current row, and a record read again or written without moving the cursor.
    std::size_t recordNumber() const;
    // The texts of a record as this query gives its columns (one per fieldNames() entry), read from
    // the file as it is now. Throws DataError when the record is gone or the table's layout changed.
    std::vector<std::string> recordTexts(std::size_t record);
    // Stores (column, text) values into a record at once, as edit, setField and post on its row do.
    // Every value is checked before anything is written.
    void storeRecord(std::size_t record, const std::vector<std::pair<std::string, std::string>> &values);
    // Every row this query stores from now on is told to the journal (none when null), for undo.
    void setJournal(EditJournal *journal);

    struct Impl;

private:
    Connection &m_connection;
    std::vector<std::string> m_lines;
    std::unique_ptr<Impl> m_impl;
};

// Throws FileError when path names a folder or another file that is not a regular file (a pipe, a
// device), so that such a table is not reported as missing; does nothing otherwise.
void requireTableFileType(const std::filesystem::path &path);

class Table
{
public:
    Table(Connection &connection, const std::string &fileName);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    const std::string &fileName() const { return m_fileName; }
    void open();
    void close();
    bool isOpen() const;
    std::vector<std::string> fieldNames() const;

    // Starts a new blank row; fields are set by name (case ignored) and the row is written by post().
    void append();
    void setString(const std::string &field, const std::string &text);
    void setInteger(const std::string &field, long long value);
    void setFloat(const std::string &field, double value);
    void setNull(const std::string &field);
    // Whether setFloat(field, value) would be stored: always for character fields, for numeric fields
    // when the value written with the field's decimals fits its width.
    bool fits(const std::string &field, double value) const;
    void post();
    void cancel();
    int recordCount() const;

    struct Impl;

private:
    Connection &m_connection;
    std::string m_fileName;
    std::unique_ptr<Impl> m_impl;
};

} // namespace data
