// fenoris-cli statistics when a run cannot finish: refused at its start, failing while it writes,
// interrupted or killed. Every time the tables of the last run stay byte for byte as they were, the
// data table is untouched, and what a killed run left is cleared by the next one.
#include "data/generator.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <map>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::TempDir;

namespace {

const char *const kResults[] = {"TRANSIT.DBF", "AVERAGE.DBF"};

// The bytes of every file of the directory by name.
std::map<std::string, std::string> filesIn(const fs::path &dir)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files[entry.path().filename().string()] = readBytes(entry.path());
    return files;
}

struct Outcome
{
    int status = -1; // exit code, or 128 + the signal that ended it
    std::string err;
};

// fenoris-cli with the arguments, its standard error caught; running until wait().
class CliRun
{
public:
    CliRun(const std::vector<std::string> &args, const fs::path &scratch) : m_errFile(scratch / "stderr.txt")
    {
        std::vector<std::string> all{FENORIS_CLI_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (auto &arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, m_errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    void signal(int number) { ::kill(m_pid, number); }
    // Whether it has ended; its outcome is then kept for wait().
    bool ended()
    {
        if (!m_ended) m_ended = ::waitpid(m_pid, &m_status, WNOHANG) == m_pid;
        return m_ended;
    }
    Outcome wait()
    {
        if (!m_ended) ::waitpid(m_pid, &m_status, 0);
        m_ended = true;
        Outcome outcome;
        outcome.status = WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
        outcome.err = readBytes(m_errFile);
        return outcome;
    }

private:
    fs::path m_errFile;
    pid_t m_pid = -1;
    bool m_ended = false;
    int m_status = 0;
};

Outcome runCli(const std::vector<std::string> &args)
{
    TempDir scratch;
    CliRun run(args, scratch.path());
    return run.wait();
}

bool hasTemporaries(const fs::path &dir)
{
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(".~", 0) == 0) return true;
    return false;
}

// The SCBI census with its side files and the tables of a first run beside it.
struct CensusDir
{
    TempDir dir;
    fs::path table = dir / "SCBI_CROWN.DBF";

    CensusDir()
    {
        for (const char *ext : {".DBF", ".yrs", ".var"})
            testsupport::copyInto(testsupport::realData() / "scbi" / (std::string("SCBI_CROWN") + ext),
                                  dir.path());
        const Outcome first = runCli({"statistics", table.string(), "--interval", "2"});
        EXPECT_EQ(first.status, 0) << first.err;
    }
};

// Writes text over the bytes of a field of a record, as another program might have left it.
void overwriteField(const fs::path &table, int record, const std::string &field, const std::string &text)
{
    std::string bytes = readBytes(table);
    auto word = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                        static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    std::size_t offset = 1;
    for (std::size_t at = 32; bytes[at] != '\x0D'; at += 32) {
        if (std::string(bytes.c_str() + at) == field) {
            const std::size_t width = static_cast<unsigned char>(bytes[at + 16]);
            const std::size_t start = word(8) + static_cast<std::size_t>(record - 1) * word(10) + offset;
            bytes.replace(start, width, (text + std::string(width, ' ')).substr(0, width));
            testsupport::writeBytes(table, bytes);
            return;
        }
        offset += static_cast<unsigned char>(bytes[at + 16]);
    }
    FAIL() << "no field " << field;
}

} // namespace

TEST(StatisticsFailure, ARefusedRunKeepsTheLastTablesAndNamesTheProblem)
{
    struct Case
    {
        std::vector<std::string> options;
        const char *message; // the beginning of standard error
    };
    const Case cases[] = {
        // Closes the program's bracket: would select every tree of the table.
        {{"--conditions", "1=1) OR (1=1"},
         "Condition: the bracket ) at character 4 closes a bracket that was not opened in: 1=1) OR (1=1"},
        {{"--conditions", "DBH >"}, "Condition: near \")\": syntax error in: (DBH >)"},
        {{"--interval", "0"}, "--interval must be at least 1"},
    };
    CensusDir census;
    const auto before = filesIn(census.dir.path());
    for (const auto &c : cases) {
        std::vector<std::string> args{"statistics", census.table.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome outcome = runCli(args);
        EXPECT_EQ(outcome.status, 1) << c.message;
        EXPECT_EQ(outcome.err.rfind(c.message, 0), 0u) << outcome.err;
        EXPECT_EQ(filesIn(census.dir.path()), before) << c.message;
    }
    // Side files that give one survey year to two columns, or a year to a column with a role, as an
    // editor or another program may leave them: the run would average the wrong columns.
    const std::vector<std::pair<std::string, std::string>> sideFiles{
        {"Defoliations\r\n-\r\n-\r\n-\r\n-\r\n2014\r\n2014\r\n2016\r\n2017\r\n2018\r\n2019\r\n2021\r\n",
         "The survey year 2014 is given to columns "},
        {"Defoliations\r\n-\r\n-\r\n-\r\n2013\r\n2014\r\n2015\r\n2016\r\n2017\r\n2018\r\n2019\r\n2021\r\n",
         "Column DBH has both the survey year 2013 and the role DBH"},
    };
    for (const auto &[years, message] : sideFiles) {
        testsupport::writeBytes(census.dir / "SCBI_CROWN.yrs", years);
        const Outcome outcome = runCli({"statistics", census.table.string()});
        EXPECT_EQ(outcome.status, 1) << message;
        EXPECT_EQ(outcome.err.rfind("The side files of SCBI_CROWN.DBF: " + message, 0), 0u) << outcome.err;
        auto after = filesIn(census.dir.path());
        after.erase("SCBI_CROWN.yrs");
        auto expected = before;
        expected.erase("SCBI_CROWN.yrs");
        EXPECT_EQ(after, expected) << message;
    }
}

TEST(StatisticsFailure, TwoBracketedGroupsStayOneConditionBehindThePlotAndSpecies)
{
    CensusDir census;
    TempDir scratch;
    std::string out;
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " statistics '" +
                                          census.table.string() +
                                          "' --conditions '(1=1) OR (1=1)' 2>/dev/null",
                                      &out),
              0);
    // As without a condition: the 307 pairs with more than five trees, not every pair of the table.
    EXPECT_EQ(out.substr(0, out.find(" pairs")), "28 plots, 307");
}

