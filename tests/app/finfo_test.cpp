// The about box: version information, the two heights at 96 and 120 pixels per inch, the e-mail link.
#include "app/finfo.h"
#include "common/version.h"
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
        EXPECT_EQ(box.BtnMore->text(), "More Info >>");
        box.BtnMoreClick();
        EXPECT_EQ(box.height(), c.more);
        EXPECT_EQ(box.BtnMore->text(), "<< Info");
        EXPECT_TRUE(box.Memo1->isVisibleTo(&box));
        box.BtnMoreClick();
        EXPECT_EQ(box.height(), c.less);
        EXPECT_EQ(box.BtnMore->text(), "More Info >>");
        EXPECT_FALSE(box.Memo1->isVisibleTo(&box));
    }
}

TEST(AboutBox, ShowsTheCompiledVersionInformation)
{
    apptest::ScriptedDialogs dialogs;
    TFormInfo box(dialogs, 96);
    const QString version = QString::fromUtf8(common::kProgramVersion);
    EXPECT_EQ(box.windowTitle(), "Program info");
    EXPECT_EQ(box.LblTitle->text(), "Program Fenoris");
    EXPECT_EQ(box.LblComment->text(), QString::fromUtf8(common::kProgramDescription));
    EXPECT_EQ(box.LblVersion->text(), "Version " + version);
    EXPECT_EQ(box.LblCopyright->text(), "Copyright (C) 2026 Fenoris developers");
    EXPECT_FALSE(box.BtnMore->isHidden());
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
    EXPECT_EQ(box.Memo1->toPlainText(), expected.join('\n'));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(AboutBox, MissingEntriesFallBack)
{
    apptest::ScriptedDialogs dialogs;
    TFormInfo box(dialogs, 96);
    box.fillVersionInfo({{"InternalName", ""}, {"Comments", ""}});
    EXPECT_EQ(box.LblTitle->text(), "Program " + QCoreApplication::applicationName());
    EXPECT_EQ(box.LblComment->text(), "");
    EXPECT_EQ(box.LblVersion->text(), "Version ");
    EXPECT_EQ(box.LblCopyright->text(), "Copyright (C) 2026 Fenoris developers");
    EXPECT_TRUE(box.BtnMore->isHidden());
    EXPECT_EQ(box.Memo1->toPlainText(), "");
}

TEST(AboutBox, AddressOpensAMailWithTheProgramInTheSubject)
{
    apptest::ScriptedDialogs dialogs;
    TFormInfo box(dialogs, 96);
    box.LblAddressClick();
    ASSERT_EQ(dialogs.openedAddresses().size(), 1u);
    EXPECT_EQ(dialogs.openedAddresses()[0], "mailto:" + QString::fromUtf8(common::kContactAddress) +
                                                "?Subject=Program Fenoris: User request");
}

} // namespace
