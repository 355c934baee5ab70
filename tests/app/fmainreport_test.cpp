// "Survey report": the folder asked for, the report the command writes, the browser offered with its
// question, an existing report replaced only when the user agrees, and Cancel leaving nothing.
#include "controls.h"
#include "mainwindowtest.h"
#include "model/fixturetable.h"

#include <QPushButton>
#include <QUrl>

namespace apptest {
namespace {

class SurveyReportTest : public MainWindowTest
{
protected:
    // A1 has 12 trees of SM and 4 of BK (too few), B2 10 of SM.
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::vector<fixture::Tree> trees;
        fixture::addTrees(trees, 6, "A1", "SM", {20, 40, 60});
        fixture::addTrees(trees, 6, "A1", "SM", {20, 20, 40});
        fixture::addTrees(trees, 4, "A1", "BK", {20, 20, 20});
        fixture::addTrees(trees, 10, "B2", "SM", {10, 30, 30});
        startOn(fixture::writeTable(dataDir, "trees.dbf", {{"D1995", 1995}, {"D1996", 1996}, {"D1997", 1997}},
                                    trees));
        mainPage()->BtnSetOKClick();
        fs::create_directories(outDir);
    }

    void expectFolder() { dialogs.expectFolder("Folder for the survey report", q(dataDir) + "/", q(outDir)); }

    void expectReplace(app::Button answer)
    {
        dialogs.expectMessage(MessageKind::Confirmation,
                              "The folder " + q(report) + " exists. Replace it with the new report?",
                              Button::Yes | Button::No, answer);
    }

    void expectOpenQuestion(app::Button answer)
    {
        dialogs.expectMessage(MessageKind::Confirmation,
                              "The report is in " + q(report) +
                                  ": 2 plots and species of 2 plots.\nOpen it in your browser?",
                              Button::Yes | Button::No, answer);
    }

    void click()
    {
        QPushButton *button = control<QPushButton>(form.get(), "BtnReport");
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled());
        button->click();
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_TRUE(button->isEnabled());
    }

    fs::path outDir = temp / "out";
    fs::path report = outDir / "trees_report";
};

// The button writes what `fenoris-cli report` writes for the table, and Yes opens the index.
TEST_F(SurveyReportTest, WritesTheCommandsReportAndOpensItOnRequest)
{
    expectFolder();
    std::vector<std::string> steps;
    dialogs.expectProgress("Survey report", [&](int done, int total, const std::string &current) {
        steps.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + current);
        return true;
    });
    expectOpenQuestion(Button::Yes);
    click();
    EXPECT_EQ(steps, (std::vector<std::string>{"0/2 A1", "1/2 B2", "2/2 "}));
    EXPECT_EQ(dialogs.openedAddresses(),
              std::vector<QString>{QUrl::fromLocalFile(q(report / "index.html")).toString()});
    EXPECT_EQ(testsupport::namesIn(outDir), std::vector<std::string>{"trees_report"});
    EXPECT_EQ(testsupport::namesIn(report / "plots"),
              (std::vector<std::string>{"A1.html", "A1_SM.svg", "B2.html", "B2_SM.svg"}));

    const fs::path cli = temp / "cli";
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " report '" +
                                      (dataDir / "trees.dbf").string() + "' --out '" + cli.string() +
                                      "' --jobs 1 >/dev/null 2>&1"),
              0);
    for (const char *file : {"summary.csv", "plots/A1.html", "plots/B2.html"})
        EXPECT_EQ(readBytes(report / file), readBytes(cli / file)) << file;
    EXPECT_NE(readBytes(report / "plots" / "A1.html").find("<caption>1995–1996, 12 trees</caption>"),
              std::string::npos);
}

// A folder that holds anything but a report is refused before any question and left as it was. An
// existing report (or an empty folder) is replaced only after Yes; Cancel during the run leaves it as
// it was, with no temporary folder beside it; No to the browser opens nothing.
TEST_F(SurveyReportTest, ReplacesOnlyAReportAndOnlyWhenAskedAndCancelLeavesIt)
{
    fs::create_directories(report);
    writeBytes(report / "mine.txt", "kept");
    expectFolder();
    dialogs.expectMessage(MessageKind::Error,
                          "Cannot replace the folder " + q(report) +
                              ": it holds mine.txt, which a report does not write",
                          Button::Ok);
    click();
    EXPECT_EQ(testsupport::namesIn(outDir), std::vector<std::string>{"trees_report"});
    EXPECT_EQ(testsupport::namesIn(report), std::vector<std::string>{"mine.txt"});
    fs::remove(report / "mine.txt");

    expectFolder();
    expectReplace(Button::No);
    click();

    expectFolder();
    expectReplace(Button::Yes);
    dialogs.expectProgress("Survey report", [](int done, int, const std::string &) { return done == 0; });
    dialogs.expectMessage(MessageKind::Information,
                          "The report was cancelled at plot 2 of 2; nothing was written.", Button::Ok);
    click();
    EXPECT_EQ(testsupport::namesIn(outDir), std::vector<std::string>{"trees_report"});
    EXPECT_TRUE(testsupport::namesIn(report).empty());

    // The report written, then written again over itself.
    const std::vector<std::string> written{".fenoris-report", "index.html", "plots", "summary.csv"};
    for (int run = 0; run < 2; ++run) {
        expectFolder();
        expectReplace(Button::Yes);
        dialogs.expectProgress("Survey report");
        expectOpenQuestion(Button::No);
        click();
        EXPECT_TRUE(dialogs.openedAddresses().empty());
        EXPECT_EQ(testsupport::namesIn(outDir), std::vector<std::string>{"trees_report"});
        EXPECT_EQ(testsupport::namesIn(report), written);
    }

    // Cancel in the folder dialog asks nothing more.
    dialogs.expectFolder("Folder for the survey report", q(dataDir) + "/", std::nullopt);
    click();
}

} // namespace
} // namespace apptest
