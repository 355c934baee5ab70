// "Create all models": the settings dialog, the pictures of the plots and species with enough trees
// under the codes' names and the display names' titles, the same files as fenoris-cli models, and
// Cancel in the dialog and during the run.
#include "app/fcreatemodelssetting.h"
#include "controls.h"
#include "mainwindowtest.h"
#include "model/fixturetable.h"
#include "support/picturereaders.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
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
        mainPage()->BtnSetOKClick();
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
        apptest::control<QPushButton>(&d, "BtnOK")->click();
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
        EXPECT_EQ(apptest::control<QLineEdit>(&d, "EditTitlePlot")->text(), "Plot ");
        EXPECT_EQ(apptest::control<QLineEdit>(&d, "EditTitleSpecies")->text(), " - species ");
        EXPECT_EQ(apptest::control<QLineEdit>(&d, "EditDirectory")->text(), q(dataDir) + "/");
        EXPECT_EQ(apptest::control<QSpinBox>(&d, "EditTreeNumber")->value(), 10);
        EXPECT_EQ(apptest::control<QComboBox>(&d, "CBfiletype")->currentText(), ".bmp");
        EXPECT_EQ(apptest::control<QComboBox>(&d, "CBfiletype")->count(), 6);
        EXPECT_EQ(speciesColumn(apptest::control<QTableWidget>(&d, "SpNameGrid"), 0),
                  QStringList({"BK", "SM"}));
        EXPECT_EQ(speciesColumn(apptest::control<QTableWidget>(&d, "SpNameGrid"), 1),
                  QStringList({"BK", "SM"}));
        // The species file names SM; BK keeps its code and XX, which the table lacks, is passed over.
        apptest::control<QToolButton>(&d, "BtnSpRead")->click();
        EXPECT_EQ(speciesColumn(apptest::control<QTableWidget>(&d, "SpNameGrid"), 1),
                  QStringList({"BK", "Picea abies"}));
        // A folder without its trailing separator takes one.
        apptest::control<QToolButton>(&d, "BtnDir")->click();
        EXPECT_EQ(apptest::control<QLineEdit>(&d, "EditDirectory")->text(), q(outDir) + "/");
        // Typed without it, the names still go into the folder.
        apptest::control<QLineEdit>(&d, "EditDirectory")->setText(q(outDir));
        // The file is in the table's code page.
        apptest::control<QTableWidget>(&d, "SpNameGrid")->item(0, 1)->setText("Buk lesní");
        apptest::control<QToolButton>(&d, "BtnSpWrite")->click();
        apptest::control<QLineEdit>(&d, "EditTitleSpecies")->setText(", ");
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
    control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
    EXPECT_EQ(dialogs.pending(), 0u);

    EXPECT_EQ(testsupport::namesIn(outDir),
              (std::vector<std::string>{"A1_SM.bmp", "B2_SM.bmp", "SpeciesNames.txt"}));
    EXPECT_EQ(readBytes(outDir / "SpeciesNames.txt"), "BK;Buk lesn\xED\r\nSM;Picea abies\r\n");
    EXPECT_EQ(steps, (std::vector<std::string>{"0/2 A1", "0/2 A1", "1/2 B2", "1/2 B2", "2/2 "}));
    EXPECT_EQ(testsupport::readerOutput("identify -format '%m' '" + (outDir / "B2_SM.bmp").string() + "'"),
              "BMP3");
    // The last model stays on its page, titled with the display name and the changed text.
    EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              control<QWidget>(form.get(), "TabSheetModel"));
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->titleLines(),
              QStringList({"Plot B2, Picea abies"}));
    EXPECT_EQ(form->state().TitleSpecies, ", ");
    EXPECT_TRUE(form->findChildren<TFormCreateModelsSetting *>().isEmpty());
    EXPECT_EQ(form->SpeciesName("SM"), "SM");
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "10");

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
        apptest::control<QLineEdit>(&d, "EditTitlePlot")->setText("Area ");
        return int(QDialog::Rejected);
    });
    control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(form->state().TitlePlot, "Plot ");
    EXPECT_TRUE(testsupport::namesIn(outDir).empty());
    EXPECT_TRUE(fs::exists(dataDir / "trees.dbf"));
    EXPECT_EQ(testsupport::namesIn(dataDir).size(), 3u);
    EXPECT_TRUE(control<QToolButton>(form.get(), "BtnCreateModelsAll")->isEnabled());
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
        apptest::control<QLineEdit>(&d, "EditDirectory")->setText(q(outDir));
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
    control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(testsupport::namesIn(outDir), (std::vector<std::string>{"A1_BK.bmp", "A1_SM.bmp"}));
    EXPECT_EQ(readBytes(outDir / "A1_BK.bmp"), "old");
}

