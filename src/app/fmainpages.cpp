// The main window's pages and controls, with their texts, items and start values.
#include "app/fmain.h"

#include "app/datapage.h"
#include "app/listbox.h"
#include "app/modelpage.h"
#include "app/named.h"
#include "app/regressionpage.h"
#include "app/resultpages.h"
#include "app/smallbutton.h"
#include "app/updown.h"
#include "data/fieldgrid.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace app {

void TFormMain::createPages()
{
    PageControl1 = named<QTabWidget>("PageControl1");
    TabSheetMain = createMainPage();
    TabSheetData = new DataPage(*this, m_dialogs);
    TabSheetModel = new ModelPage(*this, m_dialogs);
    TabSheetStat = new StatPage(*this, m_dialogs);
    TabSheetTransit = new TransitPage(*this, m_dialogs);
    TabSheetRegression = new RegressionPage(*this, m_dialogs);
    PageControl1->addTab(TabSheetMain, "Main Page");
    PageControl1->addTab(TabSheetData, "Data table");
    PageControl1->addTab(TabSheetModel, "Single plot model");
    PageControl1->addTab(TabSheetStat, "Plot statistics");
    PageControl1->addTab(TabSheetTransit, "Transit matrix");
    PageControl1->addTab(TabSheetRegression, "Regression model");
    nameControls();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
}

QWidget *TFormMain::createMainPage()
{
    auto *page = named<QWidget>("TabSheetMain");
    auto *columns = new QHBoxLayout(page);
    columns->addLayout(createFieldsColumn());
    columns->addLayout(createSelectionColumn(), 1);
    columns->addLayout(createActionsColumn(), 1);
    return page;
}

QLayout *TFormMain::createFieldsColumn()
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

QLayout *TFormMain::createSelectionColumn()
{
    // Plots, species and the tree count.
    Label2 = named<QLabel>("Label2", "Plots");
    SpeedButton1 = smallButton("SpeedButton1", "Plot container", QStyle::SP_FileDialogListView, "...");
    ListPlots = named<ListBox>("ListPlots");
    Label3 = named<QLabel>("Label3", "Tree species");
    CB_Fix = named<QCheckBox>("CB_Fix");
    ListSpecies = named<ListBox>("ListSpecies");
    Label5 = named<QLabel>("Label5", "Tree count");
    LabelTreeCount = named<QLabel>("LabelTreeCount", "-");
    auto *plotsRow = new QHBoxLayout;
    plotsRow->addWidget(Label2);
    plotsRow->addStretch(1);
    plotsRow->addWidget(SpeedButton1);
    auto *speciesRow = new QHBoxLayout;
    speciesRow->addWidget(Label3);
    speciesRow->addStretch(1);
    speciesRow->addWidget(CB_Fix);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(Label5);
    countRow->addWidget(LabelTreeCount, 1);
    auto *column = new QVBoxLayout;
    column->addLayout(plotsRow);
    column->addWidget(ListPlots, 3);
    column->addLayout(speciesRow);
    column->addWidget(ListSpecies, 2);
    column->addLayout(countRow);
    return column;
}

QLayout *TFormMain::createActionsColumn()
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

QWidget *TFormMain::createValueTypeGroup()
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

QLayout *TFormMain::createShareRow()
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

QLayout *TFormMain::createToolButtons()
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

void TFormMain::returnToMainPage()
{
    // A page the program selects runs no page entry.
    const QSignalBlocker blocker(PageControl1);
    PageControl1->setCurrentWidget(TabSheetMain);
}

void TFormMain::showMainPage()
{
    {
        const QSignalBlocker blocker(PageControl1);
        PageControl1->setCurrentWidget(TabSheetMain);
    }
    PageControl1Change();
}

void TFormMain::PageControl1Change()
{
    // The data table's edited row is stored before its page is left; when it cannot be, the page stays.
    if (PageControl1->currentWidget() != TabSheetData && !TabSheetData->leave()) {
        const QSignalBlocker blocker(PageControl1);
        PageControl1->setCurrentWidget(TabSheetData);
        return;
    }
    // Leaving a page discards its open result.
    for (data::Query *query : {&m_state.Query1, &m_state.QueryAverage, &m_state.QueryTransition})
        if (query->isActive()) query->close();
    // The regression page's series go with it, also when it is the page now shown.
    TabSheetRegression->leave();

    QWidget *page = PageControl1->currentWidget();
    if (page == TabSheetStat) {
        TabSheetStat->enter();
    } else if (page == TabSheetTransit) {
        TabSheetTransit->enter();
    } else if (page == TabSheetModel) {
        if (CheckSelection()) TabSheetModel->enter();
    } else if (page == TabSheetData) {
        TabSheetData->enter();
    } else if (page == TabSheetRegression) {
        if (CheckSelection()) TabSheetRegression->enter();
    }
}

} // namespace app
