// The page "Regression model": for the selected trees and one survey year at a time, the statistics
// of DBH, height and defoliation in a grid, any series drawn with its polynomial, more polynomials
// added and the equation of the last fit copied.
#include "app/regressionpage.h"

#include "app/guardedslot.h"

#include "app/errorhandler.h"
#include "app/fvars.h"
#include "app/localenumbers.h"
#include "app/named.h"
#include "app/smallbutton.h"
#include "app/updown.h"
#include "charts/chart.h"
#include "charts/regressionchart.h"
#include "common/numbers.h"
#include "model/regressionseries.h"
#include "stats/regressiontext.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace app {

namespace {

constexpr int kGridColumns = 7;
constexpr int kGridRows = 5;
constexpr int kColumnWidth = 75;
constexpr int kRowHeight = 20;
constexpr int kDigits = 4;

const char *const kHeadings[] = {"Average", "St.dev.", "Min", "Max", "r", "P[%]"};
const char *const kSeriesItems[] = {"none", "DBH", "height", "DBH-height", "another"};
// Bottom and left axis titles of each item of RG_series; "another" names its own columns.
const char *const kAxisTitles[][2] = {
    {"", ""}, {"DBH", "Defoliation"}, {"Height", "Defoliation"}, {"DBH", "Height"}, {"", ""}};
constexpr int kAnother = 4;
// The fixed series: their positions in RegrStats are their items in RG_series less one.
constexpr int kFixedSeries = 3;

const char *const kNoSeries = "There is no statistical series";
const char *const kNotCalculated = "Regression was not calculated";
const char *const kNoHeightRole =
    "No column of the table has the role Height, so there are no heights to show. On the main page, "
    "give the column of heights the role Height and press Set OK.";

// A cell of the heading row or column: it looks like a heading and cannot be selected.
QTableWidgetItem *headingItem()
{
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(QGuiApplication::palette().button());
    return item;
}

void setCell(QTableWidget *grid, int col, int row, const QString &text)
{
    if (row >= grid->rowCount()) grid->setRowCount(row + 1);
    QTableWidgetItem *item = grid->item(row, col);
    if (!item) {
        item = col == 0 ? headingItem() : new QTableWidgetItem;
        if (col > 0) item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid->setItem(row, col, item);
    }
    item->setText(text);
}

// Empties every cell below the heading row.
void clearStatRows(QTableWidget *grid)
{
    for (int row = 1; row < grid->rowCount(); ++row)
        for (int col = 0; col < kGridColumns; ++col)
            setCell(grid, col, row, {});
}

} // namespace

