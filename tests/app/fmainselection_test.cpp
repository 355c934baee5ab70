// The plot and species selection: the lists and their exact SQL, the tree count, the fix box, the
// user's condition, the selected-trees query, the selection check and the plot container.
#include "app/fmain.h"
#include "app/fplotcontainer.h"
#include "app/listbox.h"
#include "common/error.h"
#include "controls.h"
#include "mainwindowtest.h"
#include "treetable.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

using namespace apptest;
using Lines = std::vector<std::string>;

const QString kCaption = "Dodatečné podmínky";
const QString kPrompt = "SELECT ... WHERE";
constexpr int kBoxWidth = 560; // wide enough for a condition of a few terms

class SelectionTest : public MainWindowTest
{
protected:
    // The engine's message for the plot query under a condition, as the engine gives it by itself.
    std::string engineMessage(const std::string &conditions)
    {
        try {
            data::Query query(form->state().Survey.connection());
            query.setSql({"SELECT DISTINCT \"PLOT\" FROM 'M_trees.dbf'", "WHERE " + conditions});
            query.open();
        } catch (const common::DataError &e) {
            return e.what();
        }
        ADD_FAILURE() << "the engine took " << conditions;
        return {};
    }

    void enterConditions(const QString &shown, const QString &answer)
    {
        dialogs.expectInputBox(kCaption, kPrompt, shown, answer, kBoxWidth);
        mainPage()->BtnConditionsClick();
        EXPECT_EQ(dialogs.pending(), 0u);
    }
};

TEST_F(SelectionTest, PlotAndSpeciesClicksRunTheirExactQueries)
{
    startTrees();
    // Both lists ascending, whatever the table's order (A1, B2, O'Hara, C3, a1; SM before BK).
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListPlots")),
              (QStringList{"A1", "a1", "B2", "C3", "O'Hara"}));

    clickPlot("A1");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (Lines{"SELECT DISTINCT \"SP\" FROM 'M_trees.dbf'", "WHERE (\"PLOT\"='A1')"}));
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListSpecies")), (QStringList{"BK", "SM"}));
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "-");

    clickSpecies("SM");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (Lines{"SELECT Count(\"TREE\") FROM 'M_trees.dbf'",
                     "WHERE ((\"PLOT\"=:PlotNames) AND (\"SP\"=:Species))"}));
    EXPECT_FALSE(form->state().Query1.isActive());
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "3");

    // A quote in a plot name is doubled in the literal and passes unchanged as a parameter.
    clickPlot("O'Hara");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (Lines{"SELECT DISTINCT \"SP\" FROM 'M_trees.dbf'", "WHERE (\"PLOT\"='O''Hara')"}));
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListSpecies")), QStringList{"SM"});
    clickSpecies("SM");
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "1");

    // The user's click runs the handler; a row selected by code does not.
    QCoreApplication::processEvents();
    QWidget *viewport = control<app::ListBox>(form.get(), "ListPlots")->viewport();
    const QPoint at = control<app::ListBox>(form.get(), "ListPlots")
                          ->visualItemRect(control<app::ListBox>(form.get(), "ListPlots")->item(2))
                          .center();
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    EXPECT_EQ(form->selectedPlot(), "B2");
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListSpecies")), (QStringList{"FI", "sm"}));
    control<app::ListBox>(form.get(), "ListPlots")->selectRow(0);
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListSpecies")), (QStringList{"FI", "sm"}));
    EXPECT_EQ(dialogs.asked().size(), 2u);
}