TEST(StatisticsFailure, LettersInAYearColumnStopTheRunNamingTheirPlace)
{
    CensusDir census;
    const auto tables = filesIn(census.dir.path());
    overwriteField(census.table, 43, "D2021", "abc");
    const Outcome outcome = runCli({"statistics", census.table.string(), "--interval", "2"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Table " + census.table.string() + ", column D2021, record 43: 'abc' is not a number\n");
    for (const char *name : kResults)
        EXPECT_EQ(readBytes(census.dir / name), tables.at(name)) << name;
    EXPECT_FALSE(hasTemporaries(census.dir.path()));

    // Read as a number by the query command, the letters are blank and told once.
    std::string out, err;
    TempDir scratch;
    const int status = testsupport::runCommand(
        std::string(FENORIS_CLI_PATH) + " query '" + census.dir.path().string() +
            "' \"SELECT Count(*) FROM 'SCBI_CROWN.DBF' WHERE D2021 > 50 OR D2021 IS NULL\" 2>'" +
            (scratch / "err").string() + "'",
        &out);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(scratch / "err"),
              "warning: Table " + census.table.string() +
                  ", column D2021, record 43: 'abc' is not a number; it reads as blank\n");
}

TEST(StatisticsFailure, AFullDiskKeepsTheLastTables)
{
    CensusDir census;
    const auto before = filesIn(census.dir.path());
    std::string out;
    // The file size limit stands in for a full disk: writes beyond it fail with EFBIG once SIGXFSZ is
    // ignored. 200 blocks hold the census but not its result tables.
    const int status =
        testsupport::runCommand("ulimit -f 200; trap '' XFSZ; " + std::string(FENORIS_CLI_PATH) +
                                    " statistics '" + census.table.string() + "' 2>&1",
                                &out);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Cannot write table " + (census.dir / "TRANSIT.DBF").string() + ": File too large"),
              std::string::npos)
        << out;
    EXPECT_EQ(filesIn(census.dir.path()), before);
}

