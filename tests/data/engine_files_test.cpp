// The engine against dBASE files of other programs, and files it writes read back by them.
#include "enginetestutil.h"

#include "common/error.h"
#include "model/resulttables.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>

using namespace enginetest;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

// The statistics run's statement for AVERAGE.DBF (its lines are checked with the result tables).
const std::vector<std::string> kAverageStatement = model::AverageTableSql();

void createAverage(data::Connection &connection)
{
    data::Query query(connection);
    query.setSql(kAverageStatement);
    query.execSql();
}

} // namespace

TEST(EngineFiles, ReadsATableWrittenByShapelibTools)
{
    TempDir dir;
    // Mixed-case extension: the name a user's file may have.
    makeTable(
        dir / "M_trees.Dbf", "-s PLOT 10 -n TREE 5 0 -s SP 2 -n DBH 6 2 -n D1995 3 0",
        {{"A1", "1", "SM", "12.5", "25"}, {"A1", "2", "BK", "", "100"}, {" A2", "3", "SM", "-3.25", "0"}});
    data::Connection connection;
    connect(connection, dir.path());

    data::Query query(connection);
    query.setSql({"SELECT * FROM 'm_trees.DBF'"});
    query.open();
    EXPECT_EQ(query.fieldNames(), (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", "D1995"}));
    // Numbers in the general format, text without trailing blanks but with leading ones, the
    // asterisks shapelib writes for an empty number read as blank.
    EXPECT_EQ(rowsOf(query),
              (std::vector<std::string>{"A1|1|SM|12.5|25", "A1|2|BK||100", " A2|3|SM|-3.25|0"}));

    query.first();
    EXPECT_EQ(query.asInteger("d1995"), 25);
    EXPECT_DOUBLE_EQ(query.asFloat("Dbh"), 12.5);
    query.next();
    EXPECT_TRUE(query.isNull("DBH"));
    EXPECT_EQ(query.asFloat("DBH"), 0.0);

    data::Table table(connection, "M_TREES.DBF");
    table.open();
    EXPECT_EQ(table.fieldNames(), query.fieldNames());
    EXPECT_EQ(table.recordCount(), 3);
}

TEST(EngineFiles, ReadsTheSharedRealTableInPlace)
{
    const auto dir = testsupport::realData() / "scbi";
    const std::string before = readBytes(dir / "SCBI_CROWN.DBF");
    data::Connection connection;
    connect(connection, dir);

    EXPECT_EQ(select(connection, {"SELECT Count(TREE) FROM 'SCBI_CROWN.DBF'"}),
              std::vector<std::string>{"8127"});
    EXPECT_EQ(select(connection, {"SELECT DISTINCT PLOT FROM 'SCBI_CROWN.DBF'"}).size(), 28u);
    EXPECT_EQ(select(connection, {"SELECT DISTINCT SP FROM 'SCBI_CROWN.DBF'"}).size(), 49u);
    // Blank DBH and blank year values are NULL: skipped by Count, distinct from 0.
    EXPECT_EQ(select(connection, {"SELECT Count(*) FROM 'SCBI_CROWN.DBF' WHERE DBH IS NULL"}),
              std::vector<std::string>{"37"});
    EXPECT_EQ(select(connection, {"SELECT Count(D2014), Count(D2021) FROM 'SCBI_CROWN.DBF'"}),
              std::vector<std::string>{"20|7644"});
    EXPECT_EQ(
        select(connection, {"SELECT PLOT, TREE, SP, DBH, D2021 FROM 'SCBI_CROWN.DBF'", "WHERE TREE = 10006"}),
        std::vector<std::string>{"B0101|10006|JN|61.6|40"});
    connection.close();
    EXPECT_EQ(readBytes(dir / "SCBI_CROWN.DBF"), before);
}

TEST(EngineFiles, TablesItCreatesAreDbaseFilesOtherProgramsRead)
{
    TempDir dir;
    data::Connection connection;
    connect(connection, dir.path());
    createAverage(connection);
    ASSERT_TRUE(std::filesystem::exists(dir / "AVERAGE.DBF")); // the exact name, not AVERAGE.dbf

    // DECIMAL(p,s) is wide enough for p digits, the sign and the point.
    std::string header = run("dbfdump -h " + shellQuote((dir / "AVERAGE.DBF").string()));
    for (const char *field : {"Type=C/String, Title=`Id_plot', Width=10, Decimals=0",
                              "Type=C/String, Title=`Id_species', Width=2, Decimals=0",
                              "Type=N/Integer, Title=`Id_year', Width=5, Decimals=0",
                              "Type=N/Integer, Title=`N_tree', Width=7, Decimals=0",
                              "Type=N/Double, Title=`Def_min', Width=9, Decimals=3",
                              "Type=N/Double, Title=`C5', Width=8, Decimals=4"})
        EXPECT_NE(header.find(field), std::string::npos) << field << "\n" << header;
    EXPECT_EQ(static_cast<unsigned char>(readBytes(dir / "AVERAGE.DBF")[29]), 0xC8); // CP1250

    data::Table table(connection, "AVERAGE.DBF");
    table.open();
    table.append();
    table.setString("ID_PLOT", "Plot-longer-than-ten"); // cut to the column width
    table.setString("ID_SPECIES", "SMX");
    table.setInteger("ID_Year", 1995);
    table.setInteger("N_TREE", 12);
    table.setFloat("DEAD", 8.333333333);
    table.setFloat("DEF_MIN", -3.4842);
    table.setFloat("C0", 0.125);
    table.post();
    table.append();
    table.setString("ID_PLOT", "A2");
    table.setFloat("DEAD", 100);
    table.post();

    // On disk at once, with the record count, while the table is still open.
    std::string dump = dbfdump(dir / "AVERAGE.DBF");
    EXPECT_NE(dump.find("\nPlot-longe SM 1995 12 8.333 (NULL) (NULL) -3.484 0.1250 (NULL)"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("\nA2 (NULL) (NULL) (NULL) 100.000 (NULL)"), std::string::npos) << dump;
    EXPECT_EQ(table.recordCount(), 2);

    // The page's query, as it sends it.
    ASSERT_EQ(kAverageStatement.size(), 17u);
    EXPECT_EQ(select(connection,
                     {"SELECT * FROM 'AVERAGE.DBF'", "WHERE ((ID_PLOT='Plot-longe') and (ID_SPECIES='SM'))"}),
              std::vector<std::string>{"Plot-longe|SM|1995|12|8.333|||-3.484|0.125|||||"});

    // A blank column stays blank: not 0, not asterisks.
    EXPECT_EQ(select(connection, {"SELECT Id_plot, Def_avg, Dead, C0 FROM 'AVERAGE.DBF'"}),
              (std::vector<std::string>{"Plot-longe||8.333|0.125", "A2||100|"}));
    std::string bytes = readBytes(dir / "AVERAGE.DBF");
    EXPECT_EQ(bytes.find('*'), std::string::npos);
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST(EngineFiles, BlankAndZeroStayApart)
{
    TempDir dir;
    makeTable(dir / "t.dbf", "-s ID 2 -n V 5 1", {{"a", "0"}, {"b", ""}, {"c", "2.5"}});
    // A real dBASE blank (spaces), as other programs write it, besides shapelib's asterisks.
    std::string bytes = readBytes(dir / "t.dbf");
    std::size_t at = bytes.find("  2.5");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 5, "     ");
    writeBytes(dir / "t.dbf", bytes);

    data::Connection connection;
    connect(connection, dir.path());
    EXPECT_EQ(select(connection, {"SELECT ID FROM 't.dbf' WHERE V = 0"}), std::vector<std::string>{"a"});
    EXPECT_EQ(select(connection, {"SELECT ID FROM 't.dbf' WHERE V IS NULL"}),
              (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(select(connection, {"SELECT Count(V), Count(ID) FROM 't.dbf'"}),
              std::vector<std::string>{"1|3"});

    // Written back: a blank text gives a blank field, "0" a zero.
    data::Query query(connection);
    query.setSql({"SELECT * FROM 't.dbf'"});
    query.open();
    query.edit();
    query.setField("V", "");
    query.next();
    query.edit();
    query.setField("v", "0");
    query.close();
    EXPECT_EQ(select(connection, {"SELECT ID, V, V IS NULL FROM 't.dbf'"}),
              (std::vector<std::string>{"a||1", "b|0|0", "c||1"}));
}

TEST(EngineFiles, CharacterFieldsFollowTheFilesCodePage)
{
    TempDir dir;
    // No language driver, no .cpg: read as CP1250. 0x8A is Š, 0xE8 is č there.
    makeTable(dir / "cz.dbf", "-s NAME 8", {{"x"}});
    std::string bytes = readBytes(dir / "cz.dbf");
    bytes[29] = 0;
    bytes.replace(bytes.rfind('x'), 3, "\x8A\xE8q");
    writeBytes(dir / "cz.dbf", bytes);
    // A UTF-8 .cpg wins over a CP1250 language driver.
    makeTable(dir / "u8.dbf", "-s NAME 8", {{"\xC5\xA0\xC4\x8D"}});
    std::string u8 = readBytes(dir / "u8.dbf");
    u8[29] = static_cast<char>(0xC8);
    writeBytes(dir / "u8.dbf", u8);
    writeBytes(dir / "U8.CPG", "UTF-8");

    data::Connection connection;
    connect(connection, dir.path());
    EXPECT_EQ(select(connection, {"SELECT NAME FROM 'cz.dbf'"}),
              std::vector<std::string>{"\xC5\xA0\xC4\x8Dq"});
    EXPECT_EQ(select(connection, {"SELECT NAME FROM 'u8.dbf'"}),
              std::vector<std::string>{"\xC5\xA0\xC4\x8D"});

    // Written back in the file's code page; a character it cannot hold is refused.
    createAverage(connection);
    data::Table table(connection, "AVERAGE.DBF");
    table.open();
    table.append();
    table.setString("ID_PLOT", "\xC5\xBDi\xC5\xBEkov"); // Žižkov
    EXPECT_THROW(table.setString("ID_SPECIES", "\xE6\x97\xA5"), common::DataError);
    table.post();
    std::string average = readBytes(dir / "AVERAGE.DBF");
    EXPECT_NE(average.find("\x8Ei\x9Ekov"), std::string::npos);
    EXPECT_EQ(select(connection, {"SELECT Id_plot FROM 'AVERAGE.DBF'"}),
              std::vector<std::string>{"\xC5\xBDi\xC5\xBEkov"});
}

TEST(EngineFiles, ValuesThatDoNotFitAreRefusedAndNothingIsWritten)
{
    TempDir dir;
    makeTable(dir / "t.dbf", "-s ID 3 -n N 3 0 -n F 6 4", {{"a", "7", "0.5"}});
    const std::string before = readBytes(dir / "t.dbf");
    data::Connection connection;
    connect(connection, dir.path());

    data::Query query(connection);
    query.setSql({"SELECT * FROM 't.dbf'"});
    query.open();
    query.edit();
    struct Refused
    {
        const char *field;
        const char *text;
    };
    // Wider than the field (shapelib would store 123 and 12.500), and not numbers at all.
    for (const Refused &c : {Refused{"N", "1234"}, Refused{"N", "-100"}, Refused{"F", "12.5"},
                             Refused{"F", "2,5"}, Refused{"N", "abc"}, Refused{"N", "1e999"}})
        EXPECT_THROW(query.setField(c.field, c.text), common::DataError) << c.field << " " << c.text;
    query.setField("ID", "abcdef"); // text is cut to the width instead
    query.setField("N", "999");
    query.cancel();
    query.close();
    EXPECT_EQ(readBytes(dir / "t.dbf"), before);

    data::Table table(connection, "t.dbf");
    table.open();
    table.append();
    EXPECT_FALSE(table.fits("N", 1000));
    EXPECT_TRUE(table.fits("N", -99));
    EXPECT_THROW(table.setInteger("N", 1000), common::DataError);
    EXPECT_THROW(table.setFloat("F", 99.99995), common::DataError); // rounds to 100.0000
    EXPECT_THROW(table.setFloat("F", std::nan("")), common::DataError);
    EXPECT_THROW(table.setString("NOPE", "1"), common::DataError);
    table.cancel();
    table.close();
    EXPECT_EQ(readBytes(dir / "t.dbf"), before);
}

TEST(EngineFiles, DamagedFilesAreRefusedWithAMessage)
{
    TempDir dir;
    makeTable(dir / "good.dbf", "-s ID 4 -n V 3 0", {{"a", "1"}, {"b", "2"}, {"c", "3"}});
    const std::string good = readBytes(dir / "good.dbf");
    struct Damage
    {
        const char *name;
        std::string bytes;
        const char *message;
    };
    std::string promisesMore = good;
    promisesMore[4] = 9; // nine records in the header, three in the file
    std::string longHeader = good;
    longHeader[9] = 0x40; // header length beyond the end of the file
    std::string wideFields = good;
    wideFields[10] = 4; // record length shorter than the fields
    std::string noWidth = good;
    noWidth[32 + 16] = 0;
    const Damage cases[] = {
        {"short.dbf", good.substr(0, 20), "too short"},
        {"truncated.dbf", good.substr(0, good.size() - 5), "promises 3 records, the file holds 2"},
        {"promises.dbf", promisesMore, "promises 9 records"},
        {"header.dbf", longHeader, "beyond the end of the file"},
        {"fields.dbf", wideFields, "need 8 bytes per record"},
        {"width.dbf", noWidth, "has no width"},
        {"text.dbf", std::string(200, 'x'), "damaged or not a dBASE table"},
    };
    data::Connection connection;
    connect(connection, dir.path());
    for (const Damage &c : cases) {
        writeBytes(dir / c.name, c.bytes);
        try {
            select(connection, {std::string("SELECT * FROM '") + c.name + "'"});
            ADD_FAILURE() << c.name << " was read";
        } catch (const common::DataError &e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
        }
    }
    EXPECT_EQ(select(connection, {"SELECT Count(*) FROM 'good.dbf'"}), std::vector<std::string>{"3"});
}

TEST(EngineFiles, DeletedRecordsAreNeverReturned)
{
    TempDir dir;
    makeTable(dir / "t.dbf", "-s ID 2 -s P 2", {{"a", "P1"}, {"b", "P1"}, {"c", "P2"}});
    std::string bytes = readBytes(dir / "t.dbf");
    bytes[bytes.find(" b ")] = '*';
    writeBytes(dir / "t.dbf", bytes);
    data::Connection connection;
    connect(connection, dir.path());
    EXPECT_EQ(select(connection, {"SELECT ID FROM 't.dbf'"}), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(select(connection, {"SELECT ID FROM 't.dbf' WHERE P = :p"}, {{"p", "P1"}}),
              std::vector<std::string>{"a"});
    data::Table table(connection, "t.dbf");
    table.open();
    EXPECT_EQ(table.recordCount(), 2);
}

// Numbers are read and written the same under a locale whose decimal separator is a comma. The
// parent builds a real cs_CZ locale and runs this test binary again in it (LocaleChild below).
TEST(EngineFiles, NumbersIgnoreACommaLocale)
{
    TempDir dir;
    TempDir locales;
    std::string output;
    // localedef exits 1 for warnings about the source; the locale is built all the same.
    ASSERT_LE(testsupport::runCommand("localedef -i cs_CZ -f UTF-8 " +
                                          shellQuote((locales / "cs_CZ.UTF-8").string()) + " 2>&1",
                                      &output),
              1)
        << output;
    ASSERT_TRUE(std::filesystem::exists(locales / "cs_CZ.UTF-8")) << "localedef built no cs_CZ: " << output;
    makeTable(dir / "t.dbf", "-s ID 2 -n V 7 3", {{"a", "2.5"}, {"b", "-0.25"}});

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string child = "LOCPATH=" + shellQuote(locales.path().string()) +
                        " LC_ALL=cs_CZ.UTF-8 FENORIS_LOCALE_DIR=" + shellQuote(dir.path().string()) + " " +
                        shellQuote(self) + " --gtest_filter=LocaleChild.WritesAndReadsNumbers 2>&1";
    int status = testsupport::runCommand(child, &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;

    // What the child wrote has points; shapelib's tool reads it back.
    std::string dump = dbfdump(dir / "t.dbf");
    EXPECT_NE(dump.find("7.125"), std::string::npos) << dump;
    EXPECT_NE(dump.find("-0.500"), std::string::npos) << dump;
    EXPECT_EQ(dump.find(','), std::string::npos) << dump;

    // The command-line program under the same locale.
    status = testsupport::runCommand(
        "LOCPATH=" + shellQuote(locales.path().string()) + " LC_ALL=cs_CZ.UTF-8 " + FENORIS_CLI_PATH +
            " query " + shellQuote(dir.path().string()) + " \"SELECT ID, V FROM 't.dbf' WHERE V > 2.25\"",
        &output);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output, "ID,V\na,2.5\nc,7.125\n");
}

TEST(LocaleChild, WritesAndReadsNumbers)
{
    const char *dir = std::getenv("FENORIS_LOCALE_DIR");
    if (!dir) FENORIS_SKIP_ON_PURPOSE("runs only as the child of EngineFiles.NumbersIgnoreACommaLocale");
    std::setlocale(LC_ALL, "");
    ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "the comma locale is not active";

    data::Connection connection;
    connect(connection, dir);
    EXPECT_EQ(select(connection, {"SELECT V FROM 't.dbf'"}), (std::vector<std::string>{"2.5", "-0.25"}));
    data::Table table(connection, "t.dbf");
    table.open();
    table.append();
    table.setString("ID", "c");
    table.setFloat("V", 7.125);
    table.post();
    data::Query query(connection);
    query.setSql({"SELECT * FROM 't.dbf' WHERE ID = 'b'"});
    query.open();
    query.edit();
    query.setField("V", "-0.5");
    query.close();
    EXPECT_EQ(select(connection, {"SELECT V * 2 FROM 't.dbf'"}),
              (std::vector<std::string>{"5", "-1", "14.25"}));
}
