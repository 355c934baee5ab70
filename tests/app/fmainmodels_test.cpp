// "Create all models": the settings dialog, the pictures of the plots and species with enough trees
// under the codes' names and the display names' titles, the same files as fenoris-cli models, and
// Cancel in the dialog and during the run.
#include "app/fcreatemodelssetting.h"
#include "mainwindowtest.h"
#include "model/fixturetable.h"
#include "support/picturereaders.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>

namespace apptest {
namespace {

using app::TFormCreateModelsSetting;

QStringList speciesColumn(const QTableWidget *grid, int column)
{
    QStringList cells;
    for (int row = 0; row < grid->rowCount(); ++row)
        cells << grid->item(row, column)->text();
    return cells;
}

class CreateModelsTest : public MainWindowTest
{
protected:
    // The window on a table written from the trees, after Set OK.
    void startOnTrees(const std::vector<fixture::Tree> &trees)
    {
        startOn(fixture::writeTable(dataDir, "trees.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees));
        form->BtnSetOKClick();
        fs::create_directories(outDir);
    }

    // The settings dialog answered by `set`, which presses OK or returns Rejected.
    void expectSettings(std::function<int(TFormCreateModelsSetting &)> set)
    {
        dialogs.expectModal("FormCreateModelsSetting",
                            [set](QDialog &d) { return set(static_cast<TFormCreateModelsSetting &>(d)); });
    }

    static int pressOK(TFormCreateModelsSetting &d)
    {
        d.BtnOK->click();
        return d.result();
    }

    fs::path outDir = temp / "out";
};

// A1 has 12 trees of SM and 4 of BK, B2 10 of SM.
std::vector<fixture::Tree> partTrees()
{
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 6, "A1", "SM", {20, 40});
    fixture::addTrees(trees, 6, "A1", "SM", {20, 20});
    fixture::addTrees(trees, 4, "A1", "BK", {20, 20});
    fixture::addTrees(trees, 10, "B2", "SM", {10, 30});
    return trees;
}

TEST_F(CreateModelsTest, WritesThePicturesOfSpeciesWithEnoughTreesAsTheCommandDoes)
{
    startOnTrees(partTrees());
    writeBytes(temp / "names.txt", "SM;Picea abies\r\nXX;Other\r\n");
    expectSettings([this](TFormCreateModelsSetting &d) {
        EXPECT_EQ(d.windowTitle(), "FormCreateModelsSetting");
        EXPECT_EQ(d.EditTitlePlot->text(), "Plot ");
        EXPECT_EQ(d.EditTitleSpecies->text(), " - species ");
        EXPECT_EQ(d.EditDirectory->text(), q(dataDir) + "/");
        EXPECT_EQ(d.EditTreeNumber->value(), 10);
        EXPECT_EQ(d.CBfiletype->currentText(), ".bmp");
        EXPECT_EQ(d.CBfiletype->count(), 6);
        EXPECT_EQ(speciesColumn(d.SpNameGrid, 0), QStringList({"BK", "SM"}));
        EXPECT_EQ(speciesColumn(d.SpNameGrid, 1), QStringList({"BK", "SM"}));
        // The species file names SM; BK keeps its code and XX, which the table lacks, is passed over.
        d.BtnSpRead->click();
        EXPECT_EQ(speciesColumn(d.SpNameGrid, 1), QStringList({"BK", "Picea abies"}));
        // A folder without its trailing separator takes one.
        d.BtnDir->click();
        EXPECT_EQ(d.EditDirectory->text(), q(outDir) + "/");
        // Typed without it, the names still go into the folder.
        d.EditDirectory->setText(q(outDir));
        // The file is in the table's code page.
        d.SpNameGrid->item(0, 1)->setText("Buk lesní");
        d.BtnSpWrite->click();
        d.EditTitleSpecies->setText(", ");
        return pressOK(d);
    });
    dialogs.expectOpenFile("Open", "Text file (*.txt);;Any file (*.*)", q(dataDir) + "/",
                           q(temp / "names.txt"));
    dialogs.expectFolder("Output directory", q(dataDir) + "/", q(outDir));
    std::vector<std::string> steps;
    dialogs.expectProgress("Create all models", [&](int done, int total, const std::string &current) {
        steps.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + current);
        return true;
    });
    dialogs.expectMessage(MessageKind::Information, "2 pictures written, 0 skipped", Button::Ok);
    form->BtnCreateModelsAllClick();
    EXPECT_EQ(dialogs.pending(), 0u);