RegressionPage::RegressionPage(PageHost &host, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_host(host), m_state(host.state()), m_dialogs(dialogs), m_sink(dialogs)
{
    setObjectName("TabSheetRegression");
    QWidget *page = this;

    auto *yearCaption = named<QLabel>("LabelYearCaption", "Year:");
    LabelYear = named<QLabel>("LabelYear", "-");
    LabelYear->setMinimumWidth(40);
    UpDownYear = named<UpDown>("UpDownYear");
    UpDownYear->setHints("Next year", "Previous year");
    UpDownYear->setRange(1, 1);
    UpDownYear->setFixedHeight(26);
    BtnFirstYear = smallButton("BtnFirstYear", "First year", QStyle::SP_MediaSkipBackward, "|<");
    BtnLastYear = smallButton("BtnLastYear", "Last year", QStyle::SP_MediaSkipForward, ">|");
    auto *yearRow = new QHBoxLayout;
    yearRow->addWidget(yearCaption);
    yearRow->addWidget(LabelYear);
    yearRow->addWidget(UpDownYear);
    yearRow->addSpacing(8);
    yearRow->addWidget(BtnFirstYear);
    yearRow->addWidget(BtnLastYear);
    yearRow->addStretch(1);

    // A string grid: row 0 and column 0 are headings, drawn as such, not Qt's header sections.
    SG_StatRes = named<QTableWidget>("SG_StatRes", kGridRows, kGridColumns);
    SG_StatRes->setAccessibleName("Statistics of the series");
    SG_StatRes->horizontalHeader()->hide();
    SG_StatRes->verticalHeader()->hide();
    SG_StatRes->verticalHeader()->setMinimumSectionSize(kRowHeight);
    SG_StatRes->verticalHeader()->setDefaultSectionSize(kRowHeight);
    SG_StatRes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SG_StatRes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int row = 0; row < kGridRows; ++row)
        for (int col = 0; col < kGridColumns; ++col)
            setCell(SG_StatRes, col, row, {});
    for (int col = 1; col < kGridColumns; ++col) {
        delete SG_StatRes->takeItem(0, col);
        SG_StatRes->setItem(0, col, headingItem());
    }
    // The first column holds the series' names with their tree counts, "DBH-Height[178]" and longer;
    // the numbers share the rest of the design's width.
    const int firstWidth =
        std::max(kColumnWidth, SG_StatRes->fontMetrics().horizontalAdvance("DBH-Height[00000]") + 12);
    const int numberWidth = (kGridColumns * kColumnWidth - firstWidth) / (kGridColumns - 1);
    SG_StatRes->horizontalHeader()->setDefaultSectionSize(numberWidth);
    SG_StatRes->setColumnWidth(0, firstWidth);
    SG_StatRes->setFixedSize(firstWidth + (kGridColumns - 1) * numberWidth + 2 * SG_StatRes->frameWidth(),
                             kGridRows * kRowHeight + 2 * SG_StatRes->frameWidth());

    RG_series = named<QGroupBox>("RG_series", "Show");
    m_seriesButtons = new QButtonGroup(this);
    auto *seriesLayout = new QVBoxLayout(RG_series);
    seriesLayout->setSpacing(0);
    for (int i = 0; i <= kAnother; ++i) {
        auto *radio = new QRadioButton(kSeriesItems[i], RG_series);
        m_seriesButtons->addButton(radio, i);
        seriesLayout->addWidget(radio);
    }
    m_seriesButtons->button(0)->setChecked(true);

    BtnPropertiesRegr = named<QPushButton>("BtnPropertiesRegr", "Properties");
    BtnNewPolynom = named<QPushButton>("BtnNewPolynom", "Add polynom");
    BtnEquation = named<QPushButton>("BtnEquation", "Show equation");
    BtnSave2 = named<QPushButton>("BtnSave2", "Save picture");
    // These wait for a series; a picture can be saved of whatever the chart shows.
    for (QPushButton *b : {BtnNewPolynom, BtnEquation})
        b->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {BtnPropertiesRegr, BtnNewPolynom, BtnEquation, BtnSave2})
        buttons->addWidget(b);
    buttons->addStretch(1);

    ChartRegr = named<charts::Chart>("ChartRegr");
    ChartRegr->setAccessibleName("Regression chart");
    charts::setupRegressionChart(*ChartRegr);

    auto *left = new QVBoxLayout;
    left->addLayout(yearRow);
    left->addWidget(SG_StatRes);
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(RG_series, 1);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(ChartRegr, 1);

    connectGuarded(this, m_dialogs, BtnFirstYear, &QToolButton::clicked, &RegressionPage::BtnFirstYearClick);
    connectGuarded(this, m_dialogs, BtnLastYear, &QToolButton::clicked, &RegressionPage::BtnLastYearClick);
    connect(UpDownYear, &UpDown::clicked, this, [this](int direction) {
        runGuarded(m_dialogs, [this, direction] { UpDownYearClick(direction); });
    });
    // A change of the choice by a click, the keyboard or a screen reader's toggle action; choosing the
    // item already chosen changes nothing. ShowYear resets the choice with the signals blocked.
    connect(m_seriesButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) runGuarded(m_dialogs, [this] { RG_seriesClick(); });
    });
    connectGuarded(this, m_dialogs, BtnNewPolynom, &QPushButton::clicked,
                   &RegressionPage::BtnNewPolynomClick);
    connectGuarded(this, m_dialogs, BtnEquation, &QPushButton::clicked, &RegressionPage::BtnEquationClick);
    connectGuarded(this, m_dialogs, BtnSave2, &QPushButton::clicked, &RegressionPage::BtnSave2Click);
    connectGuarded(this, m_dialogs, BtnPropertiesRegr, &QPushButton::clicked,
                   &RegressionPage::BtnPropertiesRegrClick);
}

RegressionPage::~RegressionPage() = default;

void RegressionPage::enter()
{
    // Nothing of an earlier selection stays on the page, also when the query fails.
    clearStatRows(SG_StatRes);
    ChartRegr->clearSeries();
    BtnNewPolynom->setEnabled(false);
    BtnEquation->setEnabled(false);
    m_host.PrepareTreeQuery();
    m_state.Query1.setParam("PlotNames", m_host.selectedPlot());
    m_state.Query1.setParam("NSpecies", m_host.selectedSpecies());
    m_state.Query1.open();
    for (int col = 1; col < kGridColumns; ++col)
        setCell(SG_StatRes, col, 0, kHeadings[col - 1]);
    ChartRegr->setTitleLines({});
    UpDownYear->setRange(1, std::max(1, m_state.yearCount()));
    RegrStats.emplace();
    ShowYear(1);
}

