// The "Main Page": the data table's fields with their survey years and roles, the plot and species
// selection, the settings every computation reads, the user's condition and the buttons that run
// over the whole table or open the window's dialogs.
#pragma once

#include "app/dialogs.h"
#include "app/windowstate.h"

#include <QWidget>

#include <string>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace app {

class PlotSelection;
class UpDown;

class MainPage : public QWidget
{
    Q_OBJECT
public:
    MainPage(WindowState &state, Dialogs &dialogs, QWidget *parent = nullptr);

    PlotSelection &selection() { return *m_selection; }
    // Index of the checked item of RG_valtyp: 0 per cent, 1 damage classes.
    int valueType() const;
    // The controls that need a table are enabled only while one is open; closed, the field grid and
    // the lists are emptied.
    void setTableOpen(bool open);
    // Shows the table just connected: its columns in the field grid, what its side files give for
    // them and the code page its text is read in.
    void showTable(const std::vector<std::string> &columns);
    void showGraphSize(int width, int height);
    // Enter that no control took: presses Set OK when it can be pressed; false when it cannot.
    bool pressDefault();
    // True when the years or roles of the field grid differ from those it showed when the table was
    // opened or Set OK last saved them: closing would lose them.
    bool setupUnsaved() const;

    // Handlers.
    // Builds the year list from the grid, fills the plot list, writes the side files and disables
    // itself and Suggest. Throws, with what was done before kept: ConvertError for a year cell that is
    // not a whole number (no year list then), DataError when the plot query fails, FileError or
    // DataError when a side file cannot be written; Set OK stays enabled in each case.
    void BtnSetOKClick();
    // Fills "Defoliations" and "Specials" with the years and roles the column names suggest
    // (data::suggestColumnSetup), replacing what the grid showed, and gives the roles to their
    // columns; nothing is stored until Set OK. Throws common::DataError when the table cannot be read.
    void BtnSuggestClick();
    // Double-click on the field grid: in the "Specials" column the current cell takes the role chosen
    // in CB_SpecFields (empty when none), the role it named before is unassigned (when its variable
    // still names this column) and the new one given to the row's column, taken from the cell that
    // named it before (which shows "-" then). After Set OK a change of PlotNames or Species fills the
    // lists again from the new columns. Other columns change nothing.
    void GridFieldsDblClick();
    // Asks for the free condition and refills the plot list under it. A condition the engine refuses
    // is not taken: its message is thrown and the condition and the lists stay as they were.
    void BtnConditionsClick();
    void EditPrcTreeChange();

signals:
    // The buttons whose work is the window's. A run's button is off while the run works, as the run
    // processes events to keep its progress window alive and no second run may start from them.
    void statisticsClicked();
    void reportClicked();
    void createModelsClicked();
    void graphLinesClicked();
    void helpClicked();
    void infoClicked();
    void closeClicked();
    void importClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void EditPrcTreeMouseDown(Qt::MouseButton button);

    QLayout *createFieldsColumn();
    QLayout *createActionsColumn();
    QWidget *createValueTypeGroup();
    QLayout *createShareRow();
    QLayout *createToolButtons();
    void connectRun(QAbstractButton *button, void (MainPage::*signal)());
    // The order in which Tab and Shift+Tab visit the page's controls.
    void setTabChain();

    void loadSideFiles();
    void loadGridColumn(int column, const std::string &file);
    std::string gridText(int row, int column) const;
    // A grid column, heading first, as the side files keep it.
    std::vector<std::string> gridColumn(int column) const;
    // The side file to write: the one that exists under another case of the name, else the name.
    std::string sideFileTarget(const std::string &path) const;
    // Fills LabelCodePage for the table just connected; its tooltip says how the code page was found.
    void showTableCodePage();

    WindowState &m_state;
    Dialogs &m_dialogs;
    DialogsSink m_sink;

    QLabel *Label1;
    QTableWidget *GridFields;
    QComboBox *CB_SpecFields;
    QPushButton *BtnSetOK;
    QPushButton *BtnSuggest;
    QPushButton *BtnImport;
    // Under the field grid: the code page the table's text is read in; its tooltip says why.
    QLabel *LabelCodePage;
    PlotSelection *m_selection;
    QGroupBox *RG_valtyp;
    QButtonGroup *m_valtypButtons = nullptr;
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
    // The "Defoliations" and "Specials" columns as last loaded or saved (gridColumn).
    std::vector<std::string> m_savedYears, m_savedRoles;
    void rememberSetup();
};

} // namespace app
