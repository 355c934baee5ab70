// The page "Data table": the selected trees in an editable grid over Query1, the tools Replace and
// Check deads, and undo of what was stored into the data table.
#pragma once

#include "app/dialogs.h"
#include "app/pagehost.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace data {
class Confirmations;
class TableLock;
} // namespace data

namespace app {

class DataGrid;

class DataPage : public QWidget
{
    Q_OBJECT
public:
    // Every row Query1 stores from here on can be undone until the table is closed.
    DataPage(PageHost &host, Dialogs &dialogs, QWidget *parent = nullptr);

    // Page entry: the selected trees in the grid, editable unless the table refuses it.
    void enter();
    // Stores the edited row and empties the grid; false, with the grid kept, when the row cannot be
    // stored.
    bool leave();
    // Stores the grid's edited row; false, after the user was told why, when it cannot be stored.
    bool storeEdits();

private:
    // Replace: asks for the value to find and the new one, then asks about every cell found in the
    // shown rows. Check deads: asks for the dead value, then about every later year of a tree once
    // recorded dead. Both store the grid's edited row first; one run is one step of the undo history.
    void BtnReplaceClick();
    void BtnCheckDeadsClick();
    // Drops the edited row's unsaved changes, else writes back the last stored step. Also Ctrl+Z.
    void BtnUndoClick();
    void DBGridDataRowLeft(int row);

    void updateTools();
    void showNote();
    void refreshGrid();
    void runTool(const std::function<void(data::Confirmations &)> &tool);
    // The table's writer lock (data::TableLock), held while rows are written; throws when another
    // program writes the table.
    std::unique_ptr<data::TableLock> tableLock() const;

    PageHost &m_host;
    WindowState &m_state;
    Dialogs &m_dialogs;

    QLabel *LabelReadOnly; // above the grid: why the table cannot be edited, shown only then
    DataGrid *DBGridData;
    QWidget *PanelDataTools;
    QLabel *Label9;
    QComboBox *CB_Fields;
    QCheckBox *CB_selected;
    QPushButton *BtnReplace;
    QPushButton *BtnCheckDeads;
    QPushButton *BtnUndo;
};

} // namespace app
