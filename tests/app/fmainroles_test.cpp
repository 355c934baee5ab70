// The field roles: the double-click in "Specials", Set OK with its year list, plot list and side files,
// and its failures.
#include "app/fmain.h"
#include "app/listbox.h"
#include "common/error.h"
#include "data/sidefiles.h"
#include "mainwindowtest.h"
#include "treetable.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

using namespace apptest;

class FieldRolesTest : public MainWindowTest
{
protected:
    // The small tree table, started without side files unless given.
    void startTrees(const char *roles = nullptr, const char *years = nullptr)
    {
        makeTreeTable(dataDir, "M_trees.dbf");
        if (roles) writeBytes(dataDir / "M_trees.var", roles);
        if (years) writeBytes(dataDir / "M_trees.yrs", years);
        startOn(dataDir / "M_trees.dbf");
    }

    int rowOf(const std::string &column) const
    {
        for (int row = 0; row < control<QTableWidget>(form.get(), "GridFields")->rowCount(); ++row)
            if (control<QTableWidget>(form.get(), "GridFields")->item(row, 0)->text().toStdString() == column)
                return row;
        ADD_FAILURE() << column;
        return 0;
    }

    // Chooses the role in CB_SpecFields (nullptr: nothing chosen) and double-clicks the cell.
    void doubleClickRole(const std::string &column, const char *role, int gridColumn = 2)
    {
        control<QComboBox>(form.get(), "CB_SpecFields")
            ->setCurrentIndex(role ? control<QComboBox>(form.get(), "CB_SpecFields")->findText(role) : -1);
        control<QTableWidget>(form.get(), "GridFields")->setCurrentCell(rowOf(column), gridColumn);
        mainPage()->GridFieldsDblClick();
    }

    void type(const std::string &column, int gridColumn, const char *text)
    {
        control<QTableWidget>(form.get(), "GridFields")->item(rowOf(column), gridColumn)->setText(text);
    }

    QStringList plots() const
    {
        QStringList items;
        for (int i = 0; i < control<app::ListBox>(form.get(), "ListPlots")->count(); ++i)
            items << control<app::ListBox>(form.get(), "ListPlots")->item(i)->text();
        return items;
    }

    std::string cell(const std::string &column) const
    {
        return control<QTableWidget>(form.get(), "GridFields")->item(rowOf(column), 2)->text().toStdString();
    }
};

TEST_F(FieldRolesTest, DoubleClickMovesAndEmptiesRoles)
{
    startTrees();
    doubleClickRole("SP", "Species");
    EXPECT_EQ(form->state().fieldRoles().species, "SP");

    // A second row given the same role takes it: the grid shows it once, the variable names that row.
    doubleClickRole("DBH", "Species");
    EXPECT_EQ(cell("SP"), "-");
    EXPECT_EQ(cell("DBH"), "Species");
    EXPECT_EQ(form->state().fieldRoles().species, "DBH");

    // Nothing chosen: the cell is emptied and its role unassigned, but only the role of its own column.
    doubleClickRole("SP", nullptr);
    EXPECT_EQ(cell("SP"), "");
    EXPECT_EQ(form->state().fieldRoles().species, "DBH");
    doubleClickRole("DBH", nullptr);
    EXPECT_EQ(cell("DBH"), "");
    EXPECT_EQ(form->state().fieldRoles().species, "");

    // Only the "Specials" column reacts.
    doubleClickRole("PLOT", "PlotNames", 1);
    EXPECT_EQ(control<QTableWidget>(form.get(), "GridFields")->item(rowOf("PLOT"), 1)->text(), "-");
    EXPECT_EQ(form->state().fieldRoles().plot, "");

    // The user's double-click assigns the role without opening the cell's editor.
    control<QComboBox>(form.get(), "CB_SpecFields")
        ->setCurrentIndex(control<QComboBox>(form.get(), "CB_SpecFields")->findText("PlotNames"));
    QCoreApplication::processEvents();
    QWidget *viewport = control<QTableWidget>(form.get(), "GridFields")->viewport();
    const QPoint at =
        control<QTableWidget>(form.get(), "GridFields")
            ->visualItemRect(control<QTableWidget>(form.get(), "GridFields")->item(rowOf("PLOT"), 2))
            .center();
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(cell("PLOT"), "PlotNames");
    EXPECT_EQ(form->state().fieldRoles().plot, "PLOT");
    for (const QLineEdit *editor : viewport->findChildren<QLineEdit *>())
        EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(dialogs.asked().size(), 2u); // the about box and the open dialog
}

