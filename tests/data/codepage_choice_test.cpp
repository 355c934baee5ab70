// Tables that name no code page: UTF-8 told from their text, Windows-1250 otherwise; the decision
// kept while the file is open, and rows written in the code page the file was read in.
#include "enginetestutil.h"

#include "common/error.h"
#include "data/codepage.h"
#include "data/tableinfo.h"

#include <chrono>
#include <functional>

using namespace enginetest;
using data::CodePageSource;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

namespace fs = std::filesystem;

const fs::path kTables = testsupport::fixtures() / "utf8";
const std::vector<std::string> kCzechPlots = {"Lesní", "Šumava", "Žďár"};

// Replaces the first occurrence of from in the file's records (after the header) by to.
void patchRecord(const fs::path &file, const std::string &from, const std::string &to)
{
    std::string bytes = readBytes(file);
    const std::size_t at = bytes.find(from, 0x100);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
    writeBytes(file, bytes);
}

std::vector<std::string> plots(data::Connection &connection, const std::string &table)
{
    return select(connection, {"SELECT DISTINCT PLOT FROM '" + table + "'"});
}

struct TableCase
{
    const char *why;
    const char *fixture;
    std::function<void(const fs::path &)> change; // applied to the copy, may be empty
    std::vector<std::string> plots;
    const char *codePage;
    CodePageSource source;
};

} // namespace

TEST(CodePageChoice, TablesOfTodaysToolsReadAsTheyWereWritten)
{
    const TableCase cases[] = {
        {"LibreOffice Calc writes UTF-8",
         "lesy_calc.dbf",
         {},
         kCzechPlots,
         "UTF-8",
         CodePageSource::Utf8Text},
        {"R write.dbf writes UTF-8", "lesy_r.dbf", {}, kCzechPlots, "UTF-8", CodePageSource::Utf8Text},
        {"Windows-1250 bytes are not UTF-8",
         "lesy_1250.dbf",
         {},
         kCzechPlots,
         "CP1250",
         CodePageSource::Default},
        {"plain ASCII stays Windows-1250",
         "lesy_ascii.dbf",
         {},
         {"Lesni", "Sumava", "Zdar"},
         "CP1250",
         CodePageSource::Default},
        // 0xC8 is the language driver of Windows-1250: it wins over text that reads as UTF-8.
        {"a language driver byte wins",
         "lesy_r.dbf",
         [](const fs::path &f) {
             std::string bytes = readBytes(f);
             bytes[29] = '\xC8';
             writeBytes(f, bytes);
         },
         {"LesnĂ\u00AD", "Ĺ\u00A0umava", "Ĺ˝ÄŹĂˇr"},
         "CP1250",
         CodePageSource::LanguageDriver},
        {"a .cpg file wins",
         "lesy_calc.dbf",
         [](const fs::path &f) { writeBytes(f.parent_path() / "LESY_CALC.CPG", "ANSI 1250\r\n"); },
         {"LesnĂ\u00AD", "Ĺ\u00A0umava", "Ĺ˝ÄŹĂˇr"},
         "CP1250",
         CodePageSource::CpgFile},
        // The first record, deleted, holds Windows-1250 bytes nobody sees.
        {"deleted records do not count", "lesy_r.dbf",
         [](const fs::path &f) {
             std::string bytes = readBytes(f);
             ASSERT_EQ(bytes.substr(0x101, 8), " Lesn\xC3\xAD ");
             bytes.replace(0x101, 8, "*Lesn\xED  ");
             writeBytes(f, bytes);
         },
         kCzechPlots, "UTF-8", CodePageSource::Utf8Text},
        // A writer that cuts text at the width may leave the first byte of a character at the end.
        {"a character cut at the field's end", "lesy_r.dbf",
         [](const fs::path &f) { patchRecord(f, "Lesn\xC3\xAD ", "Lesn\xC3\xAD\xC5"); }, kCzechPlots, "UTF-8",
         CodePageSource::Utf8Text},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TempDir dir;
        const fs::path copy = testsupport::copyInto(kTables / c.fixture, dir.path());
        if (c.change) c.change(copy);
        data::Connection connection;
        connect(connection, dir.path());
        EXPECT_EQ(plots(connection, c.fixture), c.plots);
        const data::TableInfo info = data::describeTable(connection, c.fixture);
        EXPECT_EQ(info.codePage.name, c.codePage);
        EXPECT_EQ(info.codePage.source, c.source);
    }
}

