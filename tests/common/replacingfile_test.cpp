// Whole-file writes: the old file survives every failure, the new one appears only complete.
#include "common/error.h"
#include "common/messagesink.h"
#include "common/replacingfile.h"
#include "common/textfile.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::namesIn;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

TEST(ReplacingFile, ReplacesWholeAndKeepsThePermissions)
{
    TempDir dir;
    const fs::path file = dir / "Graph.ini";
    writeBytes(file, "old\r\n");
    ::chmod(file.c_str(), 0640);
    common::writeTextLines(file.string(), {"A=1", "B=2"});
    EXPECT_EQ(readBytes(file), "A=1\r\nB=2\r\n");
    struct stat st
    {
    };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Graph.ini"});
}

TEST(ReplacingFile, UncommittedLeavesTheTargetAndNoTemporary)
{
    TempDir dir;
    const fs::path file = dir / "chart.png";
    writeBytes(file, "old picture");
    {
        common::ReplacingFile replacing(file.string());
        EXPECT_EQ(fs::path(replacing.path()).parent_path(), dir.path());
        EXPECT_EQ(fs::path(replacing.path()).extension(), ".png");
        EXPECT_TRUE(
            common::isReplacingTemporary(fs::path(replacing.path()).filename().string(), "chart.png"));
        writeBytes(replacing.path(), "half");
    }
    EXPECT_EQ(readBytes(file), "old picture");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"chart.png"});
}

TEST(ReplacingFile, MissingDirectoryIsRefusedByName)
{
    TempDir dir;
    const std::string file = (dir / "no" / "T.yrs").string();
    try {
        common::writeFileWhole(file, "x");
        FAIL() << "no error";
    } catch (const common::FileError &e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + file + "\". ", 0), 0u) << e.what();
    }
}

