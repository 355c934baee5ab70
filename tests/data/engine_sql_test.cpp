// The program's SQL texts through the engine as they are sent, parameters, refusals, live rows and
// the equality index.
#include "enginetestutil.h"

#include "common/error.h"

#include <sqlite3.h>

#include <chrono>
#include <set>

using namespace enginetest;
using testsupport::readBytes;
using testsupport::TempDir;

namespace {

// Ten trees on three plots; one plot name holds a quote, one tree has no DBH.
void makeTrees(const std::filesystem::path &file)
{
    makeTable(file, "-s PLOT 10 -n TREE 5 0 -s SP 2 -n DBH 5 1 -n D1995 3 0 -n D1996 3 0",
              {{"A1", "1", "SM", "12.5", "10", "15"},
               {"A1", "2", "SM", "8.0", "25", "100"},
               {"A1", "3", "BK", "30.2", "0", "5"},
               {"B2", "4", "SM", "22.0", "40", "45"},
               {"A1", "5", "SM", "", "100", "100"},
               {"O'Neil", "6", "DB", "15.0", "5", "10"},
               {"B2", "7", "BK", "11.1", "20", "25"},
               {"A1", "8", "sm", "19.9", "35", ""},
               {"B2", "9", "SM", "9.5", "60", "100"},
               {"A1", "10", "BK", "40.0", "10", "10"}});
}

const std::vector<std::string> kTransitStatement = [] {
    std::vector<std::string> lines = {"CREATE TABLE \"TRANSIT.DBF\"", "(",
                                      " Id_plot CHAR(10),",           " Id_species CHAR(2),",
                                      " Id_year DECIMAL(4,0),",       " Interval DECIMAL(2,0),"};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            lines.push_back(" T" + std::to_string(i) + std::to_string(j) + " DECIMAL(6,4),");
    lines.push_back(" N_tree DECIMAL(3,0)");
    lines.push_back(")");
    return lines;
}();

class EngineSql : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeTrees(dir / "M_trees.dbf");
        connect(connection, dir.path());
    }
    TempDir dir;
    data::Connection connection;
};

} // namespace

TEST_F(EngineSql, ConnectionParametersAndFileLookup)
{
    EXPECT_EQ(data::Connection().param("PATH"), "");
    EXPECT_EQ(connection.param("path"), dir.path().string() + "/");
    EXPECT_EQ(connection.findFile("m_TREES.DBF"), dir / "M_trees.dbf");
    EXPECT_EQ(connection.findFile("../M_trees.dbf"), std::nullopt);

    data::Connection bad;
    bad.setParam("path", (dir / "missing").string());
    EXPECT_EQ(bad.param("PATH"), (dir / "missing").string());
    EXPECT_THROW(bad.open(), common::DataError);
}

