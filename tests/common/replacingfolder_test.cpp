// Folders written whole: a target named with a trailing slash, the mode a new folder gets from the
// umask, and the check of what the old folder holds, before the run and again before the swap.
#include "common/error.h"
#include "common/replacingfolder.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::namesIn;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

TEST(ReplacingFolder, ATrailingSlashNamesTheFolderItself)
{
    TempDir dir;
    for (int run = 0; run < 2; ++run) {
        common::ReplacingFolder folder((dir / "report").string() + "//", run > 0);
        EXPECT_EQ(folder.target(), (dir / "report").string());
        writeBytes(fs::path(folder.path()) / "index.html", std::to_string(run));
        folder.commit();
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"report"});
    EXPECT_EQ(readBytes(dir / "report" / "index.html"), "1");
}

// mkdtemp makes a folder 0700 whatever the umask; the report folder must be readable as any folder
// the user makes. Each umask is set in a child process, which reports the folder's mode.
TEST(ReplacingFolder, TheFolderFollowsTheUmask)
{
    const std::pair<mode_t, mode_t> cases[] = {{022, 0755}, {077, 0700}, {002, 0775}};
    for (const auto &[mask, mode] : cases) {
        TempDir dir;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::umask(mask);
            try {
                common::ReplacingFolder folder((dir / "report").string(), false);
                folder.commit();
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        struct stat st
        {
        };
        ASSERT_EQ(::stat((dir / "report").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mask;
    }
}

// The check refuses before anything is made, and a file put into the old folder while the new one was
// written is seen at commit: the old folder stays as it is either way.
TEST(ReplacingFolder, TheCheckOfTheOldFolderRunsBeforeAndAtCommit)
{
    TempDir dir;
    const fs::path target = dir / "report";
    fs::create_directories(target);
    writeBytes(target / "index.html", "old");
    const auto check = [](const std::string &folder) {
        if (fs::exists(fs::path(folder) / "mine.txt")) throw common::FileError("holds mine.txt");
    };

    writeBytes(target / "mine.txt", "kept");
    EXPECT_THROW(common::ReplacingFolder(target.string(), true, check), common::FileError);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"report"});
    fs::remove(target / "mine.txt");

    {
        common::ReplacingFolder folder(target.string(), true, check);
        writeBytes(fs::path(folder.path()) / "index.html", "new");
        writeBytes(target / "mine.txt", "kept");
        EXPECT_THROW(folder.commit(), common::FileError);
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"report"});
    EXPECT_EQ(namesIn(target), (std::vector<std::string>{"index.html", "mine.txt"}));
    EXPECT_EQ(readBytes(target / "index.html"), "old");
}