TEST_F(FieldRolesTest, SetOkKeepsTypedYearOrderFillsPlotsAndWritesSideFiles)
{
    startTrees();
    doubleClickRole("PLOT", "PlotNames");
    doubleClickRole("TREE", "TreeID");
    doubleClickRole("SP", "Species");
    doubleClickRole("DBH", "DBH");
    type("D1995", 1, "1996");
    type("D1996", 1, "1995");

    control<QPushButton>(form.get(), "BtnSetOK")->click();

    EXPECT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(form->state().yearCount(), 2);
    EXPECT_EQ(surveyYears(), (std::vector<int>{1996, 1995}));
    EXPECT_EQ(form->state().yearFields(), (std::vector<std::string>{"D1995", "D1996"}));
    EXPECT_EQ(form->state().YearDefAvg.size(), 2u);
    EXPECT_EQ(form->state().YearClasses.size(), 2u);
    EXPECT_EQ(form->state().fieldRoles().plot, "PLOT");
    EXPECT_EQ(form->state().Query1.sqlLines(),
              (std::vector<std::string>{"SELECT DISTINCT \"PLOT\" FROM 'M_trees.dbf'"}));
    EXPECT_FALSE(form->state().Query1.isActive());
    // Ascending, whatever the table's order: A1 before a1 as their letters tie.
    EXPECT_EQ(plots(), (QStringList{"A1", "a1", "B2", "C3", "O'Hara"}));
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListSpecies")->count(), 0);
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "-");
    EXPECT_EQ(readBytes(dataDir / "M_trees.yrs"), "Defoliations\r\n-\r\n-\r\n-\r\n-\r\n1996\r\n1995\r\n");
    EXPECT_EQ(readBytes(dataDir / "M_trees.var"),
              "Specials\r\nPlotNames\r\nTreeID\r\nSpecies\r\nDBH\r\n-\r\n-\r\n");
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());

    // Set OK succeeds once per run: Enter no longer presses it.
    fs::remove(dataDir / "M_trees.yrs");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    QCoreApplication::processEvents();
    EXPECT_FALSE(fs::exists(dataDir / "M_trees.yrs"));

    // At the next start the roles stored are applied.
    form.reset();
    startOn(dataDir / "M_trees.dbf");
    EXPECT_EQ(form->state().fieldRoles().plot, "PLOT");
}

TEST_F(FieldRolesTest, FailuresLeaveSetOkEnabled)
{
    startTrees(kTreeRoles, kTreeYears);
    const fs::path years = dataDir / "M_trees.yrs";
    const fs::path roles = dataDir / "M_trees.var";
    fs::remove(years);
    fs::remove(roles);

    // A year that is not a whole number: no year list, no plots, no side files.
    for (const char *bad : {"19x5", "", " "}) {
        SCOPED_TRACE(bad);
        type("D1996", 1, bad);
        dialogs.expectMessage(app::MessageKind::Error, QString("'") + bad + "' is not a valid integer value",
                              app::Button::Ok);
        control<QPushButton>(form.get(), "BtnSetOK")->click();
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_EQ(form->state().yearCount(), 0);
        EXPECT_TRUE(surveyYears().empty());
        EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->count(), 0);
        EXPECT_FALSE(fs::exists(years));
        EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());
    }

    // What the statistics would misuse: a year given twice, a year column that has a role too.
    const std::vector<std::pair<std::pair<const char *, const char *>, const char *>> misused{
        {{"1995", "-"},
         "The survey year 1995 is given to columns D1995 and D1996: each survey year belongs to one column; "
         "no "
         "side file written"},
        {{"1996", "PlotNames"},
         "Column D1996 has both the survey year 1996 and the role PlotNames: a column has one of them; no "
         "side "
         "file written"},
    };
    for (const auto &[cells, message] : misused) {
        SCOPED_TRACE(message);
        type("D1996", 1, cells.first);
        type("D1996", 2, cells.second);
        dialogs.expectMessage(app::MessageKind::Error, message, app::Button::Ok);
        control<QPushButton>(form.get(), "BtnSetOK")->click();
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_FALSE(fs::exists(years));
        EXPECT_FALSE(fs::exists(roles));
        EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());
    }
    type("D1996", 1, "1996");
    type("D1996", 2, "-");

    // No column with the role PlotNames: what to do about it, no side files.
    doubleClickRole("PLOT", nullptr);
    dialogs.expectMessage(
        app::MessageKind::Error,
        "No column has the role PlotNames: double-click a cell under \"Specials\" to assign it",
        app::Button::Ok);
    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(fs::exists(years));
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());

    // A side file that cannot be written: the file system's message, the plot list already filled.
    doubleClickRole("PLOT", "PlotNames");
    fs::create_directory(years);
    dialogs.expectMessage(app::MessageKind::Error,
                          "Cannot create file \"" + q(years) + "\". " + std::strerror(EISDIR),
                          app::Button::Ok);
    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->count(), 5);
    EXPECT_FALSE(fs::exists(roles));
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());

    fs::remove(years);
    // Another program writing the table or its side files: refused naming it.
    {
        const data::TableLock other(dataDir, "M_trees.dbf", "import");
        dialogs.expectMessage(app::MessageKind::Error,
                              "Another import (process " + QString::number(::getpid()) +
                                  ") is using M_trees.dbf and its side files in this folder",
                              app::Button::Ok);
        control<QPushButton>(form.get(), "BtnSetOK")->click();
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_FALSE(fs::exists(years));
        EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());
    }
    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_EQ(readBytes(years), kTreeYears);
    EXPECT_EQ(readBytes(roles), kTreeRoles);
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());
}

