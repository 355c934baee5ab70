// "Import table": the census files imported through the dialog give the table fenoris-cli import
// writes with the same options, opened and ready for the statistics; faults keep the dialog open.
#include "app/fimport.h"
#include "controls.h"
#include "mainwindowtest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace {

using namespace apptest;

const fs::path kCensus = testsupport::fixtures() / "scbi_census";
const QString kCsvFilter = "CSV file (*.csv);;all files (*)";
const char *const kValue = "CASE WHEN current_year_status LIKE 'D%' OR current_year_status = 'PD' THEN 100 "
                           "WHEN current_year_status IN ('A','AU') THEN 100 - percent_of_crown_living END";

class ImportTest : public MainWindowTest
{
protected:
    ImportTest()
    {
        fs::create_directories(csvDir);
        for (const char *year : {"2014", "2019", "2021"})
            files << q(testsupport::copyInto(kCensus / ("mortality_" + std::string(year) + ".csv"), csvDir));
    }

    // The dialog as the main window opens it, answered by `use`; returns what use returns.
    void runImport(std::function<int(app::TFormImport &)> use)
    {
        dialogs.expectModal("FormImport",
                            [use](QDialog &d) { return use(static_cast<app::TFormImport &>(d)); });
        control<QPushButton>(form.get(), "BtnImport")->click();
    }

    // The census files chosen in the dialog opened beside the open table.
    void chooseFiles(app::TFormImport &f)
    {
        dialogs.expectOpenFiles("CSV files", kCsvFilter, q(dataDir) + "/", files);
        apptest::control<QPushButton>(&f, "BtnFiles")->click();
    }

    // The census expressions typed over the suggestion.
    void typeCensus(app::TFormImport &f)
    {
        apptest::control<QLineEdit>(&f, "EditSpecies")->setText("upper(sp)");
        apptest::control<QLineEdit>(&f, "EditValue")->setText(kValue);
        apptest::control<QLineEdit>(&f, "EditDbh")->setText("last_main_census_dbh / 10.0");
        apptest::control<QLineEdit>(&f, "EditWhere")->setText("StemTag = '1'");
        apptest::control<QComboBox>(&f, "CBDuplicates")->setCurrentText("agree");
    }

    void expectSave(const fs::path &table)
    {
        dialogs.expectSaveFile("Import table", kFilter, 0, q(csvDir), "dbf", app::SaveChoice{q(table), 0});
    }

    // The fields in the order of the command line's options, as typed.
    std::vector<std::string> fields(const app::TFormImport &f) const
    {
        std::vector<std::string> texts;
        for (const char *name : {"EditPlot", "EditTree", "EditSpecies", "EditYear", "EditValue", "EditDbh",
                                 "EditHeight", "EditWhere", "EditEncoding", "EditMissing"})
            texts.push_back(apptest::control<QLineEdit>(&f, name)->text().toStdString());
        texts.push_back(apptest::control<QComboBox>(&f, "CBDuplicates")->currentText().toStdString());
        return texts;
    }

    fs::path csvDir = temp / "census";
    QStringList files;
};

