// The import of long CSV files: repeats resolved by each mode, plot and species of the newest survey,
// fields sized to the values, the code page the text needs, and refusals that name file and line.
#include "common/error.h"
#include "common/messagesink.h"
#include "common/progress.h"
#include "data/csvimport.h"
#include "data/database.h"
#include "data/dbffile.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;
using namespace std::string_literals;

namespace {

namespace fs = std::filesystem;

data::ImportSettings settingsFor(const TempDir &dir, const std::vector<std::string> &files)
{
    data::ImportSettings s;
    for (const std::string &file : files)
        s.files.push_back(dir / file);
    s.table = dir / "T.dbf";
    s.plot = "plot";
    s.tree = "tree";
    s.species = "sp";
    s.year = "year";
    s.value = "v";
    return s;
}

// The rows of the table as "a,b,c" lines, blanks empty, ordered as the table has them.
std::string rows(const fs::path &dir, const std::string &columns, const std::string &table = "T.dbf")
{
    data::Connection connection;
    connection.setParam("PATH", dir.string());
    connection.open();
    data::Query query(connection);
    query.setSql({"SELECT " + columns + " FROM '" + table + "'"});
    query.open();
    std::string text;
    for (; !query.eof(); query.next()) {
        for (int i = 0; i < static_cast<int>(query.fieldNames().size()); ++i)
            text += (i ? "," : "") + query.valueText(i);
        text += "\n";
    }
    return text;
}

// Tree 1 agrees with itself, tree 2 disagrees three ways, tree 3 has a blank and a value.
const char *kRepeats = "plot,tree,sp,year,v\n"
                       "A,1,BK,2020,10\n"
                       "A,2,BK,2020,10\n"
                       "A,1,BK,2020,10\n"
                       "A,2,BK,2020,20\n"
                       "A,3,BK,2020,NA\n"
                       "A,2,BK,2020,30\n"
                       "A,3,BK,2020,5\n"
                       "A,3,BK,2021,40\n";

struct DuplicatesCase
{
    data::Duplicates mode;
    const char *table;
    std::size_t values;
};

const DuplicatesCase kDuplicates[] = {
    {data::Duplicates::Agree, "1,10,\n2,,\n3,,40\n", 2},
    {data::Duplicates::First, "1,10,\n2,10,\n3,,40\n", 3},
    {data::Duplicates::Last, "1,10,\n2,30,\n3,5,40\n", 4},
};

TEST(CsvImport, RepeatsResolvedByEachMode)
{
    for (const auto &c : kDuplicates) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        TempDir dir;
        writeBytes(dir / "a.csv", kRepeats);
        auto settings = settingsFor(dir, {"a.csv"});
        settings.duplicates = c.mode;
        common::RecordingSink sink;
        const auto summary = data::importCsv(settings, sink);
        EXPECT_EQ(rows(dir.path(), "TREE, D2020, D2021"), c.table);
        EXPECT_EQ(summary.repeatedCells, 3u);
        EXPECT_EQ(summary.repeatRows, 4u);
        EXPECT_EQ(summary.disagreeing, 2u);
        EXPECT_EQ(summary.values, c.values);
        EXPECT_EQ(summary.values + summary.blanks, 6u);
    }
}

TEST(CsvImport, RepeatsRefusedWithTheirLines)
{
    TempDir dir;
    writeBytes(dir / "a.csv", kRepeats);
    common::RecordingSink sink;
    try {
        data::importCsv(settingsFor(dir, {"a.csv"}), sink);
        FAIL() << "not refused";
    } catch (const common::DataError &e) {
        const std::string file = (dir / "a.csv").string();
        EXPECT_EQ(
            std::string(e.what()),
            "3 times a tree has more than one row in a survey; choose how such repeats are resolved (agree, "
            "first or last). The first ones:\n  tree 1 in 2020: File " +
                file + ", line 2, File " + file + ", line 4\n  tree 2 in 2020: File " + file +
                ", line 3, File " + file + ", line 5, File " + file + ", line 7\n  tree 3 in 2020: File " +
                file + ", line 6, File " + file + ", line 8");
    }
    EXPECT_FALSE(fs::exists(dir / "T.dbf"));
}

