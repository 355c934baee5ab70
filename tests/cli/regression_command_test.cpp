// fenoris-cli regression on a small tree table written through the engine: the printed lines hold
// values worked out independently, and the user's mistakes give clear errors.
#include "cli/commands.h"
#include "common/error.h"
#include "data/database.h"
#include "data/sidefiles.h"
#include "support/strd.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
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

// The printed lines as name and value.
std::map<std::string, double> parseLines(const std::string &output)
{
    std::map<std::string, double> values;
    std::istringstream in(output);
    std::string name, value;
    while (in >> name >> value)
        values[name] = std::stod(value);
    return values;
}

// Expected values worked out apart from the program, in exact rational arithmetic on the table's
// doubles (population standard deviations, least squares through the normal equations): rows with a
// blank are skipped, a defoliation of -1 is left out with --missing-y -1, a DBH of 0 has no
// logarithm. P comes from the Student approximation that distributions_test checks; here it is
// held to the exact distribution only as closely as that approximation reaches with 3 to 7 degrees
// of freedom (1.05e-4 for the third case).
TEST_F(RegressionCommand, PrintsTheSeriesOfTheRightRows)
{
    struct Case
    {
        std::string options;
        std::map<std::string, double> expected;
    };
    const Case cases[] = {
        {"--degree 2 --missing-y -1", // 8 trees: every row with both values but the -1
         {{"N", 8},
          {"XMean", 25.275},
          {"XStDev", 14.9135634575},
          {"XMin", 0},
          {"XMax", 50},
          {"YMean", 30},
          {"YStDev", 15.4110350074},
          {"YMin", 10},
          {"YMax", 60},
          {"R", 0.977066225294},
          {"P", 0.999985180399},
          {"R2", 0.993839486524},
          {"Degree", 2},
          {"Coef0", 9.75845860693},
          {"Coef1", 0.372305660187},
          {"Coef2", 0.0125766520736}}},
        {"", // 9 trees: the -1 counts as a value
         {{"N", 9},
          {"XMean", 25.9888888889},
          {"XStDev", 14.2048852664},
          {"XMin", 0},
          {"XMax", 50},
          {"YMean", 26.5555555556},
          {"YStDev", 17.4935614258},
          {"YMin", -1},
          {"YMax", 60},
          {"R", 0.72412002829},
          {"P", 0.986309449243},
          {"R2", 0.524349815371},
          {"Degree", 1},
          {"Coef0", 3.37953987009},
          {"Coef1", 0.891766315388}}},
        {"--plot A --species SM --log-x --missing-y -1", // 5 trees of plot A, species SM
         {{"N", 5},
          {"XMean", 1.34216355301},
          {"XStDev", 0.171986138204},
          {"XMin", 1.08990511144},
          {"XMax", 1.60422605308},
          {"YMean", 27},
          {"YStDev", 10.295630141},
          {"YMin", 15},
          {"YMax", 45},
          {"R", 0.970201744278},
          {"P", 0.99692645643},
          {"R2", 0.941291424601},
          {"Degree", 1},
          {"Coef0", -50.9519493354},
          {"Coef1", 58.0793221219}}},
    };
    writeRoles();
    for (const auto &c : cases) {
        std::string output;
        const std::string command =
            std::string(FENORIS_CLI_PATH) + " regression '" + tablePath() + "' dbh D1995 " + c.options;
        ASSERT_EQ(testsupport::runCommand(command, &output), 0) << command;
        const auto printed = parseLines(output);
        EXPECT_EQ(printed.size(), c.expected.size()) << output;
        for (const auto &[name, value] : c.expected) {
            SCOPED_TRACE(command + ": " + name);
            ASSERT_EQ(printed.count(name), 1u) << output;
            const double tolerance = name == "P" ? 2e-4 : 1e-9 * std::max(1.0, std::fabs(value));
            EXPECT_NEAR(printed.at(name), value, tolerance);
        }
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
        {{(dir / "NONE.DBF").string(), "DBH", "D1995"}, "NONE.DBF: no such file"},
        {{tablePath(), "DBH", "D2000"}, "no column 'D2000'"},
        {{tablePath(), "DBH", "D1995", "--plot", "A", "--species", "SM"}, "T.var of T.DBF is missing"},
        {{tablePath(), "DBH", "D1995", "--plot", "A"}, "--plot and --species go together"},
        {{tablePath(), "DBH", "D1995", "--degree", "two"},
         "--degree: Degree must be a whole number from 0 to 20"},
        {{tablePath(), "DBH", "D1995", "--degree", "21"},
         "--degree: Degree must be a whole number from 0 to 20"},
        {{tablePath(), "DBH", "D1995", "--degree", "-1"},
         "--degree: Degree must be a whole number from 0 to 20"},
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

// The real SCBI table, plot B0206, species LT, DBH against D2021: the figures of
// scripts/independent-regression.py, worked out with its own dBASE reader in exact rational
// arithmetic. The regression page's test holds the same figures, so the window and the command agree.
TEST(RegressionCommandRealData, AgreesWithTheIndependentComputation)
{
    const std::string table = (testsupport::realData() / "scbi" / "SCBI_CROWN.DBF").string();
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRegression({table, "DBH", "D2021", "--plot", "B0206", "--species", "LT", "--missing-x",
                                  "0", "--missing-y", "-1", "--degree", "2"},
                                 out, err),
              0)
        << err.str();
    std::map<std::string, double> printed;
    std::istringstream lines(out.str());
    for (std::string name, value; lines >> name >> value;)
        printed[name] = std::stod(value);

    const std::pair<const char *, double> expected[] = {
        {"N", 178},
        {"XMean", 39.9106741573034},
        {"XStDev", 21.8598690487023},
        {"XMin", 10.7},
        {"XMax", 143.6},
        {"YMean", 9.4438202247191},
        {"YStDev", 20.9750973538},
        {"YMin", 0},
        {"YMax", 100},
        {"R", -0.107795278877997},
        {"R2", 0.0264361284932847},
        {"Degree", 2},
        {"Coef0", 19.3911496123949},
        {"Coef1", -0.417240969049662},
        {"Coef2", 0.00323802958223508},
    };
    for (const auto &[name, value] : expected)
        EXPECT_NEAR(printed.at(name), value, 1e-11 * std::max(1.0, std::fabs(value))) << name;
    // The exact Student probability is 0.0760414689986181; the program's rests on a normal quantile
    // approximation good to 4.5e-4, and prints 0.0760794971201324.
    EXPECT_NEAR(printed.at("P"), 0.0760414689986181, 2e-4);
    EXPECT_NEAR(printed.at("P"), 0.0760794971201324, 1e-12);
}

// Every degree offered, on the whole SCBI census (DBH against 2021 defoliation): the normal
// equations lost every digit from degree 12 up (R2 of -8.2 and -113,744 at 12 and 15). R2 now stays
// inside [0, 1] and never falls as the degree rises; at 12 and 15 it agrees with R's fit on
// orthogonal polynomials, lm(D2021 ~ poly(DBH, k)): 0.00458 and 0.00463.
TEST(RegressionCommandRealData, EveryDegreeGivesAnR2ThatNeverFalls)
{
    const std::string table = (testsupport::realData() / "scbi" / "SCBI_CROWN.DBF").string();
    double previous = 0;
    for (int degree = 1; degree <= 20; ++degree) {
        std::ostringstream out, err;
        ASSERT_EQ(cli::runRegression({table, "DBH", "D2021", "--degree", std::to_string(degree)}, out, err),
                  0)
            << degree << ": " << err.str();
        const double r2 = parseLines(out.str()).at("R2");
        EXPECT_GE(r2, previous * (1 - 1e-9)) << degree;
        EXPECT_LE(r2, 1) << degree;
        if (degree == 12) {
            EXPECT_NEAR(r2, 0.00458, 0.000005);
        }
        if (degree == 15) {
            EXPECT_NEAR(r2, 0.00463, 0.000005);
        }
        previous = r2;
    }
}

// NIST's Filip set, degree 10, from a dBASE table: every printed coefficient agrees with the
// certified one to 7 significant digits or more.
TEST(RegressionCommandCertified, ReproducesFilip)
{
    const auto sets = strd::polynomialSets();
    const auto &filip = sets.back();
    ASSERT_STREQ(filip.name, "Filip");
    testsupport::TempDir dir;
    {
        data::Connection connection;
        connection.setParam("PATH", dir.path().string() + "/");
        connection.open();
        data::Query create(connection);
        create.setSql({"CREATE TABLE \"FILIP.DBF\" (X DECIMAL(13,9), Y DECIMAL(7,4))"});
        create.execSql();
        data::Table table(connection, "FILIP.DBF");
        table.open();
        for (const auto &[x, y] : *filip.points) {
            table.append();
            table.setFloat("X", x);
            table.setFloat("Y", y);
            table.post();
        }
    }
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRegression({(dir / "FILIP.DBF").string(), "X", "Y", "--degree", "10"}, out, err), 0)
        << err.str();
    const auto printed = parseLines(out.str());
    for (size_t k = 0; k < filip.coef.size(); ++k) {
        const double certified = static_cast<double>(filip.coef[k]);
        EXPECT_NEAR(printed.at("Coef" + std::to_string(k)), certified, 1e-7 * std::fabs(certified)) << k;
    }
    EXPECT_NEAR(printed.at("R2"), static_cast<double>(filip.r2), 1e-7);
    EXPECT_EQ(err.str(), "");
}

// Seven oaks of one FIA plot, all with a defoliation of 15 in 2009: the slope is zero within its
// rounding, and is printed as 0, not as rounding noise nor refused.
TEST(RegressionCommandRealData, PointsOfOneValueGiveAFlatLine)
{
    const std::string table = (testsupport::realData() / "fia_ri" / "FIA_RI.DBF").string();
    std::ostringstream out, err;
    ASSERT_EQ(cli::runRegression({table, "DBH", "D2009", "--plot", "C007P113", "--species", "QR"}, out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("Coef0 15\nCoef1 0\n"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "");
}

} // namespace
