// The main window: six pages, the start sequence that opens the data table, the state that every page
// works with, and closing with the model line settings saved.
#pragma once

#include "app/dialogs.h"
#include "app/environment.h"
#include "app/pagehost.h"
#include "data/database.h"
#include "data/editjournal.h"
#include "data/selection.h"
#include "model/modelsettings.h"
#include "model/transituncertainty.h"
#include "stats/statistics.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace charts {
class Chart;
}

namespace data {
class Confirmations;
}

namespace app {

class DataPage;
class ListBox;
class ModelPage;
class RegressionPage;
class StatPage;
class TransitPage;
class TFormChartProp;
class TFormCreateModelsSetting;
class TFormGraphParams;
class TFormInfo;
class TFormPlotContainer;
class UpDown;

class TFormMain : public QWidget, public PageHost
{
    Q_OBJECT
public:
    // Design size of the window's client area.
    static constexpr int kDesignWidth = 696;
    static constexpr int kDesignHeight = 480;

    TFormMain(Dialogs &dialogs, Environment environment, QWidget *parent = nullptr);
    ~TFormMain() override;

    // Handlers.
    void FormCreate();
    // The start sequence; does nothing once it has completed. A step that fails ends it with the
    // error, and the next activation runs it again from the start.
    void FormActivate();
    void FormResize();
    // Saves the model line settings; true when the window may close.
    bool FormClose();
    // Opens the manual (manual.h) in the desktop's browser; says where the manual is when no browser
    // can be started, and where it belongs when it is missing.
    void BtnHelpClick();
    void BtnInfoClick();
    // The model line settings dialog: created on first use and kept, so that it opens again as it
    // was closed.
    void BtnGraphLinesClick();
    void EditPrcTreeChange();
    void EditPrcTreeMouseDown(Qt::MouseButton button);

    // Gives the column the role named by the role text ("PlotNames", "TreeID", "Species", "DBH",
    // "Height", compared exactly); "-" and any other text change nothing. An empty column unassigns.
    void AssignRole(const std::string &role, const std::string &column);
    // Double-click on the field grid: in the "Specials" column the current cell takes the role chosen
    // in CB_SpecFields (empty when none), the role it named before is unassigned and the new one given
    // to the row's column. Other columns change nothing.
    void GridFieldsDblClick();
    // Builds the year list from the grid, fills the plot list, writes the side files and disables
    // itself and Suggest. Throws, with what was done before kept: ConvertError for a year cell that is
    // not a whole number (no year list then), DataError when the plot query fails, FileError or
    // DataError when a side file cannot be written; Set OK stays enabled in each case.
    void BtnSetOKClick();
    // Fills "Defoliations" and "Specials" with the years and roles the column names suggest
    // (data::suggestColumnSetup), replacing what the grid showed, and gives the roles to their
    // columns; nothing is stored until Set OK. Throws common::DataError when the table cannot be read.
    void BtnSuggestClick();
    // "Import table" (fmainimport.cpp): long CSV files made into a data table in the import dialog
    // (TFormImport), which then opens as a table chosen in the open dialog does, its years and roles
    // set as Set OK sets them, ready for the statistics. The open table stays when the dialog is
    // cancelled.
    void BtnImportClick();

    // Plot and species selection. The shared query Query1 carries each statement in turn and is left
    // closed. Errors of the engine are thrown (common::DataError). The list clicks run on the user's
    // clicks only: code that selects a row (ListBox::selectRow) calls the click handler itself.
    // Sets Query1 to the distinct values of the column (with the WHERE text and the user's
    // conditions), fills the list with them in the order delivered and resets the tree count to "-".
    void ListDistinct(const std::string &table, const std::string &column, ListBox *target,
                      const std::string &where);
    // The species of the selected plot; with the fix box checked, the fixed species is selected again
    // and counted when the plot has it.
    void ListPlotsClick();
    // Counts the trees of the selected plot and species into LabelTreeCount; does nothing unless both
    // lists have a selection.
    void ListSpeciesClick();
    void CB_FixClick();
    // Asks for the free condition and refills the plot list under it. A condition the engine refuses
    // is not taken: its message is thrown and the condition and the lists stay as they were.
    void BtnConditionsClick();
    // Sets Query1 to the selected-trees query and prepares it; the caller sets the parameters
    // PlotNames and NSpecies and opens it.
    void PrepareTreeQuery() override;
    // The rows of the selected plot and species; nothing, after a warning and with the main page
    // shown, when either list has no selection.
    std::optional<SelectedRows> CheckSelection() override;
    void SpeedButton1Click();
    // Adds the selected plot to the plot container, once, while the container is shown.
    void ListPlotsDblClick();