TEST_F(EngineSql, ListAndCountQueriesAsTheProgramSendsThem)
{
    // Plot list, without and with the user's condition; DISTINCT keeps the order of first appearance.
    EXPECT_EQ(select(connection, {"SELECT DISTINCT PLOT FROM 'M_trees.dbf'"}),
              (std::vector<std::string>{"A1", "B2", "O'Neil"}));
    EXPECT_EQ(select(connection, {"SELECT DISTINCT PLOT FROM 'M_trees.dbf'", "WHERE (DBH>20)"}),
              (std::vector<std::string>{"A1", "B2"}));
    // Species list of a plot: case counts (SM and sm), the condition follows "and ".
    EXPECT_EQ(select(connection, {"SELECT DISTINCT SP FROM 'M_trees.dbf'", "WHERE (PLOT='A1')"}),
              (std::vector<std::string>{"SM", "BK", "sm"}));
    EXPECT_EQ(
        select(connection, {"SELECT DISTINCT SP FROM 'M_trees.dbf'", "WHERE (PLOT='A1')", "and (DBH>10)"}),
        (std::vector<std::string>{"SM", "BK", "sm"}));
    // A quote inside a value: doubled in a literal, as it stands in a parameter.
    EXPECT_EQ(select(connection, {"SELECT DISTINCT SP FROM 'M_trees.dbf'", "WHERE (PLOT='O''Neil')"}),
              std::vector<std::string>{"DB"});
    EXPECT_THROW(select(connection, {"SELECT DISTINCT SP FROM 'M_trees.dbf'", "WHERE (PLOT='O'Neil')"}),
                 common::DataError);

    // The tree count, parameter names matched without regard to case.
    data::Query count(connection);
    count.setSql({"SELECT Count(TREE) FROM 'M_trees.dbf'", "WHERE ((PLOT=:PlotNames) AND (SP=:Species))"});
    count.prepare();
    count.setParam("PlotNames", "A1");
    count.setParam("species", "SM");
    count.open();
    EXPECT_EQ(count.asInteger(count.fieldNames()[0]), 3);
    count.close();
    count.setParam("PLOTNAMES", "O'Neil");
    count.setParam("Species", "DB");
    count.open();
    EXPECT_EQ(count.asInteger(count.fieldNames()[0]), 1);
    count.close();
    EXPECT_THROW(count.setParam("NSpecies", "SM"), common::DataError);
}

