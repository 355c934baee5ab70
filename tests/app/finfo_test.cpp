// The about box: version information, the two heights at 96 and 120 pixels per inch, the contact line.
#include "app/finfo.h"
#include "common/version.h"
#include "controls.h"
#include "scripteddialogs.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using app::TFormInfo;

TEST(AboutBox, MoreInfoHeightsScaleWithPixelsPerInch)
{
    struct Case
    {
        int ppi;
        int less;
        int more;
    };
    const Case cases[] = {{96, 248, 392}, {120, 310, 490}, {144, 372, 588}, {100, 258, 408}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ppi);
        apptest::ScriptedDialogs dialogs;
        TFormInfo box(dialogs, c.ppi);
        EXPECT_EQ(box.height(), c.less);
        EXPECT_EQ(apptest::control<QPushButton>(&box, "BtnMore")->text(), "More Info >>");
        box.BtnMoreClick();
        EXPECT_EQ(box.height(), c.more);
        EXPECT_EQ(apptest::control<QPushButton>(&box, "BtnMore")->text(), "<< Info");
        EXPECT_TRUE(apptest::control<QPlainTextEdit>(&box, "Memo1")->isVisibleTo(&box));
        box.BtnMoreClick();
        EXPECT_EQ(box.height(), c.less);
        EXPECT_EQ(apptest::control<QPushButton>(&box, "BtnMore")->text(), "More Info >>");
        EXPECT_FALSE(apptest::control<QPlainTextEdit>(&box, "Memo1")->isVisibleTo(&box));
    }
}

TEST(AboutBox, ShowsTheCompiledVersionInformation)
{
    apptest::ScriptedDialogs dialogs;
    TFormInfo box(dialogs, 96);
    const QString version = QString::fromUtf8(common::kProgramVersion);
    EXPECT_EQ(box.windowTitle(), "Program info");
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblTitle")->text(), "Program Fenoris");
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblComment")->text(),
              QString::fromUtf8(common::kProgramDescription));
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblVersion")->text(), "Version " + version);
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblCopyright")->text(),
              "Copyright (C) 2026 Fenoris developers");
    EXPECT_FALSE(apptest::control<QPushButton>(&box, "BtnMore")->isHidden());
    // The ten keys in order; the two without a value are left out.
    const QStringList expected = {
        "CompanyName=Fenoris developers",
        "FileDescription=" + QString::fromUtf8(common::kProgramDescription),
        "FileVersion=" + version,
        "InternalName=Fenoris",
        "LegalCopyright=Copyright (C) 2026 Fenoris developers",
        "OriginalFileName=fenoris",
        "ProductName=Fenoris",
        "ProductVersion=" + version,
    };
    EXPECT_EQ(apptest::control<QPlainTextEdit>(&box, "Memo1")->toPlainText(), expected.join('\n'));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(AboutBox, MissingEntriesFallBack)
{
    apptest::ScriptedDialogs dialogs;
    TFormInfo box(dialogs, 96);
    box.fillVersionInfo({{"InternalName", ""}, {"Comments", ""}});
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblTitle")->text(),
              "Program " + QCoreApplication::applicationName());
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblComment")->text(), "");
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblVersion")->text(), "Version ");
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblCopyright")->text(),
              "Copyright (C) 2026 Fenoris developers");
    EXPECT_TRUE(apptest::control<QPushButton>(&box, "BtnMore")->isHidden());
    EXPECT_EQ(apptest::control<QPlainTextEdit>(&box, "Memo1")->toPlainText(), "");
}

// Without an issue tracker named at build time there is no contact line at all, rather than an
// address nobody reads; a tracker's web address opens as it is, an e-mail address as a mail.
TEST(AboutBox, ContactLineNamesTheIssueTrackerOrIsLeftOut)
{
    apptest::ScriptedDialogs dialogs;
    TFormInfo box(dialogs, 96);
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblAddress")->text(), QString::fromUtf8(common::kIssueTracker));
    box.setContactAddress("");
    EXPECT_TRUE(apptest::control<QLabel>(&box, "LblContact")->isHidden());
    EXPECT_TRUE(apptest::control<QLabel>(&box, "LblAddress")->isHidden());
    box.LblAddressClick();
    EXPECT_TRUE(dialogs.openedAddresses().empty());

    box.setContactAddress("https://tracker.invalid/fenoris/issues");
    EXPECT_FALSE(apptest::control<QLabel>(&box, "LblContact")->isHidden());
    EXPECT_EQ(apptest::control<QLabel>(&box, "LblContact")->text(), "Questions and comments:");
    box.LblAddressClick();
    box.setContactAddress("forester@tracker.invalid");
    box.LblAddressClick();
    EXPECT_EQ(
        dialogs.openedAddresses(),
        (std::vector<QString>{"https://tracker.invalid/fenoris/issues",
                              "mailto:forester@tracker.invalid?Subject=Program Fenoris: User request"}));

    dialogs.setAddressesOpen(false);
    dialogs.expectMessage(app::MessageKind::Information,
                          "No program could be started to open forester@tracker.invalid", app::Button::Ok);
    box.LblAddressClick();
    EXPECT_EQ(dialogs.pending(), 0u);
}

} // namespace
