// Reading CSV files: their code page, header and records.
#include "data/csvreader.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/terminaltext.h"
#include "data/codepage.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

namespace data {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

namespace {

// The line of a byte of the text, from 1; lines end as the reader ends them (LF, CR LF or CR).
std::size_t lineOf(std::string_view bytes, std::size_t at)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < at && i < bytes.size(); ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) ++line;
    return line;
}

std::string byteText(char c)
{
    static const char kHex[] = "0123456789ABCDEF";
    const auto b = static_cast<unsigned char>(c);
    return std::string("0x") + kHex[b >> 4] + kHex[b & 0xF];
}

[[noreturn]] void refuseAt(const std::filesystem::path &file, std::string_view bytes, std::size_t at,
                           const std::string &what)
{
    throw common::DataError("File " + file.string() + ", line " + std::to_string(lineOf(bytes, at)) + ": " +
                            what);
}

// Refuses a NUL byte (no text holds one; it would end a field early in other programs) and a line
// longer than kMaxCsvLineBytes, each with the line where it is.
void checkBytes(const std::filesystem::path &file, std::string_view bytes)
{
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos)
        refuseAt(file, bytes, nul, "the file holds a NUL byte (0x00), which no text has: is it a CSV file?");
    std::size_t lineStart = 0;
    for (std::size_t i = 0;; ++i) {
        if (i == bytes.size() || bytes[i] == '\n' || bytes[i] == '\r') {
            if (i - lineStart > kMaxCsvLineBytes)
                refuseAt(file, bytes, lineStart,
                         "the line is " + std::to_string(i - lineStart) + " bytes long, more than the " +
                             std::to_string(kMaxCsvLineBytes) + " a line may have");
            if (i == bytes.size()) break;
            lineStart = i + 1;
        }
    }
}

} // namespace

CsvText readCsvText(const std::filesystem::path &file, const std::string &codePage)
{
    namespace fs = std::filesystem;
    // A device or a pipe would be read without end or would wait for a writer: only a regular file is
    // read, as a folder is not.
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (ec && !fs::exists(status))
        throw common::FileError("Cannot read file " + file.string() + ": " + ec.message());
    if (fs::is_directory(status))
        throw common::FileError("Cannot read file " + file.string() + ": it is a folder");
    if (!fs::is_regular_file(status))
        throw common::FileError("Cannot read file " + file.string() +
                                ": it is not a regular file (a device, a pipe or a socket)");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw common::FileError("Cannot read file " + file.string() + ": " + std::strerror(errno));
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) throw common::FileError("Cannot read file " + file.string() + ": " + std::strerror(errno));
    checkBytes(file, bytes);
    const std::size_t invalid = firstInvalidUtf8(bytes);
    if (invalid == std::string::npos) {
        if (startsWith(bytes, kByteOrderMark)) bytes.erase(0, kByteOrderMark.size());
        return {std::move(bytes), "UTF-8"};
    }
    const CodePage decoder(codePage);
    if (decoder.name() == "UTF-8")
        refuseAt(file, bytes, invalid,
                 "the text is not UTF-8 (byte " + byteText(bytes[invalid]) +
                     "): give the code page it is written in");
    std::string text = decoder.decode(bytes);
    if (text.find(kReplacementCharacter) != std::string::npos) {
        // The first line holding a byte the code page does not define.
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i <= bytes.size(); ++i) {
            if (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\r') continue;
            const std::string_view line = std::string_view(bytes).substr(lineStart, i - lineStart);
            if (decoder.decode(line).find(kReplacementCharacter) != std::string::npos)
                refuseAt(file, bytes, lineStart,
                         "the text is neither UTF-8 nor " + codePageDisplayName(decoder.name()) +
                             ": a byte is no character of that code page; give the code page it is "
                             "written in");
            lineStart = i + 1;
        }
    }
    return {std::move(text), decoder.name()};
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
            refuse(m_recordLine,
                   "the header names the column " + common::escapeControls(m_header[i]) + " twice");
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
