// fenoris-cli regression on a small tree table written through the engine: the printed lines agree
// with the statistics engine fed directly, and the user's mistakes give clear errors.
#include "cli/commands.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "data/database.h"
#include "data/sidefiles.h"
#include "stats/statistics.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>

namespace {

struct Tree
{
    const char *plot;
    const char *species;
    std::optional<double> dbh;
    std::optional<double> defoliation;
};

// A blank defoliation, a -1 (no assessment), a DBH of 0 and trees of another plot and species.
const Tree kTrees[] = {
    {"A", "SM", 12.3, 15.0}, {"A", "SM", 20.1, 25.0}, {"A", "SM", 31.7, -1.0}, {"A", "SM", 25.4, {}},
    {"A", "SM", 0.0, 10.0},  {"A", "SM", 40.2, 45.0}, {"A", "SM", 18.8, 20.0}, {"A", "SM", 27.5, 30.0},
    {"A", "BK", 50.0, 60.0}, {"B", "SM", 33.3, 35.0}, {"B", "SM", {}, 40.0},
};

class RegressionCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        data::Connection connection;
        connection.setParam("PATH", dir.path().string() + "/");
        connection.open();
        data::Query create(connection);
        create.setSql({"CREATE TABLE \"T.DBF\"", "(", " PLOT CHAR(10),", " SP CHAR(4),", " DBH DECIMAL(6,1),",
                       " D1995 DECIMAL(5,1)", ")"});
        create.execSql();
        data::Table table(connection, "T.DBF");
        table.open();
        for (const auto &tree : kTrees) {
            table.append();
            table.setString("PLOT", tree.plot);
            table.setString("SP", tree.species);
            if (tree.dbh) table.setFloat("DBH", *tree.dbh);
            if (tree.defoliation) table.setFloat("D1995", *tree.defoliation);
            table.post();
        }
    }

    std::string tablePath() const { return (dir / "T.DBF").string(); }

    void writeRoles() const
    {
        data::writeSideFile(dir.path().string() + "/T.var", {"Specials", "PlotNames", "Species", "DBH", "-"});
    }

    testsupport::TempDir dir;
};

// The series the command should build, fed to the engine directly.
std::string expectedOutput(const char *plot, const char *species, bool logX, long double missingY, int degree)
{
    common::RecordingSink sink;
    stats::TStatistics series(sink);
    series.MissingY = missingY;
    for (const auto &tree : kTrees) {
        if (plot && (std::string(tree.plot) != plot || std::string(tree.species) != species)) continue;
        if (!tree.dbh || !tree.defoliation) continue;
        double x = *tree.dbh;
        if (logX) {
            if (x <= 0) continue;
            x = static_cast<double>(std::log10(static_cast<long double>(x)));
        }
        series.AddPoint(x, *tree.defoliation);
    }
    series.Calculate(degree);
    const auto &r = series.Res;
    std::ostringstream out;
    const std::pair<const char *, long double> lines[] = {
        {"N", static_cast<long double>(r.X.N)},
        {"XMean", r.X.Mean},
        {"XStDev", r.X.StDev},
        {"XMin", r.X.Min},
        {"XMax", r.X.Max},
        {"YMean", r.Y.Mean},
        {"YStDev", r.Y.StDev},
        {"YMin", r.Y.Min},
        {"YMax", r.Y.Max},
        {"R", r.R},
        {"P", r.P},
        {"R2", r.R2},
        {"Degree", static_cast<long double>(r.Degree)},
    };
    for (const auto &[name, value] : lines)
        out << name << " " << common::floatToText(value) << "\n";
    for (int i = 0; i <= r.Degree; ++i)
        out << "Coef" << i << " " << common::floatToText(r.Coef[i]) << "\n";
    return out.str();
}

TEST_F(RegressionCommand, PrintsWhatTheEngineComputes)
{
    struct Case
    {
        std::string options;
        const char *plot;
        const char *species;
        bool logX;
        long double missingY;
        int degree;
    };
    const Case cases[] = {
        {"--degree 2 --missing-y -1", nullptr, nullptr, false, -1, 2},
        {"", nullptr, nullptr, false, stats::kDefaultMissing, 1},
        {"--plot A --species SM --log-x --missing-y -1", "A", "SM", true, -1, 1},
    };
    writeRoles();
    for (const auto &c : cases) {
        std::string output;
        const std::string command =
            std::string(FENORIS_CLI_PATH) + " regression '" + tablePath() + "' dbh D1995 " + c.options;
        ASSERT_EQ(testsupport::runCommand(command, &output), 0) << command;
        EXPECT_EQ(output, expectedOutput(c.plot, c.species, c.logX, c.missingY, c.degree)) << command;
    }
}

TEST_F(RegressionCommand, ExplainsMistakes)
{
    struct Case
    {
        std::vector<std::string> args;
        const char *message; // a part of the error text
    };
    const Case cases[] = {
        {{(dir / "NONE.DBF").string(), "DBH", "D1995"}, "NONE.DBF not found"},
        {{tablePath(), "DBH", "D2000"}, "no column 'D2000'"},
        {{tablePath(), "DBH", "D1995", "--plot", "A", "--species", "SM"}, "T.var\" does not exist"},
        {{tablePath(), "DBH", "D1995", "--plot", "A"}, "--plot and --species go together"},
        {{tablePath(), "DBH", "D1995", "--degree", "two"}, "--degree: 'two' is not a valid integer value"},
        {{tablePath(), "DBH", "D1995", "--degree", "256"}, "--degree: 256 is not between 0 and 255"},
        {{tablePath(), "DBH", "D1995", "--missing-x", "1,5"}, "'1,5' is not a valid floating point value"},
        {{tablePath(), "PLOT", "D1995"}, "T.DBF, column PLOT, record 1: 'A' is not a number"},
    };
    for (const auto &c : cases) {
        std::ostringstream out, err;
        try {
            cli::runRegression(c.args, out, err);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const common::Error &e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_TRUE(out.str().empty()) << c.message;
    }
}

// Degree 0 and a singular fit leave no coefficients: the command prints no Coef line rather than
// a number that was never computed.
TEST_F(RegressionCommand, NoCoefficientLinesWithoutAPolynomial)
{
    writeRoles();
    std::ostringstream out, err;
    // The only tree of species BK on plot A: one point cannot carry a line.
    ASSERT_EQ(cli::runRegression({tablePath(), "DBH", "D1995", "--plot", "A", "--species", "BK"}, out, err),
              0);
    EXPECT_NE(out.str().find("N 1\n"), std::string::npos);
    EXPECT_NE(out.str().find("Degree 0\n"), std::string::npos);
    EXPECT_EQ(out.str().find("Coef"), std::string::npos);
    EXPECT_NE(err.str().find("singular"), std::string::npos);

    std::ostringstream none, noneErr;
    EXPECT_EQ(
        cli::runRegression({tablePath(), "DBH", "D1995", "--plot", "C", "--species", "SM"}, none, noneErr),
        1);
    EXPECT_TRUE(none.str().empty());
    EXPECT_NE(noneErr.str().find("Regression was not calculated"), std::string::npos);
}

} // namespace