TEST_F(SelectionTest, ConditionsAreWrappedAndRestrictEveryQuery)
{
    startTrees();
    clickPlot("A1");

    enterConditions("", "DBH>10");
    EXPECT_EQ(form->state().conditions(), "(DBH>10)");
    EXPECT_EQ(control<QLabel>(form.get(), "LblConditions")->text(), "(DBH>10)");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (Lines{"SELECT DISTINCT \"PLOT\" FROM 'M_trees.dbf'", "WHERE (DBH>10)"}));
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListPlots")),
              (QStringList{"A1", "B2", "C3", "O'Hara"}));
    // The plot list has no selection; the species list still shows the former plot's species, and a
    // species click then has no plot to count.
    EXPECT_EQ(form->selectedPlot(), "");
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListSpecies")), (QStringList{"BK", "SM"}));
    clickSpecies("SM");
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "-");
    EXPECT_EQ(form->state().Query1.sqlLines().size(), 2u);

    clickPlot("A1");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (Lines{"SELECT DISTINCT \"SP\" FROM 'M_trees.dbf'", "WHERE (\"PLOT\"='A1')", "and (DBH>10)"}));
    clickSpecies("SM");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (Lines{"SELECT Count(\"TREE\") FROM 'M_trees.dbf'",
                     "WHERE ((\"PLOT\"=:PlotNames) AND (\"SP\"=:Species))", "and (DBH>10)"}));
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "2");

    // Two groups joined by OR are kept in brackets of their own, so that "and" takes them as one
    // condition and the plot and species still select.
    enterConditions("(DBH>10)", "(DBH>20) or (SP='FI')");
    EXPECT_EQ(form->state().conditions(), "((DBH>20) or (SP='FI'))");
    form->PrepareTreeQuery();
    EXPECT_EQ(
        form->state().Query1.sqlLines(),
        (Lines{"SELECT * FROM 'M_trees.dbf'", "WHERE ((\"PLOT\" = :PlotNames) and (\"SP\" = :NSpecies))",
               "and ((DBH>20) or (SP='FI'))"}));
    EXPECT_FALSE(form->state().Query1.isActive());

    // Cancel answers with the text shown: nothing changes but the refill.
    enterConditions("((DBH>20) or (SP='FI'))", "((DBH>20) or (SP='FI'))");
    EXPECT_EQ(form->state().conditions(), "((DBH>20) or (SP='FI'))");

    // An empty answer removes the condition.
    enterConditions("((DBH>20) or (SP='FI'))", "");
    EXPECT_EQ(form->state().conditions(), "");
    EXPECT_EQ(control<QLabel>(form.get(), "LblConditions")->text(), "");
    EXPECT_EQ(form->state().Query1.sqlLines(), Lines{"SELECT DISTINCT \"PLOT\" FROM 'M_trees.dbf'"});
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->count(), 5);
}

