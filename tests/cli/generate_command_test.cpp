// fenoris-cli generate: the table and its side files, and the share of blank values as a per cent.
#include "cli/commands.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <sstream>

using testsupport::TempDir;

namespace {

struct Outcome
{
    int status = 0;
    std::string err;
};

Outcome generate(const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    Outcome outcome;
    try {
        outcome.status = cli::runGenerate(args, out, err);
    } catch (const std::exception &e) {
        outcome.status = 1;
        err << e.what();
    }
    outcome.err = err.str();
    return outcome;
}

// Blank defoliation cells of the table, counted by the engine through the query command.
double blankShare(const std::filesystem::path &dir, int years)
{
    std::string sql = "SELECT Sum(";
    for (int y = 0; y < years; ++y)
        sql += std::string(y ? " + " : "") + "(D" + std::to_string(1995 + y) + " IS NULL)";
    sql += ") * 1.0 / (Count(*) * " + std::to_string(years) + ") FROM 'T.DBF'";
    std::ostringstream out, err;
    EXPECT_EQ(cli::runQuery({dir.string(), sql}, out, err), 0) << err.str();
    const std::string text = out.str();
    return std::stod(text.substr(text.find('\n') + 1));
}

} // namespace

TEST(GenerateCommand, BlankShareIsAPerCent)
{
    TempDir dir;
    const std::string table = (dir / "T.DBF").string();
    ASSERT_EQ(generate({table, "--trees", "400", "--plots", "4", "--years", "5", "--blank-share", "30"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "T.var"));
    EXPECT_TRUE(std::filesystem::exists(dir / "T.yrs"));
    // Dead trees keep their values, and trees may enter late, so the share is near, not at, 30 %.
    const double share = blankShare(dir.path(), 5);
    EXPECT_GT(share, 0.2);
    EXPECT_LT(share, 0.5);

    for (const char *bad : {"-1", "101", "x"}) {
        const auto outcome = generate({table, "--blank-share", bad});
        EXPECT_NE(outcome.status, 0) << bad;
        EXPECT_FALSE(outcome.err.empty()) << bad;
    }
}
