// The CSV reader: separators, RFC 4180 quoting, line numbers across quoted line breaks, refusals that
// name the line, and files read in their code page.
#include "common/error.h"
#include "data/csvreader.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using testsupport::TempDir;

namespace {

using Records = std::vector<std::vector<std::string>>;

struct ReadCase
{
    const char *what;
    std::string text;
    char separator;
    Records records; // the header first
    std::vector<std::size_t> lines;
};

const ReadCase kReadCases[] = {
    {"commas, no line break at the end",
     "a,b\n1,2\n3,4",
     ',',
     {{"a", "b"}, {"1", "2"}, {"3", "4"}},
     {1, 2, 3}},
    // Decimal commas in the data do not make the file a comma file: the header decides.
    {"semicolons with decimal commas", "a;b\n1,5;2\n", ';', {{"a", "b"}, {"1,5", "2"}}, {1, 2}},
    {"separator, quote and line break inside quotes",
     "a,b\n\"x,y\",\"say \"\"hi\"\"\"\n\"two\nlines\",z\nlast,1\n",
     ',',
     {{"a", "b"}, {"x,y", "say \"hi\""}, {"two\nlines", "z"}, {"last", "1"}},
     {1, 2, 3, 5}},
    {"CR LF and lone CR, empty lines passed over",
     "a,b\r\n1,2\r\n\r\n3,4\r5,6\r\n",
     ',',
     {{"a", "b"}, {"1", "2"}, {"3", "4"}, {"5", "6"}},
     {1, 2, 4, 5}},
    {"empty fields, quoted and not", "a,b,c\n,\"\",\n", ',', {{"a", "b", "c"}, {"", "", ""}}, {1, 2}},
    {"quoted header with a semicolon inside", "\"x;y\",z\n1,2\n", ',', {{"x;y", "z"}, {"1", "2"}}, {1, 2}},
    {"a quote inside an unquoted field stands", "a,b\n5\"3,x\n", ',', {{"a", "b"}, {"5\"3", "x"}}, {1, 2}},
    {"byte order mark dropped", "\xEF\xBB\xBFtag,sp\n1,ab\n", ',', {{"tag", "sp"}, {"1", "ab"}}, {1, 2}},
};

TEST(CsvReader, ReadsRecordsWithTheirLines)
{
    for (const ReadCase &c : kReadCases) {
        SCOPED_TRACE(c.what);
        data::CsvReader reader(c.text, "f.csv");
        EXPECT_EQ(reader.separator(), c.separator);
        Records records{reader.header()};
        std::vector<std::size_t> lines{1};
        while (reader.next()) {
            records.push_back(reader.fields());
            lines.push_back(reader.line());
        }
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(lines, c.lines);
    }
}

struct FaultCase
{
    std::string text;
    const char *message;
};

const FaultCase kFaultCases[] = {
    {"", "File f.csv, line 1: the file has no header row"},
    {"a,b\n1,\"open\n2,3\n", "File f.csv, line 2: a quoted field opened on this line is not closed"},
    {"a,b\n1,2\n\"x\"y,3\n", "File f.csv, line 3: text follows the closing quote of field 1"},
    {"a,b\n1,2\n1,2,3\n", "File f.csv, line 3: the record has 3 fields, the header 2"},
    {"a,b\n\"1\n2\"\n", "File f.csv, line 2: the record has 1 fields, the header 2"},
    {"a,,c\n", "File f.csv, line 1: column 2 of the header has no name"},
    {"Tag,sp,TAG\n", "File f.csv, line 1: the header names the column TAG twice"},
};

TEST(CsvReader, RefusesFaultsNamingFileAndLine)
{
    for (const FaultCase &c : kFaultCases) {
        SCOPED_TRACE(c.text);
        try {
            data::CsvReader reader(c.text, "f.csv");
            while (reader.next()) {
            }
            ADD_FAILURE() << "not refused";
        } catch (const common::DataError &e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

struct TextCase
{
    const char *what;
    std::string bytes;
    std::string fallback;
    std::string text;
    std::string codePage;
};

// 0xEC is "ě" in Windows-1250 and "ì" in Windows-1252; valid UTF-8 is never read in the fallback.
const TextCase kTextCases[] = {
    {"UTF-8 stays", "sp\nLesn\xC3\xAD\n", "CP1250", "sp\nLesn\xC3\xAD\n", "UTF-8"},
    {"UTF-8 with a byte order mark", "\xEF\xBB\xBFsp\n", "CP1250", "sp\n", "UTF-8"},
    {"not UTF-8: Windows-1250", "sp\nt\xECsto\n", "CP1250", "sp\nt\xC4\x9Bsto\n", "CP1250"},
    {"not UTF-8: the code page asked for", "sp\nt\xECsto\n", "CP1252", "sp\nt\xC3\xACsto\n", "CP1252"},
    {"a character cut at the end is not UTF-8", "sp\nLesn\xC3", "CP1250", "sp\nLesn\xC4\x82", "CP1250"},
};

TEST(CsvReader, ReadsTextInItsCodePage)
{
    for (const TextCase &c : kTextCases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        testsupport::writeBytes(dir / "f.csv", c.bytes);
        const data::CsvText text = data::readCsvText(dir / "f.csv", c.fallback);
        EXPECT_EQ(text.text, c.text);
        EXPECT_EQ(text.codePage, c.codePage);
    }
}

TEST(CsvReader, MissingFileIsAFileError)
{
    TempDir dir;
    EXPECT_THROW(data::readCsvText(dir / "none.csv", "CP1250"), common::FileError);
    EXPECT_THROW(data::readCsvText(dir.path(), "CP1250"), common::FileError);
    // A pipe would wait for a writer, a device never end: both refused before they are opened.
    ASSERT_EQ(mkfifo((dir / "pipe.csv").c_str(), 0600), 0);
    EXPECT_THROW(data::readCsvText(dir / "pipe.csv", "CP1250"), common::FileError);
    EXPECT_THROW(data::readCsvText("/dev/zero", "CP1250"), common::FileError);
}

} // namespace