// A link is written through: the file it names (in another folder, a link to a link, or not there
// yet) gets the content with its own permissions and the link stays. A pipe or a device, directly
// or behind a link, is refused and left as it was.
TEST(ReplacingFile, ALinkIsWrittenThroughAndNoneButRegularFilesAreReplaced)
{
    TempDir dir;
    fs::create_directories(dir / "real");
    writeBytes(dir / "real" / "chart.svg", "old");
    ::chmod((dir / "real" / "chart.svg").c_str(), 0640);
    fs::create_symlink("real/chart.svg", dir / "link.svg");
    fs::create_symlink(dir / "link.svg", dir / "second.svg");
    common::writeFileWhole((dir / "second.svg").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.svg"));
    EXPECT_TRUE(fs::is_symlink(dir / "second.svg"));
    EXPECT_EQ(readBytes(dir / "real" / "chart.svg"), "new");
    struct stat st
    {
    };
    ASSERT_EQ(::stat((dir / "real" / "chart.svg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir / "real"), std::vector<std::string>{"chart.svg"});

    fs::create_symlink("real/new.svg", dir / "dangling.svg");
    common::writeFileWhole((dir / "dangling.svg").string(), "fresh");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.svg"));
    EXPECT_EQ(readBytes(dir / "real" / "new.svg"), "fresh");

    ASSERT_EQ(::mkfifo((dir / "pipe.svg").c_str(), 0600), 0);
    fs::create_symlink("/dev/full", dir / "full.svg");
    for (const fs::path &file : {dir / "pipe.svg", dir / "full.svg"}) {
        try {
            common::writeFileWhole(file.string(), "x");
            ADD_FAILURE() << "no error for " << file;
        } catch (const common::FileError &e) {
            EXPECT_NE(std::string(e.what()).find("It is not a regular file"), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.svg"));
    EXPECT_TRUE(fs::is_symlink(dir / "full.svg"));
}

// A full disk, simulated with a file-size limit in a child process: the write fails with an error
// naming the file, and the old Graph.ini is byte-identical with no temporary file left beside it.
TEST(ReplacingFile, FullDiskKeepsTheOldFile)
{
    TempDir dir;
    const fs::path file = dir / "Graph.ini";
    const std::string old = "model1LC=255\r\n";
    writeBytes(file, old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<std::string> lines(2000, "averageLC=16711680");
        try {
            common::writeTextLines(file.string(), lines);
        } catch (const common::FileError &e) {
            const std::string expected = "Cannot write file \"" + file.string() + "\". File too large";
            _exit(std::string(e.what()) == expected ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Graph.ini"});
}

TEST(ReplacingFile, RecognisesOnlyItsOwnTemporaries)
{
    struct Case
    {
        const char *name;
        const char *target;
        bool ours;
    };
    const Case cases[] = {
        {".~TRANSIT-a1B2c3.DBF", "TRANSIT.DBF", true},
        {".~TRANSIT-a1B2c3.dbf", "TRANSIT.DBF", false}, // another extension: another program's
        {".~TRANSIT-a1B2.DBF", "TRANSIT.DBF", false},
        {"TRANSIT.DBF", "TRANSIT.DBF", false},
        {".~AVERAGE-zzzzzz.DBF", "TRANSIT.DBF", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(common::isReplacingTemporary(c.name, c.target), c.ours) << c.name;
}

TEST(ReplacingFile, LeftoversOfAKilledProcessGoThoseOfALiveOneStay)
{
    TempDir dir;
    const fs::path target = dir / "TRANSIT.DBF";
    writeBytes(dir / ".~TRANSIT-k1LLed.DBF", "left by a killed run");
    writeBytes(dir / ".~AVERAGE-k1LLed.DBF", "another table's");
    common::ReplacingFile live(target.string());
    common::removeLeftoverTemporaries(target.string());
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{".~AVERAGE-k1LLed.DBF", fs::path(live.path()).filename().string()}));

    // A process that wrote its temporary and was killed before committing holds no lock any more.
    const pid_t child = fork();
    if (child == 0) {
        common::ReplacingFile replacing((dir / "AVERAGE.DBF").string());
        ::_exit(0); // no destructor: as killed
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(namesIn(dir.path()).size(), 3u);
    common::removeLeftoverTemporaries((dir / "AVERAGE.DBF").string());
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{fs::path(live.path()).filename().string()});
}

TEST(ReplacingFile, TwoFilesCommittedTogetherReplaceBoth)
{
    TempDir dir;
    writeBytes(dir / "A.DBF", "old a");
    writeBytes(dir / "B.DBF", "old b");
    {
        common::ReplacingFile a((dir / "A.DBF").string()), b((dir / "B.DBF").string());
        writeBytes(a.path(), "new a");
        writeBytes(b.path(), "new b");
        common::commitTogether(a, b);
    }
    EXPECT_EQ(readBytes(dir / "A.DBF"), "new a");
    EXPECT_EQ(readBytes(dir / "B.DBF"), "new b");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"A.DBF", "B.DBF"}));
}

// In a batch whose flush waits for its end, new files and replaced ones come out as they would one
// by one: the content, the mode (the umask's for a new file, the old one's for a replaced file) and
// no temporary left, also when batches nest.
TEST(ReplacingFile, ABatchWithItsFlushAtTheEndWritesAsOneByOne)
{
    TempDir dir;
    writeBytes(dir / "old.bmp", "old");
    ::chmod((dir / "old.bmp").c_str(), 0640);
    const mode_t mask = ::umask(022);
    {
        const common::DeferredSync batch;
        {
            const common::DeferredSync inner;
            common::writeFileWhole((dir / "new.bmp").string(), "new");
        }
        common::writeFileWhole((dir / "old.bmp").string(), "replaced");
        common::writeFileWhole((dir / "sub.bmp").string(), "second");
    }
    ::umask(mask);
    EXPECT_EQ(readBytes(dir / "new.bmp"), "new");
    EXPECT_EQ(readBytes(dir / "old.bmp"), "replaced");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"new.bmp", "old.bmp", "sub.bmp"}));
    struct stat st
    {
    };
    ASSERT_EQ(::stat((dir / "new.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(::stat((dir / "old.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

namespace {

// The journal line of a file's identity as commitTogether records it: device, inode, size and
// modification time in nanoseconds; "-" for a file that does not exist.
std::string identityText(const fs::path &file)
{
    struct stat st
    {
    };
    if (::lstat(file.c_str(), &st) != 0) return "-";
    return std::to_string(st.st_dev) + " " + std::to_string(st.st_ino) + " " + std::to_string(st.st_size) +
           " " + std::to_string(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec);
}

struct Warned
{
    common::RecordingSink sink;
    Warned() { common::setCommitWarnings(&sink); }
    ~Warned() { common::setCommitWarnings(nullptr); }
    std::string text() const
    {
        std::string all;
        for (const auto &entry : sink.entries())
            all += entry.text + "\n";
        return all;
    }
};

} // namespace

// A journal that names anything but temporary files of its own targets in its own folder, or that
// is not whole, renames nothing: it is set aside with a warning naming it, whichever program opens
// the folder.
TEST(ReplacingFile, AJournalOfAnotherMakingRenamesNothing)
{
    TempDir dir;
    const fs::path data = dir / "data", victim = dir / "victim";
    fs::create_directories(data);
    fs::create_directories(victim);
    writeBytes(victim / ".bashrc", "the user's");
    writeBytes(data / "readme.txt", "attack");
    writeBytes(data / ".~T-abcdef.dbf", "new table");
    writeBytes(data / "T.dbf", "old table");
    fs::create_symlink(victim / ".bashrc", data / ".~T-linked.dbf");
    const std::string ids = identityText(data / ".~T-abcdef.dbf") + " " + identityText(data / "T.dbf");
    const std::vector<std::pair<const char *, std::string>> journals{
        {"up and out", "fenoris commit 2\nreadme.txt\n../victim/.bashrc\n" + ids + "\nend\n"},
        {"absolute",
         "fenoris commit 2\n" + (victim / ".bashrc").string() + "\nreadme.txt\n" + ids + "\nend\n"},
        {"not a temporary", "fenoris commit 2\nreadme.txt\nT.dbf\n" + ids + "\nend\n"},
        {"another target's", "fenoris commit 2\n.~T-abcdef.dbf\nU.dbf\n" + ids + "\nend\n"},
        {"a link", "fenoris commit 2\n.~T-linked.dbf\nT.dbf\n" + ids + "\nend\n"},
        {"without identities", "fenoris commit 2\n.~T-abcdef.dbf\nT.dbf\nend\n"},
        {"of the old form", "fenoris commit\n.~T-abcdef.dbf\nT.dbf\nend\n"},
        {"cut short", "fenoris commit 2\n.~T-abcdef.dbf\nT.dbf\n" + ids + "\n"},
    };
    for (const auto &[what, text] : journals) {
        Warned warned;
        const auto before = namesIn(data);
        writeBytes(data / ".~commit-Ab3dEf.journal", text);
        common::finishInterruptedCommits(data.string());
        EXPECT_EQ(readBytes(victim / ".bashrc"), "the user's") << what;
        EXPECT_EQ(readBytes(data / "readme.txt"), "attack") << what;
        EXPECT_EQ(readBytes(data / "T.dbf"), "old table") << what;
        EXPECT_FALSE(fs::exists(data / ".~commit-Ab3dEf.journal")) << what;
        EXPECT_TRUE(fs::exists(data / ".~commit-Ab3dEf.journal.stale")) << what;
        EXPECT_NE(warned.text().find((data / ".~commit-Ab3dEf.journal").string()), std::string::npos)
            << what << ": " << warned.text();
        fs::remove(data / ".~commit-Ab3dEf.journal.stale");
        EXPECT_EQ(namesIn(data), before) << what;
    }
    // An empty journal is what a writer killed before it wrote its journal leaves: it goes quietly.
    Warned warned;
    const auto before = namesIn(data);
    writeBytes(data / ".~commit-Ab3dEf.journal", "");
    common::finishInterruptedCommits(data.string());
    EXPECT_EQ(namesIn(data), before);
    EXPECT_EQ(warned.text(), "");
}

// A commit killed between its renames is finished only while its files are as the journal found
// them: once a later commit replaced a target, or a temporary file changed, the old journal puts
// nothing over it, and the next writer clears its temporary files.
TEST(ReplacingFile, AJournalIsReplayedOnlyOverTheFilesItWasWrittenFor)
{
    enum class After { Nothing, NewerCommit, TemporaryChanged };
    for (const After after : {After::Nothing, After::NewerCommit, After::TemporaryChanged}) {
        TempDir dir;
        writeBytes(dir / "T.dbf", "old table");
        writeBytes(dir / "T.yrs", "old years");
        writeBytes(dir / ".~T-a1b2c3.dbf", "new table");
        writeBytes(dir / ".~T-d4e5f6.yrs", "new years");
        // As a kill right after the first rename leaves it.
        const std::string text = "fenoris commit 2\n.~T-a1b2c3.dbf\nT.dbf\n" +
                                 identityText(dir / ".~T-a1b2c3.dbf") + " " + identityText(dir / "T.dbf") +
                                 "\n.~T-d4e5f6.yrs\nT.yrs\n" + identityText(dir / ".~T-d4e5f6.yrs") + " " +
                                 identityText(dir / "T.yrs") + "\nend\n";
        fs::rename(dir / ".~T-a1b2c3.dbf", dir / "T.dbf");
        writeBytes(dir / ".~commit-k1LLed.journal", text);
        if (after == After::NewerCommit) {
            common::ReplacingFile table((dir / "T.dbf").string()), years((dir / "T.yrs").string());
            writeBytes(table.path(), "newer table");
            writeBytes(years.path(), "newer years");
            // A writer that does not look at the folder's journals first.
            common::commitTogether(table, years);
        }
        if (after == After::TemporaryChanged) writeBytes(dir / ".~T-d4e5f6.yrs", "other years");
        Warned warned;
        common::finishInterruptedCommits(dir.path().string());
        switch (after) {
        case After::Nothing:
            EXPECT_EQ(readBytes(dir / "T.dbf"), "new table");
            EXPECT_EQ(readBytes(dir / "T.yrs"), "new years");
            EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"T.dbf", "T.yrs"}));
            EXPECT_EQ(warned.text(), "");
            break;
        case After::NewerCommit:
            EXPECT_EQ(readBytes(dir / "T.dbf"), "newer table");
            EXPECT_EQ(readBytes(dir / "T.yrs"), "newer years");
            EXPECT_NE(warned.text().find(".~commit-k1LLed.journal"), std::string::npos);
            common::removeLeftoverTemporaries((dir / "T.yrs").string());
            EXPECT_EQ(namesIn(dir.path()),
                      (std::vector<std::string>{".~commit-k1LLed.journal.stale", "T.dbf", "T.yrs"}));
            break;
        case After::TemporaryChanged:
            EXPECT_EQ(readBytes(dir / "T.yrs"), "old years");
            EXPECT_TRUE(fs::exists(dir / ".~commit-k1LLed.journal.stale"));
            EXPECT_NE(warned.text().find(".~commit-k1LLed.journal"), std::string::npos);
            common::removeLeftoverTemporaries((dir / "T.yrs").string());
            EXPECT_FALSE(fs::exists(dir / ".~T-d4e5f6.yrs"));
            break;
        }
    }
}