TEST_F(FieldRolesTest, SuggestFillsTheGridAsTheTablesOwnSideFiles)
{
    // A first opening: no years, no roles.
    startOn(copyCrown("SCBI_CROWN.DBF"));
    std::vector<std::string> blank(kCrownColumns.size(), "-");
    blank.insert(blank.begin(), "Defoliations");
    EXPECT_EQ(gridColumn(1), blank);
    blank.front() = "Specials";
    EXPECT_EQ(gridColumn(2), blank);

    control<QPushButton>(form.get(), "BtnSuggest")->click();
    const fs::path fixture = testsupport::realData() / "scbi";
    EXPECT_EQ(gridColumn(1), crlfLines(fixture / "SCBI_CROWN.yrs"));
    EXPECT_EQ(gridColumn(2), crlfLines(fixture / "SCBI_CROWN.var"));
    EXPECT_EQ(roles(), (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", ""}));

    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_EQ(readBytes(dataDir / "SCBI_CROWN.yrs"), readBytes(fixture / "SCBI_CROWN.yrs"));
    EXPECT_EQ(readBytes(dataDir / "SCBI_CROWN.var"), readBytes(fixture / "SCBI_CROWN.var"));
    EXPECT_EQ(surveyYears(), (std::vector<int>{2014, 2015, 2016, 2017, 2018, 2019, 2021}));
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->count(), 28);
    // Like Set OK, the suggestion is over for this run.
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnSuggest")->isEnabled());
    EXPECT_EQ(dialogs.asked().size(), 2u); // the about box and the open dialog
}

TEST_F(FieldRolesTest, SuggestReplacesWhatTheUserGaveAndMovesTheRoles)
{
    startTrees(kTreeRoles, kTreeYears);
    type("D1995", 1, "2001");
    type("PLOT", 1, "1999");
    doubleClickRole("DBH", "Species");
    doubleClickRole("PLOT", nullptr);
    EXPECT_EQ(roles(), (std::vector<std::string>{"", "TREE", "DBH", "", ""}));

    control<QPushButton>(form.get(), "BtnSuggest")->click();
    EXPECT_EQ(gridColumn(1), crlfLines(dataDir / "M_trees.yrs"));
    EXPECT_EQ(gridColumn(2), crlfLines(dataDir / "M_trees.var"));
    EXPECT_EQ(roles(), (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", ""}));
    // Nothing is stored before Set OK.
    EXPECT_EQ(readBytes(dataDir / "M_trees.yrs"), kTreeYears);
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());
}

} // namespace

// A journal in the table's folder that leads out of it renames nothing when the window opens the
// table: the user is warned, naming it, and the table opens.
TEST_F(FieldRolesTest, AJournalLeadingOutOfTheFolderIsSetAsideWithAWarning)
{
    makeTreeTable(dataDir, "M_trees.dbf");
    writeBytes(dataDir / "M_trees.var", kTreeRoles);
    writeBytes(dataDir / "M_trees.yrs", kTreeYears);
    writeBytes(dataDir / "readme.txt", "attack");
    const fs::path journal = dataDir / ".~commit-abcdef.journal";
    writeBytes(journal, "fenoris commit\nreadme.txt\n../victim.txt\nend\n");
    createForm();
    expectAboutBox();
    expectOpen(dataDir / "M_trees.dbf");
    dialogs.expectMessageStartingWith(app::MessageKind::Warning,
                                      "The journal " + q(journal) + " of an interrupted save does not match",
                                      app::Button::Ok);
    form->FormActivate();
    ASSERT_TRUE(form->activated());
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(readBytes(dataDir / "readme.txt"), "attack");
    EXPECT_FALSE(fs::exists(dataDir.parent_path() / "victim.txt"));
    EXPECT_TRUE(fs::exists(journal.string() + ".stale"));
}

// A role is one column's, also after Set OK, and the runs use the columns that have the roles now.
TEST_F(FieldRolesTest, ARoleMovedAfterSetOkIsTheOneTheListsAndStatisticsUse)
{
    startTrees(kTreeRoles, kTreeYears);
    control<QPushButton>(form.get(), "BtnSetOK")->click();
    doubleClickRole("DBH", "PlotNames");
    EXPECT_EQ(cell("PLOT"), "-");
    EXPECT_EQ(cell("DBH"), "PlotNames");
    EXPECT_EQ(form->state().fieldRoles().plot, "DBH");
    EXPECT_EQ(plots().size(), 10); // the ten diameters
    // Clearing the cell that showed the role before leaves the role where it is now.
    doubleClickRole("PLOT", nullptr);
    EXPECT_EQ(form->state().fieldRoles().plot, "DBH");

    doubleClickRole("PLOT", "PlotNames");
    EXPECT_EQ(cell("DBH"), "-");
    EXPECT_EQ(plots(), (QStringList{"A1", "a1", "B2", "C3", "O'Hara"}));
    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(
        app::MessageKind::Information,
        "Statistics written: 5 plots, 0 pairs of plot and species; TRANSIT.DBF 0 rows, AVERAGE.DBF 0 rows",
        app::Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    // The side file keeps what Set OK saved.
    EXPECT_EQ(readBytes(dataDir / "M_trees.var"), kTreeRoles);
}
