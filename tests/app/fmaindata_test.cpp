// The page "Data table" on a copy of the real crown table: its entry, hand edits stored when the row
// is left, the tools Replace and Check deads, undo back to the original bytes, refused values and a
// read-only table. Every stored change is read back by shapelib's dbfdump.
#include "app/datagrid.h"
#include "app/fmain.h"
#include "mainwindowtest.h"
#include "model/dbfdump.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

namespace {

using namespace apptest;

using Lines = std::vector<std::string>;
const app::Buttons kYesNoCancel = Button::Yes | Button::No | Button::Cancel;

class DataPageTest : public MainWindowTest
{
protected:
    // The crown table with its roles and years, Set OK pressed, plot B0403 and species UR (14 trees,
    // two of them dead before 2021 without a 2021 value, two with 25 in 2021) selected.
    void startCrown()
    {
        table = copyCrown("SCBI_CROWN.DBF");
        for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
            fs::copy_file(testsupport::realData() / "scbi" / side, dataDir / side);
        original = readBytes(table);
        startOn(table);
        mainPage()->BtnSetOKClick();
        select("B0403", "UR");
    }

    void enterPage()
    {
        control<QTabWidget>(form.get(), "PageControl1")
            ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetData"));
    }

    app::DataGridModel *model() const
    {
        return control<app::DataGrid>(form.get(), "DBGridData")->dataModel();
    }

    // The grid's row of a tree, by its TREE column.
    int rowOf(const QString &tree) const
    {
        const int column = columnOf("TREE");
        for (int row = 0; row < model()->rowCount(); ++row)
            if (model()->index(row, column).data().toString() == tree) return row;
        ADD_FAILURE() << "no tree " << tree.toStdString();
        return -1;
    }
    int columnOf(const QString &name) const
    {
        for (int c = 0; c < model()->columnCount(); ++c)
            if (model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == name) return c;
        ADD_FAILURE() << "no column " << name.toStdString();
        return -1;
    }
    QString shown(const QString &tree, const QString &column) const
    {
        return model()->index(rowOf(tree), columnOf(column)).data().toString();
    }

    // Opens the cell's editor as typing into it does and types the text; returns the editor.
    QLineEdit *typeInto(const QString &tree, const QString &column, const QString &text)
    {
        const QModelIndex index = model()->index(rowOf(tree), columnOf(column));
        control<app::DataGrid>(form.get(), "DBGridData")->setCurrentIndex(index);
        control<app::DataGrid>(form.get(), "DBGridData")->edit(index);
        QLineEdit *editor = openEditor();
        if (!editor) return nullptr;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        return editor;
    }
    QLineEdit *openEditor() const
    {
        const auto *delegate = static_cast<app::DataGridDelegate *>(
            control<app::DataGrid>(form.get(), "DBGridData")->itemDelegate());
        return qobject_cast<QLineEdit *>(delegate->openEditor());
    }
    // Presses a key in a cell's editor and lets the grid finish: Return commits through a queued call,
    // a refused value comes back through another.
    void press(QWidget *widget, Qt::Key key)
    {
        QTest::keyClick(widget, key);
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    void moveToRow(int row)
    {
        control<app::DataGrid>(form.get(), "DBGridData")
            ->setCurrentIndex(model()->index(
                row, control<app::DataGrid>(form.get(), "DBGridData")->currentIndex().column()));
    }

    // A column of the crown table as dbfdump reads it, for the given trees (one reading of the file).
    std::vector<std::string> stored(const std::string &column, const std::vector<std::string> &trees) const
    {
        const auto dump = dbfdump::read(table);
        std::vector<std::string> values;
        for (const auto &tree : trees) {
            values.emplace_back("(no tree " + tree + ")");
            for (std::size_t row = 0; row < dump.rows.size(); ++row)
                if (dump.at(row, "TREE") == tree) values.back() = dump.at(row, column);
        }
        return values;
    }

    static QString accessibleName(QWidget *widget)
    {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(QAccessible::Name) : QString();
    }

    fs::path table;
    std::string original;
};

TEST_F(DataPageTest, EntryShowsTheSelectedTreesEditableWithTheirColumnsAndNamedControls)
{
    startCrown();
    enterPage();
    ASSERT_EQ(dialogs.pending(), 0u);

    // The rows an independent reader finds for the plot and species, in table order.
    const auto dump = dbfdump::read(table);
    QStringList expected;
    for (std::size_t row = 0; row < dump.rows.size(); ++row)
        if (dump.at(row, "PLOT") == "B0403" && dump.at(row, "SP") == "UR")
            expected << QString::fromStdString(dump.at(row, "TREE") + " " + dump.at(row, "D2021"));
    QStringList shownRows;
    for (int row = 0; row < model()->rowCount(); ++row)
        shownRows << model()->index(row, columnOf("TREE")).data().toString() + " " +
                         model()->index(row, columnOf("D2021")).data().toString();
    EXPECT_EQ(shownRows, expected);
    EXPECT_EQ(shownRows.size(), 14);
    EXPECT_TRUE(model()->flags(model()->index(0, 0)).testFlag(Qt::ItemIsEditable));

    QStringList fields{""};
    for (const auto &column : kCrownColumns)
        fields << QString::fromStdString(column);
    QStringList items;
    for (int i = 0; i < control<QComboBox>(form.get(), "CB_Fields")->count(); ++i)
        items << control<QComboBox>(form.get(), "CB_Fields")->itemText(i);
    EXPECT_EQ(items, fields);
    EXPECT_EQ(control<QComboBox>(form.get(), "CB_Fields")->currentIndex(), 0);

    EXPECT_FALSE(control<QLabel>(form.get(), "LabelReadOnly")->isVisible());
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnReplace")->isEnabled());
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnCheckDeads")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnUndo")->isEnabled()); // nothing to undo yet

