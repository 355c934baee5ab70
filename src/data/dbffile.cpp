// One dBASE file: reading and checking its header, cells as SQL sees them, writes and indexes.
#include "data/dbffile.h"

#include "common/error.h"
#include "common/fileio.h"
#include "common/numbers.h"
#include "data/codepage.h"
#include "data/dbfwriter.h"
#include "data/fieldtext.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace data {

namespace {

constexpr std::size_t kFileHeader = 32;
constexpr std::size_t kFieldDescriptor = 32;

// Writes by any connection of this process count here per file, so that another connection sees at
// its next look that the file changed even when the change kept size and time stamp.
std::mutex g_epochLock;
std::map<std::pair<dev_t, ino_t>, std::uint64_t> g_epochs;
std::atomic<std::uint64_t> g_writes{0}; // all writes so far: a cheap first look

std::uint64_t epochOf(const common::FileIdentity &file)
{
    std::lock_guard lock(g_epochLock);
    auto found = g_epochs.find({file.device, file.inode});
    return found == g_epochs.end() ? 0 : found->second;
}

std::uint64_t bumpEpoch(const common::FileIdentity &file)
{
    std::lock_guard lock(g_epochLock);
    ++g_writes;
    return ++g_epochs[{file.device, file.inode}];
}

std::string fullPath(const std::filesystem::path &path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? path : full).lexically_normal().string();
}

unsigned readLe(const std::string &header, std::size_t at, int bytes)
{
    unsigned value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(header[at + i]);
    return value;
}

