// A new dBASE table written from its first record to its last by one writer, at the speed of the
// disk: the result tables of the statistics run.
//
// The engine's Table puts every posted row on disk with the header's record count, so that other
// readers see it at once; that costs several system calls per row. A TableWriter instead fills whole
// records in a buffer of a few hundred kilobytes and writes it in one call when it is full; the
// header's record count and the end-of-file mark are written by finish(). Until then the file is not
// a complete table, so it is written under a temporary name (common::ReplacingFile) and renamed into
// place once finished: no reader ever sees it growing. Values are encoded as the engine encodes them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace data {

class DbfFile;

class TableWriter
{
public:
    // Bytes of records gathered before they are written.
    static constexpr std::size_t kBufferBytes = 256 * 1024;

    // Creates the table at path, a file that must not exist or be empty, with the columns of a CREATE
    // TABLE statement given by its lines (the statement's own table name is not used). displayName
    // names the table in messages. Throws common::DataError for a statement the engine refuses or a
    // file that cannot be written.
    TableWriter(const std::filesystem::path &path, const std::vector<std::string> &createTable,
                std::string displayName);
    ~TableWriter();
    TableWriter(const TableWriter &) = delete;
    TableWriter &operator=(const TableWriter &) = delete;

    // The position of a column by name (case ignored); throws common::DataError when there is none.
    int field(std::string_view name) const;

    // Starts a new row, all blank; the row before it is complete from here on.
    void append();
    // Set a field of the row. Text is cut to the width of a character field; a number that does not
    // fit a numeric field throws common::DataError and leaves the field blank.
    void setString(int field, std::string_view text);
    void setInteger(int field, long long value);
    void setFloat(int field, double value);

    // Writes what the buffer holds, the record count into the header and the end-of-file mark; the
    // table is complete once it returns. Throws common::DataError when the disk refuses a byte (full,
    // or over the file size limit); the file is then not a table and must be discarded.
    void finish();
    std::size_t recordCount() const { return m_records; }

private:
    void setNumber(int field, double value, bool integer);
    void flush();
    [[noreturn]] void refuse(int error) const;

    std::string m_name;
    std::unique_ptr<DbfFile> m_layout; // the header as the engine reads it: fields and code page
    int m_fd = -1;
    std::size_t m_headerLength = 0;
    std::size_t m_recordLength = 0;
    std::size_t m_records = 0; // rows appended
    std::size_t m_written = 0; // rows on disk
    std::string m_buffer;      // rows not yet on disk; the last one is the row being set
    std::string m_blank;       // a blank record
    // The last value set per field and its bytes: plot and species repeat row after row, and so do
    // the shares 0 and 1 of a transition matrix.
    std::vector<std::pair<std::string, std::string>> m_lastText;
    struct LastNumber
    {
        bool integer = false;
        double value = 0;
        std::string bytes; // empty before the first number
    };
    std::vector<LastNumber> m_lastNumber;
};

} // namespace data