TEST_F(ImportTest, WritesWhatTheCommandLineWritesAndOpensIt)
{
    startTrees();
    // A condition on the table open before: it is that table's, not the imported one's.
    dialogs.expectInputBox("Dodatečné podmínky", "SELECT ... WHERE", "", "DBH > 30", 560);
    mainPage()->BtnConditionsClick();
    ASSERT_EQ(form->state().conditions(), "(DBH > 30)");
    const fs::path table = dataDir / "CENSUS.dbf";
    runImport([&](app::TFormImport &f) -> int {
        EXPECT_EQ(f.windowTitle(), "Import table");
        chooseFiles(f);
        // The first file's columns, and the roles their names suggest; value and condition are typed.
        EXPECT_EQ(apptest::control<QListWidget>(&f, "ListColumns")->count(), 47);
        EXPECT_EQ(apptest::control<QListWidget>(&f, "ListColumns")->item(0)->text(), "survey_year");
        EXPECT_EQ(apptest::control<QListWidget>(&f, "ListFiles")->count(), 3);
        EXPECT_EQ(fields(f), (std::vector<std::string>{"quadrat", "tag", "sp", "survey_year", "", "", "", "",
                                                       "Windows-1250", "NA", "refuse"}));
        typeCensus(f);

        dialogs.expectProgress("Import preview", {}, "File");
        apptest::control<QPushButton>(&f, "BtnPreview")->click();
        EXPECT_EQ(apptest::control<QTableWidget>(&f, "GridPreview")->columnCount(), 7);
        EXPECT_EQ(apptest::control<QTableWidget>(&f, "GridPreview")->horizontalHeaderItem(6)->text(),
                  "D2021");
        EXPECT_EQ(apptest::control<QTableWidget>(&f, "GridPreview")->rowCount(),
                  int(app::TFormImport::kPreviewRows));
        EXPECT_TRUE(apptest::control<QLabel>(&f, "LabelPreview")
                        ->text()
                        .contains("71 trees, 3 survey years (2014, 2019, 2021)"))
            << apptest::control<QLabel>(&f, "LabelPreview")->text().toStdString();
        // The species codes the table will hold, whole, as the statistics will store them.
        EXPECT_TRUE(apptest::control<QLabel>(&f, "LabelPreview")
                        ->text()
                        .endsWith(QString::fromUtf8("\nSpecies: ACRU, CACA, CACO, CAGL, CATO, COFL, FRAM, "
                                                    "FRNI, FRPE, HAVI, LITU, NYSY, \u2026 (23 codes)")))
            << apptest::control<QLabel>(&f, "LabelPreview")->text().toStdString();

        expectSave(table);
        std::vector<std::string> steps;
        dialogs.expectProgress(
            "Import",
            [&](int done, int total, const std::string &current) {
                steps.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + current);
                return true;
            },
            "File");
        const QString csv = q(csvDir) + "/mortality_";
        dialogs.expectMessage(
            MessageKind::Information,
            "File " + csv + "2021.csv is not UTF-8: it is read as Windows-1250\n\n" + csv +
                "2014.csv: 78 rows (UTF-8)\n" + csv + "2019.csv: 55 rows (UTF-8)\n" + csv +
                "2021.csv: 70 rows (Windows-1250)\n"
                "188 of 203 rows meet the condition\n"
                "71 trees, 3 survey years (2014, 2019, 2021)\n"
                "58 values, 155 blanks\n"
                "23 tree and survey pairs with more than one row (23 rows more), 10 of them with different "
                "values: the common value kept, a blank where they differ\n"
                "The table is marked Windows-1250",
            Button::Ok);
        apptest::control<QPushButton>(&f, "BtnImport")->click();
        EXPECT_EQ(steps, (std::vector<std::string>{"0/4 mortality_2014.csv", "1/4 mortality_2019.csv",
                                                   "2/4 mortality_2021.csv", "3/4 CENSUS.dbf"}));
        return f.result();
    });

    // The window has the table open with its years and roles, its plots listed.
    EXPECT_EQ(form->windowTitle(), "Fenoris [" + q(table) + "]");
    EXPECT_EQ(form->state().tableFile(), "CENSUS.dbf");
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListPlots")), (QStringList{"0202", "0403", "0815"}));
    EXPECT_EQ(form->state().yearCount(), 3);
    EXPECT_EQ(roles(), (std::vector<std::string>{"PLOT", "TREE", "SP", "DBH", ""}));
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnSetOK")->isEnabled());
    EXPECT_EQ(form->state().conditions(), "");
    EXPECT_EQ(control<QLabel>(form.get(), "LblConditions")->text(), "");

    // The command line with the same options writes the same bytes.
    const fs::path cliDir = temp / "cli";
    fs::create_directories(cliDir);
    std::string command = std::string(FENORIS_CLI_PATH) + " import " +
                          testsupport::shellQuote((cliDir / "CENSUS.dbf").string());
    for (const QString &file : files)
        command += " " + testsupport::shellQuote(file.toStdString());
    command += " --where \"StemTag = '1'\" --plot quadrat --tree tag --species 'upper(sp)' --year survey_year"
               " --value " +
               testsupport::shellQuote(kValue) +
               " --dbh 'last_main_census_dbh / 10.0' --duplicates agree 2>/dev/null";
    ASSERT_EQ(testsupport::runCommand(command), 0) << command;
    for (const char *file : {"CENSUS.dbf", "CENSUS.yrs", "CENSUS.var"})
        EXPECT_EQ(readBytes(dataDir / file), readBytes(cliDir / file)) << file;
    EXPECT_EQ(testsupport::namesIn(cliDir),
              (std::vector<std::string>{"CENSUS.dbf", "CENSUS.var", "CENSUS.yrs"}));
}