std::string_view trimmed(std::string_view text, bool front)
{
    auto pad = [](char c) { return c == ' ' || c == '\0'; };
    while (!text.empty() && pad(text.back()))
        text.remove_suffix(1);
    while (front && !text.empty() && pad(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string readCpg(const std::filesystem::path &table)
{
    std::error_code ec;
    const std::string wanted = table.stem().string() + ".cpg";
    std::filesystem::path found;
    for (const char *candidate : {".cpg", ".CPG"}) {
        auto path = table.parent_path() / (table.stem().string() + candidate);
        if (std::filesystem::is_regular_file(path, ec)) {
            found = path;
            break;
        }
    }
    if (found.empty()) {
        for (const auto &entry : std::filesystem::directory_iterator(table.parent_path(), ec)) {
            if (equalsIgnoreCase(entry.path().filename().string(), wanted) && entry.is_regular_file(ec)) {
                found = entry.path();
                break;
            }
        }
    }
    if (found.empty()) return {};
    int fd = ::open(found.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    char buffer[256];
    ssize_t length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return length > 0 ? codePageOfCpgText(std::string_view(buffer, static_cast<std::size_t>(length))) : "";
}

} // namespace

namespace {

// Opens the file and reads its header; the write counters are taken before its bytes, so a write
// that races the read shows as a change at the next look. The descriptor stays open for the records.
int openWithHeader(const std::filesystem::path &path, std::string &header, common::FileIdentity &identity,
                   std::uint64_t &writesSeen, std::uint64_t &epoch)
{
    const std::string name = fullPath(path);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw common::DataError("Cannot open table " + name + ": " + std::strerror(errno));
    const auto opened = common::openFileIdentity(fd);
    if (!opened || !opened->regular) {
        ::close(fd);
        throw common::DataError("Cannot open table " + name + ": it is not a file");
    }
    identity = *opened;
    writesSeen = g_writes.load();
    epoch = epochOf(identity);
    // The fixed part first, then the field descriptors as far as the header length says and the
    // file holds; parseHeader judges what came.
    auto readUpTo = [&](std::size_t wanted) {
        const std::size_t had = header.size();
        if (wanted <= had) return;
        header.resize(wanted);
        const ssize_t length = common::readAt(fd, header.data() + had, wanted - had, static_cast<off_t>(had));
        if (length < 0) {
            int error = errno;
            ::close(fd);
            throw common::DataError("Cannot read table " + name + ": " + std::strerror(error));
        }
        header.resize(had + static_cast<std::size_t>(length));
    };
    header.clear();
    readUpTo(kFileHeader);
    if (header.size() == kFileHeader)
        readUpTo(std::max<std::size_t>(readLe(header, 8, 2), kFileHeader + kFieldDescriptor));
    return fd;
}

// Checks the header against itself and against the file's size, and reads the field descriptors.
void parseHeader(const std::string &name, const std::string &header, std::size_t fileSize,
                 std::size_t &headerLength, std::size_t &recordLength, std::size_t &recordCount,
                 std::vector<DbfField> &fields, std::vector<std::string> &rawNames)
{
    auto damaged = [&](const std::string &why) {
        return common::DataError("Table " + name + " is damaged or not a dBASE table: " + why);
    };
    if (fileSize < kFileHeader + kFieldDescriptor || header.size() < kFileHeader + kFieldDescriptor)
        throw damaged("the file is too short for a header");
    recordCount = readLe(header, 4, 4);
    headerLength = readLe(header, 8, 2);
    recordLength = readLe(header, 10, 2);
    if (headerLength < kFileHeader + kFieldDescriptor)
        throw damaged("the header length " + std::to_string(headerLength) + " leaves no room for a field");
    if (headerLength > fileSize || headerLength > header.size())
        throw damaged("the header length " + std::to_string(headerLength) + " is beyond the end of the file");
    if (recordLength < 2)
        throw damaged("the record length " + std::to_string(recordLength) + " is too small");

    std::size_t offset = 1;
    for (std::size_t at = kFileHeader; at + kFieldDescriptor <= headerLength; at += kFieldDescriptor) {
        if (static_cast<unsigned char>(header[at]) == 0x0D) break;
        DbfField field;
        std::size_t nameLength = 0;
        while (nameLength < 11 && header[at + nameLength] != '\0')
            ++nameLength;
        std::string raw(std::string_view(header).substr(at, nameLength));
        while (!raw.empty() && raw.back() == ' ')
            raw.pop_back();
        field.type = header[at + 11];
        field.width = static_cast<unsigned char>(header[at + 16]);
        field.decimals = static_cast<unsigned char>(header[at + 17]);
        field.offset = static_cast<int>(offset);
        if (raw.empty()) throw damaged("field " + std::to_string(fields.size() + 1) + " has no name");
        if (field.width == 0) throw damaged("field " + std::to_string(fields.size() + 1) + " has no width");
        offset += static_cast<std::size_t>(field.width);
        rawNames.push_back(raw);
        fields.push_back(field);
    }
    if (fields.empty()) throw damaged("it has no fields");
    if (offset > recordLength)
        throw damaged("its fields need " + std::to_string(offset) + " bytes per record, the header gives " +
                      std::to_string(recordLength));
    std::size_t held = (fileSize - headerLength) / recordLength;
    if (recordCount > held)
        throw damaged("the header promises " + std::to_string(recordCount) + " records, the file holds " +
                      std::to_string(held));
}

} // namespace

DbfFile::DbfFile(const std::filesystem::path &path, std::optional<TextCodePage> decided)
    : m_path(path), m_textCodePage(std::move(decided))
{
    load();
}

DbfFile::~DbfFile() = default;

void DbfFile::load()
{
    // Messages about opening and reading name the file by its full path: the user may have several
    // tables of one name in different folders.
    const std::string name = fullPath(m_path);
    Layout layout;
    const int fd = openWithHeader(m_path, layout.header, layout.identity, layout.writesSeen, layout.epoch);
    layout.records.open(fd, name);
    // A writer appends a record before it counts it in the header, so the size taken after the header
    // was read holds at least the records the header counts; a size taken before it may lag the header
    // by the records appended meanwhile. The identity stays the earlier one: a change made meanwhile
    // shows at the next look.
    const auto after = common::openFileIdentity(fd);
    layout.fileSize = static_cast<std::size_t>(after ? after->size : layout.identity.size);

    std::vector<std::string> rawNames;
    parseHeader(name, layout.header, layout.fileSize, layout.headerLength, layout.recordLength,
                layout.recordCount, layout.fields, rawNames);
    layout.records.setLayout(layout.headerLength, layout.recordLength);

    layout.codePageChoice = chooseCodePage(layout, rawNames);
    try {
        layout.codePage = std::make_unique<CodePage>(layout.codePageChoice.name);
    } catch (const common::DataError &e) {
        throw common::DataError("Cannot read table " + name + ": " + e.what());
    }
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        layout.fields[i].name = layout.codePage->decode(rawNames[i]);
        for (std::size_t j = 0; j < i; ++j)
            if (equalsIgnoreCase(layout.fields[i].name, layout.fields[j].name))
                throw common::DataError("Table " + name + " is damaged: two fields are named " +
                                        layout.fields[i].name);
    }
    adopt(std::move(layout));
}

CodePageChoice DbfFile::chooseCodePage(Layout &layout, const std::vector<std::string> &rawNames) const
{
    if (std::string cpg = readCpg(m_path); !cpg.empty())
        return {cpg, CodePageSource::CpgFile, "named by its .cpg file"};
    const auto ldid = static_cast<unsigned char>(layout.header[29]);
    if (std::string named = codePageOfLanguageDriver(ldid); !named.empty()) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", ldid);
        return {named, CodePageSource::LanguageDriver,
                "named by its language driver byte " + std::string(byte)};
    }
    // Decided once per file: looked at again only when the path now names another file.
    if (m_textCodePage && m_textCodePage->file.sameFile(layout.identity)) return m_textCodePage->choice;
    Utf8Evidence evidence;
    std::vector<const DbfField *> texts;
    for (const DbfField &field : layout.fields)
        if (field.isCharacter()) texts.push_back(&field);
    bool open = !texts.empty();
    for (const std::string &name : rawNames)
        open = evidence.add(name) && open;
    // One pass over the records, stopped at the first byte that UTF-8 cannot have; deleted records do
    // not count, as nobody sees them.
    for (std::size_t record = 0; open && record < layout.recordCount; ++record) {
        const char *bytes = layout.records.record(record, layout.recordCount);
        if (*bytes == '*') continue;
        for (const DbfField *field : texts)
            if (!(open = evidence.add(
                      std::string_view(bytes + field->offset, static_cast<std::size_t>(field->width)))))
                break;
    }
    return evidence.choice();
}

void DbfFile::adopt(Layout &&layout)
{
    m_writer.reset();
    m_layout = std::move(layout);
    m_textCodePage.reset();
    const CodePageChoice &choice = m_layout.codePageChoice;
    if (choice.source == CodePageSource::Utf8Text || choice.source == CodePageSource::Default)
        m_textCodePage = TextCodePage{choice, m_layout.identity};
    m_gone = false;
    m_indexes.clear();
}

DbfFile::Change DbfFile::sync()
{
    const auto now = common::fileIdentity(m_path.string());
    if (!now) {
        if (errno == ENOENT || errno == ENOTDIR) {
            m_gone = true;
            return Change::Gone;
        }
        throw common::DataError("Cannot read table " + fullPath(m_path) + ": " + std::strerror(errno));
    }
    if (!m_gone && *now == m_layout.identity) {
        std::uint64_t writes = g_writes.load();
        if (writes == m_layout.writesSeen || epochOf(*now) == m_layout.epoch) {
            m_layout.writesSeen = writes;
            return Change::None;
        }
    }
    std::vector<DbfField> fields = m_layout.fields;
    std::string codePage = m_layout.codePage ? m_layout.codePage->name() : "";
    load();
    if (fields != m_layout.fields || codePage != m_layout.codePage->name()) {
        ++m_layoutVersion;
        return Change::Layout;
    }
    return Change::Contents;
}

int DbfFile::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_layout.fields.size(); ++i)
        if (equalsIgnoreCase(m_layout.fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

bool DbfFile::isLive(std::size_t record) const
{
    return record < m_layout.recordCount && *m_layout.records.record(record, m_layout.recordCount) != '*';
}

std::size_t DbfFile::liveRecordCount() const
{
    std::size_t count = 0;
    for (std::size_t record = 0; record < m_layout.recordCount; ++record)
        count += isLive(record) ? 1 : 0;
    return count;
}

std::string_view DbfFile::fieldBytes(std::size_t record, int field) const
{
    const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
    return std::string_view(m_layout.records.record(record, m_layout.recordCount) + f.offset,
                            static_cast<std::size_t>(f.width));
}

std::string DbfFile::recordBytes(std::size_t record) const
{
    return std::string(m_layout.records.record(record, m_layout.recordCount), m_layout.recordLength);
}

void DbfFile::readCell(std::size_t record, int field, Cell &cell) const
{
    decodeField(field, fieldBytes(record, field), cell);
}

void DbfFile::decodeField(int field, std::string_view bytes, Cell &cell) const
{
    const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
    std::string_view text = trimmed(bytes, !f.isCharacter());
    cell.text.clear();
    if (text.empty() || (f.isNumeric() && text.find_first_not_of('*') == std::string_view::npos)) {
        cell.kind = Cell::Null;
        return;
    }
    if (f.isNumeric()) {
        if (auto number = parseFieldNumber(text)) {
            if (number->integral && f.decimals == 0) {
                cell.kind = Cell::Integer;
                cell.integer = number->integer;
            } else {
                cell.kind = Cell::Real;
                cell.real = number->real;
            }
            return;
        }
    }
    // Character fields, other types, and numeric fields that hold no number: text as it stands.
    cell.kind = Cell::Text;
    m_layout.codePage->decode(text, cell.text);
}

bool DbfFile::isWritable() const
{
    return writeRefusal().empty();
}

std::string DbfFile::writeRefusal() const
{
    // Opening as the writer will, not access(): that asks for the real user, not the one the file
    // system checks, and cannot tell a read-only mount from a missing permission.
    int fd = ::open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return {};
}

std::string DbfFile::blankField(int field) const
{
    return std::string(static_cast<std::size_t>(m_layout.fields[static_cast<std::size_t>(field)].width), ' ');
}

std::string DbfFile::blankRecord() const
{
    return std::string(m_layout.recordLength, ' ');
}

namespace {

std::string describe(const DbfField &f)
{
    if (f.isNumeric())
        return f.name + " (numeric, width " + std::to_string(f.width) + ", " + std::to_string(f.decimals) +
               " decimals)";
    return f.name + " (width " + std::to_string(f.width) + ")";
}

} // namespace

std::string DbfFile::encodeText(int field, std::string_view text) const
{
    const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
    auto width = static_cast<std::size_t>(f.width);
    if (f.isNumeric()) {
        std::string_view body = text;
        while (!body.empty() && std::isspace(static_cast<unsigned char>(body.front())))
            body.remove_prefix(1);
        while (!body.empty() && std::isspace(static_cast<unsigned char>(body.back())))
            body.remove_suffix(1);
        if (body.empty()) return blankField(field);
        auto number = parseFieldNumber(body);
        if (!number)
            throw common::DataError("'" + std::string(text) + "' is not a number: field " + f.name + " of " +
                                    fileName() + " holds numbers");
        auto bytes = number->integral ? formatFieldInteger(number->integer, f.width, f.decimals)
                                      : formatFieldNumber(number->real, f.width, f.decimals);
        if (!bytes)
            throw common::DataError("The value " + std::string(body) + " does not fit field " + describe(f) +
                                    " of " + fileName());
        return *bytes;
    }
    try {
        bool tooLong = false;
        std::string bytes = m_layout.codePage->encode(text, width, f.isCharacter(), &tooLong);
        if (tooLong && !f.isCharacter())
            throw common::DataError("The value '" + std::string(text) + "' does not fit field " +
                                    describe(f) + " of " + fileName());
        bytes.resize(width, ' ');
        return bytes;
    } catch (const common::DataError &e) {
        throw common::DataError("Field " + f.name + " of " + fileName() + ": " + e.what());
    }
}

std::string DbfFile::encodeInteger(int field, long long value) const
{
    const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
    if (!f.isNumeric()) return encodeText(field, std::to_string(value));
    auto bytes = formatFieldInteger(value, f.width, f.decimals);
    if (!bytes)
        throw common::DataError("The value " + std::to_string(value) + " does not fit field " + describe(f) +
                                " of " + fileName());
    return *bytes;
}

std::string DbfFile::encodeFloat(int field, double value) const
{
    const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
    if (!std::isfinite(value))
        throw common::DataError("Field " + f.name + " of " + fileName() +
                                " cannot hold a value that is not finite");
    if (!f.isNumeric()) return encodeText(field, common::floatToText(value));
    auto bytes = formatFieldNumber(value, f.width, f.decimals);
    if (!bytes)
        throw common::DataError("The value " + common::floatToText(value) + " does not fit field " +
                                describe(f) + " of " + fileName());
    return *bytes;
}

bool DbfFile::fits(int field, double value) const
{
    const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
    if (!std::isfinite(value)) return false;
    return !f.isNumeric() || formatFieldNumber(value, f.width, f.decimals).has_value();
}

void DbfFile::checkBeforeWrite(unsigned layoutVersion)
{
    Change change = sync();
    if (change == Change::Gone) throw common::DataError("Table " + fileName() + " no longer exists");
    if (m_layoutVersion != layoutVersion)
        throw common::DataError("Table " + fileName() +
                                " was changed on disk by another program; open it again");
    if (!m_writer)
        m_writer = std::make_unique<Writer>(m_path, m_layout.headerLength, m_layout.recordLength,
                                            m_layout.recordCount, m_layout.fields);
}

void DbfFile::writeRecord(std::size_t record, const std::string &bytes, const UpdateDate *date)
{
    try {
        m_writer->write(record, bytes, date);
    } catch (...) {
        // What shapelib holds may no longer be what the file holds: read it again at the next look.
        m_writer.reset();
        m_layout.records.clear();
        m_layout.identity = {};
        throw;
    }
    m_layout.recordCount = m_writer->recordCount();
    m_layout.records.store(record, bytes);
    afterWrite();
}

void DbfFile::afterWrite()
{
    const auto written = common::openFileIdentity(m_writer->file.fd);
    if (!written) {
        m_layout.identity = {};
        return;
    }
    m_layout.identity = *written;
    m_layout.epoch = bumpEpoch(*written);
    m_layout.writesSeen = g_writes.load();
}

void DbfFile::writeFields(std::size_t record, const std::map<int, std::string> &values,
                          unsigned layoutVersion, Replaced *replaced)
{
    checkBeforeWrite(layoutVersion);
    if (!isLive(record))
        throw common::DataError("Record " + std::to_string(record + 1) + " of table " + fileName() +
                                " no longer exists");
    std::string old = recordBytes(record);
    if (replaced) *replaced = {old, m_writer->storedDate()};
    std::string bytes = old;
    for (const auto &[field, value] : values) {
        if (field < 0 || static_cast<std::size_t>(field) >= m_layout.fields.size() ||
            value.size() != static_cast<std::size_t>(m_layout.fields[static_cast<std::size_t>(field)].width))
            throw common::DataError("Table " + fileName() + " was changed on disk; open it again");
        bytes.replace(static_cast<std::size_t>(m_layout.fields[static_cast<std::size_t>(field)].offset),
                      value.size(), value);
    }
    writeRecord(record, bytes);
    indexRecord(record, bytes, &old);
}

void DbfFile::restoreRecord(std::size_t record, const std::string &expected, const Replaced &before)
{
    checkBeforeWrite(m_layoutVersion);
    if (record >= m_layout.recordCount || before.bytes.size() != m_layout.recordLength ||
        recordBytes(record) != expected)
        throw common::DataError("Record " + std::to_string(record + 1) + " of table " + fileName() +
                                " was changed by another program; it is left as it is");
    writeRecord(record, before.bytes, &before.date);
    indexRecord(record, before.bytes, &expected);
}

void DbfFile::flush()
{
    if (!m_writer) return;
    if (::fdatasync(m_writer->file.fd) != 0)
        throw common::DataError("Cannot write table " + fileName() + ": " + std::strerror(errno));
}

std::size_t DbfFile::appendRecord(const std::string &bytes, unsigned layoutVersion)
{
    checkBeforeWrite(layoutVersion);
    if (bytes.size() != m_layout.recordLength)
        throw common::DataError("Table " + fileName() + " was changed on disk; open it again");
    std::size_t record = m_layout.recordCount;
    writeRecord(record, bytes);
    indexRecord(record, bytes, nullptr);
    return record;
}

std::string DbfFile::textKey(std::string_view text)
{
    return "T" + std::string(text);
}

std::string DbfFile::numberKey(double value)
{
    value += 0.0; // -0 and 0 are one key
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    return "N" + std::string(bytes, sizeof bytes);
}

std::string DbfFile::keyOf(int field, std::string_view bytes) const
{
    Cell cell;
    decodeField(field, bytes, cell);
    switch (cell.kind) {
    case Cell::Null:
        return {};
    case Cell::Integer:
        return numberKey(static_cast<double>(cell.integer));
    case Cell::Real:
        return numberKey(cell.real);
    case Cell::Text:
        return textKey(cell.text);
    }
    return {};
}

const std::vector<std::uint32_t> *DbfFile::candidates(int field, const std::string &key)
{
    auto found = m_indexes.find(field);
    if (found == m_indexes.end()) {
        // Built aside, so that a file cut short while it is read leaves no partial index behind.
        std::unordered_map<std::string, std::vector<std::uint32_t>> index;
        for (std::size_t record = 0; record < m_layout.recordCount; ++record) {
            if (!isLive(record)) continue;
            std::string recordKey = keyOf(field, fieldBytes(record, field));
            if (!recordKey.empty()) index[recordKey].push_back(static_cast<std::uint32_t>(record));
        }
        found = m_indexes.emplace(field, std::move(index)).first;
    }
    auto entry = found->second.find(key);
    return entry == found->second.end() ? nullptr : &entry->second;
}

void DbfFile::indexRecord(std::size_t record, const std::string &newBytes, const std::string *oldBytes)
{
    auto number = static_cast<std::uint32_t>(record);
    for (auto &[field, index] : m_indexes) {
        const DbfField &f = m_layout.fields[static_cast<std::size_t>(field)];
        auto bytesOf = [&](const std::string &recordBytes) {
            return std::string_view(recordBytes)
                .substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.width));
        };
        // From the bytes just written, not read back: the file is not read again for its own write.
        std::string newKey = keyOf(field, bytesOf(newBytes));
        std::string oldKey = oldBytes ? keyOf(field, bytesOf(*oldBytes)) : std::string();
        if (oldBytes && oldKey == newKey) continue;
        if (!oldKey.empty()) {
            auto &list = index[oldKey];
            auto at = std::lower_bound(list.begin(), list.end(), number);
            if (at != list.end() && *at == number) list.erase(at);
        }
        if (!newKey.empty()) {
            auto &list = index[newKey];
            auto at = std::lower_bound(list.begin(), list.end(), number);
            if (at == list.end() || *at != number) list.insert(at, number);
        }
    }
}

} // namespace data
