// fenoris-cli generate: the table and its side files, the share of blank values as a per cent, and a
// table that is replaced only when asked to, and then only whole.
#include "cli/commands.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Without --force an existing table stays as it is; with it the table is replaced whole, with no
// temporary file left beside it. A missing directory is created.
TEST(GenerateCommand, ReplacesATableOnlyWhenForced)
{
    TempDir dir;
    const auto table = dir / "T.DBF";
    ASSERT_EQ(generate({table.string(), "--trees", "50", "--plots", "2", "--years", "3"}).status, 0);
    const std::string first = testsupport::readBytes(table);

    const auto refused = generate({table.string(), "--trees", "60", "--plots", "2", "--years", "3"});
    EXPECT_NE(refused.status, 0);
    EXPECT_EQ(refused.err, "Table " + table.string() + " already exists: give --force to replace it");
    EXPECT_EQ(testsupport::readBytes(table), first);

    ASSERT_EQ(generate({table.string(), "--trees", "60", "--plots", "2", "--years", "3", "--force"}).status,
              0);
    EXPECT_NE(testsupport::readBytes(table), first);
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"T.DBF", "T.var", "T.yrs"}));
    EXPECT_EQ(testsupport::readBytes(dir / "T.yrs"),
              "Defoliations\r\n-\r\n-\r\n-\r\n-\r\n-\r\n1995\r\n1996\r\n1997\r\n");

    ASSERT_EQ(generate({(dir / "new" / "sub" / "N.DBF").string(), "--trees", "10", "--plots", "1"}).status,
              0);
    EXPECT_TRUE(std::filesystem::exists(dir / "new" / "sub" / "N.yrs"));
}

// A full disk, simulated with a file-size limit on the command: the write error is reported and the
// table that was there stays byte for byte, with no temporary file beside it.
TEST(GenerateCommand, FullDiskKeepsTheOldTable)
{
    TempDir dir;
    const auto table = dir / "T.DBF";
    ASSERT_EQ(generate({table.string(), "--trees", "50", "--plots", "2", "--years", "3"}).status, 0);
    const std::string old = testsupport::readBytes(table);
    const std::string oldYears = testsupport::readBytes(dir / "T.yrs");

    std::string output;
    // An ignored SIGXFSZ is inherited, so the write fails with EFBIG instead of killing the command.
    const int status = testsupport::runCommand(
        "trap '' XFSZ; ulimit -f 16; " + std::string(FENORIS_CLI_PATH) + " generate " +
            testsupport::shellQuote(table.string()) + " --trees 5000 --plots 20 --years 8 --force 2>&1",
        &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("File too large"), std::string::npos) << output;
    EXPECT_EQ(testsupport::readBytes(table), old);
    EXPECT_EQ(testsupport::readBytes(dir / "T.yrs"), oldYears);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 3u);
}
