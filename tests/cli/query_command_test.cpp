// fenoris-cli query: one statement through the engine, printed as CSV.
#include "cli/commands.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <sstream>

using testsupport::TempDir;

namespace {

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

Outcome query(const std::filesystem::path &dir, const std::string &sql)
{
    std::ostringstream out;
    std::ostringstream err;
    int status = cli::runQuery({dir.string(), sql}, out, err);
    return {status, out.str(), err.str()};
}

void makeTrees(const std::filesystem::path &dir)
{
    const std::string file = "'" + (dir / "M_trees.dbf").string() + "'";
    std::string commands = "dbfcreate " + file + " -s PLOT 10 -s SP 2 -n DBH 5 1";
    for (const char *row : {"A1 SM 12.5", "'B,2' 'S\"' ''", "'  A3' BK 0"})
        commands += " && dbfadd " + file + " " + row;
    ASSERT_EQ(testsupport::runCommand(commands), 0);
}

} // namespace

TEST(QueryCommand, PrintsTheResultAsCsv)
{
    TempDir dir;
    makeTrees(dir.path());
    // Blank values are empty fields; commas and quotes are quoted; leading blanks are kept.
    EXPECT_EQ(query(dir.path(), "SELECT * FROM 'm_trees.DBF'").out,
              "PLOT,SP,DBH\nA1,SM,12.5\n\"B,2\",\"S\"\"\",\n  A3,BK,0\n");
    EXPECT_EQ(
        query(dir.path(), "SELECT Count(DBH), Count(*), 'x' || '' AS \"a,b\", '' AS e FROM 'M_trees.dbf'")
            .out,
        "Count(DBH),Count(*),\"a,b\",e\n2,3,x,\"\"\n");
    EXPECT_EQ(query(dir.path(), "SELECT SP FROM 'M_trees.dbf' WHERE DBH > 100").out, "SP\n");

    // A statement without a result prints nothing and creates the file under its exact name.
    Outcome created =
        query(dir.path(), "CREATE TABLE \"TRANSIT.DBF\"\n(\n Id_plot CHAR(10),\n T00 DECIMAL(6,4)\n)");
    EXPECT_EQ(created.status, 0);
    EXPECT_EQ(created.out, "");
    EXPECT_TRUE(std::filesystem::exists(dir / "TRANSIT.DBF"));
}

TEST(QueryCommand, AnErrorGoesToStandardErrorWithAFailingStatus)
{
    TempDir dir;
    makeTrees(dir.path());
    const TempDir scratch;
    const std::string command = std::string(FENORIS_CLI_PATH) + " query '" + dir.path().string() + "' ";
    for (const char *sql : {"\"SELECT HEIGHT FROM 'M_trees.dbf'\"", "\"SELECT 1; SELECT 2\""}) {
        std::string out;
        int status = testsupport::runCommand(command + sql + " 2>'" + (scratch / "err").string() + "'", &out);
        EXPECT_NE(status, 0) << sql;
        EXPECT_EQ(out, "") << sql;
        EXPECT_NE(testsupport::readBytes(scratch / "err"), "") << sql;
    }
    std::string err;
    testsupport::runCommand(command + "\"SELECT HEIGHT FROM 'M_trees.dbf'\" 2>&1 >/dev/null", &err);
    EXPECT_EQ(err, "no such column: HEIGHT\n");
    std::ostringstream out, usage;
    EXPECT_EQ(cli::runQuery({dir.path().string()}, out, usage), 2);
}

// The statement reaches only the tables of its data directory: a database file elsewhere can be
// neither attached nor written by VACUUM INTO.
TEST(QueryCommand, NoFileOutsideTheDataDirectoryIsAttachedOrWritten)
{
    TempDir dir;
    makeTrees(dir.path());
    const TempDir elsewhere;
    const std::string command = std::string(FENORIS_CLI_PATH) + " query '" + dir.path().string() + "' ";
    for (const std::string &sql : {"\"ATTACH '" + (elsewhere / "a.db").string() + "' AS other\"",
                                   "\"VACUUM INTO '" + (elsewhere / "b.db").string() + "'\""}) {
        std::string err;
        EXPECT_NE(testsupport::runCommand(command + sql + " 2>&1 >/dev/null", &err), 0) << sql;
        EXPECT_NE(err, "") << sql;
    }
    std::string err;
    testsupport::runCommand(command + "\"ATTACH 'x.db' AS other\" 2>&1 >/dev/null", &err);
    EXPECT_EQ(err, "ATTACH is not supported: tables are the files of the data directory\n");
    EXPECT_TRUE(testsupport::namesIn(elsewhere.path()).empty());
    EXPECT_EQ(query(dir.path(), "SELECT Count(*) FROM 'M_trees.dbf'").out, "Count(*)\n3\n");
}
