// Writing a new dBASE table in large blocks.
#include "data/tablewriter.h"

#include "common/error.h"
#include "common/fileio.h"
#include "data/dbffile.h"
#include "data/engine.h"
#include "data/fieldtext.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace data {

namespace {

std::string joined(const std::vector<std::string> &lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\n" : "") + lines[i];
    return text;
}

} // namespace

TableWriter::TableWriter(const std::filesystem::path &path, const std::vector<std::string> &createTable,
                         std::string displayName)
    : m_name(std::move(displayName))
{
    std::vector<FieldSpec> fields;
    for (const auto &[name, type] : parseCreateTable(joined(createTable)).columns)
        fields.push_back(fieldSpecOf(name, type));
    // The header as the engine makes it for CREATE TABLE, read back as the engine reads tables. Their
    // errors name the file written, a temporary one: the user is told the table's own name.
    try {
        DbfFile::create(path, fields, true);
        m_layout = std::make_unique<DbfFile>(path);
    } catch (const common::DataError &e) {
        std::string text = e.what();
        for (const std::string &written : {path.string(), path.filename().string()})
            for (std::size_t at = text.find(written); !written.empty() && at != std::string::npos;
                 at = text.find(written, at + m_name.size()))
                text.replace(at, written.size(), m_name);
        throw common::DataError(text);
    }
    m_headerLength = m_layout->headerLength();
    m_recordLength = m_layout->recordLength();
    m_blank = m_layout->blankRecord();
    m_lastText.resize(m_layout->fields().size());
    m_lastNumber.resize(m_layout->fields().size());
    m_fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (m_fd < 0) refuse(errno);
    m_buffer.reserve(kBufferBytes + m_recordLength);
}

TableWriter::~TableWriter()
{
    if (m_fd >= 0) ::close(m_fd);
}

void TableWriter::refuse(int error) const
{
    throw common::DataError("Cannot write table " + m_name + ": " + std::strerror(error));
}

int TableWriter::field(std::string_view name) const
{
    const int index = m_layout->fieldIndex(name);
    if (index < 0) throw common::DataError("Field '" + std::string(name) + "' not found in table " + m_name);
    return index;
}

void TableWriter::flush()
{
    if (m_buffer.empty()) return;
    if (!common::writeAt(m_fd, m_buffer.data(), m_buffer.size(), m_headerLength + m_written * m_recordLength))
        refuse(errno);
    m_written += m_buffer.size() / m_recordLength;
    m_buffer.clear();
}

void TableWriter::append()
{
    if (m_buffer.size() + m_recordLength > kBufferBytes) flush();
    m_buffer += m_blank;
    ++m_records;
}

namespace {

// The bytes of the field in the row being set.
char *fieldOf(std::string &buffer, std::size_t recordLength, const DbfField &field)
{
    if (buffer.empty()) throw common::DataError("A table being written has no row: call append first");
    return buffer.data() + buffer.size() - recordLength + field.offset;
}

} // namespace

void TableWriter::setString(int field, std::string_view text)
{
    const DbfField &f = m_layout->fields()[static_cast<std::size_t>(field)];
    auto &[lastText, lastBytes] = m_lastText[static_cast<std::size_t>(field)];
    if (lastBytes.empty() || lastText != text) {
        lastBytes = m_layout->encodeText(field, text);
        lastText = text;
    }
    std::memcpy(fieldOf(m_buffer, m_recordLength, f), lastBytes.data(), lastBytes.size());
}

void TableWriter::setNumber(int field, double value, bool integer)
{
    const DbfField &f = m_layout->fields()[static_cast<std::size_t>(field)];
    char *bytes = fieldOf(m_buffer, m_recordLength, f);
    LastNumber &last = m_lastNumber[static_cast<std::size_t>(field)];
    // The same value as the row before: its bytes again. 0 and -0 differ only in the sign bit, which
    // the text drops.
    if (!last.bytes.empty() && last.integer == integer && last.value == value) {
        std::memcpy(bytes, last.bytes.data(), last.bytes.size());
        return;
    }
    const bool fits = integer ? writeFieldInteger(static_cast<long long>(value), f.width, f.decimals, bytes)
                              : writeFieldNumber(value, f.width, f.decimals, bytes);
    if (!fits)
        throw common::DataError("The value " + std::to_string(value) + " does not fit field " + f.name +
                                " of " + m_name);
    last = {integer, value, std::string(bytes, static_cast<std::size_t>(f.width))};
}

void TableWriter::setInteger(int field, long long value)
{
    const DbfField &f = m_layout->fields()[static_cast<std::size_t>(field)];
    if (!f.isNumeric()) return setString(field, std::to_string(value));
    // The values of result tables are far within the doubles that hold whole numbers exactly.
    if (value > -(1LL << 52) && value < (1LL << 52))
        return setNumber(field, static_cast<double>(value), true);
    if (!writeFieldInteger(value, f.width, f.decimals, fieldOf(m_buffer, m_recordLength, f)))
        throw common::DataError("The value " + std::to_string(value) + " does not fit field " + f.name +
                                " of " + m_name);
}

void TableWriter::setFloat(int field, double value)
{
    const DbfField &f = m_layout->fields()[static_cast<std::size_t>(field)];
    if (!f.isNumeric()) {
        setString(field, std::string_view(m_layout->encodeFloat(field, value)));
        return;
    }
    setNumber(field, value, false);
}

void TableWriter::finish()
{
    flush();
    const char endOfFile = 0x1A;
    if (!common::writeAt(m_fd, &endOfFile, 1, m_headerLength + m_written * m_recordLength)) refuse(errno);
    const auto count = static_cast<std::uint32_t>(m_written);
    const unsigned char le[4] = {static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
                                 static_cast<unsigned char>(count >> 16),
                                 static_cast<unsigned char>(count >> 24)};
    if (!common::writeAt(m_fd, reinterpret_cast<const char *>(le), sizeof le, 4)) refuse(errno);
    // The file ends with its end-of-file mark, also where an earlier write reached further.
    if (::ftruncate(m_fd, static_cast<off_t>(m_headerLength + m_written * m_recordLength + 1)) != 0)
        refuse(errno);
}

} // namespace data
