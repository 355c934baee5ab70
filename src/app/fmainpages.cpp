// The main window's pages: creating them, the page change, the buttons of the main page whose work is
// the window's, and what the pages ask of the window.
#include "app/fmain.h"

#include "app/batchruns.h"
#include "app/datapage.h"
#include "app/guardedslot.h"
#include "app/mainpage.h"
#include "app/modelpage.h"
#include "app/named.h"
#include "app/plotselection.h"
#include "app/regressionpage.h"
#include "app/resultpages.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace app {

void TFormMain::createPages()
{
    PageControl1 = named<QTabWidget>("PageControl1");
    TabSheetMain = new MainPage(m_state, m_dialogs);
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
    m_runs = std::make_unique<BatchRuns>(*this, m_dialogs, *TabSheetMain, TabSheetMain->selection(),
                                         *TabSheetModel, *this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
}

void TFormMain::connectMainPage()
{
    connect(TabSheetMain, &MainPage::closeClicked, this, &QWidget::close);
    connectGuarded(this, m_dialogs, TabSheetMain, &MainPage::helpClicked, &TFormMain::BtnHelpClick);
    connectGuarded(this, m_dialogs, TabSheetMain, &MainPage::infoClicked, &TFormMain::BtnInfoClick);
    connectGuarded(this, m_dialogs, TabSheetMain, &MainPage::graphLinesClicked,
                   &TFormMain::BtnGraphLinesClick);
    connectGuarded(this, m_dialogs, TabSheetMain, &MainPage::importClicked, &TFormMain::BtnImportClick);
    auto connectRun = [this](void (MainPage::*signal)(), void (BatchRuns::*run)()) {
        connect(TabSheetMain, signal, this, [this, run] { guard([this, run] { (m_runs.get()->*run)(); }); });
    };
    connectRun(&MainPage::statisticsClicked, &BatchRuns::BtnStatClick);
    connectRun(&MainPage::reportClicked, &BatchRuns::BtnReportClick);
    connectRun(&MainPage::createModelsClicked, &BatchRuns::BtnCreateModelsAllClick);
}

void TFormMain::setTableOpen(bool open)
{
    if (!open) setWindowTitle("Fenoris");
    TabSheetMain->setTableOpen(open);
    // The other pages all show the table or results beside it.
    for (int page = 0; page < PageControl1->count(); ++page)
        if (PageControl1->widget(page) != TabSheetMain) PageControl1->setTabEnabled(page, open);
}

void TFormMain::returnToMainPage()
{
    // A page the program selects runs no page entry.
    const QSignalBlocker blocker(PageControl1);
    PageControl1->setCurrentWidget(TabSheetMain);
}

void TFormMain::enterPage(QWidget &page)
{
    {
        const QSignalBlocker blocker(PageControl1);
        PageControl1->setCurrentWidget(&page);
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

std::string TFormMain::selectedPlot() const
{
    return TabSheetMain->selection().selectedPlot();
}

std::string TFormMain::selectedSpecies() const
{
    return TabSheetMain->selection().selectedSpecies();
}

void TFormMain::PrepareTreeQuery()
{
    TabSheetMain->selection().prepareTreeQuery();
}

std::optional<SelectedRows> TFormMain::CheckSelection()
{
    if (const auto rows = TabSheetMain->selection().checkSelection())
        return SelectedRows{rows->first, rows->second};
    returnToMainPage();
    return std::nullopt;
}

std::vector<data::YearColumn> TFormMain::yearList() const
{
    return m_state.yearList();
}

int TFormMain::valueType() const
{
    return TabSheetMain->valueType();
}

std::string TFormMain::SpeciesName(const std::string &species) const
{
    return m_runs->SpeciesName(species);
}

} // namespace app