TEST(StatisticsFailure, KilledAtAnyPointTheLastTablesStayAndTheNextRunClearsWhatWasLeft)
{
    TempDir dir, scratch, other;
    data::GeneratorSettings settings;
    settings.trees = 20000;
    settings.plots = 1000;
    data::generateTable(dir / "FOREST.DBF", settings);
    const std::string table = (dir / "FOREST.DBF").string();
    ASSERT_EQ(runCli({"statistics", table}).status, 0);
    const auto before = filesIn(dir.path());
    auto tablesAre = [&](const std::map<std::string, std::string> &tables) {
        for (const char *name : kResults)
            if (readBytes(dir / name) != tables.at(name)) return false;
        return true;
    };

    // The tables of the interrupted command when it runs to its end: a kill that comes after it put
    // them in place (while it syncs the directory or ends the process) finds them there, and rightly.
    for (const auto &entry : fs::directory_iterator(dir.path()))
        if (entry.path().filename().string().rfind("FOREST.", 0) == 0)
            testsupport::copyInto(entry.path(), other.path());
    ASSERT_EQ(runCli({"statistics", (other / "FOREST.DBF").string(), "--interval", "3"}).status, 0);
    const auto finished = filesIn(other.path());

    // The length of a whole run, so that the kills fall all over it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runCli({"statistics", table}).status, 0);
    const auto length = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(filesIn(dir.path()), before); // the same settings write the same bytes

    std::mt19937 random(20240613);
    const int signals[] = {SIGKILL, SIGTERM, SIGINT};
    for (int k = 0; k < 9; ++k) {
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(length) *
                           std::uniform_real_distribution<double>(0.0, 1.0)(random);
        CliRun run({"statistics", table, "--interval", "3"}, scratch.path());
        std::this_thread::sleep_for(delay);
        run.signal(signals[k % 3]);
        const Outcome outcome = run.wait();
        if (outcome.status != 0) {
            EXPECT_EQ(outcome.status, 128 + signals[k % 3]) << outcome.err;
            // A kill between the two renames is finished by the next command that opens the folder.
            ASSERT_EQ(runCli({"info", table}).status, 0);
            EXPECT_TRUE(tablesAre(before) || tablesAre(finished))
                << "after a kill at " << delay.count() << " us";
        }
        EXPECT_EQ(readBytes(dir / "FOREST.DBF"), before.at("FOREST.DBF"));
        // The last tables come back for the next kill.
        if (!tablesAre(before)) {
            ASSERT_EQ(runCli({"statistics", table}).status, 0);
        }
    }

    // Ctrl+C while the plots are walked, that is while the new tables are written under their
    // temporary names: told, and the last tables stay.
    ASSERT_EQ(runCli({"statistics", table}).status, 0); // clears what the kills left
    bool told = false;
    for (int attempt = 0; attempt < 5 && !told; ++attempt) {
        CliRun run({"statistics", table, "--interval", "3"}, scratch.path());
        while (!run.ended() && !hasTemporaries(dir.path()))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        run.signal(SIGINT);
        const Outcome outcome = run.wait();
        if (outcome.status == 0) { // the whole walk fell between two looks
            ASSERT_EQ(runCli({"statistics", table}).status, 0);
            continue;
        }
        told = true;
        EXPECT_EQ(outcome.status, 128 + SIGINT);
        // While the plots are listed or walked, as the signal finds the run.
        EXPECT_EQ(outcome.err.rfind("Statistics interrupted ", 0), 0u) << outcome.err;
        const std::string end = "; TRANSIT.DBF and AVERAGE.DBF were left as they were\n";
        EXPECT_TRUE(outcome.err.size() > end.size() &&
                    outcome.err.compare(outcome.err.size() - end.size(), end.size(), end) == 0)
            << outcome.err;
        EXPECT_TRUE(tablesAre(before));
    }
    EXPECT_TRUE(told) << "no Ctrl+C came while the plots were walked";

    ASSERT_EQ(runCli({"statistics", table}).status, 0);
    EXPECT_EQ(filesIn(dir.path()), before);
}

TEST(StatisticsFailure, ATableUnderAResultsNameIsRefusedAndKept)
{
    for (const char *name : {"TRANSIT.DBF", "transit.dbf", "AVERAGE.dbf"}) {
        TempDir dir;
        const std::string base = fs::path(name).stem().string();
        for (const char *ext : {".DBF", ".yrs", ".var"})
            fs::copy_file(
                testsupport::realData() / "scbi" / (std::string("SCBI_CROWN") + ext),
                dir / (base + (ext == std::string(".DBF") ? fs::path(name).extension().string() : ext)));
        const auto before = filesIn(dir.path());
        const Outcome outcome = runCli({"statistics", (dir / name).string()});
        EXPECT_EQ(outcome.status, 1) << name;
        EXPECT_EQ(outcome.err,
                  "The table cannot be named TRANSIT.DBF or AVERAGE.DBF: the statistics are written "
                  "under these names beside it\n");
        EXPECT_EQ(filesIn(dir.path()), before) << name;
    }
}