TEST(CodePageChoice, EveryValueMustBeUtf8AndOneBeyondAscii)
{
    struct Case
    {
        const char *why;
        std::vector<std::string> values; // whole fields
        CodePageSource source;
        const char *evidence;
    };
    const std::string unmarked = "no language driver byte or .cpg file, and its text is ";
    const Case cases[] = {
        {"UTF-8 with a two-byte character", {"SM", "Lesn\xC3\xAD "}, CodePageSource::Utf8Text, "UTF-8"},
        {"ASCII only", {"SM", "Lesni "}, CodePageSource::Default, "plain ASCII"},
        {"one Windows-1250 value spoils the rest",
         {"Lesn\xC3\xAD ", "Lesn\xED "},
         CodePageSource::Default,
         "not UTF-8"},
        {"an overlong form", {"Lesn\xC3\xAD ", "\xC0\xAF"}, CodePageSource::Default, "not UTF-8"},
        {"a surrogate", {"Lesn\xC3\xAD ", "\xED\xA0\x80"}, CodePageSource::Default, "not UTF-8"},
        {"a cut character followed by a blank is no cut",
         {"Lesn\xC3\xAD ", "\xC3 "},
         CodePageSource::Default,
         "not UTF-8"},
        {"a cut character at a field's end",
         {"\xC5\xBD\xC4\x8F\xC3", "SM"},
         CodePageSource::Utf8Text,
         "UTF-8"},
        // Windows-1250 "Lesní" filling its field ends in a byte that starts a UTF-8 character.
        {"only a cut character", {"Lesn\xED"}, CodePageSource::Default, "not UTF-8"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        data::Utf8Evidence evidence;
        for (const auto &value : c.values)
            evidence.add(value);
        const data::CodePageChoice choice = evidence.choice();
        EXPECT_EQ(choice.source, c.source);
        EXPECT_EQ(choice.name, c.source == CodePageSource::Utf8Text ? "UTF-8" : "CP1250");
        EXPECT_EQ(choice.evidence,
                  (c.source == CodePageSource::Default ? "the default: " : "") + unmarked + c.evidence);
    }
}

TEST(CodePageChoice, KeptWhileTheFileIsOpenAndRowsWrittenInIt)
{
    TempDir dir;
    const fs::path file = testsupport::copyInto(kTables / "lesy_r.dbf", dir.path());
    data::Connection connection;
    connect(connection, dir.path());
    ASSERT_EQ(plots(connection, "lesy_r.dbf"), kCzechPlots);

    // Another program leaves only ASCII in the same file: it is read again, in the code page decided.
    std::string bytes = readBytes(file);
    for (const auto &[from, to] :
         std::vector<std::pair<std::string, std::string>>{{"Lesn\xC3\xAD", "Lesnii"},
                                                          {"\xC5\xA0umava", "SSumava"},
                                                          {"\xC5\xBD\xC4\x8F\xC3\xA1r", "Zzddaar"}})
        for (std::size_t at; (at = bytes.find(from)) != std::string::npos;)
            bytes.replace(at, from.size(), to);
    writeBytes(file, bytes);
    // File times may not move within a few milliseconds; another program's save is later.
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
    EXPECT_EQ(plots(connection, "lesy_r.dbf"), (std::vector<std::string>{"Lesnii", "SSumava", "Zzddaar"}));
    EXPECT_EQ(data::describeTable(connection, "lesy_r.dbf").codePage.source, CodePageSource::Utf8Text);

    data::Table table(connection, "lesy_r.dbf");
    table.open();
    table.append();
    table.setString("PLOT", "Žďár");
    table.setInteger("TREE", 9);
    table.post();
    table.close();
    EXPECT_NE(readBytes(file).find(" \xC5\xBD\xC4\x8F\xC3\xA1r   9"), std::string::npos);

    // A new file under the name is decided anew.
    fs::copy_file(kTables / "lesy_1250.dbf", dir / "new.dbf");
    fs::rename(dir / "new.dbf", file);
    EXPECT_EQ(plots(connection, "lesy_r.dbf"), kCzechPlots);
    EXPECT_EQ(data::describeTable(connection, "lesy_r.dbf").codePage.name, "CP1250");
}

TEST(CodePageChoice, EditsAreWrittenInTheCodePageTheFileWasReadIn)
{
    struct Case
    {
        const char *fixture;
        std::string stored; // "Říp" in the file's code page
    };
    const Case cases[] = {
        {"lesy_calc.dbf", "\xC5\x98\xC3\xADp"}, // UTF-8
        {"lesy_1250.dbf", "\xD8\xEDp"},         // Windows-1250
        {"lesy_ascii.dbf", "\xD8\xEDp"},        // Windows-1250, the default
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fixture);
        TempDir dir;
        const fs::path file = testsupport::copyInto(kTables / c.fixture, dir.path());
        data::Connection connection;
        connect(connection, dir.path());
        data::Query query(connection);
        query.setSql({"SELECT * FROM '" + std::string(c.fixture) + "'"});
        query.open();
        query.edit();
        query.setField("PLOT", "Říp");
        query.post();
        // Text that Windows-1250 cannot hold is refused there, and taken in UTF-8.
        query.edit();
        if (std::string(c.fixture) == "lesy_calc.dbf")
            EXPECT_NO_THROW(query.setField("PLOT", "日本"));
        else
            EXPECT_THROW(query.setField("PLOT", "日本"), common::DataError);
        query.cancel();
        query.close();
        const std::string bytes = readBytes(file);
        EXPECT_NE(bytes.find(c.stored), std::string::npos);
        EXPECT_EQ(bytes[29], '\0'); // still unmarked
        EXPECT_FALSE(fs::exists(file.parent_path() / (file.stem().string() + ".cpg")));
        EXPECT_EQ(select(connection, {"SELECT PLOT FROM '" + std::string(c.fixture) + "' WHERE TREE = 1"})[0],
                  "Říp");
    }
}