    const std::pair<QWidget *, QString> names[] = {
        {control<app::DataGrid>(form.get(), "DBGridData"), "Data table"},
        {control<QLabel>(form.get(), "Label9"), "Fields"},
        {control<QComboBox>(form.get(), "CB_Fields"), "Fields"},
        {control<QCheckBox>(form.get(), "CB_selected"), "selected only"},
        {control<QPushButton>(form.get(), "BtnReplace"), "Replace"},
        {control<QPushButton>(form.get(), "BtnCheckDeads"), "Check deads"},
        {control<QPushButton>(form.get(), "BtnUndo"), "Undo"},
    };
    for (const auto &[widget, name] : names)
        EXPECT_EQ(accessibleName(widget), name) << widget->objectName().toStdString();

    // Without a selection the page warns and the main page comes back with the grid empty.
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));
    control<app::ListBox>(form.get(), "ListSpecies")->clearSelection();
    dialogs.expectMessage(MessageKind::Warning, "Select a species from the list", Button::Ok);
    enterPage();
    EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              control<QWidget>(form.get(), "TabSheetMain"));
    EXPECT_EQ(model()->rowCount(), 0);
}

TEST_F(DataPageTest, ANewUserCorrectsReplacesChecksDeadsAndUndoesBackToTheOriginalBytes)
{
    startCrown();
    enterPage();

    // A hand correction is stored when the row is left, and only then.
    const int row = rowOf("181004");
    QLineEdit *editor = typeInto("181004", "D2021", "15");
    ASSERT_TRUE(editor);
    press(editor, Qt::Key_Return);
    EXPECT_EQ(shown("181004", "D2021"), "15");
    EXPECT_EQ(model()->editedRow(), row);
    EXPECT_TRUE(readBytes(table) == original) << "the table differs from the original";
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnUndo")->isEnabled());
    moveToRow(row + 1);
    EXPECT_EQ(model()->editedRow(), -1);
    EXPECT_EQ(stored("D2021", {"181004"}), Lines{"15"});

    // Replace 25 by 30: Yes for the first tree, No for the second.
    dialogs.expectInputBox("Replace procedure", "Find value", "", "25");
    dialogs.expectInputBox("Replace procedure", "Replace value", "", "30");
    dialogs.expectMessage(MessageKind::Confirmation, "Replace the case of 161000", kYesNoCancel, Button::Yes);
    dialogs.expectMessage(MessageKind::Confirmation, "Replace the case of 201188", kYesNoCancel, Button::No);
    control<QPushButton>(form.get(), "BtnReplace")->click();
    EXPECT_EQ(stored("D2021", {"161000", "201188"}), (Lines{"30", "25"}));
    EXPECT_EQ(shown("161000", "D2021"), "30");

    // Check deads with the standard dead value: Yes for the first tree dead before 2021, Cancel for
    // the second.
    dialogs.expectInputBox("Replace procedure", "Value of deads", "100", "100");
    dialogs.expectMessage(MessageKind::Confirmation, "Replace the case of year 2021", kYesNoCancel,
                          Button::Yes);
    dialogs.expectMessage(MessageKind::Confirmation, "Replace the case of year 2021", kYesNoCancel,
                          Button::Cancel);
    control<QPushButton>(form.get(), "BtnCheckDeads")->click();
    EXPECT_EQ(stored("D2021", {"171305", "201079"}), (Lines{"100", ""}));
    EXPECT_EQ(shown("171305", "D2021"), "100");
    ASSERT_EQ(dialogs.pending(), 0u);

    // Three steps back, the first with Ctrl+Z on the page: the file is the original, byte for byte.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    control<app::DataGrid>(form.get(), "DBGridData")->setFocus();
    QTest::keyClick(control<app::DataGrid>(form.get(), "DBGridData"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(stored("D2021", {"171305"}), Lines{""});
    EXPECT_EQ(shown("171305", "D2021"), "");
    control<QPushButton>(form.get(), "BtnUndo")->click();
    EXPECT_EQ(stored("D2021", {"161000"}), Lines{"25"});
    control<QPushButton>(form.get(), "BtnUndo")->click();
    EXPECT_TRUE(readBytes(table) == original) << "the table differs from the original";
    EXPECT_EQ(shown("181004", "D2021"), "10");
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnUndo")->isEnabled());
}

TEST_F(DataPageTest, ATypedValueTheColumnCannotHoldIsRefusedAndTheCellStaysOpen)
{
    startCrown();
    enterPage();
    const int row = rowOf("181004");

    struct Refusal
    {
        QString typed;
        QString message;
        Qt::Key leave;
    };
    const Refusal refusals[] = {
        {"abc", "'abc' is not a number: field D2021 of SCBI_CROWN.DBF holds numbers", Qt::Key_Return},
        {"1000", "The value 1000 does not fit field D2021 (numeric, width 3, 0 decimals) of SCBI_CROWN.DBF",
         Qt::Key_Down},
    };
    for (const auto &r : refusals) {
        SCOPED_TRACE(r.typed.toStdString());
        QLineEdit *editor = typeInto("181004", "D2021", r.typed);
        ASSERT_TRUE(editor);
        dialogs.expectMessage(MessageKind::Error, r.message, Button::Ok);
        press(editor, r.leave);
        ASSERT_EQ(dialogs.pending(), 0u);
        // The cell is open again on the tree's row with the text typed; Esc brings back the value.
        QLineEdit *reopened = openEditor();
        ASSERT_TRUE(reopened);
        EXPECT_EQ(reopened->text(), r.typed);
        EXPECT_EQ(control<app::DataGrid>(form.get(), "DBGridData")->currentIndex().row(), row);
        QTest::keyClick(reopened, Qt::Key_Escape);
        EXPECT_EQ(openEditor(), nullptr);
        EXPECT_EQ(shown("181004", "D2021"), "10");
        EXPECT_EQ(model()->editedRow(), -1);
    }
    moveToRow(row + 1);
    EXPECT_TRUE(readBytes(table) == original) << "the table differs from the original";

    // Esc on a row drops all its unsaved edits.
    press(typeInto("181004", "D2019", "5"), Qt::Key_Tab);
    QTest::keyClick(openEditor(), Qt::Key_Escape);
    EXPECT_EQ(model()->editedRow(), row);
    QTest::keyClick(control<app::DataGrid>(form.get(), "DBGridData"), Qt::Key_Escape);
    EXPECT_EQ(model()->editedRow(), -1);
    EXPECT_EQ(shown("181004", "D2019"), "");
    moveToRow(row + 1);
    EXPECT_TRUE(readBytes(table) == original) << "the table differs from the original";
}

TEST_F(DataPageTest, ARowIsStoredOnLeavingThePageAndAnotherProgramsChangeDropsTheHistory)
{
    startCrown();
    enterPage();
    press(typeInto("181004", "D2021", "15"), Qt::Key_Return);
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));
    EXPECT_EQ(stored("D2021", {"181004"}), Lines{"15"});

    // "selected only" with the empty item: the engine's message, nothing asked or written.
    enterPage();
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnUndo")->isEnabled()); // the history outlives the page
    const std::string afterEdit = readBytes(table);
    control<QCheckBox>(form.get(), "CB_selected")->setChecked(true);
    dialogs.expectInputBox("Replace procedure", "Find value", "", "10");
    dialogs.expectInputBox("Replace procedure", "Replace value", "", "11");
    dialogs.expectMessage(MessageKind::Error, "Field '' not found", Button::Ok);
    control<QPushButton>(form.get(), "BtnReplace")->click();
    EXPECT_TRUE(readBytes(table) == afterEdit);

    // Another program appends a tree: the change made here can no longer be undone.
    testsupport::runCommand("dbfadd '" + table.string() + "' B9999 1 UR 10 '' '' '' '' '' '' 5");
    const std::string changed = readBytes(table);
    dialogs.expectMessage(MessageKind::Information,
                          "Table SCBI_CROWN.DBF was changed by another program after your last change here: "
                          "the changes made before cannot be undone any more.",
                          Button::Ok);
    control<QPushButton>(form.get(), "BtnUndo")->click();
    EXPECT_TRUE(readBytes(table) == changed);
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnUndo")->isEnabled());
    EXPECT_EQ(shown("181004", "D2021"), "15");
}

