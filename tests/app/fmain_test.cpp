// The main window: the start sequence with scripted dialogs, the field grid and side files, closing
// with Graph.ini, the graph size label and the share factor.
#include "app/errorhandler.h"
#include "app/finfo.h"
#include "app/fmain.h"
#include "app/manual.h"
#include "app/updown.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "mainwindowtest.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

using namespace apptest;

TEST_F(MainWindowTest, StartShowsAboutBoxThenOpensTableWithItsSideFiles)
{
    const fs::path table = copyCrown("SCBI_CROWN.DBF");
    for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
        fs::copy_file(testsupport::realData() / "scbi" / side, dataDir / side);
    createForm();
    QDialog *aboutBox = nullptr;
    dialogs.expectModal("FormInfo", [&](QDialog &d) {
        aboutBox = &d;
        static_cast<app::TFormInfo &>(d).BtnMoreClick();
        return int(QDialog::Accepted);
    });
    expectOpen(table);

    form->FormActivate();

    ASSERT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(form->activated());
    EXPECT_EQ(form->windowTitle(), "Fenoris [" + q(table) + "]");
    EXPECT_EQ(form->state().dataDir(), dataDir.string() + "/");
    EXPECT_EQ(form->state().tableFile(), "SCBI_CROWN.DBF");
    EXPECT_EQ(form->state().Survey.connection().param("PATH"), form->state().dataDir());
    EXPECT_TRUE(form->state().Survey.connection().isOpen());

    std::vector<std::string> names{"Fields"};
    names.insert(names.end(), kCrownColumns.begin(), kCrownColumns.end());
    EXPECT_EQ(gridColumn(0), names);
    EXPECT_EQ(gridColumn(1), crlfLines(dataDir / "SCBI_CROWN.yrs"));
    EXPECT_EQ(gridColumn(2), crlfLines(dataDir / "SCBI_CROWN.var"));
    EXPECT_EQ(roles(), (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", ""}));
    EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              control<QWidget>(form.get(), "TabSheetMain"));
    EXPECT_NEAR(form->state().PrcTreeFactor, 0.6742, 5e-4);
    EXPECT_TRUE(control<QLabel>(form.get(), "LabelGraphSize")->text().startsWith("Model graph size = "));

    // Once done, activation repeats nothing; the about box of BtnInfo is the one shown at start and
    // still shows its version list.
    form->FormActivate();
    dialogs.expectModal("FormInfo", [&](QDialog &d) {
        EXPECT_EQ(&d, aboutBox);
        EXPECT_TRUE(d.findChild<QPlainTextEdit *>("Memo1")->isVisibleTo(&d));
        return int(QDialog::Accepted);
    });
    form->BtnInfoClick();
    EXPECT_EQ(dialogs.asked().size(), 3u);
}

TEST_F(MainWindowTest, TableWithoutSideFilesKeepsDashesAndNoRoles)
{
    const fs::path table = copyCrown("M_trees.dbf");
    createForm();
    expectAboutBox();
    expectOpen(table);
    form->FormActivate();

    EXPECT_EQ(form->windowTitle(), "Fenoris [" + q(dataDir) + "/M_trees.dbf]");
    EXPECT_EQ(form->state().dataDir(), dataDir.string() + "/");
    EXPECT_EQ(form->state().tableFile(), "M_trees.dbf");
    auto dashes = [](const char *heading) {
        std::vector<std::string> cells(12, "-");
        cells[0] = heading;
        return cells;
    };
    EXPECT_EQ(gridColumn(1), dashes("Defoliations"));
    EXPECT_EQ(gridColumn(2), dashes("Specials"));
    EXPECT_EQ(roles(), std::vector<std::string>(5));
    // The names are editable only in the assignment columns.
    EXPECT_FALSE(control<QTableWidget>(form.get(), "GridFields")->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(control<QTableWidget>(form.get(), "GridFields")->item(0, 2)->flags() & Qt::ItemIsEditable);
}

struct SideFileCase
{
    const char *name;
    const char *years; // nullptr: no file
    const char *roles;
    const char *rolesName;                // the roles file's name beside trees.dbf
    std::vector<std::string> yearsColumn; // heading and the first four rows; the rest must be empty or "-"
    std::vector<std::string> rolesColumn;
    std::vector<std::string> assigned; // PlotField, TreeIdField, SpeciesField, DbhField, HeightField
};

const SideFileCase kSideFiles[] = {
    {"too few lines leave empty cells",
     "Years\r\n-\r\n-\r\n",
     nullptr,
     "trees.var",
     {"Years", "-", "-", "", ""},
     {"Specials", "-", "-", "-", "-"},
     {"", "", "", "", ""}},
    {"surplus lines are dropped, the lower of two equal roles wins",
     nullptr,
     "Specials\r\nPlotNames\r\nTreeID\r\nSpecies\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-"
     "\r\nSpecies\r\nHeight\r\nDBH\r\n",
     "trees.var",
     {"Defoliations", "-", "-", "-", "-"},
     {"Specials", "PlotNames", "TreeID", "Species", "-"},
     {"PLOT", "TREE", "D2021", "", ""}},
    {"an empty line is a blank that means no role",
     nullptr,
     "Specials\r\nPlotNames\r\n\r\nSpecies\r\n",
     "trees.var",
     {"Defoliations", "-", "-", "-", "-"},
     {"Specials", "PlotNames", " ", "Species", ""},
     {"PLOT", "", "SP", "", ""}},
    {"a side file copied from a system that ignores case",
     nullptr,
     "Specials\r\nPlotNames\r\n",
     "TREES.VAR",
     {"Defoliations", "-", "-", "-", "-"},
     {"Specials", "PlotNames", "", "", ""},
     {"PLOT", "", "", "", ""}},
};

TEST_F(MainWindowTest, SideFilesFillTheGridByPosition)
{
    for (const auto &c : kSideFiles) {
        SCOPED_TRACE(c.name);
        form.reset();
        fs::remove_all(dataDir);
        fs::create_directories(dataDir);
        const fs::path table = copyCrown("trees.dbf");
        if (c.years) writeBytes(dataDir / "trees.yrs", c.years);
        if (c.roles) writeBytes(dataDir / c.rolesName, c.roles);
        createForm();
        expectAboutBox();
        expectOpen(table);
        form->FormActivate();
        ASSERT_TRUE(form->activated());

        auto years = gridColumn(1);
        auto rolesColumn = gridColumn(2);
        EXPECT_EQ(std::vector<std::string>(years.begin(), years.begin() + 5), c.yearsColumn);
        EXPECT_EQ(std::vector<std::string>(rolesColumn.begin(), rolesColumn.begin() + 5), c.rolesColumn);
        EXPECT_EQ(roles(), c.assigned);
    }
}

TEST_F(MainWindowTest, CancelledOpenDialogEndsTheProgramWithoutGraphIni)
{
    // Showing the window starts the sequence by itself, as in the program.
    startOnActivation = true;
    createForm();
    expectAboutBox();
    expectOpen(std::nullopt);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(form->activated());
    EXPECT_EQ(form->windowTitle(), "Fenoris");
    form->FormActivate(); // ending the program asks nothing more
    form->close();
    EXPECT_FALSE(fs::exists(programDir / "Graph.ini"));
    EXPECT_FALSE(fs::exists(configDir / "Graph.ini"));
}

TEST_F(MainWindowTest, FailedStepShowsTheErrorAndTheNextActivationStartsAgain)
{
    const fs::path broken = dataDir / "broken.dbf";
    writeBytes(broken, "not a table");
    std::string engineMessage;
    try {
        data::Connection connection;
        connection.setParam("PATH", dataDir.string() + "/");
        connection.open();
        data::Table t(connection, "broken.dbf");
        t.open();
    } catch (const common::Error &e) {
        engineMessage = e.what();
    }
    ASSERT_FALSE(engineMessage.empty());

    const fs::path table = copyCrown("trees.dbf");
    createForm();
    // Every control that needs a table waits for one; so do all pages but the main one.
    const std::vector<QWidget *> needTable{control<QTableWidget>(form.get(), "GridFields"),
                                           control<QComboBox>(form.get(), "CB_SpecFields"),
                                           control<QPushButton>(form.get(), "BtnSuggest"),
                                           control<QPushButton>(form.get(), "BtnSetOK"),
                                           control<app::ListBox>(form.get(), "ListPlots"),
                                           control<app::ListBox>(form.get(), "ListSpecies"),
                                           control<QCheckBox>(form.get(), "CB_Fix"),
                                           control<QPushButton>(form.get(), "BtnConditions"),
                                           control<QPushButton>(form.get(), "BtnStat"),
                                           control<QToolButton>(form.get(), "BtnCreateModelsAll")};
    auto tableControls = [&] {
        std::vector<bool> enabled;
        for (QWidget *control : needTable)
            enabled.push_back(control->isEnabled());
        for (int page = 1; page < control<QTabWidget>(form.get(), "PageControl1")->count(); ++page)
            enabled.push_back(control<QTabWidget>(form.get(), "PageControl1")->isTabEnabled(page));
        return enabled;
    };
    const std::vector<bool> none(needTable.size() + 5, false), all(needTable.size() + 5, true);
    EXPECT_EQ(tableControls(), none);

    expectAboutBox();
    expectOpen(broken);
    dialogs.expectMessage(MessageKind::Error, QString::fromStdString(engineMessage), Button::Ok);
    // The program runs every activation under the central error handler.
    app::runGuarded(dialogs, [&] { form->FormActivate(); });
    EXPECT_FALSE(form->activated());
    // The file that failed is not shown as the table, and nothing can act on it.
    EXPECT_EQ(form->windowTitle(), "Fenoris");
    EXPECT_EQ(tableControls(), none);
    EXPECT_FALSE(form->state().Survey.connection().isOpen());

    // An empty file fails the same way.
    writeBytes(broken, "");
    expectAboutBox();
    expectOpen(broken);
    dialogs.expectMessage(MessageKind::Error,
                          "Table " + q(broken) +
                              " is damaged or not a dBASE table: the file is too short for a header",
                          Button::Ok);
    app::runGuarded(dialogs, [&] { form->FormActivate(); });
    EXPECT_EQ(form->windowTitle(), "Fenoris");
    EXPECT_EQ(tableControls(), none);

    expectAboutBox();
    expectOpen(table);
    app::runGuarded(dialogs, [&] { form->FormActivate(); });
    EXPECT_TRUE(form->activated());
    EXPECT_EQ(form->windowTitle(), "Fenoris [" + q(table) + "]");
    EXPECT_EQ(form->state().tableFile(), "trees.dbf");
    EXPECT_EQ(control<QTableWidget>(form.get(), "GridFields")->rowCount(), 11);
    EXPECT_EQ(tableControls(), all);
}

TEST(ErrorHandler, ShowsTheMessageOfAnyErrorAndEndsTheHandler)
{
    struct Case
    {
        std::function<void()> fail;
        const char *shown;
    };
    const Case cases[] = {
        {[] { throw common::DataError("Table does not exist"); }, "Table does not exist"},
        {[] { throw common::ConvertError("'x' is not a valid integer value"); },
         "'x' is not a valid integer value"},
        {[] { throw std::runtime_error("plain"); }, "plain"},
        {[] { throw 42; }, "Unknown error"},
    };
    for (const auto &c : cases) {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, c.shown, Button::Ok);
        bool after = false;
        app::runGuarded(dialogs, [&] {
            c.fail();
            after = true;
        });
        EXPECT_FALSE(after);
    }
}

TEST_F(MainWindowTest, CloseWritesTheUsersGraphIniKeepingUnknownLines)
{
    // The Graph.ini shipped beside the program is the default; the user's copy is written, the shipped
    // one stays as it was.
    const std::string shipped = "LCavg=00800000\r\n[Extra]\r\nsomething odd\r\n\r\nLWavg=2\n";
    writeBytes(programDir / "Graph.ini", shipped);
    createForm();
    EXPECT_EQ(form->state().GraphSettings,
              (std::vector<std::string>{"LCavg=00800000", "[Extra]", "something odd", "", "LWavg=2"}));
    form->state().GraphSettings.push_back("LSavg=0");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(readBytes(configDir / "Graph.ini"),
              "LCavg=00800000\r\n[Extra]\r\nsomething odd\r\n\r\nLWavg=2\r\nLSavg=0\r\n");
    EXPECT_EQ(readBytes(programDir / "Graph.ini"), shipped);

    // From now on the user's copy is read.
    form.reset();
    writeBytes(configDir / "Graph.ini", "LWavg=3\r\n");
    createForm();
    EXPECT_EQ(form->state().GraphSettings, std::vector<std::string>{"LWavg=3"});
}

TEST_F(MainWindowTest, FirstCloseWritesGraphIniEvenWhenNothingChanged)
{
    createForm();
    EXPECT_TRUE(form->state().GraphSettings.empty());
    EXPECT_TRUE(form->close());
    EXPECT_EQ(readBytes(configDir / "Graph.ini"), "");
    EXPECT_FALSE(fs::exists(programDir / "Graph.ini"));
}

TEST_F(MainWindowTest, TwoUsersNeverChangeEachOthersLines)
{
    // Two users, two configuration folders (two values of XDG_CONFIG_HOME), one program.
    const fs::path anna = temp / "anna" / "fenoris", boris = temp / "boris" / "fenoris";
    configDir = anna;
    createForm();
    form->state().GraphSettings = {"LCavg=0000FF00", "LWavg=3"};
    EXPECT_TRUE(form->close());
    form.reset();
    configDir = boris;
    fs::create_directories(boris);
    writeBytes(boris / "Graph.ini", "LCavg=FF000000\r\n");
    createForm();
    EXPECT_EQ(form->state().GraphSettings, std::vector<std::string>{"LCavg=FF000000"});
    form->state().GraphSettings.push_back("LSavg=2");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(readBytes(anna / "Graph.ini"), "LCavg=0000FF00\r\nLWavg=3\r\n");
    EXPECT_EQ(readBytes(boris / "Graph.ini"), "LCavg=FF000000\r\nLSavg=2\r\n");
    EXPECT_FALSE(fs::exists(programDir / "Graph.ini"));
}

TEST_F(MainWindowTest, ViewingLinesAndClosingTheDialogChangesNothing)
{
    // deads has no keys of its own: the dialog shows the model chart's red, width 4, solid.
    const std::string before = "LCmodel1=0000FF00\r\nLSmodel1=1\r\nLWmodel1=2\r\n[Extra]\r\n";
    fs::create_directories(configDir);
    writeBytes(configDir / "Graph.ini", before);
    createForm();
    dialogs.expectModal("FormGraphParams", [](QDialog &d) {
        auto *line = d.findChild<QComboBox *>("CBlinetype");
        for (const char *type : {"model1", "deads", "avg"}) {
            line->setCurrentText(type);
            if (std::string(type) == "deads") {
                EXPECT_EQ(d.findChild<QSpinBox *>("EditWidth")->value(), 4);
                EXPECT_EQ(d.findChild<QComboBox *>("CBstyle")->currentText(), "Solid");
            }
        }
        d.findChild<QPushButton *>("BtnClose")->click();
        return int(QDialog::Accepted);
    });
    control<QToolButton>(form.get(), "BtnGraphLines")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(readBytes(configDir / "Graph.ini"), before);
}

TEST_F(MainWindowTest, FailedGraphIniWriteShowsTheErrorAndAsksWhetherToClose)
{
    programDir = temp / "usr" / "bin";
    writeBytes(configDir, "a file where the configuration directory should be");
    createForm();
    const QString error =
        "Cannot create file \"" + q(configDir / "Graph.ini") + "\". " + std::strerror(ENOTDIR);
    const QString question = "The model line settings could not be saved. Close Fenoris anyway?";

    dialogs.expectMessage(MessageKind::Error, error, Button::Ok);
    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::No);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());

    dialogs.expectMessage(MessageKind::Error, error, Button::Ok);
    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::Yes);
    EXPECT_TRUE(form->close());
}

