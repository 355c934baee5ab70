// Names that SQL must quote, in the window: the table O'Hara.dbf with the columns ORDER, ID and GROUP
// and a plot named O'Neil opens, lists and counts its trees, draws the model chart and writes the
// statistics tables that the command line writes for it.
#include "mainwindowtest.h"
#include "model/dbfdump.h"
#include "model/fixturetable.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace {

using namespace apptest;

TEST_F(MainWindowTest, TableNamedOHaraWithColumnsOrderAndGroupWorks)
{
    const auto table = fixture::writeQuotedNamesTable(dataDir);
    TempDir cliDir;
    for (const char *file : {"O'Hara.dbf", "O'Hara.yrs", "O'Hara.var"})
        testsupport::copyInto(dataDir / file, cliDir.path());

    startOn(table);
    mainPage()->BtnSetOKClick();
    EXPECT_EQ(form->state().fieldRoles().plot, "ORDER");
    EXPECT_EQ(form->state().fieldRoles().species, "GROUP");
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListPlots")), (QStringList{"O'Neil", "P2"}));
    select("O'Neil", "SM");
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListSpecies")), (QStringList{"BK", "SM"}));
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "7");

    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    EXPECT_GT(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), 4);
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));

    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(
        app::MessageKind::Information,
        "Statistics written: 2 plots, 3 pairs of plot and species; TRANSIT.DBF 3 rows, AVERAGE.DBF 6 rows",
        app::Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    std::string output;
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " statistics " +
                                          testsupport::shellQuote((cliDir / "O'Hara.dbf").string()) + " 2>&1",
                                      &output),
              0)
        << output;
    for (const char *result : {"TRANSIT.DBF", "AVERAGE.DBF"}) {
        const auto rows = dbfdump::read(dataDir / result).rows;
        EXPECT_FALSE(rows.empty()) << result;
        EXPECT_EQ(rows, dbfdump::read(cliDir / result).rows) << result;
    }
}

} // namespace