TEST(CodePageChoice, AnEditedUtf8TableReadsBackInR)
{
    TempDir dir;
    const fs::path file = testsupport::copyInto(kTables / "lesy_calc.dbf", dir.path());
    {
        data::Connection connection;
        connect(connection, dir.path());
        data::Query query(connection);
        query.setSql({"SELECT * FROM 'lesy_calc.dbf' WHERE PLOT = 'Šumava' AND TREE = 2"});
        query.open();
        query.edit();
        query.setField("PLOT", "Říp");
        query.close();
        data::Table table(connection, "lesy_calc.dbf");
        table.open();
        table.append();
        table.setString("PLOT", "Žďár");
        table.setInteger("TREE", 7);
        table.setString("SP", "JD");
        table.post();
    }
    // R takes the bytes as they are, in a UTF-8 locale; validUTF8 fails for any other code page.
    const std::string r = run("LC_ALL=C.UTF-8 Rscript -e 'x <- foreign::read.dbf(\"" + file.string() +
                              "\", as.is = TRUE); stopifnot(all(validUTF8(x$PLOT))); "
                              "cat(paste(x$PLOT, x$TREE, x$SP), sep = \"\\n\")'");
    const std::vector<std::string> expected = {
        "Lesní 1 SM",  "Lesní 2 SM",  "Lesní 3 SM",  "Lesní 4 SM",  "Lesní 5 SM",  "Lesní 6 SM",
        "Šumava 1 SM", "Říp 2 SM",    "Šumava 3 SM", "Šumava 4 SM", "Šumava 5 SM", "Šumava 6 SM",
        "Šumava 7 BK", "Šumava 8 BK", "Žďár 1 SM",   "Žďár 2 SM",   "Žďár 3 SM",   "Žďár 4 SM",
        "Žďár 5 SM",   "Žďár 6 SM",   "Žďár 7 JD"};
    std::string joined;
    for (const auto &line : expected)
        joined += line + "\n";
    EXPECT_EQ(r, joined);
}