// One tree given 1,012 times in a survey: its first ten rows are named and the rest counted, so that
// the message stays a few lines long whatever the file holds.
TEST(CsvImport, LongListsOfRepeatsAreCut)
{
    TempDir dir;
    std::string csv = "plot,tree,sp,year,v\n";
    for (int i = 0; i < 1012; ++i)
        csv += "A,1,BK,2020,10\n";
    writeBytes(dir / "a.csv", csv);
    common::NullSink sink;
    try {
        data::importCsv(settingsFor(dir, {"a.csv"}), sink);
        FAIL() << "not refused";
    } catch (const common::DataError &e) {
        const std::string message = e.what(), file = (dir / "a.csv").string();
        EXPECT_NE(message.find("File " + file + ", line 10, File " + file + ", line 11 … and 1,002 more"),
                  std::string::npos)
            << message;
        EXPECT_EQ(message.find("line 12"), std::string::npos);
        EXPECT_LT(message.size(), 2000u);
    }
}

// Plot, species and DBH come from the newest survey that has them, whatever the order of the files;
// a tree whose plot changes is told with both values.
TEST(CsvImport, AttributesOfTheNewestSurvey)
{
    TempDir dir;
    writeBytes(dir / "new.csv", "plot,tree,sp,year,v,dbh\nB,7,SM,2021,15,NA\nA,8,BK,2021,,\n");
    writeBytes(dir / "old.csv", "plot,tree,sp,year,v,dbh\nA,7,SM,2019,10,30.5\nA,8,BO,2019,5,12\n");
    auto settings = settingsFor(dir, {"new.csv", "old.csv"});
    settings.dbh = "dbh";
    common::RecordingSink sink;
    data::importCsv(settings, sink);
    EXPECT_EQ(rows(dir.path(), "PLOT, TREE, SP, DBH, D2019, D2021"), "A,8,BK,12,5,\nB,7,SM,30.5,10,15\n");
    std::vector<std::string> warnings;
    for (const auto &entry : sink.entries())
        if (entry.kind == common::MessageKind::Warning) warnings.push_back(entry.text);
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "Tree 7: plot A in 2019, B in 2021; the table has B, of 2021",
                            "Tree 8: species BO in 2019, BK in 2021; the table has BK, of 2021"}));
}

struct FieldCase
{
    const char *what;
    std::string csv;
    std::string value;               // the value expression
    std::vector<std::string> fields; // "NAME C(w)" or "NAME N(w,d)"
};

// Character fields as wide as their longest text; numeric fields as their longest number, with the
// decimals a value has (the noise of 144.3 / 10 not counted) and a place for a sign.
const FieldCase kFields[] = {
    {"numbers",
     "plot,tree,sp,year,v\nP1,5,SM,2020,7\nP22,123,BK,2020,144.3\n",
     "v / 10.0",
     {"PLOT C(3)", "TREE N(4,0)", "SP C(2)", "D2020 N(6,2)"}},
    {"a tree with a leading zero keeps it as text",
     "plot,tree,sp,year,v\nP,0101,SM,2020,-5\nP,7,SM,2020,100\n",
     "v",
     {"PLOT C(1)", "TREE C(4)", "SP C(2)", "D2020 N(4,0)"}},
};

TEST(CsvImport, FieldsSizedToTheValues)
{
    for (const FieldCase &c : kFields) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir / "a.csv", c.csv);
        auto settings = settingsFor(dir, {"a.csv"});
        settings.value = c.value;
        common::NullSink sink;
        data::importCsv(settings, sink);
        std::vector<std::string> fields;
        const data::DbfFile table(dir / "T.dbf");
        for (const auto &f : table.fields())
            fields.push_back(f.name + " " + f.type + "(" + std::to_string(f.width) +
                             (f.isNumeric() ? "," + std::to_string(f.decimals) : "") + ")");
        EXPECT_EQ(fields, c.fields);
    }
}

