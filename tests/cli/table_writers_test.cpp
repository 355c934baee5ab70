// The writers of a table and its side files (import, setup) against kills, a second writer and
// journals of another making: a kill at any rename leaves the set all old or all new, a killed run's
// journal never replaces what a later run wrote, what killed runs left is removed by the next writer,
// and a journal that names anything but its own files renames nothing.
#include "data/sidefiles.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::shellQuote;
using testsupport::TempDir;

namespace {

const fs::path kCensus = testsupport::fixtures() / "scbi_census";

// The files of the folder by name, without the lock files that a killed writer leaves.
std::map<std::string, std::string> filesIn(const fs::path &dir)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.ends_with(".lock")) files[name] = readBytes(entry.path());
    }
    return files;
}

// The census imported as the table, of the quadrats the condition keeps, with or without DBH.
std::string importArguments(const fs::path &table, const std::string &where, bool dbh = false)
{
    std::string text = "import " + shellQuote(table.string());
    for (const char *year : {"2014", "2019", "2021"})
        text += " " + shellQuote((kCensus / ("mortality_" + std::string(year) + ".csv")).string());
    return text + " --plot quadrat --tree tag --species 'upper(sp)' --year survey_year --where " +
           shellQuote("StemTag = '1' AND " + where) + " --value " +
           shellQuote("CASE WHEN current_year_status LIKE 'D%' THEN 100 ELSE 0 END") +
           " --duplicates first --force" + (dbh ? " --dbh last_main_census_dbh" : "");
}

int cli(const std::string &arguments, std::string *err = nullptr)
{
    std::string out, errors;
    const int status = testsupport::runCli(arguments, &out, &errors);
    if (err) *err = errors;
    return status;
}

// fenoris-cli stopped by SIGKILL at its when-th rename, before that rename is done.
int killedAtRename(int when, const std::string &arguments)
{
    return testsupport::runCommand("strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 -e "
                                   "inject=rename,renameat,renameat2:signal=KILL:when=" +
                                   std::to_string(when) + " " + FENORIS_CLI_PATH + " " + arguments +
                                   " >/dev/null 2>&1");
}

bool hasTemporaries(const fs::path &dir)
{
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".~") && !name.ends_with(".lock")) return true;
    }
    return false;
}

} // namespace

// An import killed at any of its renames leaves the table and its side files all old or all new once
// the next command has looked at the folder; an import run after it wins over the killed one's
// journal, and its temporary files of full size are gone.
TEST(TableWriters, AnImportKilledAtAnyRenameLeavesOneWholeSet)
{
    TempDir dir, fresh;
    const fs::path table = dir / "T.dbf";
    ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
    ASSERT_EQ(cli(importArguments(fresh / "T.dbf", "quadrat <> '0202'", true)), 0);
    const auto old = filesIn(dir.path()), killed = filesIn(fresh.path());
    ASSERT_EQ(old.size(), 3u);
    for (const auto &[name, bytes] : old)
        ASSERT_NE(bytes, killed.at(name)) << name;
    for (const int when : {1, 2, 3}) {
        SCOPED_TRACE("killed at rename " + std::to_string(when));
        for (const auto &[name, bytes] : old)
            testsupport::writeBytes(dir / name, bytes);
        EXPECT_NE(killedAtRename(when, importArguments(table, "quadrat <> '0202'", true)), 0);
        ASSERT_EQ(cli("info " + shellQuote(table.string())), 0);
        const auto after = filesIn(dir.path());
        EXPECT_TRUE(after == killed) << "not the killed run's whole set";
        EXPECT_FALSE(hasTemporaries(dir.path()));

        // Killed again, then imported anew before anything else opens the folder: the new import
        // finishes the journal first, and its own tables are what stays.
        for (const auto &[name, bytes] : old)
            testsupport::writeBytes(dir / name, bytes);
        EXPECT_NE(killedAtRename(when, importArguments(table, "quadrat <> '0202'", true)), 0);
        ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
        ASSERT_EQ(cli("info " + shellQuote(table.string())), 0);
        EXPECT_TRUE(filesIn(dir.path()) == old) << "the killed run's journal replaced the newer import";
        EXPECT_FALSE(hasTemporaries(dir.path()));
    }
}