// Plots P1 to P6 have 10 trees of SM each, valued in one year only, which give no transition matrix;
// A1 has 10 valued in both.
std::vector<fixture::Tree> warningTrees()
{
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 10, "A1", "SM", {10, 30});
    for (int plot = 1; plot <= 6; ++plot)
        fixture::addTrees(trees, 10, "P" + std::to_string(plot), "SM", {10, std::nullopt});
    return trees;
}

const QString kDoNotStop = "Do not stop for further warnings in this run";

QString noTransition(int plot)
{
    return QString("No transition matrix was calculated (plot P%1, species SM)").arg(plot);
}

// Each warning of the run stops it in a box until the user ticks "Do not stop..."; the rest go on
// without a box, listed in the progress window, and the closing box counts and lists them all, as
// warnings.txt beside the pictures keeps them.
TEST_F(CreateModelsTest, TickingDoNotStopLetsTheRunGoOnWithoutWarningBoxes)
{
    startOnTrees(warningTrees());
    QStringList all;
    for (int plot = 1; plot <= 6; ++plot)
        all << noTransition(plot);
    for (const int tickedAt : {1, 3}) {
        const fs::path out = outDir / std::to_string(tickedAt);
        fs::create_directories(out);
        expectSettings([&](TFormCreateModelsSetting &d) {
            apptest::control<QLineEdit>(&d, "EditDirectory")->setText(q(out));
            return pressOK(d);
        });
        dialogs.expectProgress("Create all models");
        for (int plot = 1; plot <= tickedAt; ++plot)
            dialogs.expectMessage(MessageKind::Warning, noTransition(plot), Button::Ok, {kDoNotStop, {}},
                                  {Button::Ok, plot == tickedAt});
        dialogs.expectMessage(MessageKind::Information,
                              "7 pictures written, 0 skipped\n6 warnings, listed in " +
                                  q(out / "warnings.txt"),
                              Button::Ok, {{}, all.join('\n')}, {Button::Ok, false});
        const auto notesBefore = dialogs.progressNotes().size();
        control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
        EXPECT_EQ(dialogs.pending(), 0u) << tickedAt;
        QStringList notes;
        for (auto n = dialogs.progressNotes().begin() + notesBefore; n != dialogs.progressNotes().end(); ++n)
            notes << QString::fromStdString(*n);
        EXPECT_EQ(notes, all) << tickedAt;
        EXPECT_EQ(readBytes(out / "warnings.txt"), (all.join('\n') + "\n").toStdString()) << tickedAt;
    }
}

// A folder that does not exist keeps the dialog open with what was typed in it; Yes creates it.
TEST_F(CreateModelsTest, AFolderThatDoesNotExistIsCreatedOnRequestAndTheSettingsStay)
{
    startOnTrees(partTrees());
    const fs::path fresh = temp / "new" / "pictures";
    writeBytes(temp / "file", "not a folder");
    expectSettings([&](TFormCreateModelsSetting &d) {
        apptest::control<QLineEdit>(&d, "EditTitlePlot")->setText("Area ");
        apptest::control<QSpinBox>(&d, "EditTreeNumber")->setValue(12);
        apptest::control<QComboBox>(&d, "CBfiletype")->setCurrentText(".svg");
        apptest::control<QLineEdit>(&d, "EditDirectory")->setText(q(temp / "file"));
        apptest::control<QPushButton>(&d, "BtnOK")->click();
        apptest::control<QLineEdit>(&d, "EditDirectory")->setText(q(fresh));
        apptest::control<QPushButton>(&d, "BtnOK")->click();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_FALSE(fs::exists(fresh));
        EXPECT_EQ(apptest::control<QLineEdit>(&d, "EditTitlePlot")->text(), "Area ");
        EXPECT_EQ(apptest::control<QSpinBox>(&d, "EditTreeNumber")->value(), 12);
        EXPECT_EQ(apptest::control<QComboBox>(&d, "CBfiletype")->currentText(), ".svg");
        EXPECT_EQ(apptest::control<QLineEdit>(&d, "EditDirectory")->text(), q(fresh));
        return pressOK(d);
    });
    dialogs.expectMessage(MessageKind::Error, "The folder " + q(temp / "file") + " is a file, not a folder.",
                          Button::Ok);
    const QString question = "The folder " + q(fresh) + " does not exist. Create it?";
    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::No);
    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::Yes);
    dialogs.expectProgress("Create all models");
    dialogs.expectMessage(MessageKind::Information, "1 pictures written, 0 skipped", Button::Ok);
    control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(testsupport::namesIn(fresh), std::vector<std::string>{"A1_SM.svg"});
    EXPECT_EQ(form->state().TitlePlot, "Area ");
}