TEST_F(SelectionTest, ConditionTheEngineRefusesIsNotTaken)
{
    startTrees();
    enterConditions("", "DBH>10");
    clickPlot("B2");
    clickSpecies("sm");
    const Lines countLines = form->state().Query1.sqlLines();

    struct Case
    {
        std::string answer;
        std::string message;
    };
    // Refusals say that they come from the condition and show it; the engine's are its own message.
    const std::string secondStatement = "((1=1); DROP TABLE 'M_trees.dbf')";
    const Case cases[] = {
        // A second statement hidden behind a bracket that closes the program's own.
        {"DBH>10); DELETE FROM 'M_trees.dbf' WHERE (1=1",
         "Condition: the bracket ) at character 7 closes a bracket that was not opened in: "
         "DBH>10); DELETE FROM 'M_trees.dbf' WHERE (1=1"},
        {"(1=1); DROP TABLE 'M_trees.dbf'",
         "Condition: " + engineMessage(secondStatement) + " in: " + secondStatement},
        {"HEIGHT>20", "Condition: " + engineMessage("(HEIGHT>20)") + " in: (HEIGHT>20)"},
        {"(DBH>10", "Condition: a bracket is opened and not closed in: (DBH>10"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        dialogs.expectInputBox(kCaption, kPrompt, "(DBH>10)", QString::fromStdString(c.answer), kBoxWidth);
        dialogs.expectMessage(app::MessageKind::Error, QString::fromStdString(c.message), app::Button::Ok);
        // The box comes back with the refused text to correct; cancelled, it gives that text back.
        const QString refused = QString::fromStdString(c.answer);
        dialogs.expectInputBox(kCaption, kPrompt, refused, refused, kBoxWidth);
        control<QPushButton>(form.get(), "BtnConditions")
            ->click(); // the button runs the handler under the central error handler
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_EQ(form->state().conditions(), "(DBH>10)");
        EXPECT_EQ(control<QLabel>(form.get(), "LblConditions")->text(), "(DBH>10)");
        EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListPlots")),
                  (QStringList{"A1", "B2", "C3", "O'Hara"}));
        EXPECT_EQ(form->selectedPlot(), "B2");
        EXPECT_EQ(form->selectedSpecies(), "sm");
        EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "2");
        EXPECT_EQ(form->state().Query1.sqlLines(), countLines);
    }
    // Corrected in the box that came back, the condition is taken.
    dialogs.expectInputBox(kCaption, kPrompt, "(DBH>10)", "HEIGHT>20", kBoxWidth);
    dialogs.expectMessage(
        app::MessageKind::Error,
        QString::fromStdString("Condition: " + engineMessage("(HEIGHT>20)") + " in: (HEIGHT>20)"),
        app::Button::Ok);
    enterConditions("HEIGHT>20", "DBH>20");
    EXPECT_EQ(form->state().conditions(), "(DBH>20)");
    EXPECT_EQ(control<QLabel>(form.get(), "LblConditions")->text(), "(DBH>20)");

    // The table still holds every tree.
    data::Table table(form->state().Survey.connection(), "M_trees.dbf");
    table.open();
    EXPECT_EQ(table.recordCount(), static_cast<int>(kTreeRows.size()));
}

TEST_F(SelectionTest, FixBoxKeepsTheSpeciesAcrossPlotsIgnoringCase)
{
    startTrees();
    clickPlot("A1");
    dialogs.expectMessage(app::MessageKind::Warning, "You must select an item from the species list",
                          app::Button::Ok);
    control<QCheckBox>(form.get(), "CB_Fix")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(control<QCheckBox>(form.get(), "CB_Fix")->isChecked());
    EXPECT_EQ(form->state().FixedSpecies, "");

    clickSpecies("SM");
    control<QCheckBox>(form.get(), "CB_Fix")->click();
    EXPECT_EQ(form->state().FixedSpecies, "SM");

    clickPlot("B2");
    EXPECT_EQ(form->selectedSpecies(), "sm");
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "2");
    EXPECT_EQ(form->state().FixedSpecies, "SM");

    clickPlot("C3");
    EXPECT_EQ(form->selectedSpecies(), "");
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "-");

    control<QCheckBox>(form.get(), "CB_Fix")->click();
    EXPECT_EQ(form->state().FixedSpecies, "");
    clickPlot("A1");
    EXPECT_EQ(form->selectedSpecies(), "");
    EXPECT_EQ(dialogs.asked().size(), 3u);
}

TEST_F(SelectionTest, TreeQueryAndSelectionCheck)
{
    startTrees();
    // Selecting a page checks the selection on entry.
    dialogs.expectMessage(app::MessageKind::Warning, "Select a plot from the list", app::Button::Ok);
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetData"));
    EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              control<QWidget>(form.get(), "TabSheetMain"));

    clickPlot("B2");
    dialogs.expectMessage(app::MessageKind::Warning, "Select a species from the list", app::Button::Ok);
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetData"));
    EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              control<QWidget>(form.get(), "TabSheetMain"));
    EXPECT_EQ(dialogs.pending(), 0u);

    clickSpecies("sm");
    const auto rows = form->CheckSelection();
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->plot, 2);
    EXPECT_EQ(rows->species, 1);

    // The selected trees, every column, live.
    form->PrepareTreeQuery();
    EXPECT_EQ(
        form->state().Query1.sqlLines(),
        (Lines{"SELECT * FROM 'M_trees.dbf'", "WHERE ((\"PLOT\" = :PlotNames) and (\"SP\" = :NSpecies))"}));
    form->state().Query1.setParam("PlotNames", "B2");
    form->state().Query1.setParam("NSpecies", "sm");
    form->state().Query1.open();
    std::vector<std::string> trees;
    for (; !form->state().Query1.eof(); form->state().Query1.next())
        trees.push_back(form->state().Query1.asString("TREE"));
    EXPECT_EQ(trees, (Lines{"5", "7"}));
    EXPECT_EQ(form->state().Query1.fieldNames().size(), 6u);
    EXPECT_TRUE(form->state().Query1.canModify());
    form->state().Query1.close();
}

