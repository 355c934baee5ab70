// The Qt input box behind the dialogs interface, as the user sees it: caption, prompt, default text,
// the width asked for, and Cancel giving the default back; the message box with a check box and
// details; an address opener that fails.
#include "app/qtdialogs.h"
#include "support/testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Answers the input box that opens next: looks at it, types the text (when given) and presses OK or
// Cancel.
struct InputBoxAnswer
{
    QString title, label, shown;
    int width = 0;

    void answerNext(const QString &typed, bool ok)
    {
        QTimer::singleShot(0, [this, typed, ok] {
            auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            label = box->labelText();
            shown = box->findChild<QLineEdit *>()->text();
            width = box->width();
            if (!typed.isNull()) box->findChild<QLineEdit *>()->setText(typed);
            ok ? box->accept() : box->reject();
        });
    }
};

} // namespace

TEST(QtDialogs, InputBoxTakesTheWidthAskedForAndKeepsItsTexts)
{
    app::QtDialogs dialogs;
    InputBoxAnswer seen;
    seen.answerNext("DBH > 10 AND HEIGHT < 25", true);
    EXPECT_EQ(dialogs.inputBox("Dodatečné podmínky", "SELECT ... WHERE", "(SP='SM')", 560),
              "DBH > 10 AND HEIGHT < 25");
    EXPECT_EQ(seen.title, "Dodatečné podmínky");
    EXPECT_EQ(seen.label, "SELECT ... WHERE");
    EXPECT_EQ(seen.shown, "(SP='SM')");
    EXPECT_GE(seen.width, 560);

    // Cancel gives the text shown back, and a box without a width asked for is the toolkit's own.
    seen.answerNext("typed, then cancelled", false);
    EXPECT_EQ(dialogs.inputBox("Replace procedure", "Find value", "25"), "25");
    EXPECT_LT(seen.width, 480);
}

// The check box shows under the text, unticked; the answer tells whether the user ticked it. The
// details are the box's own unfoldable text.
TEST(QtDialogs, AMessageBoxTellsWhetherItsCheckBoxWasTicked)
{
    app::QtDialogs dialogs;
    for (const bool tick : {false, true}) {
        QString text, check, details;
        bool tickedAtFirst = true;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            ASSERT_NE(box->checkBox(), nullptr);
            text = box->text();
            check = box->checkBox()->text();
            details = box->detailedText();
            tickedAtFirst = box->checkBox()->isChecked();
            box->checkBox()->setChecked(tick);
            box->button(QMessageBox::Ok)->click();
        });
        const auto answer = dialogs.message(app::MessageKind::Warning, "No transition matrix was calculated",
                                            app::Button::Ok, {"Do not stop", "line 1\nline 2"});
        EXPECT_EQ(answer.button, app::Button::Ok);
        EXPECT_EQ(answer.checked, tick);
        EXPECT_FALSE(tickedAtFirst);
        EXPECT_EQ(text, "No transition matrix was calculated");
        EXPECT_EQ(check, "Do not stop");
        EXPECT_EQ(details, "line 1\nline 2");
    }
}

// Opening the manual: xdg-open that finds no browser fails at once, and that is reported, so that the
// window can tell the user where the manual is; one that hands the address on succeeds.
TEST(QtDialogs, OpeningAnAddressReportsAnOpenerThatFails)
{
    testsupport::TempDir dir;
    const QByteArray path = qgetenv("PATH");
    struct Case
    {
        const char *script;
        bool opened;
    };
    const Case cases[] = {
        {"#!/bin/sh\necho 'xdg-open: no method available for opening' >&2\nexit 3\n", false},
        {"#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened\"\nexit 0\n", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        const auto opener = dir / "xdg-open";
        testsupport::writeBytes(opener, c.script);
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        qputenv("PATH", QByteArray(dir.path().c_str()) + ":" + path);
        app::QtDialogs dialogs;
        EXPECT_EQ(dialogs.openAddress("file:///tmp/manual.html"), c.opened);
        qputenv("PATH", path);
    }
    EXPECT_EQ(testsupport::readBytes(dir / "opened"), "file:///tmp/manual.html\n");
}