    EXPECT_EQ(testsupport::namesIn(outDir),
              (std::vector<std::string>{"A1_SM.bmp", "B2_SM.bmp", "SpeciesNames.txt"}));
    EXPECT_EQ(readBytes(outDir / "SpeciesNames.txt"), "BK;Buk lesn\xED\r\nSM;Picea abies\r\n");
    EXPECT_EQ(steps, (std::vector<std::string>{"0/2 A1", "0/2 A1", "1/2 B2", "1/2 B2", "2/2 "}));
    EXPECT_EQ(testsupport::readerOutput("identify -format '%m' '" + (outDir / "B2_SM.bmp").string() + "'"),
              "BMP3");
    // The last model stays on its page, titled with the display name and the changed text.
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheetModel);
    EXPECT_EQ(form->ChartTModel->titleLines(), QStringList({"Plot B2, Picea abies"}));
    EXPECT_EQ(form->TitleSpecies, ", ");
    EXPECT_EQ(form->FormCreateModelsSetting, nullptr);
    EXPECT_EQ(form->SpeciesName("SM"), "SM");
    EXPECT_EQ(form->LabelTreeCount->text(), "10");

    // fenoris-cli writes the same files for the same settings.
    const fs::path cliDir = temp / "cli";
    fs::create_directories(cliDir);
    std::string out;
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " models '" +
                                          (dataDir / "trees.dbf").string() + "' --out '" + cliDir.string() +
                                          "' --min-trees 10 2>/dev/null",
                                      &out),
              0);
    EXPECT_EQ(out, "2 pictures written, 0 skipped\n");
    EXPECT_EQ(testsupport::namesIn(cliDir), (std::vector<std::string>{"A1_SM.bmp", "B2_SM.bmp"}));
}

TEST_F(CreateModelsTest, CancelInTheSettingsWritesNothingAndKeepsTheTitles)
{
    startOnTrees(partTrees());
    expectSettings([](TFormCreateModelsSetting &d) {
        d.EditTitlePlot->setText("Area ");
        return int(QDialog::Rejected);
    });
    form->BtnCreateModelsAllClick();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(form->TitlePlot, "Plot ");
    EXPECT_TRUE(testsupport::namesIn(outDir).empty());
    EXPECT_TRUE(fs::exists(dataDir / "trees.dbf"));
    EXPECT_EQ(testsupport::namesIn(dataDir).size(), 3u);
    EXPECT_TRUE(form->BtnCreateModelsAll->isEnabled());
}

TEST_F(CreateModelsTest, CancelDuringTheRunStopsAfterThePictureInHand)
{
    std::vector<fixture::Tree> trees;
    for (const char *plot : {"A1", "B2", "C3"}) {
        fixture::addTrees(trees, 10, plot, "BK", {10, 30});
        fixture::addTrees(trees, 10, plot, "SM", {10, 30});
    }
    startOnTrees(trees);
    // An existing picture is asked about; No keeps it.
    writeBytes(outDir / "A1_BK.bmp", "old");
    expectSettings([this](TFormCreateModelsSetting &d) {
        d.EditDirectory->setText(q(outDir));
        return pressOK(d);
    });
    int pictureSteps = 0;
    dialogs.expectProgress("Create all models", [&](int done, int, const std::string &) {
        // The steps after the pictures of the first plot: Cancel is pressed after its second one.
        return done > 0 || ++pictureSteps < 3;
    });
    dialogs.expectMessage(MessageKind::Confirmation, "Overwrite file " + q(outDir / "A1_BK.bmp") + "?",
                          Button::Yes | Button::No, Button::No);
    dialogs.expectMessage(
        MessageKind::Information,
        "Creating the models was cancelled after plot 1 of 3: 1 pictures written, 1 skipped", Button::Ok);
    form->BtnCreateModelsAllClick();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(testsupport::namesIn(outDir), (std::vector<std::string>{"A1_BK.bmp", "A1_SM.bmp"}));
    EXPECT_EQ(readBytes(outDir / "A1_BK.bmp"), "old");
}

} // namespace
} // namespace apptest