// Text Windows-1250 lacks makes the table UTF-8 by a .cpg file; a table imported over it with text
// Windows-1250 has gets a .cpg that says so, not the UTF-8 one of the table it replaced.
TEST(CsvImport, TableMarkedInTheCodePageItsTextNeeds)
{
    TempDir dir;
    writeBytes(dir / "greek.csv", "plot,tree,sp,year,v\n\xCE\x95\xCE\xBB,1,SM,2020,5\n");
    writeBytes(dir / "czech.csv", "plot,tree,sp,year,v\n\xC5\xBD\xC4\x8F\xC3\xA1r,1,SM,2020,5\n");
    common::NullSink sink;
    auto settings = settingsFor(dir, {"greek.csv"});
    EXPECT_EQ(data::importCsv(settings, sink).codePage, "UTF-8");
    EXPECT_EQ(readBytes(dir / "T.cpg"), "UTF-8");
    EXPECT_EQ(rows(dir.path(), "PLOT"), "\xCE\x95\xCE\xBB\n");

    settings.files = {dir / "czech.csv"};
    settings.replace = true;
    EXPECT_EQ(data::importCsv(settings, sink).codePage, "CP1250");
    EXPECT_EQ(readBytes(dir / "T.cpg"), "1250");
    EXPECT_EQ(data::DbfFile(dir / "T.dbf").recordBytes(0).substr(1, 4), "\x8E\xEF\xE1r");
    EXPECT_EQ(rows(dir.path(), "PLOT"), "\xC5\xBD\xC4\x8F\xC3\xA1r\n");
}

struct RefusalCase
{
    const char *what;
    std::string first, second; // the files, the second one only when given
    std::function<void(data::ImportSettings &)> change;
    std::string message; // "@" stands for the temporary folder
};

