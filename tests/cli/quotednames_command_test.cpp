// Names that SQL must quote, on the command line: a table named O'Hara.dbf whose plot, tree and species
// columns are named ORDER, ID and GROUP, a year column named VALUES and a plot named O'Neil. Every
// command gives what it gives for the same trees in a table with plain names.
#include "model/dbfdump.h"
#include "model/fixturetable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::shellQuote;
using testsupport::TempDir;

namespace {

struct CliRun
{
    int status = 0;
    std::string out;
};

CliRun runCli(const std::string &arguments)
{
    CliRun run;
    run.status = testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " " + arguments + " 2>&1", &run.out);
    return run;
}

TEST(QuotedNames, EveryCommandRunsOnOHara)
{
    TempDir quoted, plain;
    const auto ohara = fixture::writeQuotedNamesTable(quoted.path());
    const auto t = fixture::writeQuotedNamesTable(plain.path(), true);

    const CliRun statistics = runCli("statistics " + shellQuote(ohara.string()) + " --share 10");
    ASSERT_EQ(statistics.status, 0) << statistics.out;
    ASSERT_EQ(runCli("statistics " + shellQuote(t.string()) + " --share 10").out, statistics.out);
    EXPECT_NE(statistics.out.find("3 pairs of plot and species processed"), std::string::npos)
        << statistics.out;
    for (const char *table : {"TRANSIT.DBF", "AVERAGE.DBF"}) {
        const auto rows = dbfdump::read(quoted / table).rows;
        EXPECT_FALSE(rows.empty()) << table;
        EXPECT_EQ(rows, dbfdump::read(plain / table).rows) << table;
    }

    const std::string selection = " --plot " + shellQuote("O'Neil") + " --species SM";
    const CliRun model = runCli("model " + shellQuote(ohara.string()) + selection);
    ASSERT_EQ(model.status, 0) << model.out;
    EXPECT_GT(std::count(model.out.begin(), model.out.end(), '\n'), 5) << model.out;
    // The model curves are titled after their first year's column.
    std::string plainModel = runCli("model " + shellQuote(t.string()) + selection).out;
    for (std::size_t at; (at = plainModel.find("Model D1995")) != std::string::npos;)
        plainModel.replace(at, 11, "Model VALUES");
    EXPECT_EQ(plainModel, model.out);

    const CliRun regression =
        runCli("regression " + shellQuote(ohara.string()) + " values D1996" + selection);
    ASSERT_EQ(regression.status, 0) << regression.out;
    EXPECT_NE(regression.out.find("N 7\n"), std::string::npos) << regression.out;
    EXPECT_EQ(runCli("regression " + shellQuote(t.string()) + " D1995 D1996" + selection).out,
              regression.out);
}

} // namespace
