// fenoris-cli import on an excerpt of the SCBI census files: the table against values computed
// independently of the program (Python's csv module, the rules written out once more), the summary,
// each way of resolving repeats, and a table the statistics command runs on as it stands.
#include "cli/commands.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

using testsupport::TempDir;

namespace {

namespace fs = std::filesystem;

const fs::path kCensus = testsupport::fixtures() / "scbi_census";

struct Outcome
{
    int status = 0;
    std::string out, err;
};

Outcome run(const cli::Args &args)
{
    std::ostringstream out, err;
    Outcome outcome;
    try {
        outcome.status = cli::runImport(args, out, err);
    } catch (const std::exception &e) {
        outcome.status = 1;
        err << e.what();
    }
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

// The command as the census is imported: main stems, dead codes as 100, living crowns as
// 100 - per cent living, DBH from mm to cm.
cli::Args censusImport(const fs::path &table, const std::string &duplicates)
{
    cli::Args args{table.string()};
    for (const char *year : {"2014", "2019", "2021"})
        args.push_back((kCensus / ("mortality_" + std::string(year) + ".csv")).string());
    for (const char *option :
         {"--where", "StemTag = '1'", "--plot", "quadrat", "--tree", "tag", "--species", "upper(sp)",
          "--year", "survey_year", "--value",
          "CASE WHEN current_year_status LIKE 'D%' OR current_year_status = 'PD' THEN 100 "
          "WHEN current_year_status IN ('A','AU') THEN 100 - percent_of_crown_living END",
          "--dbh", "last_main_census_dbh / 10.0", "--duplicates"})
        args.push_back(option);
    args.push_back(duplicates);
    return args;
}

std::string query(const fs::path &dir, const std::string &sql)
{
    std::ostringstream out, err;
    EXPECT_EQ(cli::runQuery({dir.string(), sql}, out, err), 0) << err.str();
    return out.str();
}

// Computed by a separate script from the excerpt: for each main-stem tag, the quadrat, upper-case
// species and DBH / 10 of its newest survey with a value, and the values of 2014, 2019 and 2021
// (repeats with different values blank).
const char *kAgreed =
    "PLOT,TREE,SP,DBH,D2014,D2019,D2021\n"
    "0202,20101,CACO,13.4,,,5\n0202,20109,FRNI,,100,100,\n0202,20117,UNK,,100,100,\n0202,20122,PRAV,16.8,,,"
    "100\n"
    "0202,20129,CACA,11.3,,,0\n0202,20131,HAVI,5.2,,,\n0202,20132,HAVI,7.47,,,\n0202,20134,COFL,13,,,0\n"
    "0202,20135,COFL,6.2,,,\n0202,20136,CACO,33.4,,,0\n0202,20137,FRAM,77.5,,100,100\n0202,20139,CACA,23.6,,,"
    "10\n"
    "0202,20140,CACA,21.6,,,70\n0202,20142,TIAM,50,,,0\n0202,20143,NYSY,27.1,,,0\n0403,40130,LITU,47.1,,,15\n"
    "0403,40131,FRAM,63.5,,,100\n0403,40132,VIPR,6.78,,,\n0403,40134,CACA,12.7,,,\n0403,40135,LITU,81.1,,,\n"
    "0403,40136,NYSY,10,,,0\n0403,40138,QUPR,17.9,,,\n0403,40146,UNK,,100,100,\n0403,40150,QUPR,36.4,,,30\n"
    "0403,40155,QUPR,37.8,,,10\n0403,40157,QUPR,28.3,,,15\n0403,40160,QUPR,27,,,0\n0403,40162,QURU,55,,,50\n"
    "0403,40163,QUPR,35,,,100\n0403,40165,QUPR,25.2,,,0\n0403,40170,UNK,,100,,\n0403,40176,QUPR,,100,100,\n"
    "0403,40183,CAGL,26.4,,,0\n0403,41046,QUPR,26.8,,,5\n0403,43262,FRAM,1.6,,,0\n0815,80560,FRPE,13,,100,"
    "100\n"
    "0815,80562,CATO,18.9,,,\n0815,80563,COFL,5.3,,,\n0815,80564,LITU,12.3,,,0\n0815,80565,LITU,52.9,,,\n"
    "0815,80567,HAVI,6.85,,,\n0815,80568,HAVI,6.47,,,\n0815,80569,LITU,41.8,,,0\n0815,80570,PATO,48.5,,100,"
    "100\n"
    "0815,80571,ULRU,,100,100,\n0815,80573,CATO,11.6,,,0\n0815,80574,ULSP,,100,,\n0815,80575,ULRU,,100,,\n"
    "0815,80576,QUVE,58.5,,,\n0815,80577,ULRU,,100,,\n0815,80579,CAGL,52.9,,,\n0815,80580,ACRU,33.2,,,\n"
    "0815,80581,NYSY,30.1,,,0\n0815,80582,PRAV,26.1,,,0\n0815,80584,HAVI,6.36,,,\n0815,80585,ACRU,11,,,0\n"
    "0815,80587,CACA,14.5,,,0\n0815,80588,ULRU,8.02,,,\n0815,80589,UNK,,100,100,\n0815,80590,LITU,,100,100,\n"
    "0815,80591,QUAL,10.4,,,\n0815,80592,CACA,7.98,,,\n0815,80593,HAVI,,100,,\n0815,80594,NYSY,8.59,,,\n"
    "0815,80595,CACA,5.39,,,\n0815,80596,FRAM,54.4,,,\n0815,80597,CACA,11.34,,100,\n0815,80598,CACO,29.7,,,"
    "0\n"
    "0815,80599,CACA,7.38,,,\n0815,80600,CACA,12.8,,,0\n0815,80780,ULSP,,100,,\n";

} // namespace

TEST(ImportCommand, CensusExcerptAsComputedIndependently)
{
    TempDir dir;
    const Outcome outcome = run(censusImport(dir / "SCBI.dbf", "agree"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(query(dir.path(), "SELECT * FROM 'SCBI.dbf'"), kAgreed);
    const std::string file2021 = (kCensus / "mortality_2021.csv").string();
    const std::string expectedErr =
        "warning: File " + file2021 + " is not UTF-8: it is read as Windows-1250\n" +
        (kCensus / "mortality_2014.csv").string() + ": 78 rows (UTF-8)\n" +
        (kCensus / "mortality_2019.csv").string() + ": 55 rows (UTF-8)\n" + file2021 +
        ": 70 rows (Windows-1250)\n"
        "188 of 203 rows meet the condition\n"
        "71 trees, 3 survey years (2014, 2019, 2021)\n"
        "58 values, 155 blanks\n"
        "23 tree and survey pairs with more than one row (23 rows more), 10 of them with different values: "
        "the "
        "common value kept, a blank where they differ\n"
        "The table is marked Windows-1250\n";
    EXPECT_EQ(outcome.err, expectedErr);
    EXPECT_EQ(outcome.out, "wrote 71 trees and 3 survey years to " + (dir / "SCBI.dbf").string() + "\n");

    // The side files make the table ready for the statistics.
    std::ostringstream out, err;
    EXPECT_EQ(cli::runStatistics({(dir / "SCBI.dbf").string()}, out, err), 0) << err.str();
    EXPECT_TRUE(fs::exists(dir / "TRANSIT.DBF"));
}

struct RepeatCase
{
    const char *mode;
    const char *differing; // TREE,D2021 of trees whose repeats in 2021 differ, from the same script
};

const RepeatCase kRepeats[] = {
    {"agree", "40134,\n40135,\n40138,\n80596,\n"},
    {"first", "40134,5\n40135,2\n40138,20\n80596,95\n"},
    {"last", "40134,10\n40135,0\n40138,15\n80596,100\n"},
};

TEST(ImportCommand, RepeatsOfTheCensusByEachMode)
{
    for (const RepeatCase &c : kRepeats) {
        SCOPED_TRACE(c.mode);
        TempDir dir;
        const Outcome outcome = run(censusImport(dir / "SCBI.dbf", c.mode));
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(query(dir.path(), "SELECT TREE, D2021 FROM 'SCBI.dbf' WHERE TREE IN (40134, 40135, 40138, "
                                    "80596) ORDER BY TREE"),
                  std::string("TREE,D2021\n") + c.differing);
    }
    TempDir dir;
    const Outcome refused = run(censusImport(dir / "SCBI.dbf", "refuse"));
    EXPECT_EQ(refused.status, 1);
    // The lines of tag 40130 in the excerpt of 2021, found by awk.
    const std::string file2021 = (kCensus / "mortality_2021.csv").string();
    EXPECT_NE(refused.err.find("23 times a tree has more than one row in a survey"), std::string::npos);
    EXPECT_NE(refused.err.find("\n  tree 40130 in 2021: File " + file2021 + ", line 3, File " + file2021 +
                               ", line 22\n"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(dir / "SCBI.dbf"));
}

TEST(ImportCommand, CommandLineFaults)
{
    TempDir dir;
    const std::string table = (dir / "T.dbf").string(), csv = (kCensus / "mortality_2014.csv").string();
    const cli::Args roles{"--plot", "quadrat", "--tree", "tag", "--species", "sp", "--year", "survey_year"};
    cli::Args noValue{table, csv};
    noValue.insert(noValue.end(), roles.begin(), roles.end());
    EXPECT_EQ(run(noValue).status, 2);
    cli::Args complete = noValue;
    complete.insert(complete.end(), {"--value", "0", "--where", "StemTag = 1"});
    cli::Args badMode = complete;
    badMode.insert(badMode.end(), {"--duplicates", "mean"});
    EXPECT_EQ(run(badMode).err, "--duplicates must be refuse, agree, first or last");

    testsupport::writeBytes(table, "old");
    EXPECT_EQ(run(complete).err, "Table " + table + " already exists: give --force to replace it");
    EXPECT_EQ(testsupport::readBytes(table), "old");
    complete.push_back("--force");
    const Outcome replaced = run(complete);
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(query(dir.path(), "SELECT Count(*) AS n FROM 'T.dbf'"), "n\n70\n");
}

// Ctrl+C during a condition that costs seconds per row ends the command at once, with the status of
// the signal, and writes nothing; the warnings on the console show control characters escaped.
TEST(ImportCommand, CtrlCStopsASlowConditionAndWritesNothing)
{
    TempDir dir;
    std::string csv = "plot,tree,sp,year,v\n";
    for (int i = 1; i <= 20; ++i)
        csv += "A," + std::to_string(i) + ",BK,2020,10\n";
    testsupport::writeBytes(dir / "a.csv", csv);
    std::vector<std::string> args{FENORIS_CLI_PATH,
                                  "import",
                                  (dir / "T.dbf").string(),
                                  (dir / "a.csv").string(),
                                  "--plot",
                                  "plot",
                                  "--tree",
                                  "tree",
                                  "--species",
                                  "sp",
                                  "--year",
                                  "year",
                                  "--value",
                                  "v",
                                  "--where",
                                  "(WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < "
                                  "50000000) SELECT count(*) FROM c) > tree"};
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(3));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    EXPECT_EQ(testsupport::namesIn(dir.path()), std::vector<std::string>{"a.csv"});
}

TEST(ImportCommand, WarningsShowControlCharactersEscaped)
{
    TempDir dir;
    testsupport::writeBytes(dir / "a.csv",
                            "plot,tree,sp,year,v\n\"A\x1b[2J\",1,BK,2020,10\nB,1,BK,2021,20\n");
    const Outcome outcome = run({(dir / "T.dbf").string(), (dir / "a.csv").string(), "--plot", "plot",
                                 "--tree", "tree", "--species", "sp", "--year", "year", "--value", "v"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("warning: Tree 1: plot A\\x1b[2J in 2020, B in 2021"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(outcome.err.find('\x1b'), std::string::npos);
}
