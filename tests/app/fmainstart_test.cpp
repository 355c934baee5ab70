// The table named on the command line (the desktop's "Open with", fenoris FILE.dbf): opened after the
// about box instead of asking, and a table that fails is told before the open dialog asks.
#include "app/errorhandler.h"
#include "mainwindowtest.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using namespace apptest;

TEST_F(MainWindowTest, TableNamedAtStartOpensWithoutTheOpenDialog)
{
    const fs::path table = copyCrown("SCBI_CROWN.DBF");
    for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
        fs::copy_file(testsupport::realData() / "scbi" / side, dataDir / side);
    startTable = q(table);
    // Showing the window starts the sequence by itself, as in the program.
    startOnActivation = true;
    createForm();
    expectAboutBox();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    ASSERT_TRUE(form->activated());
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(form->windowTitle(), "Fenoris [" + q(table) + "]");
    EXPECT_EQ(form->state().tableFile(), "SCBI_CROWN.DBF");
    std::vector<std::string> fields{"Fields"};
    fields.insert(fields.end(), kCrownColumns.begin(), kCrownColumns.end());
    EXPECT_EQ(gridColumn(0), fields);
    // The side files gave the roles, as after the open dialog.
    EXPECT_EQ(form->state().fieldRoles().plot, "PLOT");
    EXPECT_EQ(form->state().fieldRoles().species, "SP");
    EXPECT_EQ(terminations, 0);
}

// A missing or unreadable table shows its error; the open dialog follows, in the folder the table was
// looked for in, and what it gives is opened as at any start.
TEST_F(MainWindowTest, TableNamedAtStartThatFailsIsToldAndTheOpenDialogFollows)
{
    const fs::path elsewhere = temp / "elsewhere";
    fs::create_directories(elsewhere);
    const fs::path broken = elsewhere / "broken.dbf";
    writeBytes(broken, "");
    const fs::path folder = elsewhere / "folder.dbf";
    fs::create_directories(folder);
    struct Case
    {
        fs::path named;
        QString error;
        QString dialogStart;
    };
    const Case cases[] = {
        // The window opens a table as the commands do, and refuses a missing one in their words.
        {elsewhere / "missing.dbf", "Cannot open table " + q(elsewhere / "missing.dbf") + ": no such file",
         q(elsewhere)},
        {temp / "nowhere" / "missing.dbf",
         "Cannot open table " + q(temp / "nowhere" / "missing.dbf") + ": no such file", q(dataDir)},
        {folder, "Cannot open table " + q(folder) + ": it is a folder", q(elsewhere)},
        {broken,
         "Table " + q(broken) + " is damaged or not a dBASE table: the file is too short for a header",
         q(elsewhere)},
    };
    const fs::path table = copyCrown("trees.dbf");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.named.string());
        startTable = q(c.named);
        createForm();
        expectAboutBox();
        dialogs.expectMessage(MessageKind::Error, c.error, Button::Ok);
        dialogs.expectOpenFile("Open", kFilter, c.dialogStart, q(table));
        app::runGuarded(dialogs, [&] { form->FormActivate(); });
        EXPECT_TRUE(form->activated());
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_EQ(form->windowTitle(), "Fenoris [" + q(table) + "]");
        EXPECT_EQ(form->state().tableFile(), "trees.dbf");
    }

    // Cancelling the open dialog then ends the program, as at any start.
    startTable = q(broken);
    createForm();
    expectAboutBox();
    dialogs.expectMessageStartingWith(MessageKind::Error, "Table " + q(broken), Button::Ok);
    dialogs.expectOpenFile("Open", kFilter, q(elsewhere), std::nullopt);
    app::runGuarded(dialogs, [&] { form->FormActivate(); });
    EXPECT_FALSE(form->activated());
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(form->windowTitle(), "Fenoris");
}

} // namespace
