// The page "Single plot model": its settings panel, the model chart and its computation.
#include "app/fmain.h"

#include "app/fcreatemodelssetting.h"

#include "app/listbox.h"
#include "app/localenumbers.h"
#include "app/named.h"
#include "app/updown.h"
#include "charts/chart.h"
#include "charts/modelchart.h"
#include "common/error.h"
#include "common/graphsettings.h"
#include "common/numbers.h"
#include "model/modelchart.h"
#include "model/modelpictures.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

// An edit for a whole number with its up-down arrows, starting at `start`.
void setupNumberEdit(QLineEdit *edit, UpDown *upDown, int minimum, int maximum, int increment, int start)
{
    edit->setFixedWidth(40);
    upDown->setBuddy(edit);
    upDown->setRange(minimum, maximum);
    upDown->setIncrement(increment);
    upDown->setPosition(start);
}

} // namespace

QWidget *TFormMain::createModelPage()
{
    auto *page = named<QWidget>("TabSheetModel");
    Panel1 = named<QWidget>("Panel1");
    Panel1->setFixedHeight(54);
    LabelInterval = named<QLabel>("LabelInterval", "Interval");
    EditInterval = named<QLineEdit>("EditInterval");
    UpDown1 = named<UpDown>("UpDown1");
    setupNumberEdit(EditInterval, UpDown1, 1, 10, 1, 1);
    LabelMaxDeads = named<QLabel>("LabelMaxDeads", "Max deads %");
    EditMaxDeads = named<QLineEdit>("EditMaxDeads");
    UpDown2 = named<UpDown>("UpDown2");
    setupNumberEdit(EditMaxDeads, UpDown2, 0, 100, 10, static_cast<int>(model::DefaultMaxDeads));
    BtnSingleM = named<QPushButton>("BtnSingleM", "Single model");
    CB_Auto = named<QCheckBox>("CB_Auto", "Auto model calculation");
    BtnProperties = named<QPushButton>("BtnProperties", "Properties");
    BtnPrint = named<QPushButton>("BtnPrint", "Print");
    BtnSave = named<QPushButton>("BtnSave", "Save picture");

    // Two rows, so that the page keeps the window's design width: the interval with the model
    // button and the chart's buttons, then "Max deads %" with the automatic calculation.
    auto *panel = new QGridLayout(Panel1);
    panel->setContentsMargins(0, 2, 0, 2);
    panel->setVerticalSpacing(2);
    panel->addWidget(LabelInterval, 0, 0);
    panel->addWidget(EditInterval, 0, 1);
    panel->addWidget(UpDown1, 0, 2);
    panel->addWidget(BtnSingleM, 0, 3);
    panel->addWidget(LabelMaxDeads, 1, 0);
    panel->addWidget(EditMaxDeads, 1, 1);
    panel->addWidget(UpDown2, 1, 2);
    panel->addWidget(CB_Auto, 1, 3);
    panel->setColumnStretch(4, 1);
    int column = 5;
    for (QPushButton *b : {BtnProperties, BtnPrint, BtnSave})
        panel->addWidget(b, 0, column++);
    for (QPushButton *b : {BtnSingleM, BtnProperties, BtnPrint, BtnSave})
        b->setFixedHeight(24);

    ChartTModel = named<charts::Chart>("ChartTModel");
    charts::setupModelChart(*ChartTModel);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 0, 6, 6);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(ChartTModel, 1);
    return page;
}

void TFormMain::connectModelPage()
{
    connectGuarded(BtnSingleM, &QPushButton::clicked, &TFormMain::BtnSingleMClick);
    connectGuarded(EditInterval, &QLineEdit::textChanged, &TFormMain::EditIntervalChange);
    connectGuarded(EditMaxDeads, &QLineEdit::textChanged, &TFormMain::EditMaxDeadsChange);
    connectGuarded(BtnPrint, &QPushButton::clicked, &TFormMain::BtnPrintClick);
    connectGuarded(BtnSave, &QPushButton::clicked, &TFormMain::BtnSaveClick);
}

void TFormMain::enterModelPage(const SelectedRows &)
{
    ChartTModel->clearSeries();
    const std::string plot = selectedPlot();
    ChartTModel->setTitleLines({QString::fromStdString(model::ModelChartTitle(
        m_state.TitlePlot, plot, m_state.TitleSpecies, SpeciesName(selectedSpecies())))});
    PrepareTreeQuery();
    if (CB_Auto->isChecked()) BtnSingleMClick();
}

std::string TFormMain::SpeciesName(const std::string &species) const
{
    return FormCreateModelsSetting ? FormCreateModelsSetting->SpeciesName(species) : species;
}

model::ModelSettings TFormMain::modelSettings() const
{
    model::ModelSettings settings;
    settings.valueType = static_cast<model::ValueType>(valueType());
    // The field's own range, named, rather than the bare conversion error.
    int interval = 0;
    try {
        interval = common::strToInt(EditInterval->text().toStdString());
    } catch (const common::ConvertError &) {
    }
    if (interval < 1 || interval > 10)
        throw common::ConvertError("Interval must be a whole number from 1 to 10");
    settings.interval = interval;
    settings.prcTreeFactor = m_state.PrcTreeFactor;
    return settings;
}

model::ModelSettings TFormMain::modelChartSettings() const
{
    model::ModelSettings settings = modelSettings();
    try {
        settings.maxDeads =
            static_cast<double>(common::strToFloat(EditMaxDeads->text().toStdString(), decimalSeparator()));
    } catch (const common::ConvertError &) {
        throw common::ConvertError("Max deads % must be a number");
    }
    // The band is one of the line settings of Graph.ini ("Graph parameters"); the draws and the seed
    // are the command line's defaults, so that both draw the same band.
    const common::BandLook band = common::ReadBandLook(m_state.GraphSettings);
    if (band.on)
        settings.band = model::BandSettings{band.level, model::kDefaultBandDraws, model::kDefaultBandSeed};
    return settings;
}

std::vector<data::YearColumn> TFormMain::yearList() const
{
    std::vector<data::YearColumn> years;
    for (std::size_t i = 0; i < m_state.Years.size(); ++i)
        years.push_back({m_state.Years[i], m_state.YearFields[i]});
    return years;
}

void TFormMain::BtnSingleMClick()
{
    // A setting typed wrong is refused with the chart as it was; a failed computation leaves the
    // chart empty rather than showing the previous selection.
    const model::ModelSettings settings = modelChartSettings();
    ChartTModel->clearSeries();
    const std::string species = selectedSpecies();
    const std::string plot = selectedPlot();
    const model::ModelChart chart = model::ComputeModelChart(m_state.Query1, plot, species, yearList(),
                                                             settings, m_modelSink ? *m_modelSink : m_sink);
    m_state.Query1.close();

    m_state.YearDefAvg = chart.series.YearDefAvg;
    m_state.YearDefStd = chart.series.YearDefStd;
    m_state.YearDead = chart.series.YearDead;
    m_state.YearTrees = chart.series.YearTrees;
    m_state.YearClasses = chart.series.YearClasses;

    charts::drawModelLines(*ChartTModel, chart.lines, m_state.GraphSettings);
}

void TFormMain::EditIntervalChange()
{
    if (CB_Auto->isChecked()) BtnSingleMClick();
}

void TFormMain::EditMaxDeadsChange()
{
    if (CB_Auto->isChecked()) BtnSingleMClick();
}

} // namespace app
