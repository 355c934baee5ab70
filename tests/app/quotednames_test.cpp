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
    form->BtnSetOKClick();
    EXPECT_EQ(form->PlotField, "ORDER");
    EXPECT_EQ(form->SpeciesField, "GROUP");
    EXPECT_EQ(itemsOf(form->ListPlots), (QStringList{"O'Neil", "P2"}));
    select("O'Neil", "SM");
    EXPECT_EQ(itemsOf(form->ListSpecies), (QStringList{"BK", "SM"}));
    EXPECT_EQ(form->LabelTreeCount->text(), "7");

    form->PageControl1->setCurrentWidget(form->TabSheetModel);
    form->BtnSingleM->click();
    EXPECT_GT(form->ChartTModel->seriesCount(), 4);
    form->PageControl1->setCurrentWidget(form->TabSheetMain);

    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(app::MessageKind::Information,
                          "Statistics written: 2 plots, 3 species; TRANSIT.DBF 3 rows, AVERAGE.DBF 6 rows",
                          app::Button::Ok);
    form->BtnStat->click();
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
