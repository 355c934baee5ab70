// Reading CSV files: their code page, header and records.
#include "data/csvreader.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "data/codepage.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

namespace data {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

CsvText readCsvText(const std::filesystem::path &file, const std::string &fallbackCodePage)
{
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        throw common::FileError("Cannot read file " + file.string() + ": it is a folder");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw common::FileError("Cannot read file " + file.string() + ": " + std::strerror(errno));
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) throw common::FileError("Cannot read file " + file.string() + ": " + std::strerror(errno));
    if (isUtf8(bytes)) {
        if (startsWith(bytes, kByteOrderMark)) bytes.erase(0, kByteOrderMark.size());
        return {std::move(bytes), "UTF-8"};
    }
    const CodePage codePage(fallbackCodePage);
    return {codePage.decode(bytes), codePage.name()};
}

CsvReader::CsvReader(std::string_view text, std::string fileName)
    : m_text(text), m_fileName(std::move(fileName))
{
    if (startsWith(m_text, kByteOrderMark)) m_text.remove_prefix(kByteOrderMark.size());
    // The separator is decided by the header alone: a semicolon file may well hold commas in its
    // data (decimal commas), and a comma file semicolons inside quoted text.
    std::size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : m_text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        commas += c == ',';
        semicolons += c == ';';
    }
    m_separator = semicolons > commas ? ';' : ',';
    if (!readRecord(m_header)) refuse(1, "the file has no header row");
    std::set<std::string> seen;
    for (std::size_t i = 0; i < m_header.size(); ++i) {
        if (m_header[i].empty())
            refuse(m_recordLine, "column " + std::to_string(i + 1) + " of the header has no name");
        if (!seen.insert(common::lowerAscii(m_header[i])).second)
            refuse(m_recordLine, "the header names the column " + m_header[i] + " twice");
    }
}

void CsvReader::refuse(std::size_t line, const std::string &what) const
{
    throw common::DataError("File " + m_fileName + ", line " + std::to_string(line) + ": " + what);
}

bool CsvReader::next()
{
    if (!readRecord(m_fields)) return false;
    if (m_fields.size() != m_header.size())
        refuse(m_recordLine, "the record has " + std::to_string(m_fields.size()) + " fields, the header " +
                                 std::to_string(m_header.size()));
    return true;
}

void CsvReader::readQuoted(std::string &field)
{
    const std::size_t openedOn = m_line;
    ++m_at;
    for (;;) {
        const std::size_t quote = m_text.find('"', m_at);
        if (quote == std::string_view::npos)
            refuse(openedOn, "a quoted field opened on this line is not closed");
        const std::string_view part = m_text.substr(m_at, quote - m_at);
        // Line breaks inside the field count, so that later records are told by their own lines.
        for (std::size_t i = 0; i < part.size(); ++i)
            if (part[i] == '\n' || (part[i] == '\r' && (i + 1 == part.size() || part[i + 1] != '\n')))
                ++m_line;
        field.append(part);
        m_at = quote + 1;
        if (m_at < m_text.size() && m_text[m_at] == '"') {
            field += '"';
            ++m_at;
            continue;
        }
        return;
    }
}

bool CsvReader::readRecord(std::vector<std::string> &fields)
{
    const std::size_t size = m_text.size();
    // Empty lines hold no record.
    while (m_at < size && (m_text[m_at] == '\n' || m_text[m_at] == '\r')) {
        if (m_text[m_at] == '\r' && m_at + 1 < size && m_text[m_at + 1] == '\n') ++m_at;
        ++m_at;
        ++m_line;
    }
    if (m_at >= size) return false;
    m_recordLine = m_line;
    std::size_t count = 0;
    for (;;) {
        if (fields.size() <= count) fields.emplace_back();
        std::string &field = fields[count++];
        field.clear();
        if (m_at < size && m_text[m_at] == '"') {
            readQuoted(field);
            if (m_at < size && m_text[m_at] != m_separator && m_text[m_at] != '\n' && m_text[m_at] != '\r')
                refuse(m_line, "text follows the closing quote of field " + std::to_string(count));
        } else {
            const std::size_t start = m_at;
            while (m_at < size && m_text[m_at] != m_separator && m_text[m_at] != '\n' && m_text[m_at] != '\r')
                ++m_at;
            field.assign(m_text.substr(start, m_at - start));
        }
        if (m_at >= size) break;
        const char c = m_text[m_at++];
        if (c == m_separator) continue;
        if (c == '\r' && m_at < size && m_text[m_at] == '\n') ++m_at;
        ++m_line;
        break;
    }
    fields.resize(count);
    return true;
}

} // namespace data