// The grid shows every name whole, a typical Latin one before any is read and a longer one read from
// a file; Cancel closes the dialog as Escape does.
TEST_F(CreateModelsTest, TheSpeciesNamesShowWholeAndCancelClosesTheSettings)
{
    startOnTrees(partTrees());
    writeBytes(temp / "names.txt",
               "BK;Liriodendron tulipifera\r\nSM;Quercus velutina var. missouriensis\r\n");
    expectSettings([this](TFormCreateModelsSetting &d) {
        d.show();
        auto nameShowsWhole = [&d](int row) {
            const QTableWidget *grid = apptest::control<QTableWidget>(&d, "SpNameGrid");
            const QTableWidgetItem *item = grid->item(row, 1);
            // The text is drawn inside a margin on either side of its cell.
            const int margins =
                2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
            const QRect cell = grid->visualItemRect(item);
            return cell.width() >= grid->fontMetrics().horizontalAdvance(item->text()) + margins &&
                   grid->viewport()->rect().contains(cell);
        };
        apptest::control<QTableWidget>(&d, "SpNameGrid")->item(0, 1)->setText("Liriodendron tulipifera");
        QCoreApplication::processEvents();
        EXPECT_TRUE(nameShowsWhole(0));
        apptest::control<QToolButton>(&d, "BtnSpRead")->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(speciesColumn(apptest::control<QTableWidget>(&d, "SpNameGrid"), 1),
                  QStringList({"Liriodendron tulipifera", "Quercus velutina var. missouriensis"}));
        EXPECT_TRUE(nameShowsWhole(0));
        EXPECT_TRUE(nameShowsWhole(1));

        EXPECT_EQ(apptest::control<QPushButton>(&d, "BtnCancel")->text(), "Cancel");
        apptest::control<QLineEdit>(&d, "EditTitlePlot")->setText("Area ");
        apptest::control<QPushButton>(&d, "BtnCancel")->click();
        EXPECT_FALSE(d.isVisible());
        return d.result();
    });
    dialogs.expectOpenFile("Open", "Text file (*.txt);;Any file (*.*)", q(dataDir) + "/",
                           q(temp / "names.txt"));
    control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(form->state().TitlePlot, "Plot ");
    EXPECT_TRUE(testsupport::namesIn(outDir).empty());
}

// The FIA table's largest plot and species has 7 trees (C007P113/QR, counted in its README): the
// window says why nothing was drawn, as fenoris-cli does.
TEST_F(CreateModelsTest, ARunThatDrawsNothingSaysWhyAsTheCommandDoes)
{
    for (const char *name : {"FIA_RI.DBF", "FIA_RI.yrs", "FIA_RI.var"})
        testsupport::copyInto(testsupport::realData() / "fia_ri" / name, dataDir);
    startOn(dataDir / "FIA_RI.DBF");
    mainPage()->BtnSetOKClick();
    fs::create_directories(outDir);
    expectSettings([this](TFormCreateModelsSetting &d) {
        apptest::control<QLineEdit>(&d, "EditDirectory")->setText(q(outDir));
        return pressOK(d);
    });
    const std::string reason = "No plot and species has the minimal number of trees (10); the largest has 7";
    dialogs.expectProgress("Create all models");
    dialogs.expectMessage(MessageKind::Information,
                          "0 pictures written, 0 skipped\n" + QString::fromStdString(reason), Button::Ok);
    control<QToolButton>(form.get(), "BtnCreateModelsAll")->click();
    EXPECT_EQ(dialogs.pending(), 0u);

    std::string out;
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " models '" +
                                          (dataDir / "FIA_RI.DBF").string() + "' --out '" + outDir.string() +
                                          "' 2>'" + (temp / "err.txt").string() + "'",
                                      &out),
              0);
    EXPECT_EQ(out, "0 pictures written, 0 skipped\n");
    EXPECT_EQ(readBytes(temp / "err.txt"), reason + "\n");
}

} // namespace
} // namespace apptest