const RefusalCase kRefusals[] = {
    {"header differs", "plot,tree,sp,year,v\n", "plot,tree,species,year,v\n", nullptr,
     "File @/b.csv has other columns than @/a.csv: column 3 is 'species', not 'sp'"},
    {"header shorter", "plot,tree,sp,year,v\n", "plot,tree,sp,year\n", nullptr,
     "File @/b.csv has other columns than @/a.csv: column 5 is missing, not 'v'"},
    {"no such column", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "", [](auto &s) { s.value = "100 - crown"; },
     "The value expression is refused: no such column: crown"},
    {"a name in double quotes is a column", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) { s.condition = "sp = \"SM\""; }, "The condition is refused: no such column: SM"},
    {"two statements", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) { s.tree = "tree) FROM csv_rows; SELECT (1"; },
     "The tree expression is refused: it closes a bracket that it did not open"},
    {"two statements in brackets", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) { s.tree = "tree; DELETE FROM csv_rows"; },
     "The tree expression is refused: it is more than one expression"},
    {"empty expression", "plot,tree,sp,year,v\n", "", [](auto &s) { s.plot = " "; },
     "The plot expression is empty"},
    {"year not whole", "plot,tree,sp,year,v\nA,1,SM,2020,5\nA,1,SM,2020.5,5\n", "", nullptr,
     "File @/a.csv, line 3: the year 2020.5 is not a whole number from 1 to 9999"},
    {"value not a number", "plot,tree,sp,year,v\nA,1,SM,2020,5\nA,2,SM,2020,n/a\n", "", nullptr,
     "File @/a.csv, line 3: the value 'n/a' is not a number"},
    {"blank tree", "plot,tree,sp,year,v\nA,,SM,2020,5\n", "", nullptr,
     "File @/a.csv, line 2: the tree is blank"},
    {"value beyond a numeric field", "plot,tree,sp,year,v\nA,1,SM,2020,1e17\nA,2,SM,2020,0.001\n", "",
     nullptr,
     "File @/a.csv, line 3: the value 0.001 of column D2020 does not fit a dBASE numeric field (20 digits at "
     "most, 21 needed)"},
    {"text beyond a character field",
     "plot,tree,sp,year,v\nA,1,SM,2020,5\n" + std::string(255, 'x') + ",2,SM,2020,5\n", "", nullptr,
     "File @/a.csv, line 3: the text of column PLOT is 255 bytes long, more than a dBASE character field "
     "holds "
     "(254)"},
    {"no row left", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "", [](auto &s) { s.condition = "sp = 'BK'"; },
     "No row of the files meets the condition: there is nothing to import"},
    {"a result table's name", "plot,tree,sp,year,v\n", "",
     [](auto &s) { s.table = s.table.parent_path() / "transit.dbf"; },
     "The table cannot be named TRANSIT.DBF or AVERAGE.DBF: the statistics are written under these names "
     "beside it"},
    {"an existing table", "plot,tree,sp,year,v\n", "", [](auto &s) { s.table = s.files[0]; },
     "Table @/a.csv already exists"},
    {"unknown code page", "plot,tree,sp,year,v\n", "", [](auto &s) { s.encoding = "no-such-page"; },
     "no-such-page"},
    {"blank code page", "plot,tree,sp,year,v\n", "", [](auto &s) { s.encoding = " "; },
     "The code page of files that are not UTF-8 is empty"},
    // "Čermák" in Windows-1250, declared UTF-8: refused, not stored as U+FFFD.
    {"declared UTF-8, written in Windows-1250",
     "plot,tree,sp,year,v\nA,1,SM,2020,5\n\xC8"
     "erm\xE1k,2,SM,2020,5\n",
     "", [](auto &s) { s.encoding = "UTF-8"; },
     "File @/a.csv, line 3: the text is not UTF-8 (byte 0xC8): give the code page it is written in"},
    // 0x98 is no character of Windows-1250.
    {"a byte the code page lacks", "plot,tree,sp,year,v\nA,1,SM,2020,5\n\r\nA\x98,2,SM,2020,5\n", "", nullptr,
     "File @/a.csv, line 4: the text is neither UTF-8 nor Windows-1250"},
    {"a NUL byte", "plot,tree,sp,year,v\nA,1,SM,2020,5\nA,2,S\0M,2020,5\n"s, "", nullptr,
     "File @/a.csv, line 3: the file holds a NUL byte"},
    {"a line beyond the limit", "plot,tree,sp,year,v\nA,1,SM,2020," + std::string(1024 * 1024, '5') + "\n",
     "", nullptr,
     "File @/a.csv, line 2: the line is 1048588 bytes long, more than the 1048576 a line may have"},
    {"a device", "plot,tree,sp,year,v\n", "", [](auto &s) { s.files[0] = "/dev/zero"; },
     "Cannot read file /dev/zero: it is not a regular file"},
    {"a comment left open", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) {
         s.plot = "plot /*";
         s.tree = "*/ tree";
     },
     "The plot expression is refused: the comment opened in it (/*) is not closed"},
    {"a quote left open", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "", [](auto &s) { s.species = "sp || 'x"; },
     "The species expression is refused: the quote ' opened in it is not closed"},
    {"a bracket closed beyond the expression", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) { s.plot = "plot), (tree"; },
     "The plot expression is refused: it closes a bracket that it did not open"},
    {"fts3_tokenizer", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) { s.plot = "hex(fts3_tokenizer('simple'))"; },
     "The plot expression is refused: not authorized"},
    {"a pragma", "plot,tree,sp,year,v\nA,1,SM,2020,5\n", "",
     [](auto &s) { s.plot = "(SELECT name FROM pragma_table_info('csv_rows'))"; },
     "The plot expression is refused: not authorized"},
    {"a value of 19 whole digits", "plot,tree,sp,year,v\nA,1,SM,2020,5\nA,2,SM,2020,1e19\n", "", nullptr,
     "File @/a.csv, line 3: the value 10000000000000000000 of column D2020 is too large: a number of the "
     "table has at most 18 digits before the point"},
    {"control characters quoted from data", "plot,tree,sp,year,v\nA,1,SM,2020,\"n/a\x1b[2J\r\"\n", "",
     nullptr, "File @/a.csv, line 2: the value 'n/a\\x1b[2J\\r' is not a number"},
};