void RegressionPage::ShowYear(int k)
{
    // The year buttons act only while the page is open.
    if (!RegrStats) return;
    RegrStats->clear();
    UpDownYear->setPosition(k);
    if (regressionChoice() != 0) {
        {
            const QSignalBlocker blocker(m_seriesButtons);
            m_seriesButtons->button(0)->setChecked(true);
        }
        RG_seriesClick();
    }
    RegrYear = k;
    // Without survey years (none marked before Set OK) only the DBH-Height series can be built.
    const bool hasYear = k >= 1 && k <= m_state.yearCount();
    LabelYear->setText(hasYear ? QString::number(m_state.yearList()[k - 1].year) : QString("-"));
    clearStatRows(SG_StatRes);

    const std::string year = hasYear ? m_state.yearList()[k - 1].field : std::string();
    if (!m_state.fieldRoles().dbh.empty() && hasYear)
        AddSeries(m_state.fieldRoles().dbh, year, 2, 0, -1, 1, "DBH");
    else
        RegrStats->push_back(nullptr);
    if (!m_state.fieldRoles().height.empty() && hasYear)
        AddSeries(m_state.fieldRoles().height, year, 3, 0, -1, 0, "Height");
    else
        RegrStats->push_back(nullptr);
    if (!m_state.fieldRoles().dbh.empty() && !m_state.fieldRoles().height.empty())
        AddSeries(m_state.fieldRoles().dbh, m_state.fieldRoles().height, 4, 0, 0, 0, "DBH-Height");
    else
        RegrStats->push_back(nullptr);
}

void RegressionPage::AddSeries(const std::string &FX, const std::string &FY, int Row, double MisX,
                               double MisY, int YRow, const std::string &Name)
{
    auto series = std::make_unique<stats::TStatistics>(m_sink);
    series->MissingX = MisX;
    series->MissingY = MisY;
    model::FillSeries(*series, m_state.Query1, {FX, FY});
    series->Calculate(1);
    const stats::TStatRes &res = series->Res;
    // Fewer than four trees with both values say nothing about a relation.
    if (!res.Calculated || res.X.N < 4) {
        RegrStats->push_back(nullptr);
        return;
    }
    setCell(SG_StatRes, 0, Row, QString::fromStdString(Name + "[" + std::to_string(res.X.N) + "]"));
    const long double xRow[] = {res.X.Mean, res.X.StDev, res.X.Min, res.X.Max, res.R, 100 * res.P};
    for (int col = 1; col <= 6; ++col)
        PutNumber(col, Row, kDigits, static_cast<double>(xRow[col - 1]));
    if (YRow > 0) {
        setCell(SG_StatRes, 0, YRow, {});
        const long double yRow[] = {res.Y.Mean, res.Y.StDev, res.Y.Min, res.Y.Max};
        for (int col = 1; col <= 4; ++col)
            PutNumber(col, YRow, kDigits, static_cast<double>(yRow[col - 1]));
        setCell(SG_StatRes, 5, YRow, {});
        setCell(SG_StatRes, 6, YRow, {});
    }
    RegrStats->push_back(std::move(series));
}

void RegressionPage::PutNumber(int Col, int Row, int Digits, double v)
{
    setCell(SG_StatRes, Col, Row,
            QString::fromStdString(stats::StatNumberText(v, Digits, decimalSeparator())));
}

void RegressionPage::BtnFirstYearClick()
{
    ShowYear(1);
}

void RegressionPage::BtnLastYearClick()
{
    ShowYear(std::max(1, m_state.yearCount()));
}

void RegressionPage::UpDownYearClick(int direction)
{
    // At either end the same year is shown again, and computed again.
    ShowYear(std::clamp(RegrYear + (direction > 0 ? 1 : -1), 1, std::max(1, m_state.yearCount())));
}

int RegressionPage::regressionChoice() const
{
    return std::max(0, m_seriesButtons->checkedId());
}

void RegressionPage::RG_seriesClick()
{
    const int i = regressionChoice();
    ChartRegr->clearSeries();
    BtnNewPolynom->setEnabled(false);
    BtnEquation->setEnabled(false);
    ChartRegr->bottomAxis().setTitle(kAxisTitles[i][0]);
    ChartRegr->leftAxis().setTitle(kAxisTitles[i][1]);
    if (i == kAnother) {
        chooseAnotherSeries();
        return;
    }
    if (i == 0) return;
    if (!RegrStats) {
        m_dialogs.warning(kNoSeries);
    } else if (static_cast<int>(RegrStats->size()) < i) {
        m_dialogs.warning("Series was not calculated");
    } else if (!(*RegrStats)[i - 1] && i >= 2 && m_state.fieldRoles().height.empty()) {
        // Not too few trees: the heights were never read. Say how to have them.
        m_dialogs.information(kNoHeightRole);
    } else if (!(*RegrStats)[i - 1]) {
        m_dialogs.information("Statistics of the series was not calculate");
    } else {
        BtnNewPolynom->setEnabled(true);
        BtnEquation->setEnabled(true);
        charts::DrawRegression(*ChartRegr, *(*RegrStats)[i - 1], true);
    }
}

