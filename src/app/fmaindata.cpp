// The page "Data table": the selected trees in an editable grid over Query1, the tools Replace and
// Check deads, and undo of the changes stored into the data table.
#include "app/fmain.h"

#include "app/datagrid.h"
#include "app/named.h"
#include "common/error.h"
#include "data/edittools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

namespace {

// The tools' questions as message boxes with Yes, No and Cancel; a box closed otherwise is Cancel.
class DialogsConfirmations final : public data::Confirmations
{
public:
    explicit DialogsConfirmations(Dialogs &dialogs) : m_dialogs(dialogs) {}
    data::Answer confirm(const std::string &question) override
    {
        switch (m_dialogs.message(MessageKind::Confirmation, QString::fromStdString(question),
                                  Button::Yes | Button::No | Button::Cancel)) {
        case Button::Yes:
            return data::Answer::Yes;
        case Button::No:
            return data::Answer::No;
        default:
            return data::Answer::Cancel;
        }
    }

private:
    Dialogs &m_dialogs;
};

const char *const kReplaceCaption = "Replace procedure";

} // namespace

QWidget *TFormMain::createDataPage()
{
    auto *page = named<QWidget>("TabSheetData");
    LabelReadOnly = named<QLabel>("LabelReadOnly");
    LabelReadOnly->setWordWrap(true);
    LabelReadOnly->setContentsMargins(4, 2, 4, 2);
    LabelReadOnly->hide();
    DBGridData = named<DataGrid>("DBGridData");
    // The grid has no label beside it: it is named after its page.
    DBGridData->setAccessibleName("Data table");

    PanelDataTools = named<QWidget>("PanelDataTools");
    PanelDataTools->setFixedHeight(30);
    Label9 = named<QLabel>("Label9", "Fields");
    CB_Fields = named<QComboBox>("CB_Fields");
    CB_Fields->setMinimumContentsLength(10);
    CB_Fields->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Label9->setBuddy(CB_Fields);
    CB_Fields->setAccessibleName(Label9->text());
    CB_selected = named<QCheckBox>("CB_selected", "selected only");
    BtnReplace = named<QPushButton>("BtnReplace", "Replace");
    BtnCheckDeads = named<QPushButton>("BtnCheckDeads", "Check deads");
    BtnUndo = named<QPushButton>("BtnUndo", "Undo");
    BtnUndo->setToolTip("Write back the last change stored into the table (Ctrl+Z)");
    auto *tools = new QHBoxLayout(PanelDataTools);
    tools->setContentsMargins(4, 2, 4, 2);
    tools->addWidget(Label9);
    tools->addWidget(CB_Fields);
    tools->addWidget(CB_selected);
    tools->addWidget(BtnReplace);
    tools->addWidget(BtnCheckDeads);
    tools->addStretch(1);
    tools->addWidget(BtnUndo);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(LabelReadOnly);
    layout->addWidget(DBGridData, 1);
    layout->addWidget(PanelDataTools);
    return page;
}

void TFormMain::connectDataPage()
{
    // Every row Query1 stores can be undone until the table is closed.
    m_state.Query1.setJournal(&m_state.DataJournal);
    connectGuarded(BtnReplace, &QPushButton::clicked, &TFormMain::BtnReplaceClick);
    connectGuarded(BtnCheckDeads, &QPushButton::clicked, &TFormMain::BtnCheckDeadsClick);
    connectGuarded(BtnUndo, &QPushButton::clicked, &TFormMain::BtnUndoClick);
    auto *undo = new QShortcut(QKeySequence::Undo, TabSheetData);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, [this] {
        if (BtnUndo->isEnabled()) guard([this] { BtnUndoClick(); });
    });
    connect(DBGridData, &DataGrid::rowLeft, this,
            [this](int row) { guard([this, row] { DBGridDataRowLeft(row); }); });
    connect(DBGridData, &DataGrid::valueRefused, this,
            [this](const QString &message) { guard([this, message] { m_dialogs.error(message); }); });
    connect(DBGridData->dataModel(), &DataGridModel::editStateChanged, this, [this] { updateDataTools(); });
    updateDataTools();
}

void TFormMain::enterDataPage()
{
    // Nothing of an earlier entry stays on display: the page change has closed Query1.
    DBGridData->dataModel()->clear();
    LabelReadOnly->hide();
    if (!CheckSelection()) return;
    PrepareTreeQuery();
    m_state.Query1.setParam("PlotNames", selectedPlot());
    m_state.Query1.setParam("NSpecies", selectedSpecies());
    m_state.Query1.open();
    const std::string readOnly = m_state.Query1.readOnlyReason();
    DBGridData->dataModel()->load(m_state.Query1, readOnly.empty());
    // Narrow columns of numbers: all of a survey's years fit the window's width.
    DBGridData->resizeColumnsToContents();
    if (!readOnly.empty()) {
        LabelReadOnly->setText(QString::fromStdString("Read-only. " + readOnly +
                                                      ". The rows are shown, but editing, Replace and "
                                                      "Check deads are off."));
        LabelReadOnly->show();
    }

    // The column chosen before stays chosen when the new rows have it.
    const QString chosen = CB_Fields->currentText();
    CB_Fields->clear();
    CB_Fields->addItem(QString());
    for (const auto &column : m_state.Query1.fieldNames())
        CB_Fields->addItem(QString::fromStdString(column));
    CB_Fields->setCurrentIndex(std::max(0, CB_Fields->findText(chosen, Qt::MatchExactly)));
    m_state.DataJournal.checkFile();
    showDataNote();
    updateDataTools();
}