TEST(CsvImport, RefusalsBeforeAnythingIsWritten)
{
    for (const RefusalCase &c : kRefusals) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir / "a.csv", c.first);
        std::vector<std::string> files{"a.csv"};
        if (!c.second.empty()) {
            writeBytes(dir / "b.csv", c.second);
            files.push_back("b.csv");
        }
        auto settings = settingsFor(dir, files);
        if (c.change) c.change(settings);
        std::string expected = c.message;
        for (std::size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@'))
            expected.replace(at, 1, dir.path().string());
        common::NullSink sink;
        try {
            data::importCsv(settings, sink);
            ADD_FAILURE() << "not refused";
        } catch (const common::Error &e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_EQ(testsupport::namesIn(dir.path()), files);
    }
}

// Empty fields and the missing-value text are NULL; with another missing-value text, "NA" is a text.
TEST(CsvImport, MissingValues)
{
    TempDir dir;
    writeBytes(dir / "a.csv", "plot;tree;sp;year;v;w\nA;1;SM;2020;NA;.\nA;2;SM;2020;;7\n");
    auto settings = settingsFor(dir, {"a.csv"});
    settings.value = "(v IS NULL) * 10 + (w IS NULL)";
    common::NullSink sink;
    data::importCsv(settings, sink);
    EXPECT_EQ(rows(dir.path(), "TREE, D2020"), "1,10\n2,10\n");
    settings.missing = ".";
    settings.replace = true;
    data::importCsv(settings, sink);
    EXPECT_EQ(rows(dir.path(), "TREE, D2020"), "1,1\n2,10\n");
}

} // namespace

// Columns are named in SQL as the header names them, quotes, spaces and key words included; a column
// named like the row number the import keeps for itself is a column like any other.
TEST(CsvImport, ColumnsOfAnyName)
{
    TempDir dir;
    writeBytes(dir / "a.csv", "plot,tree,sp,year,\"per cent \"\"living\"\"\",order,csv_row\n"
                              "A,1,SM,2020,80,1,x\nA,2,SM,2020,60,2,y\nA,3,SM,2020,70,1,z\n");
    auto settings = settingsFor(dir, {"a.csv"});
    settings.value = "100 - \"per cent \"\"living\"\"\"";
    settings.condition = "\"order\" = 1 AND csv_row <> 'z'";
    common::NullSink sink;
    data::importCsv(settings, sink);
    EXPECT_EQ(rows(dir.path(), "TREE, D2020"), "1,20\n");
}