std::pair<int, int> labelledSize(const QLabel *label)
{
    const QStringList parts = label->text().split(' ');
    // "Model graph size = W x H"
    EXPECT_EQ(parts.size(), 7) << label->text().toStdString();
    if (parts.size() != 7) return {};
    return {parts[4].toInt(), parts[6].toInt()};
}

TEST_F(MainWindowTest, GraphSizeLabelFollowsTheModelChart)
{
    createForm();
    QCoreApplication::processEvents();
    ASSERT_EQ(form->size(), QSize(696, 480));
    const auto [w0, h0] = labelledSize(control<QLabel>(form.get(), "LabelGraphSize"));
    EXPECT_NEAR(w0, 680, 12);
    EXPECT_NEAR(h0, 392, 12);

    form->resize(800, 600);
    QCoreApplication::processEvents();
    const auto [w1, h1] = labelledSize(control<QLabel>(form.get(), "LabelGraphSize"));
    EXPECT_EQ(w1 - w0, 104);
    EXPECT_EQ(h1 - h0, 120);
    // The numbers are the chart's real size once its page is shown (without the page entry, which
    // wants a selection).
    const QSignalBlocker blocker(control<QTabWidget>(form.get(), "PageControl1"));
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    QCoreApplication::processEvents();
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->size(), QSize(w1, h1));
}