TEST_F(DataPageTest, ATableThatCannotBeWrittenIsShownReadOnlyWithTheReason)
{
    startCrown();
    enterPage();
    // An edit typed while the table could still be written.
    press(typeInto("181004", "D2021", "15"), Qt::Key_Return);
    const int row = rowOf("181004");

    fs::permissions(table, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The superuser may write any file: from here on the program runs as an ordinary user would.
    struct OrdinaryUser
    {
        bool root = geteuid() == 0;
        OrdinaryUser()
        {
            if (root) setfsuid(65534);
        }
        ~OrdinaryUser()
        {
            if (root) setfsuid(0);
        }
    } user;

    // Leaving the row cannot store it: the user is told, the row keeps its edit and the cursor.
    dialogs.expectMessage(
        MessageKind::Error,
        "Table SCBI_CROWN.DBF is read-only: Permission denied\n\nThe row keeps its changes: "
        "correct them, or press Esc on the row to drop them.",
        Button::Ok);
    moveToRow(row + 1);
    QApplication::processEvents();
    EXPECT_EQ(model()->editedRow(), row);
    EXPECT_EQ(control<app::DataGrid>(form.get(), "DBGridData")->currentIndex().row(), row);
    EXPECT_EQ(shown("181004", "D2021"), "15");
    QTest::keyClick(control<app::DataGrid>(form.get(), "DBGridData"), Qt::Key_Escape);
    EXPECT_EQ(model()->editedRow(), -1);

    // Entered again, the page shows the rows read-only and says why.
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));
    enterPage();
    EXPECT_EQ(model()->rowCount(), 14);
    EXPECT_FALSE(model()->flags(model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(control<QLabel>(form.get(), "LabelReadOnly")->isVisible());
    EXPECT_EQ(control<QLabel>(form.get(), "LabelReadOnly")->text(),
              "Read-only. Table SCBI_CROWN.DBF cannot be written: Permission denied. "
              "The rows are shown, but editing, Replace and Check deads are off.");
    for (QWidget *control : std::initializer_list<QWidget *>{
             control<QPushButton>(form.get(), "BtnReplace"),
             control<QPushButton>(form.get(), "BtnCheckDeads"), control<QPushButton>(form.get(), "BtnUndo"),
             control<QComboBox>(form.get(), "CB_Fields"), control<QCheckBox>(form.get(), "CB_selected")})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_EQ(accessibleName(control<QLabel>(form.get(), "LabelReadOnly")),
              control<QLabel>(form.get(), "LabelReadOnly")->text());
    EXPECT_TRUE(readBytes(table) == original) << "the table differs from the original";
}

} // namespace
