// The program's own dialogs interface on Qt's save dialog, driven as a user would: the file type
// picked in the dialog gives the default suffix, and a caller that asks about overwriting itself
// gets no question from the dialog.
#include "app/qtdialogs.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Types the name into the open save dialog, picks the file type and presses Save.
void answerSaveDialog(const QString &name, int type)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto *types = dialog->findChild<QComboBox *>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        types->setCurrentIndex(type);
        // What a user's choice in the list sends.
        emit types->activated(type);
        emit types->textActivated(types->itemText(type));
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(name);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save)->click();
    });
}

TEST(QtDialogsSaveFile, ThePickedTypeGivesTheDefaultSuffixAndNoOverwriteQuestionIsAsked)
{
    testsupport::TempDir dir;
    testsupport::writeBytes(dir / "chart.wmf", "an older picture");
    app::QtDialogs dialogs;
    std::vector<int> picked;
    app::SaveOptions options;
    options.typeChange = [&](int type) {
        picked.push_back(type);
        return QString(type == 1 ? "wmf" : "");
    };
    options.confirmOverwrite = false;
    // A question the dialog should not ask would block the test: it is answered with No, noted, and
    // the dialog then cancelled.
    bool asked = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!modal) return;
        if (!qobject_cast<QFileDialog *>(modal)) asked = true;
        if (asked) modal->reject();
    });
    guard.start(50);

    answerSaveDialog("chart", 1);
    const auto choice =
        dialogs.saveFile("Save as", "Windows bitmap (*.bmp);;Windows metafile (*.wmf);;All files (*)", 0,
                         QString::fromStdString(dir.path().string()), "bmp", options);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->path, QString::fromStdString((dir / "chart.wmf").string()));
    EXPECT_EQ(choice->filterIndex, 1);
    EXPECT_EQ(picked, std::vector<int>{1});
    EXPECT_FALSE(asked);
}

} // namespace