TEST_F(SelectionTest, PlotContainerCollectsEachPlotOnce)
{
    startTrees();
    app::TFormPlotContainer &container = selection()->plotContainer();
    EXPECT_EQ(container.windowTitle(), "PlotContainer");
    EXPECT_TRUE(container.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(container.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(container.size(), QSize(152, 349));
    EXPECT_TRUE(apptest::control<QPlainTextEdit>(&container, "MemoList")->isReadOnly());
    EXPECT_EQ(apptest::control<QPushButton>(&container, "BtnClear")->text(), "Clear");
    EXPECT_EQ(apptest::control<QPushButton>(&container, "BtnClose")->text(), "&Close");

    // Hidden, it takes nothing.
    EXPECT_FALSE(container.isVisible());
    clickPlot("A1");
    selection()->ListPlotsDblClick();
    EXPECT_TRUE(container.lines().isEmpty());

    control<QToolButton>(form.get(), "SpeedButton1")->click();
    EXPECT_TRUE(container.isVisible());
    selection()->ListPlotsDblClick();
    selection()->ListPlotsDblClick();
    clickPlot("a1"); // another plot for the engine, the same line for the container
    selection()->ListPlotsDblClick();
    clickPlot("O'Hara");
    emit control<app::ListBox>(form.get(), "ListPlots")
        ->itemDoubleClicked(control<app::ListBox>(form.get(), "ListPlots")->currentItem());
    EXPECT_EQ(container.lines(), (QStringList{"A1", "O'Hara"}));

    apptest::control<QPushButton>(&container, "BtnClose")->click();
    EXPECT_FALSE(container.isVisible());
    selection()->SpeedButton1Click();
    EXPECT_EQ(container.lines(), (QStringList{"A1", "O'Hara"}));
    apptest::control<QPushButton>(&container, "BtnClear")->click();
    EXPECT_TRUE(container.lines().isEmpty());

    // Closing the main window takes the container along.
    form->close();
    EXPECT_FALSE(container.isVisible());
}

// The new user's road on the shared crown table: Set OK keeps the side files byte for byte, and a plot
// and a species give their tree count.
TEST_F(SelectionTest, CrownTableFromSetOkToTreeCount)
{
    const fs::path table = copyCrown("SCBI_CROWN.DBF");
    const fs::path shared = testsupport::realData() / "scbi";
    for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
        fs::copy_file(shared / side, dataDir / side);
    startOn(table);
    // Removed once read, so that what is found afterwards is what Set OK wrote.
    for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
        fs::remove(dataDir / side);

    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(surveyYears(), (std::vector<int>{2014, 2015, 2016, 2017, 2018, 2019, 2021}));
    EXPECT_EQ(readBytes(dataDir / "SCBI_CROWN.yrs"), readBytes(shared / "SCBI_CROWN.yrs"));
    EXPECT_EQ(readBytes(dataDir / "SCBI_CROWN.var"), readBytes(shared / "SCBI_CROWN.var"));
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->count(), 28);
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->item(0)->text(), "B0101");

    clickPlot("B0101");
    clickSpecies("FA");
    // 36 trees of FA on B0101, counted in the table by dbfdump.
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "36");
}

} // namespace