TEST_F(EngineSql, SelectedTreesQueryServesEveryPlotAndSpecies)
{
    // Prepared once and opened for each plot and species, as the statistics run does; the answers
    // must be those of a scan that cannot use the index.
    data::Query trees(connection);
    trees.setSql({"SELECT * FROM 'M_trees.dbf'", "WHERE ((PLOT = :PlotNames) and (SP = :NSpecies))",
                  "and (D1995<100)"});
    trees.prepare();
    for (const std::string plot : {"A1", "B2", "O'Neil", "Z9"}) {
        for (const std::string species : {"SM", "BK", "sm", "DB"}) {
            trees.setParam("PlotNames", plot);
            trees.setParam("NSpecies", species);
            trees.open();
            auto rows = rowsOf(trees);
            auto expected = select(
                connection,
                {"SELECT * FROM 'M_trees.dbf'", "WHERE PLOT || '' = :p AND SP || '' = :s AND D1995<100"},
                {{"p", plot}, {"s", species}});
            EXPECT_EQ(rows, expected) << plot << " " << species;
            trees.close();
        }
    }
    trees.setParam("PlotNames", "A1");
    trees.setParam("NSpecies", "SM");
    trees.open();
    EXPECT_EQ(rowsOf(trees), (std::vector<std::string>{"A1|1|SM|12.5|10|15", "A1|2|SM|8|25|100"}));
    EXPECT_EQ(trees.recordCount(), 2);
    EXPECT_EQ(trees.fieldNames(), (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", "D1995", "D1996"}));
}

TEST_F(EngineSql, RefusalsCarryTheEnginesMessage)
{
    struct Refusal
    {
        std::vector<std::string> lines;
        const char *message;
    };
    const Refusal cases[] = {
        {{"SELECT DISTINCT PLOT FROM 'M_trees.dbf'", "WHERE (HEIGHT>20)"}, "no such column: HEIGHT"},
        {{"SELEKT * FROM 'M_trees.dbf'"}, "syntax error"},
        {{"SELECT * FROM 'M_trees.dbf'; SELECT 1"}, "Only one SQL statement"},
        {{"SELECT * FROM 'nothing.dbf'"}, "no such table: nothing.dbf"},
        {{"UPDATE 'M_trees.dbf' SET DBH = 1"}, "may not be modified"},
        {{"DROP TABLE 'M_trees.dbf'"}, "DROP TABLE is not supported"},
        {{""}, "holds no statement"},
        {{"CREATE TABLE \"X.DBF\" (", " Name VARCHAR2(10)", ")"}, "not supported"},
        {{"CREATE TABLE \"X.DBF\" (", " A_much_too_long_name CHAR(10)", ")"}, "cannot be a dBASE field name"},
        {{"CREATE TABLE \"M_TREES.DBF\" (", " A CHAR(10)", ")"}, "already exists"},
    };
    for (const Refusal &c : cases) {
        data::Query query(connection);
        query.setSql(c.lines);
        try {
            if (c.lines[0].rfind("SELECT", 0) == 0)
                query.open();
            else
                query.execSql();
            ADD_FAILURE() << c.lines[0] << " was accepted";
        } catch (const common::DataError &e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.lines[0] << ": " << e.what();
        }
    }
    // Results that are not rows of one table are not live.
    data::Query distinct(connection);
    distinct.setSql({"SELECT DISTINCT PLOT FROM 'M_trees.dbf'"});
    distinct.open();
    EXPECT_FALSE(distinct.canModify());
    EXPECT_THROW(distinct.edit(), common::DataError);
    EXPECT_FALSE(std::filesystem::exists(dir / "X.DBF"));
}

TEST_F(EngineSql, AnEditIsStoredWhenTheCursorMovesOnAndOthersSeeIt)
{
    data::Connection other;
    connect(other, dir.path());
    data::Query reader(connection);
    reader.setSql({"SELECT D1996 FROM 'M_trees.dbf' WHERE TREE = 8"});
    EXPECT_EQ(select(other, {"SELECT D1996 FROM 'M_trees.dbf' WHERE TREE = 8"}),
              std::vector<std::string>{""});

    data::Query live(connection);
    live.setSql({"SELECT * FROM 'M_trees.dbf'", "WHERE ((PLOT = :PlotNames) and (SP = :NSpecies))"});
    live.prepare();
    live.setParam("PlotNames", "A1");
    live.setParam("NSpecies", "sm");
    live.open();
    ASSERT_TRUE(live.canModify());
    live.edit();
    live.setField("d1996", "100");
    live.setField("SP", "SMX"); // cut to SM
    EXPECT_EQ(live.asString("D1996"), "100");
    reader.open();
    EXPECT_EQ(reader.asString("D1996"), ""); // not stored before the cursor moves
    reader.close();
    live.next();
    EXPECT_TRUE(live.eof());

    reader.open();
    EXPECT_EQ(reader.asString("D1996"), "100");
    EXPECT_EQ(select(other, {"SELECT SP, D1996 FROM 'M_trees.dbf' WHERE TREE = 8"}),
              std::vector<std::string>{"SM|100"});
    EXPECT_NE(dbfdump(dir / "M_trees.dbf").find("\nA1 8 SM 19.9 35 100 \n"), std::string::npos)
        << dbfdump(dir / "M_trees.dbf");

    // Cancel leaves the record alone; first() re-executes and shows what is stored.
    live.setParam("NSpecies", "SM");
    live.open();
    EXPECT_EQ(live.recordCount(), 4);
    live.edit();
    live.setField("DBH", "1");
    live.cancel();
    live.first();
    EXPECT_EQ(live.asString("DBH"), "12.5");
    EXPECT_TRUE(live.locate("TREE", "8"));
    EXPECT_FALSE(live.locate("TREE", "9"));
    EXPECT_EQ(live.asString("TREE"), "8");
}

TEST_F(EngineSql, TheIndexFollowsEditsAppendsAndReplacedFiles)
{
    auto plotCounts = [&](data::Connection &c) {
        std::vector<std::string> counts;
        for (const char *plot : {"A1", "B2", "C3"})
            for (const char *species : {"SM", "BK"})
                counts.push_back(select(
                    c,
                    {"SELECT Count(TREE) FROM 'M_trees.dbf'", "WHERE ((PLOT=:PlotNames) AND (SP=:Species))"},
                    {{"PlotNames", plot}, {"Species", species}})[0]);
        return counts;
    };
    using Counts = std::vector<std::string>;
    EXPECT_EQ(plotCounts(connection), (Counts{"3", "2", "2", "1", "0", "0"}));

    // Tree 1 moves from A1 to C3 through a live edit.
    data::Query live(connection);
    live.setSql({"SELECT * FROM 'M_trees.dbf' WHERE TREE = 1"});
    live.open();
    live.edit();
    live.setField("PLOT", "C3");
    live.close();
    EXPECT_EQ(plotCounts(connection), (Counts{"2", "2", "2", "1", "1", "0"}));
    // Numbers compared with text parameters still find their rows.
    EXPECT_EQ(select(connection, {"SELECT TREE FROM 'M_trees.dbf' WHERE D1995 = :v AND D1996 = :w"},
                     {{"v", "100"}, {"w", "100.0"}}),
              std::vector<std::string>{"5"});

    // A row appended through a table.
    data::Table table(connection, "M_trees.dbf");
    table.open();
    table.append();
    table.setString("PLOT", "B2");
    table.setString("SP", "BK");
    table.setInteger("TREE", 11);
    table.post();
    EXPECT_EQ(plotCounts(connection), (Counts{"2", "2", "2", "2", "1", "0"}));

    // Another program rewrites the file: the next statement reads it again.
    std::filesystem::remove(dir / "M_trees.dbf");
    makeTable(dir / "M_trees.dbf", "-s PLOT 10 -n TREE 5 0 -s SP 2 -n DBH 5 1 -n D1995 3 0 -n D1996 3 0",
              {{"C3", "1", "BK", "1", "1", "1"}});
    EXPECT_EQ(plotCounts(connection), (Counts{"0", "0", "0", "0", "0", "1"}));
    // The same with a new layout: the table is attached again with its new columns.
    std::filesystem::remove(dir / "M_trees.dbf");
    makeTable(dir / "M_trees.dbf", "-s PLOT 10 -n TREE 5 0 -s SP 2", {{"A1", "7", "SM"}});
    EXPECT_EQ(plotCounts(connection), (Counts{"1", "0", "0", "0", "0", "0"}));
    EXPECT_THROW(table.append(), common::DataError); // opened before the change
}

TEST_F(EngineSql, ResultTablesAreCreatedFilledAndReadAsThePagesDo)
{
    ASSERT_EQ(kTransitStatement.size(), 44u);
    // Two statistics runs: the second deletes the file behind the open table and creates it anew.
    data::Table transit(connection, "TRANSIT.DBF");
    for (int run = 0; run < 2; ++run) {
        std::filesystem::remove(dir / "TRANSIT.DBF");
        data::Query create(connection);
        create.setSql(kTransitStatement);
        create.execSql();
        transit.open();
        for (int year : {1995, 1996, 1997}) {
            transit.append();
            transit.setString("ID_PLOT", "A1");
            transit.setString("ID_SPECIES", "SM");
            transit.setInteger("ID_Year", year);
            transit.setInteger("INTERVAL", 1);
            transit.setInteger("N_tree", 10 + run);
            for (int i = 0; i < 6; ++i)
                for (int j = 0; j < 6; ++j)
                    transit.setFloat("T" + std::to_string(i) + std::to_string(j),
                                     i == j ? 1.0 : (j - i) / 300.0);
            transit.setFloat("T03", (year - 1994) / 3.0);
            transit.post();
        }
    }
    EXPECT_EQ(transit.recordCount(), 3);

    data::Query transition(connection);
    transition.setSql(
        {"SELECT * FROM 'TRANSIT.DBF'", "WHERE ((ID_PLOT = :Plot) and (ID_SPECIES = :Species))"});
    transition.prepare();
    transition.setParam("Plot", "A1");
    transition.setParam("Species", "SM");
    transition.open();
    EXPECT_EQ(transition.fieldNames().size(), 41u);
    std::vector<std::string> years;
    for (; !transition.eof(); transition.next())
        years.push_back(transition.asString("ID_Year"));
    EXPECT_EQ(years, (std::vector<std::string>{"1995", "1996", "1997"}));
    transition.first();
    EXPECT_EQ(transition.asString("N_tree"), "11");
    EXPECT_TRUE(transition.locate("ID_Year", "1997"));
    EXPECT_EQ(transition.asString("T03"), "1");
    EXPECT_EQ(transition.asString("T04"), "0.0133"); // 4/300 rounded to the field's 4 decimals
    EXPECT_EQ(transition.asString("INTERVAL"), "1");
    EXPECT_FALSE(transition.locate("ID_Year", "2001"));
    EXPECT_EQ(transition.asString("ID_Year"), "1997");

    transition.setParam("Plot", "B2");
    transition.open();
    EXPECT_TRUE(transition.eof());
    EXPECT_EQ(transition.recordCount(), 0);
}

// The user's SQL runs under SQLite's defensive settings, and the functions that hand out a pointer
// into the program or load code are refused.
TEST_F(EngineSql, DefensiveSettingsAndRefusedFunctions)
{
    const std::pair<int, int> settings[] = {{SQLITE_DBCONFIG_DEFENSIVE, 1},
                                            {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
                                            {SQLITE_DBCONFIG_WRITABLE_SCHEMA, 0},
                                            {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0}};
    for (const auto &[setting, wanted] : settings) {
        int now = -1;
        sqlite3_db_config(connection.handle(), setting, -1, &now);
        EXPECT_EQ(now, wanted) << setting;
    }
    for (const char *sql : {"SELECT hex(fts3_tokenizer('simple')) AS p", "SELECT load_extension('x') AS p",
                            "SELECT PLOT FROM 'M_trees.dbf' WHERE fts3_tokenizer('simple') IS NOT NULL"}) {
        data::Query query(connection);
        query.setSql({sql});
        try {
            query.open();
            ADD_FAILURE() << sql << " was accepted";
        } catch (const common::DataError &e) {
            EXPECT_NE(std::string(e.what()).find("is not allowed"), std::string::npos) << e.what();
        }
    }
}

// A stop ends a query within moments, however much one row of it costs: a condition that counts to
// fifty million per row (seconds), or makes a huge blob per row (a single step of SQLite's).
TEST_F(EngineSql, AStopEndsACostlyConditionAtOnce)
{
    const char *conditions[] = {
        "WHERE (WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 50000000) "
        "SELECT count(*) FROM c) > TREE",
        "WHERE length(hex(randomblob(30000000))) < TREE"};
    for (const char *condition : conditions) {
        SCOPED_TRACE(condition);
        const auto at = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        connection.setStopCheck([at] { return std::chrono::steady_clock::now() >= at; });
        data::Query query(connection);
        query.setSql({"SELECT PLOT FROM 'M_trees.dbf'", condition});
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(query.open(), common::DataError);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    }
    // A value longer than the engine makes is refused, not made.
    connection.setStopCheck({});
    data::Query huge(connection);
    huge.setSql({"SELECT length(zeroblob(1000000000)) AS n"});
    EXPECT_THROW(huge.open(), common::DataError);
}

// A number beyond the 64-bit whole numbers the statistics compute with is refused naming its table,
// column and record, not as a bare overflow.
TEST(EngineNumbers, AWholeNumberTooLargeNamesItsPlace)
{
    TempDir dir;
    makeTable(dir / "T.dbf", "-n D 20 0", {{"5"}, {"10000000000000000000"}});
    data::Connection connection;
    connect(connection, dir.path());
    data::Query query(connection);
    query.setSql({"SELECT * FROM 'T.dbf'"});
    query.open();
    EXPECT_EQ(query.integerOrBlank(0), 5);
    query.next();
    try {
        query.integerOrBlank("D");
        ADD_FAILURE() << "not refused";
    } catch (const common::DataError &e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("Table " + (dir / "T.dbf").string() + ", column D, record 2: ", 0),
            0u)
            << e.what();
    }
    EXPECT_THROW(query.asInteger("D"), common::DataError);
}