bool TFormMain::leaveDataPage()
{
    if (!storeDataEdits()) return false;
    // Query1 carries other statements from now on: the grid lets go of it.
    DBGridData->dataModel()->clear();
    return true;
}

void TFormMain::updateDataTools()
{
    const DataGridModel *model = DBGridData->dataModel();
    const bool editable = model->isEditable();
    for (QWidget *control :
         std::initializer_list<QWidget *>{CB_Fields, CB_selected, BtnReplace, BtnCheckDeads})
        control->setEnabled(editable);
    BtnUndo->setEnabled(editable && (m_state.DataJournal.canUndo() || model->editedRow() >= 0));
}

void TFormMain::showDataNote()
{
    const std::string note = m_state.DataJournal.takeNote();
    if (!note.empty()) m_dialogs.information(QString::fromStdString(note));
}

bool TFormMain::storeDataEdits()
{
    // A refused value is followed by its message and the cell opened again.
    if (!DBGridData->commitEditor()) return false;
    try {
        DBGridData->dataModel()->storeEditedRow();
    } catch (const common::Error &e) {
        m_dialogs.error(QString::fromUtf8(e.what()) +
                        "\n\nThe row keeps its changes: correct them, or press Esc on the row to drop them.");
        updateDataTools();
        return false;
    }
    showDataNote();
    updateDataTools();
    return true;
}

void TFormMain::DBGridDataRowLeft(int row)
{
    if (DBGridData->dataModel()->editedRow() != row || storeDataEdits()) return;
    // The row could not be stored: the cursor goes back to it, once the move away is over.
    QTimer::singleShot(0, this, [this, row] {
        if (DBGridData->dataModel()->editedRow() == row)
            DBGridData->setCurrentIndex(
                DBGridData->dataModel()->index(row, std::max(0, DBGridData->currentIndex().column())));
    });
}

void TFormMain::refreshDataGrid()
{
    try {
        DBGridData->dataModel()->refresh();
    } catch (const common::Error &e) {
        m_dialogs.error(QString::fromUtf8(e.what()));
    }
    showDataNote();
    updateDataTools();
}

void TFormMain::runDataTool(const std::function<void(data::Confirmations &)> &tool)
{
    DialogsConfirmations confirmations(m_dialogs);
    try {
        // One run is one step of the undo history.
        data::EditJournal::StepScope step(m_state.DataJournal);
        tool(confirmations);
    } catch (...) {
        refreshDataGrid();
        throw;
    }
    refreshDataGrid();
}

void TFormMain::BtnReplaceClick()
{
    if (!storeDataEdits()) return;
    const QString find = m_dialogs.inputBox(kReplaceCaption, "Find value", QString());
    const QString replacement = m_dialogs.inputBox(kReplaceCaption, "Replace value", QString());
    const data::ReplaceSettings settings{find.toStdString(),       replacement.toStdString(),
                                         CB_selected->isChecked(), CB_Fields->currentText().toStdString(),
                                         m_state.YearFields,       m_state.TreeIdField};
    runDataTool([&](data::Confirmations &confirmations) {
        data::replaceValues(m_state.Query1, settings, confirmations);
    });
}

void TFormMain::BtnCheckDeadsClick()
{
    if (!storeDataEdits()) return;
    const std::string standard = data::standardDeadValue(valueType());
    const QString dead =
        m_dialogs.inputBox(kReplaceCaption, "Value of deads", QString::fromStdString(standard));
    const data::DeadCheckSettings settings{dead.toStdString(), standard, yearList()};
    runDataTool([&](data::Confirmations &confirmations) {
        data::checkDeads(m_state.Query1, settings, confirmations);
    });
}

void TFormMain::BtnUndoClick()
{
    DataGridModel *model = DBGridData->dataModel();
    if (!model->isEditable() || !DBGridData->commitEditor()) return;
    // Changes not yet stored are the last ones: they are dropped, and the file is not touched.
    if (model->editedRow() >= 0) {
        model->cancelEditedRow();
        return;
    }
    try {
        m_state.DataJournal.undo();
    } catch (...) {
        refreshDataGrid();
        throw;
    }
    refreshDataGrid();
}

} // namespace app
