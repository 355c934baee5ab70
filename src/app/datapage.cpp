// The page "Data table": the selected trees in an editable grid over Query1, the tools Replace and
// Check deads, and undo of the changes stored into the data table.
#include "app/datapage.h"

#include "app/errorhandler.h"
#include "app/guardedslot.h"

#include "app/datagrid.h"
#include "app/named.h"
#include "common/error.h"
#include "data/edittools.h"
#include "data/sidefiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>

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

DataPage::DataPage(PageHost &host, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_host(host), m_state(host.state()), m_dialogs(dialogs)
{
    setObjectName("TabSheetData");
    QWidget *page = this;
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

    // Every row Query1 stores can be undone until the table is closed.
    m_state.Query1.setJournal(&m_state.DataJournal);
    connectGuarded(this, m_dialogs, BtnReplace, &QPushButton::clicked, &DataPage::BtnReplaceClick);
    connectGuarded(this, m_dialogs, BtnCheckDeads, &QPushButton::clicked, &DataPage::BtnCheckDeadsClick);
    connectGuarded(this, m_dialogs, BtnUndo, &QPushButton::clicked, &DataPage::BtnUndoClick);
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, [this] {
        if (BtnUndo->isEnabled()) runGuarded(m_dialogs, [this] { BtnUndoClick(); });
    });
    connect(DBGridData, &DataGrid::rowLeft, this,
            [this](int row) { runGuarded(m_dialogs, [this, row] { DBGridDataRowLeft(row); }); });
    connect(DBGridData, &DataGrid::valueRefused, this, [this](const QString &message) {
        runGuarded(m_dialogs, [this, message] { m_dialogs.error(message); });
    });
    connect(DBGridData->dataModel(), &DataGridModel::editStateChanged, this, [this] { updateTools(); });
    updateTools();
}

void DataPage::enter()
{
    // Nothing of an earlier entry stays on display: the page change has closed Query1.
    DBGridData->dataModel()->clear();
    LabelReadOnly->hide();
    if (!m_host.CheckSelection()) return;
    m_host.PrepareTreeQuery();
    m_state.Query1.setParam("PlotNames", m_host.selectedPlot());
    m_state.Query1.setParam("NSpecies", m_host.selectedSpecies());
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
    showNote();
    updateTools();
}

bool DataPage::leave()
{
    if (!storeEdits()) return false;
    // Query1 carries other statements from now on: the grid lets go of it.
    DBGridData->dataModel()->clear();
    return true;
}

void DataPage::updateTools()
{
    const DataGridModel *model = DBGridData->dataModel();
    const bool editable = model->isEditable();
    for (QWidget *control :
         std::initializer_list<QWidget *>{CB_Fields, CB_selected, BtnReplace, BtnCheckDeads})
        control->setEnabled(editable);
    BtnUndo->setEnabled(editable && (m_state.DataJournal.canUndo() || model->editedRow() >= 0));
}

void DataPage::showNote()
{
    const std::string note = m_state.DataJournal.takeNote();
    if (!note.empty()) m_dialogs.information(QString::fromStdString(note));
}

std::unique_ptr<data::TableLock> DataPage::tableLock() const
{
    // No import or setup replaces the table while a row of it is written.
    return std::make_unique<data::TableLock>(std::filesystem::path(m_state.dataDir()), m_state.tableFile(),
                                             "window");
}

bool DataPage::storeEdits()
{
    // A refused value is followed by its message and the cell opened again.
    if (!DBGridData->commitEditor()) return false;
    try {
        const auto lock = tableLock();
        DBGridData->dataModel()->storeEditedRow();
    } catch (const common::Error &e) {
        m_dialogs.error(QString::fromUtf8(e.what()) +
                        "\n\nThe row keeps its changes: correct them, or press Esc on the row to drop them.");
        updateTools();
        return false;
    }
    showNote();
    updateTools();
    return true;
}

void DataPage::DBGridDataRowLeft(int row)
{
    if (DBGridData->dataModel()->editedRow() != row || storeEdits()) return;
    // The row could not be stored: the cursor goes back to it, once the move away is over.
    QTimer::singleShot(0, this, [this, row] {
        if (DBGridData->dataModel()->editedRow() == row)
            DBGridData->setCurrentIndex(
                DBGridData->dataModel()->index(row, std::max(0, DBGridData->currentIndex().column())));
    });
}

void DataPage::refreshGrid()
{
    try {
        DBGridData->dataModel()->refresh();
    } catch (const common::Error &e) {
        m_dialogs.error(QString::fromUtf8(e.what()));
    }
    showNote();
    updateTools();
}

void DataPage::runTool(const std::function<void(data::Confirmations &)> &tool)
{
    DialogsConfirmations confirmations(m_dialogs);
    try {
        const auto lock = tableLock();
        // One run is one step of the undo history.
        data::EditJournal::StepScope step(m_state.DataJournal);
        tool(confirmations);
    } catch (...) {
        refreshGrid();
        throw;
    }
    refreshGrid();
}

void DataPage::BtnReplaceClick()
{
    if (!storeEdits()) return;
    const QString find = m_dialogs.inputBox(kReplaceCaption, "Find value", QString());
    const QString replacement = m_dialogs.inputBox(kReplaceCaption, "Replace value", QString());
    const data::ReplaceSettings settings{find.toStdString(),       replacement.toStdString(),
                                         CB_selected->isChecked(), CB_Fields->currentText().toStdString(),
                                         m_state.yearFields(),     m_state.fieldRoles().treeId};
    runTool([&](data::Confirmations &confirmations) {
        data::replaceValues(m_state.Query1, settings, confirmations);
    });
}

void DataPage::BtnCheckDeadsClick()
{
    if (!storeEdits()) return;
    const std::string standard = data::standardDeadValue(m_host.valueType());
    const QString dead =
        m_dialogs.inputBox(kReplaceCaption, "Value of deads", QString::fromStdString(standard));
    const data::DeadCheckSettings settings{dead.toStdString(), standard, m_host.yearList()};
    runTool([&](data::Confirmations &confirmations) {
        data::checkDeads(m_state.Query1, settings, confirmations);
    });
}

void DataPage::BtnUndoClick()
{
    DataGridModel *model = DBGridData->dataModel();
    if (!model->isEditable() || !DBGridData->commitEditor()) return;
    // Changes not yet stored are the last ones: they are dropped, and the file is not touched.
    if (model->editedRow() >= 0) {
        model->cancelEditedRow();
        return;
    }
    try {
        const auto lock = tableLock();
        m_state.DataJournal.undo();
    } catch (...) {
        refreshGrid();
        throw;
    }
    refreshGrid();
}

} // namespace app
