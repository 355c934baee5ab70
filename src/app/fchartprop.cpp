// The "Chart properties" dialog: the shell over its parts, the refresh and the settings file.
#include "app/fchartprop.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "app/fchartpropaxis.h"
#include "app/fchartproplook.h"
#include "app/fchartpropseries.h"
#include "charts/chartsettings.h"
#include "common/error.h"
#include "common/scopeexit.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

using charts::AxisId;

namespace {

const char *const kSettingsFilter = "Setting file (*.gsf);;Any file (*)";

std::string fileBytes(const QString &name)
{
    return QFile::encodeName(name).toStdString();
}

} // namespace

TFormChartProp::TFormChartProp(Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_context{dialogs, nullptr, false}
{
    setObjectName("FormChartProp");
    setWindowTitle("Chart properties");
    // Beside the main window, not modal, and above it while the user works in the chart.
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    createControls();
}

TFormChartProp::~TFormChartProp() = default;

void TFormChartProp::setTarget(charts::Chart *chart)
{
    m_context.chart = chart;
}

charts::Chart &TFormChartProp::chart() const
{
    if (!m_context.chart) throw common::Error("No initialization of the form");
    return *m_context.chart;
}

bool TFormChartProp::popupAttached() const
{
    return m_series->popupAttached();
}

void TFormChartProp::guard(const std::function<void()> &handler)
{
    runGuarded(m_context.dialogs, handler);
}

void TFormChartProp::createControls()
{
    auto *title = new ChartTitlePart(m_context, this);
    auto *left = new ChartAxisPart(m_context, AxisId::Left, this);
    auto *bottom = new ChartAxisPart(m_context, AxisId::Bottom, this);
    auto *frame = new ChartFramePart(m_context, this);
    auto *legend = new ChartLegendPart(m_context, this);
    m_series = new ChartSeriesPart(m_context, this);
    m_parts = {title, left, bottom, frame, legend, m_series};

    BtnLoad = makeNamed<QPushButton>(this, "BtnLoad", "Load");
    BtnLoad->setToolTip("Load setting from file");
    BtnSave = makeNamed<QPushButton>(this, "BtnSave", "Save");
    BtnSave->setToolTip("Save setting to file");
    BtnClose = makeNamed<QPushButton>(this, "BtnClose", "Close");

    auto *axes = new QHBoxLayout;
    axes->addWidget(left);
    axes->addWidget(bottom);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BtnLoad);
    buttons->addWidget(BtnSave);
    buttons->addStretch(1);
    buttons->addWidget(BtnClose);
    auto *leftColumn = new QVBoxLayout;
    leftColumn->addWidget(title);
    leftColumn->addLayout(axes);
    leftColumn->addWidget(frame);
    auto *rightColumn = new QVBoxLayout;
    rightColumn->addWidget(legend);
    rightColumn->addWidget(m_series, 1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(leftColumn);
    columns->addLayout(rightColumn, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    connect(BtnLoad, &QPushButton::clicked, this, [this] { guard([this] { BtnLoadClick(); }); });
    connect(BtnSave, &QPushButton::clicked, this, [this] { guard([this] { BtnSaveClick(); }); });
    connect(BtnClose, &QPushButton::clicked, this, &QWidget::hide);
    // Return in an edit applies it; it must not press a button of the dialog as well.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
}

bool TFormChartProp::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_context.refreshing) guard([this] { FormActivate(); });
    return QDialog::event(event);
}

void TFormChartProp::FormActivate()
{
    if (!m_context.chart) {
        // Hidden first: the message box would otherwise hand the activation back to this dialog.
        hide();
        m_context.dialogs.warning("No initialization of the form");
        return;
    }
    m_context.refreshing = true;
    const common::ScopeExit done([this] { m_context.refreshing = false; });
    for (ChartPropPart *part : m_parts)
        part->showChart(*m_context.chart);
}

// ---- settings file ---------------------------------------------------------------------------

void TFormChartProp::BtnSaveClick()
{
    const charts::Chart &c = chart();
    const std::optional<SaveChoice> choice =
        m_context.dialogs.saveFile("Save setting to file", kSettingsFilter, 0, m_settingsDir, "gsf");
    if (!choice) return;
    m_settingsDir = QFileInfo(choice->path).absolutePath();
    charts::SaveChartSettings(c, fileBytes(choice->path));
}

void TFormChartProp::BtnLoadClick()
{
    chart();
    const std::optional<QString> file =
        m_context.dialogs.openFile("Load setting from file", kSettingsFilter, m_settingsDir);
    if (!file) return;
    m_settingsDir = QFileInfo(*file).absolutePath();
    LoadChartSettings(*file);
}

void TFormChartProp::LoadChartSettings(const QString &file)
{
    charts::ApplyChartSettingsFile(chart(), fileBytes(file));
    FormActivate();
}

} // namespace app