// The preview is the table's first rows, with the decimals of its fields, and writes nothing.
TEST(CsvImport, PreviewShowsTheTablesFirstRows)
{
    TempDir dir;
    writeBytes(dir / "a.csv", "plot,tree,sp,year,v,d\n"
                              "B,3,SM,2020,144.3,21\nA,12,BK,2020,5,30.5\nA,2,BK,2021,NA,NA\n"
                              "A,2,BK,2020,7,12\n");
    auto settings = settingsFor(dir, {"a.csv"});
    settings.value = "v / 10.0";
    settings.dbh = "d";
    common::RecordingSink notes;
    const data::ImportPreview preview = data::previewCsv(settings, notes, 2);
    EXPECT_EQ(preview.columns, (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", "D2020", "D2021"}));
    EXPECT_EQ(preview.rows, (std::vector<std::vector<std::string>>{{"A", "2", "BK", "12.0", "0.70", ""},
                                                                   {"A", "12", "BK", "30.5", "0.50", ""}}));
    EXPECT_EQ(preview.summary.trees, 3u);
    EXPECT_EQ(preview.summary.blanks, 3u);
    EXPECT_EQ(testsupport::namesIn(dir.path()), std::vector<std::string>{"a.csv"});

    // The same texts as the fields of the table written hold, spaces aside.
    data::importCsv(settings, notes);
    const data::DbfFile table(dir / "T.dbf");
    std::vector<std::vector<std::string>> written;
    for (std::size_t record = 0; record < table.recordCount(); ++record) {
        const std::string bytes = table.recordBytes(record);
        written.emplace_back();
        for (const data::DbfField &f : table.fields()) {
            std::string cell = bytes.substr(f.offset, f.width);
            cell.erase(0, cell.find_first_not_of(' '));
            cell.erase(cell.find_last_not_of(' ') + 1);
            written.back().push_back(cell);
        }
    }
    EXPECT_EQ(data::previewCsv(settings, notes, 10).rows, written);
}

// A cancel at a step leaves the folder as it was.
TEST(CsvImport, CancelWritesNothing)
{
    struct CancelAt : common::Progress
    {
        int at;
        explicit CancelAt(int step) : at(step) {}
        bool step(int done, int, const std::string &) override { return done < at; }
    };
    for (int at : {0, 1}) {
        SCOPED_TRACE(at);
        TempDir dir;
        writeBytes(dir / "a.csv", "plot,tree,sp,year,v\nA,1,SM,2020,5\n");
        common::NullSink sink;
        CancelAt progress(at);
        EXPECT_TRUE(data::importCsv(settingsFor(dir, {"a.csv"}), sink, &progress).cancelled);
        EXPECT_EQ(testsupport::namesIn(dir.path()), std::vector<std::string>{"a.csv"});
    }
}

// Cancel stops the expressions while they run, however much one row costs: a condition that counts
// to fifty million per row (seconds), or makes a huge blob per row (one step of SQLite's, ten to a
// row, so a check by the count of steps alone came every few rows); the cancel comes after 0.2 s.
TEST(CsvImport, CancelStopsACostlyConditionAtOnce)
{
    struct CancelLater : common::Progress
    {
        std::chrono::steady_clock::time_point at =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        bool step(int, int, const std::string &) override { return true; }
        bool cancelRequested() override { return std::chrono::steady_clock::now() >= at; }
    };
    const char *conditions[] = {
        "(WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 50000000) "
        "SELECT count(*) FROM c) > tree",
        "length(hex(randomblob(8000000))) < tree"};
    for (const char *condition : conditions) {
        SCOPED_TRACE(condition);
        TempDir dir;
        std::string csv = "plot,tree,sp,year,v\n";
        for (int i = 1; i <= 40; ++i)
            csv += "A," + std::to_string(i) + ",BK,2020,10\n";
        writeBytes(dir / "a.csv", csv);
        auto settings = settingsFor(dir, {"a.csv"});
        settings.condition = condition;
        common::NullSink sink;
        CancelLater progress;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(data::importCsv(settings, sink, &progress).cancelled);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(testsupport::namesIn(dir.path()), std::vector<std::string>{"a.csv"});
    }
}

// A write that fails (a full disk; here the limit on a file's size) names the table the user asked for,
// not the temporary file, and the system's reason; nothing is left behind.
TEST(CsvImport, AFailedWriteNamesTheTableAndTheReason)
{
    TempDir dir;
    // A Cyrillic plot ("Б") makes the table UTF-8, whose .cpg file is the first file written.
    writeBytes(dir / "a.csv", "plot,tree,sp,year,v\n\xD0\x91,1,BK,2020,10\n");
    common::NullSink sink;
    rlimit former{};
    getrlimit(RLIMIT_FSIZE, &former);
    const auto formerHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = former;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
    std::string message;
    try {
        data::importCsv(settingsFor(dir, {"a.csv"}), sink);
    } catch (const common::Error &e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &former);
    std::signal(SIGXFSZ, formerHandler);
    EXPECT_EQ(message, "Cannot write file " + (dir / "T.dbf").string() + ": File too large");
    EXPECT_EQ(testsupport::namesIn(dir.path()), std::vector<std::string>{"a.csv"});
}