TEST(StatisticsFailure, ASecondRunInTheFolderIsRefusedNamingTheFirst)
{
    CensusDir census;
    const auto before = filesIn(census.dir.path());
    // This process stands for the first run: it holds the lock as a run does, its id written in it.
    const fs::path lockFile = census.dir / ".~statistics.lock";
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const std::string pid = std::to_string(::getpid());
    ASSERT_EQ(::write(fd, (pid + "\n").data(), pid.size() + 1), static_cast<ssize_t>(pid.size() + 1));
    const Outcome refused = runCli({"statistics", census.table.string(), "--interval", "3"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Another statistics run (process " + pid +
                               ") is writing TRANSIT.DBF and AVERAGE.DBF in this folder\n");
    auto after = filesIn(census.dir.path());
    after.erase(lockFile.filename().string());
    EXPECT_EQ(after, before);

    // Once the first has ended, even killed without removing the file, the next run writes.
    ::close(fd);
    const Outcome next = runCli({"statistics", census.table.string(), "--interval", "3"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_FALSE(fs::exists(lockFile));
}

namespace {

// strace stops fenoris-cli with SIGKILL at its when-th rename, before that rename is done.
int killedAtRename(int when, const std::string &arguments)
{
    return testsupport::runCommand("strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 -e "
                                   "inject=rename,renameat,renameat2:signal=KILL:when=" +
                                   std::to_string(when) + " " + FENORIS_CLI_PATH + " " + arguments +
                                   " >/dev/null 2>&1");
}

} // namespace

TEST(StatisticsFailure, APairCutBetweenItsRenamesIsFinishedByTheNextCommand)
{
    // The pair of other settings, made beside a copy of the census.
    CensusDir census, newer;
    ASSERT_EQ(
        runCli({"statistics", newer.table.string(), "--interval", "3", "--value-type", "classes"}).status, 0);
    const auto old = filesIn(census.dir.path());
    const auto fresh = filesIn(newer.dir.path());
    for (const char *name : kResults)
        ASSERT_TRUE(old.at(name) != fresh.at(name)) << name;

    // A run killed right after its first rename: the journal, TRANSIT.DBF new, AVERAGE.DBF still old
    // with its successor under the temporary name. A journal cut short beside it had begun no rename:
    // it is set aside with a warning, and its temporary file is left to the next writer.
    const std::vector<std::vector<std::string>> commands{
        {"info", census.table.string()},
        {"query", census.dir.path().string(), "SELECT Count(*) FROM 'AVERAGE.DBF'"},
        {"statistics", census.table.string(), "--conditions", "DBH >"},
    };
    for (const auto &command : commands) {
        for (const auto &[name, bytes] : old)
            testsupport::writeBytes(census.dir / name, bytes);
        ASSERT_NE(killedAtRename(2, "statistics " + testsupport::shellQuote(census.table.string()) +
                                        " --interval 3 --value-type classes"),
                  0);
        fs::remove(census.dir / ".~statistics.lock");
        fs::remove(census.dir / ".~scbi_crown.table.lock");
        ASSERT_TRUE(readBytes(census.dir / "AVERAGE.DBF") == old.at("AVERAGE.DBF")) << command[0];
        testsupport::writeBytes(census.dir / ".~TRANSIT-h6Lp0a.DBF", "cut short");
        testsupport::writeBytes(census.dir / ".~commit-Zz9yY8.journal",
                                "fenoris commit 2\n.~TRANSIT-h6Lp0a.DBF\nTRANSIT.DBF\n");

        const Outcome outcome = runCli(command);
        EXPECT_EQ(outcome.status, command[0] == "statistics" ? 1 : 0) << outcome.err;
        for (const char *name : kResults)
            EXPECT_TRUE(readBytes(census.dir / name) == fresh.at(name)) << name << " after " << command[0];
        EXPECT_EQ(readBytes(census.dir / ".~TRANSIT-h6Lp0a.DBF"), "cut short") << command[0];
        EXPECT_TRUE(fs::exists(census.dir / ".~commit-Zz9yY8.journal.stale")) << command[0];
        EXPECT_NE(
            outcome.err.find("warning: The journal " + (census.dir / ".~commit-Zz9yY8.journal").string()),
            std::string::npos)
            << outcome.err;
        fs::remove(census.dir / ".~TRANSIT-h6Lp0a.DBF");
        fs::remove(census.dir / ".~commit-Zz9yY8.journal.stale");
        EXPECT_FALSE(hasTemporaries(census.dir.path())) << command[0];
    }
}

TEST(StatisticsFailure, KilledAtEitherRenameThePairComesOutWholeAndNew)
{
    CensusDir census, newer;
    const std::vector<std::string> settings{"--interval", "3", "--value-type", "classes"};
    std::vector<std::string> args{"statistics", newer.table.string()};
    args.insert(args.end(), settings.begin(), settings.end());
    ASSERT_EQ(runCli(args).status, 0);
    const auto fresh = filesIn(newer.dir.path());
    const auto old = filesIn(census.dir.path());
    std::string options;
    for (const auto &option : settings)
        options += " " + option;
    // strace stops the run with SIGKILL at the first or second rename of its tables, before that rename
    // is done: once the journal is on disk the pair is committed, and the next command puts it in place.
    for (const int when : {1, 2}) {
        for (const auto &[name, bytes] : old)
            testsupport::writeBytes(census.dir / name, bytes);
        const int status =
            killedAtRename(when, "statistics " + testsupport::shellQuote(census.table.string()) + options);
        EXPECT_NE(status, 0) << "at rename " << when;
        EXPECT_TRUE(readBytes(census.dir / "AVERAGE.DBF") == old.at("AVERAGE.DBF")) << "at rename " << when;
        ASSERT_EQ(runCli({"info", census.table.string()}).status, 0);
        for (const char *name : kResults)
            EXPECT_TRUE(readBytes(census.dir / name) == fresh.at(name)) << name << " at rename " << when;
        // The killed run's lock files stay until the next run takes them; nothing else of it is left.
        fs::remove(census.dir / ".~statistics.lock");
        fs::remove(census.dir / ".~scbi_crown.table.lock");
        EXPECT_FALSE(hasTemporaries(census.dir.path())) << "at rename " << when;
    }
}

TEST(StatisticsFailure, ASignalStopsAStatementThatWouldNeverEnd)
{
    // A condition that counts without end: only the engine's interruption can stop the run.
    const std::string endless = "(WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                "SELECT Count(*) FROM c) > 0";
    CensusDir census;
    const auto before = filesIn(census.dir.path());
    TempDir scratch;
    for (const int signal : {SIGINT, SIGTERM}) {
        CliRun run({"statistics", census.table.string(), "--conditions", endless}, scratch.path());
        // The run holds its lock from just before it lists the plots with the condition.
        while (!run.ended() && !fs::exists(census.dir / ".~statistics.lock"))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        run.signal(signal);
        const Outcome outcome = run.wait();
        EXPECT_EQ(outcome.status, 128 + signal);
        EXPECT_EQ(outcome.err,
                  "Statistics interrupted while the plots were listed; TRANSIT.DBF and AVERAGE.DBF "
                  "were left as they were\n");
        EXPECT_EQ(filesIn(census.dir.path()), before);
    }
}

TEST(StatisticsFailure, ATableThatIsNoFileIsCalledWhatItIs)
{
    TempDir dir;
    fs::create_directory(dir / "FOLDER.DBF");
    ASSERT_EQ(::mkfifo((dir / "PIPE.DBF").c_str(), 0600), 0);
    const std::pair<const char *, const char *> cases[] = {{"FOLDER.DBF", "it is a folder"},
                                                           {"PIPE.DBF", "it is not a regular file"},
                                                           {"NONE.DBF", "no such file"}};
    for (const auto &[name, what] : cases) {
        const std::string table = (dir / name).string();
        const Outcome outcome = runCli({"statistics", table});
        EXPECT_EQ(outcome.status, 1) << name;
        EXPECT_EQ(outcome.err, "Cannot open table " + table + ": " + what + "\n");
    }
}

TEST(StatisticsFailure, ATableThatCannotBeCreatedIsNamedAsTheUserKnowsIt)
{
    CensusDir census;
    const auto before = filesIn(census.dir.path());
    std::string out;
    // Not even the header fits: the error comes while the table is created under its temporary name.
    const int status = testsupport::runCommand("ulimit -f 0; trap '' XFSZ; " + std::string(FENORIS_CLI_PATH) +
                                                   " statistics '" + census.table.string() + "' 2>&1",
                                               &out);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "Cannot create table " + (census.dir / "TRANSIT.DBF").string() + ": File too large\n");
    EXPECT_EQ(filesIn(census.dir.path()), before);
}