    // Page entry: closes what the pages had open, then prepares the page now shown for the selected
    // plot and species. Runs on the user's page changes; a page the program selects itself is
    // selected with the tab bar's signals blocked and calls it when it wants the entry.
    void PageControl1Change();
    // Selects the main page and runs the page entry once, as a page change by the user would.
    void showMainPage();

    // Batch model creation (fmainmodels.cpp).
    // Asks for the settings, then draws and saves the model chart of every plot and species with
    // enough trees, showing each on the model page; the progress window's Cancel stops the run after
    // the picture in hand. The settings dialog exists until the run ends.
    void BtnCreateModelsAllClick();
    // Survey report (fmainreport.cpp): asks for a folder, writes the report of every plot and species
    // with enough trees into its folder TABLE_report there (replaced whole, and only after asking),
    // with the progress window's Cancel leaving nothing, and offers to open it in the browser.
    void BtnReportClick();
    // Creates the settings dialog for the directory and the species, shows it modally and tells
    // whether it was closed with OK.
    bool ShowCreateModelsSetting(const std::string &directory, const std::vector<std::string> &species);
    std::unique_ptr<TFormCreateModelsSetting> FormCreateModelsSetting;

    // Pictures (fmainpictures.cpp).
    // The main window's save dialog for pictures: what it offers, and the file type, default
    // extension and folder it keeps from one save to the next while the window lives.
    struct SaveDialog
    {
        QString title;
        QString filter;      // the filters in Qt's syntax
        int filterIndex = 0; // the file type in force, from 0
        QString defaultExt;  // appended to a name typed without an extension; empty for none
        QString dir;         // the folder last saved into; empty until the first save
    };
    // The save dialog for a chart of the window; a confirmed name goes to SaveChartPicture.
    void SaveChartAs(charts::Chart &chart) override;
    // Writes the chart at its size on the screen, in the type its extension names (.bmp, .wmf, .emf,
    // .png, .svg, .pdf, any case). Another extension or none: an error message, nothing written.
    // An existing file: asks whether to overwrite it; No writes nothing. Throws common::FileError when
    // the file cannot be written (the old one is kept).
    void SaveChartPicture(charts::Chart &chart, const QString &fileName);
    // The user picked the save dialog's file type at `typeIndex` (from 0): its default extension.
    void SaveDlgTypeChange(int typeIndex);
    // "Save as" with the Windows bitmap, Windows metafile, enhanced metafile and all-files filters, then
    // PNG, SVG and PDF; the bitmap type and "bmp" at first.
    static SaveDialog pictureSaveDialog();
    // Result pages and the statistics run (fmainresults.cpp).
    void BtnStatClick();

    // Chart properties (fmainchartprop.cpp): the one "Chart properties" dialog, created by the first
    // use and kept, pointed at the given chart, shown beside the window and brought to the front.
    void ShowChartProperties(charts::Chart &chart) override;
    // The name a species goes by on the model chart's title: its name in the batch run's settings
    // dialog while that exists, otherwise the species code itself.
    std::string SpeciesName(const std::string &species) const override;

    // The survey years of the year list, in its order.
    std::vector<data::YearColumn> yearList() const override;

    // The column names of the roles, as the SQL texts take them, and setting all five at once.
    data::FieldRoles fieldRoles() const;
    void setFieldRoles(const data::FieldRoles &roles);
    // The text of the selected plot or species; empty when the list has no selection.
    std::string selectedPlot() const override;
    std::string selectedSpecies() const override;

    // Index of the checked item of RG_valtyp: 0 per cent, 1 damage classes.
    int valueType() const override;
    void returnToMainPage() override;
    // True once a cancelled open dialog has asked the program to end.
    bool terminated() const { return m_terminated; }

