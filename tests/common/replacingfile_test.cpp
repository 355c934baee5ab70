// Whole-file writes: the old file survives every failure, the new one appears only complete.
#include "common/error.h"
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