void RegressionPage::chooseAnotherSeries()
{
    if (!RegrStats) {
        m_dialogs.warning(kNoSeries);
        return;
    }
    if (!m_state.Query1.isActive()) m_state.Query1.open();
    TFormVars dialog;
    if (!FillVars(dialog, m_state.Query1)) return;

    // Everything the user typed is read before the pair shown so far is dropped: a value that is not
    // a number or a refused degree leave the page as it was. What the dialog holds that cannot be
    // read is told, and the dialog comes back with the user's choices to correct it.
    VarsChoice choice;
    std::unique_ptr<stats::TStatistics> series;
    for (;;) {
        if (m_dialogs.runModal(dialog) != QDialog::Accepted) return;
        bool read = false;
        runGuarded(m_dialogs, [&] {
            choice = dialog.choice();
            series = std::make_unique<stats::TStatistics>(m_sink);
            const char separator = decimalSeparator();
            if (!choice.missingX.empty()) series->MissingX = common::strToFloat(choice.missingX, separator);
            if (!choice.missingY.empty()) series->MissingY = common::strToFloat(choice.missingY, separator);
            model::FillSeries(*series, m_state.Query1, choice);
            read = true;
        });
        if (read) break;
    }
    const std::uint8_t degree = askDegree(1);

    if (RegrStats->size() > kFixedSeries) RegrStats->resize(kFixedSeries);
    series->Calculate(degree);
    if (!series->Res.Calculated) {
        m_dialogs.warning(kNotCalculated);
        return;
    }
    // An undetermined degree has been told by the fit; the points are drawn without a line.
    if (!series->Res.Undetermined) showDetermination(*series);
    while (RegrStats->size() < kFixedSeries)
        RegrStats->push_back(nullptr);
    RegrStats->push_back(std::move(series));
    ChartRegr->bottomAxis().setTitle(QString::fromStdString(model::AxisTitle(choice.x, choice.logX)));
    ChartRegr->leftAxis().setTitle(QString::fromStdString(model::AxisTitle(choice.y, choice.logY)));
    BtnNewPolynom->setEnabled(true);
    BtnEquation->setEnabled(true);
    charts::DrawRegression(*ChartRegr, *RegrStats->back(), true);
}

std::uint8_t RegressionPage::askDegree(int proposal)
{
    // Cancel gives the proposal, which is then the degree.
    const QString answer =
        m_dialogs.inputBox("Polynomial regression", "Degree of the polynom", QString::number(proposal));
    return stats::ParseDegree(answer.toStdString());
}

void RegressionPage::showDetermination(const stats::TStatistics &series)
{
    m_dialogs.information("Coefficient of determination Sqr(r)=" +
                          QString::fromStdString(common::floatToText(series.Res.R2, decimalSeparator())));
}

stats::TStatistics *RegressionPage::chosenRegression()
{
    const int i = regressionChoice();
    if (!RegrStats || i < 1 || static_cast<int>(RegrStats->size()) < i) return nullptr;
    return (*RegrStats)[i - 1].get();
}

void RegressionPage::BtnNewPolynomClick()
{
    stats::TStatistics *series = chosenRegression();
    if (!series) return;
    const std::uint8_t degree = askDegree(series->Res.Degree + 1);
    // The grid row keeps the statistics of the first fit; only the chart gains a line.
    series->Calculate(degree);
    if (!series->Res.Calculated) {
        m_dialogs.warning(kNotCalculated);
        return;
    }
    // The points cannot determine that degree: the fit has told why, and no line is drawn.
    if (series->Res.Undetermined) return;
    charts::DrawRegression(*ChartRegr, *series, false);
    showDetermination(*series);
}

void RegressionPage::BtnEquationClick()
{
    const stats::TStatistics *series = chosenRegression();
    if (!series) return;
    if (const std::string refused = stats::EquationDigitsMessage(*series); !refused.empty()) {
        m_dialogs.information(QString::fromStdString(refused));
        return;
    }
    const QString text = QString::fromStdString(stats::EquationText(*series, decimalSeparator()));
    if (m_dialogs.message(MessageKind::Information, "Copy equation\r\n" + text, Button::Yes | Button::No) !=
        Button::No)
        QGuiApplication::clipboard()->setText(text);
}

} // namespace app

namespace app {

void RegressionPage::BtnPropertiesRegrClick()
{
    m_host.ShowChartProperties(*ChartRegr);
}

void RegressionPage::BtnSave2Click()
{
    m_host.SaveChartAs(*ChartRegr);
}

} // namespace app
