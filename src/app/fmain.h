// The main window: six pages, the start sequence that opens the data table, the state that every page
// works with, and closing with the model line settings saved.
#pragma once

#include "app/dialogs.h"
#include "app/environment.h"
#include "data/database.h"
#include "data/editjournal.h"
#include "data/selection.h"
#include "model/modelsettings.h"
#include "model/transituncertainty.h"
#include "stats/statistics.h"

#include <QPrinter>
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

class DataGrid;
class ListBox;
class TFormChartProp;
class TFormCreateModelsSetting;
class TFormGraphParams;
class TFormInfo;
class TFormPlotContainer;
class UpDown;

// The rows of the plot and species chosen in their lists.
struct SelectedRows
{
    int plot = -1;
    int species = -1;
};

class TFormMain : public QWidget
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
    void PrepareTreeQuery();
    // The rows of the selected plot and species; nothing, after a warning and with the main page
    // shown, when either list has no selection.
    std::optional<SelectedRows> CheckSelection();
    void SpeedButton1Click();
    // Adds the selected plot to the plot container, once, while the container is shown.
    void ListPlotsDblClick();

    // Page entry: closes what the pages had open, then prepares the page now shown for the selected
    // plot and species. Runs on the user's page changes; a page the program selects itself is
    // selected with the tab bar's signals blocked and calls it when it wants the entry.
    void PageControl1Change();

    // Model page (fmainmodel.cpp).
    // Computes and draws the model chart of the selected plot and species; the selected-trees query
    // must be prepared in Query1.
    void BtnSingleMClick();
    // With "Auto model calculation" checked, a change of the interval or of "Max deads %" recomputes.
    void EditIntervalChange();
    void EditMaxDeadsChange();
    // The name a species goes by on the model chart's title: its name in the batch run's settings
    // dialog while that exists, otherwise the species code itself.
    std::string SpeciesName(const std::string &species) const;

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

    // Pictures and printing (fmainpictures.cpp).
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
    void BtnSaveClick();
    void BtnSave2Click();
    // The save dialog for a chart of the window; a confirmed name goes to SaveChartPicture.
    void SaveChartAs(charts::Chart &chart);
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
    // The printer set-up, the print layout dialog and the model chart printed into the rectangle
    // chosen there. Throws common::Error when no printer can print or printing fails.
    void BtnPrintClick();

    // Result pages and the statistics run (fmainresults.cpp).
    void BtnStatClick();
    void BuildTransitPage();
    void LB_TransitMatrixClick();
    void CheckShowIntervalsClick();
    void EdCpBr1Change();
    void BtnCopyClpClick();

    // Regression page (fmainregression.cpp). The page works on Query1, opened by its entry with the
    // selected trees; RegrStats exists while the page is open.
    // Shows survey year k (1 ... YearCount): rebuilds the three fixed series and their grid rows,
    // drops the freely chosen pair and resets the choice of RG_series to "none".
    void ShowYear(int k);
    // Builds one fixed series from Query1 (at least 4 points with both values, else an empty entry)
    // and writes its grid row, and the Y statistics into YRow when YRow > 0.
    void AddSeries(const std::string &FX, const std::string &FY, int Row, double MisX, double MisY, int YRow,
                   const std::string &Name);
    // Writes v into the cell with `Digits` decimals and the user's decimal separator; the grid grows
    // to the row when needed.
    void PutNumber(int Col, int Row, int Digits, double v);
    void BtnFirstYearClick();
    void BtnLastYearClick();
    // An arrow of UpDownYear: +1 the next year, -1 the previous one, staying within the year list.
    void UpDownYearClick(int direction);
    // The choice of RG_series: clears the chart and draws the chosen series with its last fit;
    // "another" asks for the columns in TFormVars and the degree first.
    void RG_seriesClick();
    // Fits another degree to the series shown and adds its line. A degree outside 0 to 20 is refused
    // (common::ConvertError) and nothing changes.
    void BtnNewPolynomClick();
    // Shows the equation of the last fit and copies it unless the answer is No.
    void BtnEquationClick();

    // Chart properties (fmainchartprop.cpp): the one "Chart properties" dialog, created by the first
    // use and kept, pointed at the given chart, shown beside the window and brought to the front.
    void ShowChartProperties(charts::Chart &chart);
    void BtnPropertiesClick();
    void BtnPropertiesRegrClick();

    // The settings of a statistics run as the controls hold them now; "Max deads %" stays at its
    // default, as only the chart uses it. Throws ConvertError for an interval that is not a number.
    model::ModelSettings modelSettings() const;
    // The same with "Max deads %", for the model chart; ConvertError also when it is not a number.
    model::ModelSettings modelChartSettings() const;
    // The survey years of the year list, in its order.
    std::vector<data::YearColumn> yearList() const;

    // The column names of the roles, as the SQL texts take them, and setting all five at once.
    data::FieldRoles fieldRoles() const;
    void setFieldRoles(const data::FieldRoles &roles);
    // The text of the selected plot or species; empty when the list has no selection.
    std::string selectedPlot() const;
    std::string selectedSpecies() const;

    // Index of the checked item of RG_valtyp: 0 per cent, 1 damage classes.
    int valueType() const;
    // True once a cancelled open dialog has asked the program to end.
    bool terminated() const { return m_terminated; }

    // Pages.
    QTabWidget *PageControl1;
    QWidget *TabSheetMain;
    QWidget *TabSheetData;
    QWidget *TabSheetModel;
    QWidget *TabSheetStat;
    QWidget *TabSheetTransit;
    QWidget *TabSheetRegression;

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

    // Model page: the panel of its settings and buttons above the chart.
    QWidget *Panel1;
    QLabel *LabelInterval;
    QLineEdit *EditInterval;
    UpDown *UpDown1;
    QLabel *LabelMaxDeads;
    QLineEdit *EditMaxDeads;
    UpDown *UpDown2;
    QPushButton *BtnSingleM;
    QCheckBox *CB_Auto;
    QPushButton *BtnProperties;
    QPushButton *BtnPrint;
    QPushButton *BtnSave;
    charts::Chart *ChartTModel;

    // "Plot statistics" page: the stored yearly statistics of the selection, read-only.
    QTableWidget *DBGrid1;

    // "Transit matrix" page. The fields show columns of QueryTransition's current row; TransitFields
    // (row i, column j shows column "T" i j) exist once BuildTransitPage has run.
    QWidget *PanelTransit;
    QLabel *Lb_TMplot;
    QLabel *Lb_TMspecies;
    ListBox *LB_TransitMatrix;
    QLabel *DBText1;
    QLabel *DBTreeNumber;
    std::array<std::array<QLabel *, 6>, 6> TransitFields{};
    // Beside the matrix: the trees of each row ("LbTMCount" i), the switch between the stored shares
    // and the shares with their intervals, and under it the homogeneity line. They show the matrices
    // counted again from the selected trees (TransitRecords), and only while TRANSIT.DBF holds those
    // very matrices (TransitCountsAtHand); otherwise LbHomogeneity says why nothing is shown.
    std::array<QLabel *, 6> TransitRowCounts{};
    QCheckBox *CheckShowIntervals;
    QLabel *LbHomogeneity;
    QGroupBox *GroupClipboard;
    QLineEdit *EdCpTitle;
    QLineEdit *EdCpBr1;
    QLineEdit *EdCpBr2;
    QLineEdit *EdCpSpr;
    QLineEdit *EdCpDec;
    QPushButton *BtnCopyClp;

    // "Regression model" page. SG_StatRes has a heading row and a heading column as its first row
    // and column; RG_series holds the radio buttons "none", "DBH", "height", "DBH-height", "another".
    QLabel *LabelYear;
    UpDown *UpDownYear;
    QToolButton *BtnFirstYear;
    QToolButton *BtnLastYear;
    QTableWidget *SG_StatRes;
    QGroupBox *RG_series;
    QPushButton *BtnPropertiesRegr;
    QPushButton *BtnNewPolynom;
    QPushButton *BtnEquation;
    QPushButton *BtnSave2;
    charts::Chart *ChartRegr;

    SaveDialog SaveDlg = pictureSaveDialog();
    // The printer of the print command, created by its first use and kept with its settings.
    std::unique_ptr<QPrinter> Printer;

    // The about box, created by the first activation and kept.
    std::unique_ptr<TFormInfo> FormInfo;
    std::unique_ptr<TFormGraphParams> FormGraphParams;
    std::unique_ptr<TFormChartProp> FormChartProp;
    // The plot container, hidden until SpeedButton1 shows it.
    std::unique_ptr<TFormPlotContainer> FormPlotContainer;
    // The connection to the data directory and the window's shared query on it.
    data::Connection PrimaryData;
    data::Query Query1{PrimaryData};
    data::Query QueryAverage{PrimaryData};
    data::Query QueryTransition{PrimaryData};

    // State of the main window. The yearly lists are indexed from 0 (survey year i + 1).
    bool Activated = false;
    std::string DataDir;   // with its trailing separator
    std::string TableFile; // file name with extension, no directory
    std::string PlotField;
    std::string TreeIdField;
    std::string SpeciesField;
    std::string DbhField;
    std::string HeightField;
    int YearCount = 0;
    std::vector<int> Years;
    std::vector<std::string> YearFields;
    std::vector<double> YearDefAvg;
    std::vector<double> YearDefStd;
    std::vector<double> YearDead;
    std::vector<int> YearTrees;
    std::vector<std::array<int, 6>> YearClasses;
    double PrcTreeFactor = 0;
    std::string Conditions;
    std::string FixedSpecies;
    bool TransitPageBuilt = false;
    std::vector<model::TTransit> TransitRecords;
    std::vector<model::TransitEstimate> TransitEstimates; // of TransitRecords, in their order
    bool TransitCountsAtHand = false;
    // The series of the regression page: DBH, Height and DBH-Height of the year shown, then the
    // freely chosen pair; an entry is empty (null) when its series was not built or had too few
    // points. Absent while the page is not open.
    std::optional<std::vector<std::unique_ptr<stats::TStatistics>>> RegrStats;
    int RegrYear = 0; // 1 ... YearCount: the year shown on the regression page

    // State of the whole program, kept here as the main window lives as long as the program.
    std::string TitlePlot;
    std::string TitleSpecies;
    std::vector<std::string> GraphSettings; // the name=value lines of Graph.ini, unknown lines included

    // "Data table" page (fmaindata.cpp): the selected trees in an editable grid over Query1, the tools
    // Replace and Check deads, and undo of what was stored into the data table.
    // Replace: asks for the value to find and the new one, then asks about every cell found in the
    // shown rows. Check deads: asks for the dead value, then about every later year of a tree once
    // recorded dead. Both store the grid's edited row first; one run is one step of the undo history.
    void BtnReplaceClick();
    void BtnCheckDeadsClick();
    // Drops the edited row's unsaved changes, else writes back the last stored step. Also Ctrl+Z.
    void BtnUndoClick();
    // Stores the grid's edited row; false, after the user was told why, when it cannot be stored.
    bool storeDataEdits();
    QLabel *LabelReadOnly; // above the grid: why the table cannot be edited, shown only then
    DataGrid *DBGridData;
    QWidget *PanelDataTools;
    QLabel *Label9;
    QComboBox *CB_Fields;
    QCheckBox *CB_selected;
    QPushButton *BtnReplace;
    QPushButton *BtnCheckDeads;
    QPushButton *BtnUndo;
    // The undo history of the data table, kept until the table is closed.
    data::EditJournal DataJournal{PrimaryData};

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
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
    // fmainmodel.cpp
    QWidget *createModelPage();
    void connectModelPage();
    void enterModelPage(const SelectedRows &rows);
    // fmainresults.cpp
    QWidget *createStatPage();
    QWidget *createTransitPage();
    void connectResultPages();
    void enterStatPage();
    void enterTransitPage();
    // Shows QueryTransition's current row in every field bound to it; blank when it has no row. Qt
    // has no data-bound labels, so every change of the row calls it.
    void showTransitRow();
    // Counts the matrices of the selection again from its trees at the interval of the stored ones
    // and compares them with every stored row (QueryTransition is left on its first row).
    void countTransitRecords();
    // The row counts, the cells with intervals (when asked for) and the homogeneity line.
    void showTransitUncertainty();
    // The matrix on display in the notation set in the group "Copy into clipboard".
    QString transitMatrixText() const;

    // fmaindata.cpp
    QWidget *createDataPage();
    void connectDataPage();
    void enterDataPage();
    // Stores the edited row and empties the grid; false, with the grid kept, when the row cannot be
    // stored.
    bool leaveDataPage();
    void updateDataTools();
    void showDataNote();
    void DBGridDataRowLeft(int row);
    void refreshDataGrid();
    void runDataTool(const std::function<void(data::Confirmations &)> &tool);
    // fmainchartprop.cpp
    void connectChartProperties();
    // fmainmodels.cpp: the batch run's pictures, and where the model computation's messages go while
    // it draws (the window's message boxes otherwise).
    class BatchPictures;
    common::MessageSink *m_modelSink = nullptr;
    // fmainregression.cpp
    QWidget *createRegressionPage();
    void connectRegressionPage();
    void enterRegressionPage();
    // The index of the checked item of RG_series, 0 "none" to 4 "another".
    int regressionChoice() const;
    // The series of the chosen item of RG_series; nullptr when there is none to act on.
    stats::TStatistics *chosenRegression();
    // The pair chosen in TFormVars, computed and drawn ("another").
    void chooseAnotherSeries();
    // The degree typed in the input box, starting from the proposal.
    std::uint8_t askDegree(int proposal);
    void showDetermination(const stats::TStatistics &series);
    QButtonGroup *m_seriesButtons = nullptr;
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

    Dialogs &m_dialogs;
    Environment m_env;
    DialogsSink m_sink;
    QButtonGroup *m_valtypButtons = nullptr;
    bool m_starting = false;
    bool m_startQueued = false;
    bool m_terminated = false;
};

} // namespace app