// A fault, and a cancel, keep the dialog open with everything typed in it, write nothing and leave the
// open table open.
TEST_F(ImportTest, FaultsKeepTheDialogOpenWithItsFields)
{
    startTrees();
    const fs::path table = dataDir / "CENSUS.dbf";
    const fs::path other = csvDir / "other.csv";
    writeBytes(other, "survey_year,tag,StemTag,sp,genus,species,plot\n2022,1,1,acru,Acer,rubrum,0202\n");
    struct Case
    {
        const char *what;
        const char *value; // typed over the census value expression, when given
        std::function<void(app::TFormImport &)> act;
    };
    const Case cases[] = {
        {"an expression SQLite refuses, at the import", "100 - crown_living",
         [&](app::TFormImport &f) {
             expectSave(table);
             dialogs.expectProgress("Import", {}, "File");
             dialogs.expectMessage(MessageKind::Error,
                                   "The value expression is refused: no such column: crown_living",
                                   Button::Ok);
             apptest::control<QPushButton>(&f, "BtnImport")->click();
         }},
        {"a file whose header differs, at the preview", nullptr,
         [&](app::TFormImport &f) {
             dialogs.expectOpenFiles("CSV files", kCsvFilter, q(csvDir), files + QStringList{q(other)});
             apptest::control<QPushButton>(&f, "BtnFiles")->click();
             dialogs.expectProgress("Import preview", {}, "File");
             dialogs.expectMessage(MessageKind::Error,
                                   "File " + q(other) + " has other columns than " + files.first() +
                                       ": column 7 is 'plot', not 'quadrat'",
                                   Button::Ok);
             apptest::control<QPushButton>(&f, "BtnPreview")->click();
             EXPECT_EQ(apptest::control<QTableWidget>(&f, "GridPreview")->rowCount(), 0);
         }},
        {"a cancel of the run", nullptr,
         [&](app::TFormImport &f) {
             expectSave(table);
             dialogs.expectProgress(
                 "Import", [](int, int, const std::string &) { return false; }, "File");
             dialogs.expectMessage(MessageKind::Information, "The import was cancelled: nothing was written.",
                                   Button::Ok);
             apptest::control<QPushButton>(&f, "BtnImport")->click();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        runImport([&](app::TFormImport &f) -> int {
            chooseFiles(f);
            typeCensus(f);
            if (c.value) apptest::control<QLineEdit>(&f, "EditValue")->setText(c.value);
            const auto typed = fields(f);
            c.act(f);
            EXPECT_EQ(f.result(), QDialog::Rejected);
            EXPECT_EQ(fields(f), typed);
            return f.result();
        });
        EXPECT_FALSE(fs::exists(table));
        EXPECT_EQ(form->state().tableFile(), "M_trees.dbf");
    }
}

} // namespace