// An import killed before its renames leaves a temporary table of full size: the next import removes
// it.
TEST(TableWriters, TheNextImportRemovesWhatAKilledOneLeft)
{
    TempDir dir;
    const fs::path table = dir / "T.dbf";
    ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
    // What an import killed while it wrote leaves: its temporary table and side files.
    testsupport::writeBytes(dir / ".~T-k1LLed.dbf", std::string(100000, ' '));
    testsupport::writeBytes(dir / ".~T-k1LLed.yrs", "years");
    testsupport::writeBytes(dir / ".~T-k1LLed.cpg", "UTF-8");
    ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
    EXPECT_FALSE(hasTemporaries(dir.path()));
}

// A table or its side files being written by one process are not written by another at the same
// time: the second is refused naming the first and writes nothing.
TEST(TableWriters, ASecondWriterOfATableIsRefusedNamingTheFirst)
{
    TempDir dir;
    const fs::path table = dir / "T.dbf";
    ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
    const auto before = filesIn(dir.path());
    const std::string pid = std::to_string(::getpid());
    const data::TableLock first(dir.path(), "t.DBF", "import");
    const std::vector<std::string> commands{
        importArguments(table, "quadrat <> '0202'"),
        "setup " + shellQuote(table.string()) + " --force",
        "statistics " + shellQuote(table.string()),
    };
    for (const auto &command : commands) {
        std::string err;
        EXPECT_EQ(cli(command, &err), 1) << command;
        EXPECT_NE(err.find("Another import (process " + pid +
                           ") is using T.dbf and its side files in this folder\n"),
                  std::string::npos)
            << command << ": " << err;
        EXPECT_TRUE(filesIn(dir.path()) == before) << command;
    }
}

// A journal whose lines lead out of the folder renames nothing; the command
// that opens a table there warns, naming the journal, and goes on.
TEST(TableWriters, AJournalLeadingOutOfItsFolderRenamesNothing)
{
    TempDir dir;
    fs::create_directories(dir / "data");
    fs::create_directories(dir / "victim");
    const fs::path table = dir / "data" / "T.dbf";
    ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
    testsupport::writeBytes(dir / "victim" / ".bashrc", "the user's");
    testsupport::writeBytes(dir / "data" / "readme.txt", "the attacker's");
    const fs::path journal = dir / "data" / ".~commit-abcdef.journal";
    testsupport::writeBytes(journal, "fenoris commit\nreadme.txt\n../victim/.bashrc\nend\n");
    std::string err;
    ASSERT_EQ(cli("info " + shellQuote(table.string()), &err), 0);
    EXPECT_EQ(readBytes(dir / "victim" / ".bashrc"), "the user's");
    EXPECT_EQ(readBytes(dir / "data" / "readme.txt"), "the attacker's");
    EXPECT_NE(err.find("warning: The journal " + journal.string()), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(journal.string() + ".stale"));
}

// setup --force killed at either rename of its two side files leaves both old or both new.
TEST(TableWriters, ASetupKilledAtEitherRenameLeavesBothSideFilesOldOrNew)
{
    TempDir dir;
    const fs::path table = dir / "T.dbf";
    ASSERT_EQ(cli(importArguments(table, "quadrat = '0202'")), 0);
    const auto old = filesIn(dir.path());
    const std::string setup = "setup " + shellQuote(table.string()) + " --force --year D2021=-";
    TempDir fresh;
    fs::copy_file(table, fresh / "T.dbf");
    ASSERT_EQ(cli("setup " + shellQuote((fresh / "T.dbf").string()) + " --year D2021=-"), 0);
    const auto newer = filesIn(fresh.path());
    ASSERT_NE(old.at("T.yrs"), newer.at("T.yrs"));
    for (const int when : {1, 2}) {
        SCOPED_TRACE("killed at rename " + std::to_string(when));
        for (const auto &[name, bytes] : old)
            testsupport::writeBytes(dir / name, bytes);
        EXPECT_NE(killedAtRename(when, setup), 0);
        ASSERT_EQ(cli("info " + shellQuote(table.string())), 0);
        const auto after = filesIn(dir.path());
        EXPECT_TRUE(after.at("T.yrs") == newer.at("T.yrs") && after.at("T.var") == newer.at("T.var"));
        EXPECT_FALSE(hasTemporaries(dir.path()));
    }
}