    SaveDialog SaveDlg = pictureSaveDialog();
    // The about box, created by the first activation and kept.
    std::unique_ptr<TFormInfo> FormInfo;
    std::unique_ptr<TFormGraphParams> FormGraphParams;
    std::unique_ptr<TFormChartProp> FormChartProp;
    // The plot container, hidden until SpeedButton1 shows it.
    std::unique_ptr<TFormPlotContainer> FormPlotContainer;

    // State of the main window and its pages.
    WindowState &state() override { return m_state; }
    bool Activated = false;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class WindowSelection; // selects and clicks in the plot and species lists

    // Pages.
    QTabWidget *PageControl1;
    QWidget *TabSheetMain;
    DataPage *TabSheetData;
    ModelPage *TabSheetModel;
    StatPage *TabSheetStat;
    TransitPage *TabSheetTransit;
    RegressionPage *TabSheetRegression;

    // Main page.
    QLabel *Label1;
    QTableWidget *GridFields;
    QComboBox *CB_SpecFields;
    QPushButton *BtnSetOK;
    QPushButton *BtnSuggest;
    QPushButton *BtnImport;
    // Under the field grid: the code page the table's text is read in; its tooltip says why.
    QLabel *LabelCodePage;
    QLabel *Label2;
    ListBox *ListPlots;
    QToolButton *SpeedButton1;
    QLabel *Label3;
    QCheckBox *CB_Fix;
    ListBox *ListSpecies;
    QLabel *Label5;
    QLabel *LabelTreeCount;
    QGroupBox *RG_valtyp;
    QLabel *Label10;
    QLineEdit *EditPrcTree;
    UpDown *UpDownPrcTree;
    QPushButton *BtnConditions;
    QLabel *LblConditions;
    QLabel *LabelGraphSize;
    QPushButton *BtnStat;
    QPushButton *BtnReport;
    QPushButton *BtnClose;
    QToolButton *BtnCreateModelsAll;
    QToolButton *BtnGraphLines;
    QToolButton *BtnHelp;
    QToolButton *BtnInfo;

    // fmainpages.cpp: the pages and their controls.
    void createPages();
    QWidget *createMainPage();
    // The main page's three columns and the groups of the third.
    QLayout *createFieldsColumn();
    QLayout *createSelectionColumn();
    QLayout *createActionsColumn();
    QWidget *createValueTypeGroup();
    QLayout *createShareRow();
    QLayout *createToolButtons();
    // fmainnames.cpp: accessible names of the controls without a text of their own.
    void nameControls();
    // fmainresults.cpp
    void connectResultPages();

    // fmainmodels.cpp: the batch run's pictures.
    class BatchPictures;
    // fmaincontrols.cpp: while no table is open, every control that needs one is disabled and the
    // caption names none.
    void setTableOpen(bool open);

    // The start sequence's open dialog and table (steps 2 to 6).
    bool openDataTable();
    // The table named on the command line instead of the open dialog, tried once; false when there
    // is none or it failed (its error shown).
    bool openStartTable();
    void openTableFile(const QString &file);
    std::vector<std::string> connectDataTable(const QString &file);
    // fmaincodepage.cpp: fills LabelCodePage for the table just connected.
    void showTableCodePage();
    void fillGridFields(const std::vector<std::string> &columns);
    void loadSideFiles();
    void loadGridColumn(int column, const std::string &file);
    std::string gridText(int row, int column) const;
    // A grid column, heading first, as the side files keep it.
    std::vector<std::string> gridColumn(int column) const;
    // The side file to write: the one that exists under another case of the name, else the name.
    std::string sideFileTarget(const std::string &path) const;
    // Resets the year list and gives the yearly lists their room.
    void setYearList(const std::vector<data::YearColumn> &years);
    void connectSelection();

    void scheduleStart();
    // Runs a handler under the central error handler.
    void guard(const std::function<void()> &handler);
    // Connects the signal to a handler that runs under the central error handler.
    template <class Sender, class Signal> void connectGuarded(Sender *sender, Signal signal, void (TFormMain::*handler)())
    {
        connect(sender, signal, this, [this, handler] { guard([this, handler] { (this->*handler)(); }); });
    }

    WindowState m_state;
    Dialogs &m_dialogs;
    Environment m_env;
    DialogsSink m_sink;
    QButtonGroup *m_valtypButtons = nullptr;
    bool m_starting = false;
    bool m_startQueued = false;
    bool m_terminated = false;
};

} // namespace app
