// The main window: six pages, the start sequence that opens the data table, the state that every page
// works with, and closing with the model line settings saved.
#pragma once

#include "app/dialogs.h"
#include "app/environment.h"
#include "app/pagehost.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTabWidget;

namespace charts {
class Chart;
}

namespace app {

class BatchRuns;
class DataPage;
class MainPage;
class ModelPage;
class RegressionPage;
class StatPage;
class TransitPage;
class TFormChartProp;
class TFormGraphParams;
class TFormInfo;

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
    // The start sequence; does nothing once it has completed. A step that fails ends it with the
    // error, and the next activation runs it again from the start.
    void FormActivate();
    // Opens the manual (manual.h) in the desktop's browser; says where the manual is when no browser
    // can be started, and where it belongs when it is missing.
    void BtnHelpClick();
    void BtnInfoClick();
    // The model line settings dialog: created on first use and kept, so that it opens again as it
    // was closed.
    void BtnGraphLinesClick();

    // What the pages ask of the window (pagehost.h). The selection is the main page's.
    WindowState &state() override { return m_state; }
    std::string selectedPlot() const override;
    std::string selectedSpecies() const override;
    void PrepareTreeQuery() override;
    std::optional<SelectedRows> CheckSelection() override;
    std::vector<data::YearColumn> yearList() const override;
    int valueType() const override;
    void returnToMainPage() override;
    void enterPage(QWidget &page) override;
    void ShowChartProperties(charts::Chart &chart) override;
    std::string SpeciesName(const std::string &species) const override;

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
    // "Save as" with the Windows bitmap, Windows metafile, enhanced metafile and all-files filters, then
    // PNG, SVG and PDF; the bitmap type and "bmp" at first.
    static SaveDialog pictureSaveDialog();

    // True once a cancelled open dialog has asked the program to end.
    bool terminated() const { return m_terminated; }
    // True once the start sequence has completed.
    bool activated() const { return Activated; }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool Activated = false;
    // The about box, created by the first activation and kept.
    std::unique_ptr<TFormInfo> FormInfo;
    std::unique_ptr<TFormGraphParams> FormGraphParams;
    // The one "Chart properties" dialog of the model and regression pages, created by its first use.
    std::unique_ptr<TFormChartProp> FormChartProp;

    void FormCreate();
    // Gives the model page the size of the page shown and tells the chart's size on the main page.
    void FormResize();
    // Stores the data table's edited row (or asks) and saves the model line settings; true when the
    // window may close.
    bool FormClose();
    // Page entry: closes what the pages had open, then prepares the page now shown for the selected
    // plot and species. Runs on the user's page changes; a page the program selects itself is
    // selected with the tab bar's signals blocked and calls it when it wants the entry.
    void PageControl1Change();
    // "Import table" (fmainimport.cpp): long CSV files made into a data table in the import dialog
    // (TFormImport), which then opens as a table chosen in the open dialog does, its years and roles
    // set as Set OK sets them, ready for the statistics. The open table stays when the dialog is
    // cancelled.
    void BtnImportClick();
    // The user picked the save dialog's file type at `typeIndex` (from 0): its default extension.
    void SaveDlgTypeChange(int typeIndex);

    // fmainpages.cpp: the pages, and the main page's buttons whose work is the window's.
    void createPages();
    void connectMainPage();
    // While no table is open, every control that needs one is disabled and the caption names none.
    void setTableOpen(bool open);

    // The start sequence's open dialog and table (steps 2 to 6).
    bool openDataTable();
    // The table named on the command line instead of the open dialog, tried once; false when there
    // is none or it failed (its error shown).
    bool openStartTable();
    void openTableFile(const QString &file);
    std::vector<std::string> connectDataTable(const QString &file);

    void scheduleStart();
    // Runs a handler under the central error handler.
    void guard(const std::function<void()> &handler);

    QTabWidget *PageControl1;
    MainPage *TabSheetMain;
    DataPage *TabSheetData;
    ModelPage *TabSheetModel;
    StatPage *TabSheetStat;
    TransitPage *TabSheetTransit;
    RegressionPage *TabSheetRegression;

    WindowState m_state;
    Dialogs &m_dialogs;
    Environment m_env;
    DialogsSink m_sink;
    std::unique_ptr<common::MessageSink> m_commitWarnings; // the sink of common::setCommitWarnings
    std::unique_ptr<BatchRuns> m_runs;
    SaveDialog SaveDlg = pictureSaveDialog();
    bool m_starting = false;
    bool m_startQueued = false;
    bool m_terminated = false;
};

} // namespace app
