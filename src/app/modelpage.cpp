// The page "Single plot model": its settings panel, the model chart and its computation, and the
// chart's print command.
#include "app/modelpage.h"

#include "app/guardedslot.h"

#include "app/localenumbers.h"
#include "app/named.h"
#include "app/printcanvas.h"
#include "app/updown.h"
#include "charts/chart.h"
#include "charts/modelchart.h"
#include "charts/picturewriter.h"
#include "common/error.h"
#include "common/graphsettings.h"
#include "common/numbers.h"
#include "model/modelchart.h"
#include "model/modelpictures.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
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

ModelPage::ModelPage(PageHost &host, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_host(host), m_state(host.state()), m_dialogs(dialogs), m_sink(dialogs)
{
    setObjectName("TabSheetModel");
    QWidget *page = this;
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

    nameAfter(EditInterval, LabelInterval);
    nameAfter(EditMaxDeads, LabelMaxDeads);
    UpDown1->setHints("Interval up", "Interval down");
    UpDown2->setHints("Max deads % up", "Max deads % down");
    ChartTModel->setAccessibleName("Model chart");

    connectGuarded(this, m_dialogs, BtnSingleM, &QPushButton::clicked, &ModelPage::BtnSingleMClick);
    connectGuarded(this, m_dialogs, EditInterval, &QLineEdit::textChanged, &ModelPage::EditIntervalChange);
    connectGuarded(this, m_dialogs, EditMaxDeads, &QLineEdit::textChanged, &ModelPage::EditMaxDeadsChange);
    connectGuarded(this, m_dialogs, BtnProperties, &QPushButton::clicked, &ModelPage::BtnPropertiesClick);
    connectGuarded(this, m_dialogs, BtnPrint, &QPushButton::clicked, &ModelPage::BtnPrintClick);
    connectGuarded(this, m_dialogs, BtnSave, &QPushButton::clicked, &ModelPage::BtnSaveClick);
}

ModelPage::~ModelPage() = default;

void ModelPage::enter()
{
    ChartTModel->clearSeries();
    const std::string plot = m_host.selectedPlot();
    ChartTModel->setTitleLines({QString::fromStdString(model::ModelChartTitle(
        m_state.TitlePlot, plot, m_state.TitleSpecies, m_host.SpeciesName(m_host.selectedSpecies())))});
    m_host.PrepareTreeQuery();
    if (CB_Auto->isChecked()) BtnSingleMClick();
}

model::ModelSettings ModelPage::modelSettings() const
{
    model::ModelSettings settings;
    settings.valueType = static_cast<model::ValueType>(m_host.valueType());
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

model::ModelSettings ModelPage::modelChartSettings() const
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
        settings.band =
            model::BandSettings{band.level, model::DefaultBandDraws(band.level), model::kDefaultBandSeed};
    return settings;
}

void ModelPage::BtnSingleMClick()
{
    drawModel();
}

void ModelPage::drawModel()
{
    // A setting typed wrong is refused with the chart as it was; a failed computation leaves the
    // chart empty rather than showing the previous selection.
    const model::ModelSettings settings = modelChartSettings();
    ChartTModel->clearSeries();
    const std::string species = m_host.selectedSpecies();
    const std::string plot = m_host.selectedPlot();
    const model::ModelChart chart =
        model::ComputeModelChart(m_state.Query1, plot, species, m_host.yearList(), settings,
                                 m_modelSink ? *m_modelSink : static_cast<common::MessageSink &>(m_sink));
    m_state.Query1.close();

    m_state.YearDefAvg = chart.series.YearDefAvg;
    m_state.YearDefStd = chart.series.YearDefStd;
    m_state.YearDead = chart.series.YearDead;
    m_state.YearTrees = chart.series.YearTrees;
    m_state.YearClasses = chart.series.YearClasses;

    charts::drawModelLines(*ChartTModel, chart.lines, m_state.GraphSettings);
}

void ModelPage::EditIntervalChange()
{
    if (CB_Auto->isChecked()) BtnSingleMClick();
}

void ModelPage::EditMaxDeadsChange()
{
    if (CB_Auto->isChecked()) BtnSingleMClick();
}

void ModelPage::BtnPropertiesClick()
{
    m_host.ShowChartProperties(*ChartTModel);
}

void ModelPage::BtnSaveClick()
{
    m_host.SaveChartAs(*ChartTModel);
}

void ModelPage::BtnPrintClick()
{
    if (!Printer) Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Whatever the answer, the printer now current prints.
    m_dialogs.printerSetup(*Printer);
    if (const auto problem = charts::printerProblem(*Printer)) throw common::Error(*problem);

    const QSize chartSize = ChartTModel->size();
    if (chartSize.isEmpty()) throw common::Error("The model chart has no size to print.");
    TFormPrintCanvas canvas(this);
    canvas.InitLayout(Printer->width(), Printer->height(), double(chartSize.width()) / chartSize.height());
    m_dialogs.runModal(canvas);
    if (canvas.PrintRect.empty()) return;
    charts::printChart(*ChartTModel, *Printer, canvas.PrintRect, chartSize);
}

} // namespace app
