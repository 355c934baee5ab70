// One dBASE file as the engine holds it: the layout, records read on demand, the equality indexes,
// and writes that go to the file at once through shapelib.
//
// Opening reads the header only and checks it against the file's size before anything is trusted;
// records are read from the file through a small cache of blocks (recordcache.h), so no table is
// held in memory whole, however large it is or grows. Writes are dispatched on the native field type
// here and handed to shapelib as whole records (DBFWriteTuple), followed by DBFUpdateHeader, so every
// post is on disk, with its record count, before the call returns. shapelib's file access goes
// through hooks that open the exact path, and each write also goes into the cached copy of its record.
#pragma once

#include "data/recordcache.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace data {

class CodePage;

// Names compared the way dBASE and SQL compare them: ASCII letters without regard to case.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string lowerAscii(std::string text);

struct DbfField
{
    std::string name; // UTF-8, as the header has it
    char type = 'C';  // the native type byte: 'C', 'N', 'F', 'D', 'L', ...
    int width = 0;
    int decimals = 0;
    int offset = 0; // within the record; byte 0 is the deletion flag

    bool isNumeric() const { return type == 'N' || type == 'F'; }
    bool isCharacter() const { return type == 'C'; }
    bool operator==(const DbfField &) const = default;
};

// A column of a table the engine creates.
struct FieldSpec
{
    std::string name;
    char type = 'C'; // 'C' or 'N'
    int width = 0;
    int decimals = 0;
};

// One field of one record as SQL sees it.
struct Cell
{
    enum Kind { Null, Integer, Real, Text } kind = Null;
    long long integer = 0;
    double real = 0;
    std::string text; // UTF-8; valid for Text
};

class DbfFile
{
public:
    // Reads the file; throws common::DataError when it cannot be read or is not a sound dBASE table.
    explicit DbfFile(const std::filesystem::path &path);
    ~DbfFile();
    DbfFile(const DbfFile &) = delete;
    DbfFile &operator=(const DbfFile &) = delete;

    // Creates an empty table with the language driver of CP1250. Throws common::DataError when the file
    // exists or cannot be written. With overEmptyFile, an existing empty file (a temporary one made for
    // the table) is written instead of being refused.
    static void create(const std::filesystem::path &path, const std::vector<FieldSpec> &fields,
                       bool overEmptyFile = false);

    const std::filesystem::path &path() const { return m_path; }
    std::string fileName() const { return m_path.filename().string(); }
    const std::vector<DbfField> &fields() const { return m_fields; }
    // The index of the field named name, case ignored; -1 when there is none.
    int fieldIndex(std::string_view name) const;
    const CodePage &codePage() const { return *m_codePage; }

    // Bytes before the first record, and of each record (deletion flag and fields).
    std::size_t headerLength() const { return m_headerLength; }
    std::size_t recordLength() const { return m_recordLength; }
    // Records as the header counts them, deleted ones included.
    std::size_t recordCount() const { return m_recordCount; }
    // The record exists and is not marked deleted. Reading a record throws common::DataError when
    // another program cut the file short since it was looked at (sync() notices that next time).
    bool isLive(std::size_t record) const;
    void readCell(std::size_t record, int field, Cell &cell) const;
    // The record as stored: deletion flag and field bytes.
    std::string recordBytes(std::size_t record) const;
    std::size_t liveRecordCount() const;

    // Looks at the file on disk and opens it again when it changed since it was looked at (by another
    // program, or by another connection of this process). Layout means the fields or the code page
    // differ; Gone means the path no longer names a file. Throws common::DataError when the changed file
    // cannot be read.
    enum class Change { None, Contents, Layout, Gone };
    Change sync();
    // Counts layout changes, so that holders of the layout can tell theirs is out of date.
    unsigned layoutVersion() const { return m_layoutVersion; }

    // Writing. Every function refuses with common::DataError and leaves the file unchanged when the
    // value cannot be stored.
    bool isWritable() const;
    // The bytes of a value for a field: text cut to the width of a character field; numbers checked
    // to fit the width of a numeric field; an empty text is a blank.
    std::string encodeText(int field, std::string_view text) const;
    std::string encodeInteger(int field, long long value) const;
    std::string encodeFloat(int field, double value) const;
    std::string blankField(int field) const;
    bool fits(int field, double value) const;
    // The text that bytes of a field read as (the inverse of encodeText for display).
    void decodeField(int field, std::string_view bytes, Cell &cell) const;
    std::string blankRecord() const;
    // Writes the given fields (index -> bytes) into an existing record. layoutVersion is the layout the
    // bytes were made for; a file whose layout changed since is refused.
    void writeFields(std::size_t record, const std::map<int, std::string> &values, unsigned layoutVersion);
    // Appends a record (flag and fields, recordBytes' form) and returns its number.
    std::size_t appendRecord(const std::string &bytes, unsigned layoutVersion);

    // Records that may hold key in field (a superset of the matches, ascending; deleted records left
    // out). The index of a field is built on first use and kept up to date by every write.
    const std::vector<std::uint32_t> *candidates(int field, const std::string &key);
    // Index keys: the text of a character value, the number of a numeric one.
    static std::string textKey(std::string_view text);
    static std::string numberKey(double value);

    struct Writer;

private:
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modified = 0;
        long long changed = 0;
        bool operator==(const Identity &) const = default;
    };
    struct Layout;

    void load();
    void adopt(Layout &&layout);
    std::string_view fieldBytes(std::size_t record, int field) const;
    std::string keyOf(int field, std::string_view bytes) const;
    void checkBeforeWrite(unsigned layoutVersion);
    void writeRecord(std::size_t record, const std::string &bytes);
    void afterWrite();
    void indexRecord(std::size_t record, const std::string &newBytes, const std::string *oldBytes);

    std::filesystem::path m_path;
    mutable RecordCache m_records;
    std::size_t m_headerLength = 0;
    std::size_t m_recordLength = 0;
    std::size_t m_recordCount = 0;
    std::vector<DbfField> m_fields;
    std::unique_ptr<CodePage> m_codePage;
    Identity m_identity;
    std::uint64_t m_epoch = 0;
    std::uint64_t m_writesSeen = 0;
    bool m_gone = false;
    unsigned m_layoutVersion = 0;
    std::unique_ptr<Writer> m_writer;
    std::map<int, std::unordered_map<std::string, std::vector<std::uint32_t>>> m_indexes;
};

} // namespace data
