// CSV files as monitoring data arrive: a header row, comma or semicolon between fields, quoted fields
// as RFC 4180 has them, text in UTF-8 or in the code page of older Windows programs.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace data {

// The whole text of a file in UTF-8, and the code page it was read in.
struct CsvText
{
    std::string text;
    std::string codePage; // "UTF-8", or the fallback's iconv name
};

// The longest line a CSV file may have, in bytes (1 MiB): a longer one is taken for a file that is
// not CSV text rather than read whole into memory field by field.
inline constexpr std::size_t kMaxCsvLineBytes = 1024 * 1024;

// Reads the file whole; it must be a regular file (a device, pipe or folder is refused before
// anything is read). Text that is valid UTF-8 is taken as it is (a byte order mark dropped);
// anything else is read in codePage, where every byte must be a character of that code page. Throws
// common::FileError when the file cannot be read or is not a regular file; common::DataError naming
// the file and the first line that holds a NUL byte, is longer than kMaxCsvLineBytes, or holds bytes
// that are neither UTF-8 nor (for codePage "UTF-8": not UTF-8 at all) characters of codePage, and
// when iconv does not know the code page.
CsvText readCsvText(const std::filesystem::path &file, const std::string &codePage);

// Reads the records of a CSV text one by one. The header is the first record; the separator is the
// one of comma and semicolon that the header holds more of outside quotes (comma when neither). A
// field in double quotes may hold the separator, line breaks and doubled quotes; a quote inside an
// unquoted field is taken as it stands. Lines end in LF, CR LF or CR; empty lines are passed over.
// Every fault throws common::DataError naming the file and the line: a quote left open, text after
// a closing quote, a record with another number of fields than the header, a header with an empty
// or repeated column name (repeats compared without regard to ASCII case, as SQL compares them).
class CsvReader
{
public:
    // text must outlive the reader; fileName names the file in messages.
    CsvReader(std::string_view text, std::string fileName);

    const std::vector<std::string> &header() const { return m_header; }
    char separator() const { return m_separator; }

    // Reads the next record into fields(); false at the end of the text.
    bool next();
    // The fields of the record read last, one per header column, quotes removed.
    const std::vector<std::string> &fields() const { return m_fields; }
    // The line of the file on which that record starts, from 1 (the header's line).
    std::size_t line() const { return m_recordLine; }

private:
    bool readRecord(std::vector<std::string> &fields);
    void readQuoted(std::string &field);
    [[noreturn]] void refuse(std::size_t line, const std::string &what) const;

    std::string_view m_text;
    std::string m_fileName;
    std::size_t m_at = 0;
    std::size_t m_line = 1;       // line of the next character
    std::size_t m_recordLine = 0; // line where the last record started
    char m_separator = ',';
    std::vector<std::string> m_header;
    std::vector<std::string> m_fields;
};

} // namespace data
