// The "Main Page": its three columns, the table shown in the field grid, the share of trees, the
// user's condition and the buttons whose work is the window's.
#include "app/mainpage.h"

#include "app/guardedslot.h"
#include "app/localenumbers.h"
#include "app/named.h"
#include "app/plotselection.h"
#include "app/smallbutton.h"
#include "app/updown.h"
#include "common/error.h"
#include "common/numbers.h"
#include "data/condition.h"
#include "data/fieldgrid.h"
#include "data/sidefiles.h"
#include "data/tableinfo.h"
#include "model/modelpictures.h"
#include "stats/statistics.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>
#include <optional>

namespace app {

namespace {

const char *const kGridHeadings[] = {"Fields", "Defoliations", "Specials"};

} // namespace

MainPage::MainPage(WindowState &state, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs), m_sink(dialogs)
{
    setObjectName("TabSheetMain");
    m_selection = new PlotSelection(m_state, m_dialogs);
    auto *columns = new QHBoxLayout(this);
    columns->addLayout(createFieldsColumn());
    columns->addWidget(m_selection, 1);
    columns->addLayout(createActionsColumn(), 1);

    nameAfter(GridFields, Label1);
    nameAfter(EditPrcTree, Label10);
    CB_SpecFields->setAccessibleName("Specials");
    UpDownPrcTree->setHints("Minimal defoliation up", "Minimal defoliation down");

    connectGuarded(this, m_dialogs, BtnSetOK, &QPushButton::clicked, &MainPage::BtnSetOKClick);
    connectGuarded(this, m_dialogs, BtnSuggest, &QPushButton::clicked, &MainPage::BtnSuggestClick);
    connectGuarded(this, m_dialogs, BtnConditions, &QPushButton::clicked, &MainPage::BtnConditionsClick);
    connectGuarded(this, m_dialogs, EditPrcTree, &QLineEdit::textChanged, &MainPage::EditPrcTreeChange);
    connect(BtnImport, &QPushButton::clicked, this, &MainPage::importClicked);
    connect(BtnClose, &QPushButton::clicked, this, &MainPage::closeClicked);
    connect(BtnGraphLines, &QToolButton::clicked, this, &MainPage::graphLinesClicked);
    connect(BtnHelp, &QToolButton::clicked, this, &MainPage::helpClicked);
    connect(BtnInfo, &QToolButton::clicked, this, &MainPage::infoClicked);
    connectRun(BtnStat, &MainPage::statisticsClicked);
    connectRun(BtnReport, &MainPage::reportClicked);
    connectRun(BtnCreateModelsAll, &MainPage::createModelsClicked);
    GridFields->viewport()->installEventFilter(this);
    EditPrcTree->installEventFilter(this);
    setTabChain();
}

void MainPage::setTabChain()
{
    // Tab walks the page column by column, top to bottom; the grid's cells are walked with the arrow
    // keys, so that Tab leaves the grid instead of going round its cells for ever.
    GridFields->setTabKeyNavigation(false);
    QList<QWidget *> chain{CB_SpecFields, GridFields, BtnSuggest, BtnSetOK, BtnImport};
    chain += m_selection->tabChain();
    chain += {m_valtypButtons->button(0), m_valtypButtons->button(1), EditPrcTree, BtnConditions};
    chain += {BtnCreateModelsAll, BtnGraphLines, BtnHelp, BtnInfo, BtnStat, BtnReport, BtnClose};
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void MainPage::connectRun(QAbstractButton *button, void (MainPage::*signal)())
{
    connect(button, &QAbstractButton::clicked, this, [this, button, signal] {
        button->setEnabled(false);
        // The receivers run under the central error handler: nothing is thrown through here.
        emit(this->*signal)();
        button->setEnabled(true);
    });
}

QLayout *MainPage::createFieldsColumn()
{
    // The field grid with the role choice above it.
    Label1 = named<QLabel>("Label1", "Data table fields");
    CB_SpecFields = named<QComboBox>("CB_SpecFields");
    CB_SpecFields->addItem("-");
    for (const char *role : data::kRoleNames)
        CB_SpecFields->addItem(role);
    CB_SpecFields->setCurrentIndex(-1);
    GridFields = named<QTableWidget>("GridFields", 0, 3);
    GridFields->setHorizontalHeaderLabels({"Fields", "Defoliations", "Specials"});
    GridFields->verticalHeader()->hide();
    GridFields->verticalHeader()->setMinimumSectionSize(16);
    GridFields->verticalHeader()->setDefaultSectionSize(16);
    GridFields->horizontalHeader()->setDefaultSectionSize(100);
    GridFields->horizontalHeader()->setStretchLastSection(false);
    GridFields->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click in "Specials" assigns a role instead of opening the editor (eventFilter).
    GridFields->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    GridFields->setFixedWidth(100 * 3 + 2 * GridFields->frameWidth() +
                              GridFields->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    BtnSetOK = named<QPushButton>("BtnSetOK", "Set OK");
    BtnSetOK->setDefault(true);
    BtnSuggest = named<QPushButton>("BtnSuggest", "Suggest");
    LabelCodePage = named<QLabel>("LabelCodePage", "Code page: -");
    BtnImport = named<QPushButton>("BtnImport", "Import table...");
    auto *column = new QVBoxLayout;
    column->addWidget(Label1);
    column->addWidget(CB_SpecFields);
    column->addWidget(GridFields, 1);
    column->addWidget(LabelCodePage);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BtnSuggest);
    buttons->addWidget(BtnSetOK);
    column->addLayout(buttons);
    column->addWidget(BtnImport);
    return column;
}

QLayout *MainPage::createActionsColumn()
{
    // The settings of the computations, the condition and the buttons that act.
    auto *column = new QVBoxLayout;
    column->addWidget(createValueTypeGroup());
    column->addSpacing(6);
    column->addLayout(createShareRow());
    column->addSpacing(6);
    BtnConditions = named<QPushButton>("BtnConditions", "Conditions");
    LblConditions = named<QLabel>("LblConditions");
    LblConditions->setWordWrap(true);
    column->addWidget(BtnConditions);
    column->addWidget(LblConditions);
    column->addStretch(1);
    LabelGraphSize = named<QLabel>("LabelGraphSize", "---");
    column->addWidget(LabelGraphSize);
    column->addLayout(createToolButtons());
    BtnStat = named<QPushButton>("BtnStat", "Statistics");
    BtnReport = named<QPushButton>("BtnReport", "Survey report");
    BtnClose = named<QPushButton>("BtnClose", "&Close");
    BtnClose->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    column->addWidget(BtnStat);
    column->addWidget(BtnReport);
    column->addWidget(BtnClose);
    return column;
}

QWidget *MainPage::createValueTypeGroup()
{
    RG_valtyp = named<QGroupBox>("RG_valtyp", "Values in database as");
    m_valtypButtons = new QButtonGroup(this);
    auto *layout = new QVBoxLayout(RG_valtyp);
    const char *items[] = {"per-cent of defoliation", "damage classes"};
    for (int i = 0; i < 2; ++i) {
        auto *radio = new QRadioButton(items[i], RG_valtyp);
        m_valtypButtons->addButton(radio, i);
        layout->addWidget(radio);
    }
    m_valtypButtons->button(0)->setChecked(true);
    return RG_valtyp;
}

QLayout *MainPage::createShareRow()
{
    Label10 = named<QLabel>("Label10", "Minimal defoliation (% of all trees)");
    Label10->setWordWrap(true);
    EditPrcTree = named<QLineEdit>("EditPrcTree", "25");
    // The right button shows the factor instead of the edit's own menu.
    EditPrcTree->setContextMenuPolicy(Qt::NoContextMenu);
    EditPrcTree->setFixedWidth(48);
    UpDownPrcTree = named<UpDown>("UpDownPrcTree");
    UpDownPrcTree->setBuddy(EditPrcTree);
    UpDownPrcTree->setRange(0, 50);
    UpDownPrcTree->setIncrement(5);
    UpDownPrcTree->setFixedHeight(EditPrcTree->sizeHint().height());
    {
        // The buddy already shows the start position.
        const QSignalBlocker blocker(EditPrcTree);
        UpDownPrcTree->setPosition(25);
    }
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(EditPrcTree);
    row->addWidget(UpDownPrcTree);
    row->addStretch(1);
    auto *share = new QVBoxLayout;
    share->addWidget(Label10);
    share->addLayout(row);
    return share;
}

QLayout *MainPage::createToolButtons()
{
    BtnCreateModelsAll =
        smallButton("BtnCreateModelsAll", "Create all models", QStyle::SP_DialogSaveButton, "M");
    BtnGraphLines =
        smallButton("BtnGraphLines", "Model lines setting", QStyle::SP_FileDialogDetailedView, "L");
    BtnHelp = smallButton("BtnHelp", "Help on-line", QStyle::SP_CustomBase, "?");
    BtnInfo = smallButton("BtnInfo", "About info", QStyle::SP_MessageBoxInformation, "i");
    auto *tools = new QHBoxLayout;
    for (QToolButton *b : {BtnCreateModelsAll, BtnGraphLines, BtnHelp, BtnInfo})
        tools->addWidget(b);
    tools->addStretch(1);
    return tools;
}

int MainPage::valueType() const
{
    return m_valtypButtons->checkedId();
}

void MainPage::setTableOpen(bool open)
{
    if (!open) GridFields->setRowCount(0);
    m_selection->setTableOpen(open);
    for (QWidget *control :
         std::initializer_list<QWidget *>{GridFields, CB_SpecFields, BtnSuggest, BtnSetOK, BtnConditions,
                                          BtnStat, BtnReport, BtnCreateModelsAll})
        control->setEnabled(open);
}

void MainPage::showTable(const std::vector<std::string> &columns)
{
    GridFields->clearContents();
    GridFields->setRowCount(static_cast<int>(columns.size()));
    for (int c = 0; c < 3; ++c)
        GridFields->horizontalHeaderItem(c)->setText(kGridHeadings[c]);
    for (int row = 0; row < GridFields->rowCount(); ++row) {
        auto *name = new QTableWidgetItem(QString::fromStdString(columns[row]));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        GridFields->setItem(row, 0, name);
        GridFields->setItem(row, 1, new QTableWidgetItem("-"));
        GridFields->setItem(row, 2, new QTableWidgetItem("-"));
    }
    showTableCodePage();
    // A table opened anew has no condition yet, and its roles are those of its own side file.
    LblConditions->setText(QString::fromStdString(m_state.conditions()));
    loadSideFiles();
    rememberSetup();
}

void MainPage::rememberSetup()
{
    m_savedYears = gridColumn(1);
    m_savedRoles = gridColumn(2);
}

bool MainPage::setupUnsaved() const
{
    return GridFields->rowCount() > 0 && (gridColumn(1) != m_savedYears || gridColumn(2) != m_savedRoles);
}

void MainPage::loadSideFiles()
{
    // A side file written on a case-insensitive system may differ from the table's name in case.
    auto find = [this](const std::string &path) {
        return m_state.Survey.connection().findFile(std::filesystem::path(path).filename().string());
    };
    if (auto years = find(data::yearsSideFile(m_state.dataDir(), m_state.tableFile())))
        loadGridColumn(1, years->string());
    if (auto roles = find(data::rolesSideFile(m_state.dataDir(), m_state.tableFile()))) {
        loadGridColumn(2, roles->string());
        std::vector<std::string> fields;
        for (int row = 0; row < GridFields->rowCount(); ++row)
            fields.push_back(gridText(row, 0));
        m_state.setFieldRoles(data::rolesFromCells(fields, gridColumn(2)));
    }
}

void MainPage::loadGridColumn(int column, const std::string &file)
{
    const auto cells = data::loadSideFile(file, static_cast<size_t>(GridFields->rowCount()) + 1);
    GridFields->horizontalHeaderItem(column)->setText(QString::fromStdString(cells[0]));
    for (int row = 0; row < GridFields->rowCount(); ++row)
        GridFields->item(row, column)->setText(QString::fromStdString(cells[row + 1]));
}

std::string MainPage::gridText(int row, int column) const
{
    const QTableWidgetItem *item = GridFields->item(row, column);
    return item ? item->text().toStdString() : std::string();
}

void MainPage::showTableCodePage()
{
    const data::TableInfo info = data::describeTable(m_state.Survey.connection(), m_state.tableFile());
    LabelCodePage->setText("Code page: " +
                           QString::fromStdString(data::codePageDisplayName(info.codePage.name)));
    LabelCodePage->setToolTip(QFile::decodeName(info.fileName.c_str()) + ": text read as " +
                              QString::fromStdString(data::describeCodePage(info.codePage)));
}

void MainPage::showGraphSize(int width, int height)
{
    LabelGraphSize->setText(QString("Model graph size = %1 x %2").arg(width).arg(height));
}

void MainPage::EditPrcTreeChange()
{
    const long double share = common::strToFloat(EditPrcTree->text().toStdString(), decimalSeparator());
    m_state.PrcTreeFactor = model::ComputePrcTreeFactor(share, m_sink);
}

void MainPage::EditPrcTreeMouseDown(Qt::MouseButton button)
{
    if (button != Qt::RightButton) return;
    m_dialogs.information("Share value n(%)=" + QString::fromStdString(common::floatToText(
                                                    m_state.PrcTreeFactor, decimalSeparator())));
}

void MainPage::BtnConditionsClick()
{
    // Wide enough for a typical condition, such as (DBH > 10) AND (HEIGHT < 25) AND (SP <> 'BK').
    constexpr int kConditionBoxWidth = 560;
    // Checked before it is taken: a condition refused leaves the condition and both lists as they
    // were, and the box comes back with the refused text to correct. Given back unchanged (or
    // cancelled, which gives the text it showed) it is dropped.
    QString shown = QString::fromStdString(m_state.conditions());
    std::optional<QString> refused;
    for (;;) {
        const QString answer =
            m_dialogs.inputBox("Dodatečné podmínky", "SELECT ... WHERE", shown, kConditionBoxWidth);
        if (refused && answer == *refused) return;
        try {
            m_state.Survey.setConditions(answer.toStdString());
            break;
        } catch (const common::Error &error) {
            m_dialogs.error(QString::fromUtf8(error.what()));
            refused = answer;
            shown = answer;
        }
    }
    LblConditions->setText(QString::fromStdString(m_state.conditions()));
    m_selection->fillPlots();
}

bool MainPage::pressDefault()
{
    if (!BtnSetOK->isEnabled() || !BtnSetOK->isVisible()) return false;
    BtnSetOK->animateClick();
    return true;
}

bool MainPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == GridFields->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        runGuarded(m_dialogs, [this] { GridFieldsDblClick(); });
        // In "Specials" the double-click has assigned the role; the cell's editor stays closed.
        return GridFields->currentColumn() == 2;
    }
    if (watched == EditPrcTree && event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent *>(event)->button();
        runGuarded(m_dialogs, [this, button] { EditPrcTreeMouseDown(button); });
        return button == Qt::RightButton;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace app
