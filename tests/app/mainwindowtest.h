// The main window under test: a data directory and a program directory in a temporary folder,
// scripted dialogs, and the start sequence's about box and open dialog answered on request.
#pragma once

#include "app/fmain.h"
#include "app/listbox.h"
#include "app/mainpage.h"
#include "app/modelpage.h"
#include "app/plotselection.h"
#include "charts/chart.h"
#include "controls.h"
#include "scripteddialogs.h"
#include "support/testsupport.h"
#include "treetable.h"

#include <QDialog>
#include <QHeaderView>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace apptest {

namespace fs = std::filesystem;
using app::Button;
using app::MessageKind;
using app::TFormMain;
using apptest::ScriptedDialogs;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

const QString kFilter = "DBF table (*.dbf);;all files (*)";
const fs::path kCrown = testsupport::realData() / "scbi" / "SCBI_CROWN.DBF";
const std::vector<std::string> kCrownColumns = {"PLOT",  "TREE",  "SP",    "DBH",   "D2014", "D2015",
                                                "D2016", "D2017", "D2018", "D2019", "D2021"};

inline QString q(const fs::path &p)
{
    return QString::fromStdString(p.string());
}

// The lines of a CR LF text file, split here independently of the program's reader.
inline std::vector<std::string> crlfLines(const fs::path &file)
{
    std::vector<std::string> lines;
    std::string text = readBytes(file);
    for (size_t pos = 0, end; pos < text.size(); pos = end + 2) {
        end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end - pos));
    }
    return lines;
}

inline QStringList itemsOf(const app::ListBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest()
    {
        fs::create_directories(dataDir);
        fs::create_directories(programDir);
    }

    app::Environment environment()
    {
        app::Environment env;
        env.programDir = programDir;
        env.configDir = configDir;
        env.openDir = q(dataDir);
        env.pixelsPerInch = 96;
        env.terminate = [this] { ++terminations; };
        env.startOnActivation = startOnActivation;
        env.startTable = startTable;
        return env;
    }

    void createForm()
    {
        form = std::make_unique<TFormMain>(dialogs, environment());
        form->show();
    }

    // The crown table copied into the data directory under the given name, without side files.
    fs::path copyCrown(const std::string &name)
    {
        fs::path target = dataDir / name;
        fs::copy_file(kCrown, target);
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
        return target;
    }

    void expectAboutBox()
    {
        dialogs.expectModal("FormInfo", [](QDialog &d) {
            EXPECT_EQ(d.windowTitle(), "Program info");
            return int(QDialog::Accepted);
        });
    }

    void expectOpen(std::optional<fs::path> answer)
    {
        dialogs.expectOpenFile("Open", kFilter, q(dataDir),
                               answer ? std::optional(q(*answer)) : std::nullopt);
    }

    // Creates the window and runs its start sequence on the table.
    void startOn(const fs::path &table)
    {
        createForm();
        expectAboutBox();
        expectOpen(table);
        form->FormActivate();
        ASSERT_TRUE(form->activated());
    }

    // A grid column, heading first.
    std::vector<std::string> gridColumn(int column) const
    {
        std::vector<std::string> cells{control<QTableWidget>(form.get(), "GridFields")
                                           ->horizontalHeaderItem(column)
                                           ->text()
                                           .toStdString()};
        for (int row = 0; row < control<QTableWidget>(form.get(), "GridFields")->rowCount(); ++row)
            cells.push_back(
                control<QTableWidget>(form.get(), "GridFields")->item(row, column)->text().toStdString());
        return cells;
    }

    // The real crown table with its side files, after Set OK.
    void startCrown()
    {
        const fs::path table = copyCrown("SCBI_CROWN.DBF");
        for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
            fs::copy_file(testsupport::realData() / "scbi" / side, dataDir / side);
        startOn(table);
        mainPage()->BtnSetOKClick();
    }

    // The small tree table of treetable.h with its roles and years, after Set OK.
    void startTrees()
    {
        makeTreeTable(dataDir, "M_trees.dbf");
        writeBytes(dataDir / "M_trees.var", kTreeRoles);
        writeBytes(dataDir / "M_trees.yrs", kTreeYears);
        startOn(dataDir / "M_trees.dbf");
        mainPage()->BtnSetOKClick();
    }

    // Selects the item with exactly this text and runs the list's click handler, as a click does.
    void clickPlot(const QString &plot)
    {
        clickItem(control<app::ListBox>(form.get(), "ListPlots"), plot, &app::PlotSelection::ListPlotsClick);
    }
    void clickSpecies(const QString &species)
    {
        clickItem(control<app::ListBox>(form.get(), "ListSpecies"), species,
                  &app::PlotSelection::ListSpeciesClick);
    }
    void select(const QString &plot, const QString &species)
    {
        clickPlot(plot);
        clickSpecies(species);
    }

    app::MainPage *mainPage() const { return control<app::MainPage>(form.get(), "TabSheetMain"); }
    app::PlotSelection *selection() const
    {
        return control<app::PlotSelection>(form.get(), "PanelSelection");
    }
    app::ModelPage *modelPage() const { return control<app::ModelPage>(form.get(), "TabSheetModel"); }

    // The survey years of the year list, in its order.
    std::vector<int> surveyYears() const
    {
        std::vector<int> years;
        for (const auto &year : form->state().yearList())
            years.push_back(year.year);
        return years;
    }

    std::vector<std::string> roles() const
    {
        return {form->state().fieldRoles().plot, form->state().fieldRoles().treeId,
                form->state().fieldRoles().species, form->state().fieldRoles().dbh,
                form->state().fieldRoles().height};
    }

    void clickItem(app::ListBox *list, const QString &text, void (app::PlotSelection::*click)())
    {
        const auto found = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        list->selectRow(list->row(found.first()));
        (selection()->*click)();
    }

    TempDir temp;
    fs::path dataDir = temp / "data";
    fs::path programDir = temp / "program";
    fs::path configDir = temp / "config";
    bool startOnActivation = false;
    QString startTable; // as named on the command line
    int terminations = 0;
    ScriptedDialogs dialogs;
    std::unique_ptr<TFormMain> form;
};

} // namespace apptest
