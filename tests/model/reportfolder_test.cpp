// Which folders a new report may replace (only a marked report of this program, or an empty folder),
// and the check that the table is the file it was when the report began.
#include "common/error.h"
#include "model/reportfolder.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

namespace fs = std::filesystem;
using testsupport::namesIn;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

// The files of a report as a run writes them.
void writeReport(const fs::path &folder)
{
    fs::create_directories(folder / "plots");
    writeBytes(folder / model::kReportMarkerFile, model::ReportMarkerText("1.0", "2026-12-11 03:20"));
    writeBytes(folder / "index.html", "<html>");
    writeBytes(folder / "summary.csv", "plot\n");
    writeBytes(folder / "plots" / "A1.html", "<html>");
    writeBytes(folder / "plots" / "A1_SM.svg", "<svg/>");
}

// The message of the refusal, or nothing when the folder may be replaced.
std::optional<std::string> refusal(const fs::path &folder, const fs::path &table)
{
    try {
        model::CheckReplaceableReport(folder.string(), table.string());
    } catch (const common::FileError &e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

struct FolderCase
{
    const char *what;
    std::function<void(const fs::path &folder, const fs::path &table)> make;
    const char *why; // nullptr: may be replaced
};

} // namespace

TEST(ReportFolder, OnlyAMarkedReportOrAnEmptyFolderMayBeReplaced)
{
    const FolderCase cases[] = {
        {"empty", [](const fs::path &, const fs::path &) {}, nullptr},
        {"report", [](const fs::path &f, const fs::path &) { writeReport(f); }, nullptr},
        {"foreign file",
         [](const fs::path &f, const fs::path &) {
             writeReport(f);
             writeBytes(f / "notes.txt", "mine");
         },
         "it holds notes.txt, which a report does not write"},
        {"foreign picture",
         [](const fs::path &f, const fs::path &) {
             writeReport(f);
             writeBytes(f / "plots" / "photo.png", "mine");
         },
         "it holds plots/photo.png, which a report does not write"},
        {"folder among the pages",
         [](const fs::path &f, const fs::path &) {
             writeReport(f);
             fs::create_directories(f / "plots" / "old.html");
         },
         "it holds plots/old.html, which a report does not write"},
        {"link for a page",
         [](const fs::path &f, const fs::path &) {
             writeReport(f);
             fs::remove(f / "index.html");
             fs::create_symlink("/etc/hostname", f / "index.html");
         },
         "it holds index.html, which a report does not write"},
        {"no marker",
         [](const fs::path &f, const fs::path &) {
             writeReport(f);
             fs::remove(f / model::kReportMarkerFile);
         },
         "it is not a report of this program (it has no .fenoris-report)"},
        {"marker of something else",
         [](const fs::path &f, const fs::path &) {
             writeReport(f);
             writeBytes(f / model::kReportMarkerFile, "anything\n");
         },
         "it holds .fenoris-report (not the marker of a report)"},
        {"the table's folder",
         [](const fs::path &f, const fs::path &table) {
             writeReport(f);
             writeBytes(table, "table");
         },
         "it holds the table "},
        {"above the table",
         [](const fs::path &f, const fs::path &table) {
             fs::create_directories(table.parent_path());
             writeBytes(table, "table");
         },
         "it holds the table "},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const fs::path folder = dir / "report";
        fs::create_directories(folder);
        const std::string what = c.what;
        const fs::path table = what == "above the table"      ? folder / "data" / "T.dbf"
                               : what == "the table's folder" ? folder / "T.dbf"
                                                              : dir / "T.dbf";
        c.make(folder, table);
        const auto refused = refusal(folder, table);
        if (!c.why) {
            EXPECT_FALSE(refused) << c.what << ": " << *refused;
            continue;
        }
        ASSERT_TRUE(refused) << c.what;
        EXPECT_EQ(refused->rfind("Cannot replace the folder " + folder.string() + ": " + c.why, 0), 0u)
            << c.what << ": " << *refused;
    }
}

// `--out ~`: the home folder is refused by name, even when it holds nothing but a report.
TEST(ReportFolder, TheHomeFolderIsRefused)
{
    TempDir dir;
    const fs::path home = dir / "home";
    writeReport(home);
    const char *before = std::getenv("HOME");
    const std::string saved = before ? before : "";
    ::setenv("HOME", (home.string() + "/").c_str(), 1);
    const auto refused = refusal(home, dir / "T.dbf");
    if (before)
        ::setenv("HOME", saved.c_str(), 1);
    else
        ::unsetenv("HOME");
    ASSERT_TRUE(refused);
    EXPECT_EQ(*refused, "Cannot replace the folder " + home.string() + ": it is your home folder");
}

// The table stays the same file: replaced under its name (even by the same bytes), rewritten, or gone,
// it no longer is, and the message names it.
TEST(ReportTableCheck, SeesTheTableReplacedRewrittenOrGone)
{
    const std::function<void(const fs::path &)> changes[] = {
        [](const fs::path &table) {
            fs::copy_file(table, table.string() + ".new");
            fs::rename(table.string() + ".new", table);
        },
        [](const fs::path &table) { writeBytes(table, "other rows"); },
        [](const fs::path &table) { fs::remove(table); },
    };
    for (const auto &change : changes) {
        TempDir dir;
        const fs::path table = dir / "T.dbf";
        writeBytes(table, "rows");
        const model::ReportTableCheck check(table.string());
        EXPECT_NO_THROW(check.check());
        change(table);
        try {
            check.check();
            ADD_FAILURE() << "no change seen";
        } catch (const common::FileError &e) {
            EXPECT_EQ(std::string(e.what()), "The table " + table.string() +
                                                 " changed while the report was written; the report was "
                                                 "not written");
        }
    }
}