// The factors are |x| of the rational approximation (Abramowitz-Stegun 26.2.23) worked out on their
// own to six decimals, not the exact quantiles (1.281552 for 10 %).
TEST_F(MainWindowTest, ShareFieldSetsTheFactor)
{
    createForm();
    struct Case
    {
        const char *text;
        const char *error; // message shown, if any
        double expected;
    };
    const Case cases[] = {
        {"10", nullptr, 1.281729},
        {"abc", "'abc' is not a valid floating point value", 1.281729}, // the factor keeps its value
        {"0", "Error of the normal distribution parameter", 0.0},
        {"75", nullptr, 0.674189},
        {"50", nullptr, 0.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        if (c.error) dialogs.expectMessage(MessageKind::Error, c.error, Button::Ok);
        control<QLineEdit>(form.get(), "EditPrcTree")->setText(c.text);
        EXPECT_NEAR(form->state().PrcTreeFactor, c.expected, 1e-6);
        EXPECT_EQ(dialogs.pending(), 0u);
    }

    // The arrows step by 5 within 0 to 50, starting from what the edit shows.
    control<QLineEdit>(form.get(), "EditPrcTree")->setText("45");
    control<app::UpDown>(form.get(), "UpDownPrcTree")->step(+1);
    EXPECT_EQ(control<QLineEdit>(form.get(), "EditPrcTree")->text(), "50");
    control<app::UpDown>(form.get(), "UpDownPrcTree")->step(+1);
    EXPECT_EQ(control<QLineEdit>(form.get(), "EditPrcTree")->text(), "50");
    control<QLineEdit>(form.get(), "EditPrcTree")->setText("25");
    control<app::UpDown>(form.get(), "UpDownPrcTree")->step(-1);
    EXPECT_EQ(control<QLineEdit>(form.get(), "EditPrcTree")->text(), "20");
    EXPECT_NEAR(form->state().PrcTreeFactor, 0.841457, 1e-6);
}

TEST_F(MainWindowTest, RightButtonOnTheShareFieldShowsTheFactor)
{
    createForm();
    mainPage()->EditPrcTreeChange(); // the start sequence computes the factor of the start value
    auto press = [&](Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(4, 4), QPointF(4, 4), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(control<QLineEdit>(form.get(), "EditPrcTree"), &event);
    };
    // |NormalQuantile(0.25)| of the rational approximation, in the general format with 15 digits.
    dialogs.expectMessage(MessageKind::Information, "Share value n(%)=0.674189140043316", Button::Ok);
    press(Qt::RightButton);
    press(Qt::LeftButton);
    EXPECT_EQ(dialogs.asked().size(), 1u);
}

// "Help on-line" opens the manual beside the program, else the installation's; it says where the
// manual is when no browser starts, and where it belongs when it is missing.
TEST_F(MainWindowTest, HelpOpensTheManual)
{
    programDir = temp / "install" / "bin";
    fs::create_directories(programDir);
    createForm();
    const fs::path installed = temp / "install" / "share" / "doc" / "fenoris" / "manual.html";
    dialogs.expectMessage(MessageKind::Warning,
                          "The manual of Fenoris is missing. It belongs in " + q(programDir / "manual.html") +
                              " or in " + q(installed) + ".",
                          Button::Ok);
    form->BtnHelpClick();
    EXPECT_TRUE(dialogs.openedAddresses().empty());

    fs::create_directories(installed.parent_path());
    writeBytes(installed, "<html></html>");
    form->BtnHelpClick();
    writeBytes(programDir / "manual.html", "<html></html>");
    form->BtnHelpClick();
    EXPECT_EQ(dialogs.openedAddresses(),
              (std::vector<QString>{"file://" + q(installed), "file://" + q(programDir / "manual.html")}));

    dialogs.setAddressesOpen(false);
    dialogs.expectMessage(MessageKind::Information,
                          "No web browser could be started to show the manual. You can open it yourself: " +
                              q(programDir / "manual.html"),
                          Button::Ok);
    form->BtnHelpClick();
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The build puts the manual beside the program, where the installed program finds it too.
TEST(Manual, LiesBesideTheBuiltProgram)
{
    const auto manual = app::findManual(FENORIS_PROGRAM_DIR);
    ASSERT_TRUE(manual.has_value());
    EXPECT_NE(testsupport::readBytes(*manual).find("<h2>Using the program</h2>"), std::string::npos);
}

} // namespace
