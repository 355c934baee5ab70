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

#include "common/asciicase.h"
#include "common/fileio.h"
#include "data/codepage.h"
#include "data/recordcache.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace data {

// Names compared the way dBASE and SQL compare them: ASCII letters without regard to case.
using common::equalsIgnoreCase;
using common::lowerAscii;

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

// A code page decided from a file's text, with the file it was decided for (common::FileIdentity::sameFile
// tells whether a name still leads to it).
struct TextCodePage
{
    CodePageChoice choice;
    common::FileIdentity file;
};

class DbfFile
{
public:
    // Reads the file; throws common::DataError when it cannot be read or is not a sound dBASE table.
    // decided is the code page an earlier opening decided from the text; it is taken when it was
    // decided for this very file and the file still names no code page.
    explicit DbfFile(const std::filesystem::path &path, std::optional<TextCodePage> decided = std::nullopt);
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
    const std::vector<DbfField> &fields() const { return m_layout.fields; }
    // The index of the field named name, case ignored; -1 when there is none.
    int fieldIndex(std::string_view name) const;
    const CodePage &codePage() const { return *m_layout.codePage; }
    // How the code page was decided. A file that names none has it decided from its character fields
    // when it is opened, and keeps it while it stays the same file (through writes and changes on
    // disk), so that a row is written in the code page the file was read in.
    const CodePageChoice &codePageChoice() const { return m_layout.codePageChoice; }
    // The code page decided from the text, for the next opening of the same file; nullopt when the
    // file names its code page.
    const std::optional<TextCodePage> &textCodePage() const { return m_textCodePage; }

    // Bytes before the first record, and of each record (deletion flag and fields).
    std::size_t headerLength() const { return m_layout.headerLength; }
    std::size_t recordLength() const { return m_layout.recordLength; }
    // Records as the header counts them, deleted ones included.
    std::size_t recordCount() const { return m_layout.recordCount; }
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
    // Empty when the file can be opened for writing; otherwise why it cannot ("Permission denied").
    std::string writeRefusal() const;
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
    // The header's date of the last update as stored: years since 1900, month, day.
    using UpdateDate = std::array<unsigned char, 3>;
    // What a write replaced: the record's bytes and the header's date before it.
    struct Replaced
    {
        std::string bytes;
        UpdateDate date{};
    };
    // Writes the given fields (index -> bytes) into an existing record. layoutVersion is the layout the
    // bytes were made for; a file whose layout changed since is refused. The record goes to the file
    // in one write of the whole record at its place, so a process killed meanwhile leaves it either
    // as it was or as it is now. When replaced is given, it receives what the write replaced.
    void writeFields(std::size_t record, const std::map<int, std::string> &values, unsigned layoutVersion,
                     Replaced *replaced = nullptr);
    // Puts back what a write replaced: the record's bytes and the header's date. Refused, with the
    // file unchanged, when the record does not hold `expected` now or the layout has changed.
    void restoreRecord(std::size_t record, const std::string &expected, const Replaced &before);
    // Makes the writes so far durable on the disk; throws common::DataError when the disk refuses.
    void flush();
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
    // Everything the file's header decides, with the reading state that goes with it: load() builds
    // it aside and adopt() takes it whole, so a damaged file never leaves half a state behind.
    struct Layout
    {
        std::string header; // the file header and field descriptors, as read
        std::size_t fileSize = 0;
        mutable RecordCache records; // filled by reading
        std::size_t headerLength = 0;
        std::size_t recordLength = 0;
        std::size_t recordCount = 0;
        std::vector<DbfField> fields;
        std::unique_ptr<CodePage> codePage;
        CodePageChoice codePageChoice;
        common::FileIdentity identity; // as the file was opened
        std::uint64_t writesSeen = 0;
        std::uint64_t epoch = 0;
    };

    void load();
    void adopt(Layout &&layout);
    CodePageChoice chooseCodePage(Layout &layout, const std::vector<std::string> &rawNames) const;
    std::string_view fieldBytes(std::size_t record, int field) const;
    std::string keyOf(int field, std::string_view bytes) const;
    void checkBeforeWrite(unsigned layoutVersion);
    void writeRecord(std::size_t record, const std::string &bytes, const UpdateDate *date = nullptr);
    void afterWrite();
    void indexRecord(std::size_t record, const std::string &newBytes, const std::string *oldBytes);

    std::filesystem::path m_path;
    Layout m_layout;
    std::optional<TextCodePage> m_textCodePage;
    bool m_gone = false;
    unsigned m_layoutVersion = 0;
    std::unique_ptr<Writer> m_writer;
    std::map<int, std::unordered_map<std::string, std::vector<std::uint32_t>>> m_indexes;
};

} // namespace data
