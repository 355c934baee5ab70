// The "Chart properties" dialog: its controls, the refresh and the chart-level handlers.
#include "app/fchartprop.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "app/fmemodlg.h"
#include "app/localenumbers.h"
#include "charts/chartsettings.h"
#include "common/error.h"
#include "common/numbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace app {

using charts::AxisId;

namespace {

const char *const kSettingsFilter = "Setting file (*.gsf);;Any file (*)";
const char *const kAlignments[] = {"center", "left", "right"};

template <class W, class... Args> W *make(QWidget *parent, const char *name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

// A label in front of a control, which then goes by the label's text.
QLabel *labelFor(QWidget *control, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(control);
    control->setAccessibleName(text);
    return label;
}

std::string fileBytes(const QString &name)
{
    return QFile::encodeName(name).toStdString();
}

} // namespace

TFormChartProp::TFormChartProp(Dialogs &dialogs, QWidget *parent) : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName("FormChartProp");
    setWindowTitle("Chart properties");
    // Beside the main window, not modal, and above it while the user works in the chart.
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    createControls();
    createSeriesMenu();
    connectControls();
    connectSeriesMenu();
}

TFormChartProp::~TFormChartProp() = default;

void TFormChartProp::setTarget(charts::Chart *chart)
{
    m_chart = chart;
}

charts::Chart &TFormChartProp::chart() const
{
    if (!m_chart) throw common::Error("No initialization of the form");
    return *m_chart;
}

void TFormChartProp::guard(const std::function<void()> &handler)
{
    runGuarded(m_dialogs, handler);
}

// ---- controls --------------------------------------------------------------------------------

void TFormChartProp::createControls()
{
    auto *title = new QGroupBox("Title", this);
    MemoTitle = make<QPlainTextEdit>(title, "MemoTitle");
    MemoTitle->setAccessibleName("Title");
    MemoTitle->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A title is a line or a few: Enter breaks a line, Tab goes on to the next control.
    MemoTitle->setTabChangesFocus(true);
    MemoTitle->setFixedHeight(60);
    CB_TitleVisible = make<QCheckBox>(title, "CB_TitleVisible", "visible");
    BtnTitleFont = make<QPushButton>(title, "BtnTitleFont", "Font");
    CB_TitleAlignment = make<QComboBox>(title, "CB_TitleAlignment");
    CB_TitleAlignment->setAccessibleName("Title alignment");
    for (const char *item : kAlignments)
        CB_TitleAlignment->addItem(item);
    auto *titleSide = new QVBoxLayout;
    titleSide->addWidget(CB_TitleVisible);
    titleSide->addWidget(BtnTitleFont);
    titleSide->addWidget(CB_TitleAlignment);
    titleSide->addStretch(1);
    auto *titleLayout = new QHBoxLayout(title);
    titleLayout->addWidget(MemoTitle, 1);
    titleLayout->addLayout(titleSide);

    QWidget *left = createAxisGroup("Left axis", AxisId::Left);
    QWidget *bottom = createAxisGroup("Bottom axis", AxisId::Bottom);
    CB_LeftAutomatic = m_axes[0].automatic;
    EditLeftMin = m_axes[0].minimum;
    EditLeftMax = m_axes[0].maximum;
    EditLeftIncrement = m_axes[0].increment;
    EditLeftFormat = m_axes[0].format;
    BtnLeftLFont = m_axes[0].labelsFont;
    EditLeftTitle = m_axes[0].title;
    BtnLeftTFont = m_axes[0].titleFont;
    CB_LeftGrid = m_axes[0].grid;
    CB_BottomAutomatic = m_axes[1].automatic;
    EditBottomMin = m_axes[1].minimum;
    EditBottomMax = m_axes[1].maximum;
    EditBottomIncrement = m_axes[1].increment;
    EditBottomFormat = m_axes[1].format;
    BtnBottomLFont = m_axes[1].labelsFont;
    EditBottomTitle = m_axes[1].title;
    BtnBottomTFont = m_axes[1].titleFont;
    CB_BottomGrid = m_axes[1].grid;

    CB_Border = make<QCheckBox>(this, "CB_Border", "Chart border visible");
    BtnColor = make<QPushButton>(this, "BtnColor", "Color");
    CB_bevel = make<QCheckBox>(this, "CB_bevel", "Bevel");

    auto *legend = new QGroupBox("Legend", this);
    CB_Legend = make<QCheckBox>(legend, "CB_Legend", "visible");
    BtnLegendFont = make<QPushButton>(legend, "BtnLegendFont", "Font");
    EditColorWidth = make<QLineEdit>(legend, "EditColorWidth");
    EditColorWidth->setFixedWidth(48);
    auto *legendLayout = new QHBoxLayout(legend);
    legendLayout->addWidget(CB_Legend);
    legendLayout->addWidget(BtnLegendFont);
    legendLayout->addWidget(labelFor(EditColorWidth, "width", legend));
    legendLayout->addWidget(EditColorWidth);
    legendLayout->addStretch(1);

    ListSeries = make<QListWidget>(this, "ListSeries");
    ListSeries->setSelectionMode(QAbstractItemView::SingleSelection);
    ListSeries->setContextMenuPolicy(Qt::CustomContextMenu);
    QLabel *seriesLabel = labelFor(ListSeries, "Series", this);

    BtnLoad = make<QPushButton>(this, "BtnLoad", "Load");
    BtnLoad->setToolTip("Load setting from file");
    BtnSave = make<QPushButton>(this, "BtnSave", "Save");
    BtnSave->setToolTip("Save setting to file");
    BtnClose = make<QPushButton>(this, "BtnClose", "Close");

    auto *chartRow = new QHBoxLayout;
    chartRow->addWidget(CB_Border);
    chartRow->addWidget(BtnColor);
    chartRow->addWidget(CB_bevel);
    chartRow->addStretch(1);
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
    leftColumn->addLayout(chartRow);
    auto *rightColumn = new QVBoxLayout;
    rightColumn->addWidget(legend);
    rightColumn->addWidget(seriesLabel);
    rightColumn->addWidget(ListSeries, 1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(leftColumn);
    columns->addLayout(rightColumn, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
}

QWidget *TFormChartProp::createAxisGroup(const QString &caption, AxisId axis)
{
    const bool isLeft = axis == AxisId::Left;
    const QString side = isLeft ? "Left" : "Bottom";
    auto named = [&](QWidget *w, const char *role) {
        w->setObjectName(QString(role).arg(side));
        return w;
    };
    auto *group = new QGroupBox(caption, this);
    AxisControls &c = controls(axis);
    c.automatic = new QCheckBox("automatic", group);
    c.minimum = new QLineEdit(group);
    c.maximum = new QLineEdit(group);
    c.increment = new QLineEdit(group);
    c.format = new QLineEdit(group);
    c.labelsFont = new QPushButton("Font", group);
    c.title = new QLineEdit(group);
    c.titleFont = new QPushButton("Font", group);
    c.grid = new QCheckBox("visible", group);
    named(c.automatic, "CB_%1Automatic");
    named(c.minimum, "Edit%1Min");
    named(c.maximum, "Edit%1Max");
    named(c.increment, "Edit%1Increment");
    named(c.format, "Edit%1Format");
    named(c.labelsFont, "Btn%1LFont");
    named(c.title, "Edit%1Title");
    named(c.titleFont, "Btn%1TFont");
    named(c.grid, "CB_%1Grid");

    // As wide as what they usually hold: the model chart's left title, a year with decimals.
    const QFontMetrics metrics = c.title->fontMetrics();
    c.title->setMinimumWidth(metrics.horizontalAdvance("Defoliation / Deads share [%]") + 16);
    for (QLineEdit *edit : {c.minimum, c.maximum, c.increment, c.format})
        edit->setMinimumWidth(metrics.horizontalAdvance("-2021.5000") + 16);

    auto *grid = new QGridLayout(group);
    grid->addWidget(c.automatic, 0, 1);
    grid->addWidget(labelFor(c.minimum, "Minimum", group), 1, 0);
    grid->addWidget(c.minimum, 1, 1);
    grid->addWidget(labelFor(c.maximum, "Maximum", group), 2, 0);
    grid->addWidget(c.maximum, 2, 1);
    grid->addWidget(labelFor(c.increment, "Increment", group), 3, 0);
    grid->addWidget(c.increment, 3, 1);
    grid->addWidget(labelFor(c.format, "Format", group), 4, 0);
    grid->addWidget(c.format, 4, 1);
    grid->addWidget(c.labelsFont, 4, 2);
    grid->addWidget(labelFor(c.title, "Title", group), 5, 0);
    grid->addWidget(c.title, 5, 1);
    grid->addWidget(c.titleFont, 6, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel("Grid", group), 7, 0);
    grid->addWidget(c.grid, 7, 1);
    return group;
}

void TFormChartProp::onLeaving(QWidget *control, std::function<void()> handler)
{
    m_leaving[control] = std::move(handler);
    control->installEventFilter(this);
}

void TFormChartProp::connectControls()
{
    auto clicked = [this](QPushButton *button, std::function<void()> handler) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guard(handler); });
    };
    // Toggled, not clicked: a screen reader's toggle action checks a box without a click.
    auto toggled = [this](QCheckBox *box, std::function<void()> handler) {
        connect(box, &QCheckBox::toggled, this, [this, handler] {
            if (!m_refreshing) guard(handler);
        });
    };
    onLeaving(MemoTitle, [this] { MemoTitleExit(); });
    toggled(CB_TitleVisible, [this] { CB_TitleVisibleClick(); });
    clicked(BtnTitleFont, [this] { BtnTitleFontClick(); });
    connect(CB_TitleAlignment, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_refreshing) guard([this] { CB_TitleAlignmentChange(); });
    });
    for (const AxisId axis : {AxisId::Left, AxisId::Bottom}) {
        const AxisControls &c = controls(axis);
        toggled(c.automatic, [this, axis] { CB_AutomaticClick(axis); });
        onLeaving(c.minimum, [this, axis] { EditMinExit(axis); });
        onLeaving(c.maximum, [this, axis] { EditMaxExit(axis); });
        onLeaving(c.increment, [this, axis] { EditIncrementExit(axis); });
        onLeaving(c.format, [this, axis] { EditFormatExit(axis); });
        clicked(c.labelsFont, [this, axis] { BtnLabelsFontClick(axis); });
        onLeaving(c.title, [this, axis] { EditTitleExit(axis); });
        clicked(c.titleFont, [this, axis] { BtnTitleFontClick(axis); });
        toggled(c.grid, [this, axis] { CB_GridClick(axis); });
    }
    toggled(CB_Border, [this] { CB_BorderClick(); });
    clicked(BtnColor, [this] { BtnColorClick(); });
    toggled(CB_Legend, [this] { CB_LegendClick(); });
    clicked(BtnLegendFont, [this] { BtnLegendFontClick(); });
    connect(EditColorWidth, &QLineEdit::textChanged, this, [this] {
        if (!m_refreshing) guard([this] { EditColorWidthChange(); });
    });
    toggled(CB_bevel, [this] { CB_bevelClick(); });
    connect(ListSeries, &QListWidget::currentRowChanged, this, [this] {
        if (!m_refreshing) guard([this] { ListSeriesClick(); });
    });
    connect(ListSeries, &QListWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (!m_popupAttached) return;
        guard([this] { PopupSeriesPopup(); });
        PopupSeries->exec(ListSeries->viewport()->mapToGlobal(at));
    });
    clicked(BtnLoad, [this] { BtnLoadClick(); });
    clicked(BtnSave, [this] { BtnSaveClick(); });
    connect(BtnClose, &QPushButton::clicked, this, &QWidget::hide);
    // Return in an edit applies it; it must not press a button of the dialog as well.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
}

bool TFormChartProp::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_refreshing) guard([this] { FormActivate(); });
    return QDialog::event(event);
}

bool TFormChartProp::eventFilter(QObject *watched, QEvent *event)
{
    // Left for another control, another window or by Return; a context menu of the edit is not
    // leaving it.
    const auto found = m_leaving.find(watched);
    if (found != m_leaving.end()) {
        const bool left = event->type() == QEvent::FocusOut &&
                          static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason;
        const bool entered = event->type() == QEvent::KeyPress && qobject_cast<QLineEdit *>(watched) &&
                             (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return ||
                              static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter);
        if ((left || entered) && !m_refreshing) guard(found->second);
    }
    return QDialog::eventFilter(watched, event);
}

// ---- refresh ---------------------------------------------------------------------------------

void TFormChartProp::FormActivate()
{
    if (!m_chart) {
        // Hidden first: the message box would otherwise hand the activation back to this dialog.
        hide();
        m_dialogs.warning("No initialization of the form");
        return;
    }
    const charts::Chart &c = *m_chart;
    m_refreshing = true;
    struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_refreshing};

    MemoTitle->setPlainText(c.titleLines().join(QLatin1Char('\n')));
    CB_TitleVisible->setChecked(c.titleVisible());
    CB_TitleAlignment->setCurrentIndex(static_cast<int>(c.titleAlignment()));
    showAxis(AxisId::Left);
    showAxis(AxisId::Bottom);
    CB_Border->setChecked(c.borderVisible());
    CB_Legend->setChecked(c.legendVisible());
    CB_bevel->setChecked(c.bevelInner() != charts::BevelKind::None ||
                         c.bevelOuter() != charts::BevelKind::None);
    EditColorWidth->setText(QString::number(c.legendColorWidth()));
    fillSeriesList();
    m_popupAttached = false;
}

void TFormChartProp::showAxis(AxisId axis)
{
    const charts::Axis &a = chart().axis(axis);
    AxisControls &c = controls(axis);
    c.automatic->setChecked(a.automatic());
    showAxisRange(axis);
    c.format->setText(a.format());
    c.title->setText(a.title());
    c.grid->setChecked(a.gridVisible());
}

void TFormChartProp::showAxisRange(AxisId axis)
{
    const charts::Axis &a = chart().axis(axis);
    AxisControls &c = controls(axis);
    c.minimum->setText(realText(a.minimum()));
    c.maximum->setText(realText(a.maximum()));
    c.increment->setText(realText(a.increment()));
    for (QLineEdit *edit : {c.minimum, c.maximum, c.increment})
        edit->setEnabled(!a.automatic());
}

void TFormChartProp::fillSeriesList()
{
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    ListSeries->clear();
    for (int i = 0; i < chart().seriesCount(); ++i)
        ListSeries->addItem(chart().seriesListEntry(i));
    ListSeries->setCurrentRow(-1);
    m_refreshing = wasRefreshing;
}

double TFormChartProp::readReal(const QString &text) const
{
    return static_cast<double>(common::strToFloat(text.toStdString(), decimalSeparator()));
}

QString TFormChartProp::realText(double value) const
{
    return QString::fromStdString(common::floatToText(value, decimalSeparator()));
}

bool TFormChartProp::chooseFont(charts::ChartFont &font)
{
    const std::optional<QFont> chosen = m_dialogs.font(font.font);
    if (!chosen) return false;
    font.font = *chosen;
    return true;
}

// ---- title -----------------------------------------------------------------------------------

void TFormChartProp::MemoTitleExit()
{
    chart().setTitleLines(memoLines(MemoTitle->toPlainText()));
}

void TFormChartProp::CB_TitleVisibleClick()
{
    chart().setTitleVisible(CB_TitleVisible->isChecked());
}

void TFormChartProp::BtnTitleFontClick()
{
    charts::ChartFont font = chart().titleFont();
    if (chooseFont(font)) chart().setTitleFont(font);
}

void TFormChartProp::CB_TitleAlignmentChange()
{
    const int index = CB_TitleAlignment->currentIndex();
    if (index >= 0) chart().setTitleAlignment(static_cast<charts::TitleAlignment>(index));
}

// ---- axes ------------------------------------------------------------------------------------

void TFormChartProp::CB_AutomaticClick(AxisId axis)
{
    chart().axis(axis).setAutomatic(controls(axis).automatic->isChecked());
    // Switched off, the range in use becomes the axis' own: shown so that it can be edited.
    showAxisRange(axis);
}

void TFormChartProp::applyRangeValue(AxisId axis, const std::function<void()> &apply)
{
    // A refused value does not stay in its field as if it were in force: the field shows the
    // axis' own value again, and the refusal is told.
    try {
        apply();
    } catch (...) {
        showAxisRange(axis);
        throw;
    }
}

void TFormChartProp::EditMinExit(AxisId axis)
{
    applyRangeValue(axis, [&] { chart().axis(axis).setMinimum(readReal(controls(axis).minimum->text())); });
}

void TFormChartProp::EditMaxExit(AxisId axis)
{
    applyRangeValue(axis, [&] { chart().axis(axis).setMaximum(readReal(controls(axis).maximum->text())); });
}

void TFormChartProp::EditIncrementExit(AxisId axis)
{
    applyRangeValue(axis,
                    [&] { chart().axis(axis).setIncrement(readReal(controls(axis).increment->text())); });
}

void TFormChartProp::EditFormatExit(AxisId axis)
{
    chart().axis(axis).setFormat(controls(axis).format->text());
}

void TFormChartProp::BtnLabelsFontClick(AxisId axis)
{
    charts::ChartFont font = chart().axis(axis).labelsFont();
    if (chooseFont(font)) chart().axis(axis).setLabelsFont(font);
}

void TFormChartProp::EditTitleExit(AxisId axis)
{
    chart().axis(axis).setTitle(controls(axis).title->text());
}

void TFormChartProp::BtnTitleFontClick(AxisId axis)
{
    charts::ChartFont font = chart().axis(axis).titleFont();
    if (chooseFont(font)) chart().axis(axis).setTitleFont(font);
}

void TFormChartProp::CB_GridClick(AxisId axis)
{
    chart().axis(axis).setGridVisible(controls(axis).grid->isChecked());
}

// ---- chart and legend ------------------------------------------------------------------------

void TFormChartProp::CB_BorderClick()
{
    chart().setBorderVisible(CB_Border->isChecked());
}

void TFormChartProp::BtnColorClick()
{
    const std::optional<QColor> chosen = m_dialogs.colour(chart().chartColor());
    if (chosen) chart().setChartColor(*chosen);
}

void TFormChartProp::CB_LegendClick()
{
    chart().setLegendVisible(CB_Legend->isChecked());
}

void TFormChartProp::BtnLegendFontClick()
{
    charts::ChartFont font = chart().legendFont();
    if (chooseFont(font)) chart().setLegendFont(font);
}

void TFormChartProp::EditColorWidthChange()
{
    const QString text = EditColorWidth->text();
    if (!text.isEmpty()) chart().setLegendColorWidth(common::strToInt(text.toStdString()));
}

void TFormChartProp::CB_bevelClick()
{
    charts::Chart &c = chart();
    if (CB_bevel->isChecked()) {
        const int width = c.bevelWidth();
        c.setBevelWidth(width < 5 ? width + 1 : 1);
        c.setBevelInner(charts::BevelKind::None);
        c.setBevelOuter(charts::BevelKind::Raised);
    } else {
        c.setBevelInner(charts::BevelKind::None);
        c.setBevelOuter(charts::BevelKind::None);
    }
}

void TFormChartProp::ListSeriesClick()
{
    if (ListSeries->currentRow() >= 0) m_popupAttached = true;
}

// ---- settings file ---------------------------------------------------------------------------

void TFormChartProp::BtnSaveClick()
{
    const charts::Chart &c = chart();
    const std::optional<SaveChoice> choice =
        m_dialogs.saveFile("Save setting to file", kSettingsFilter, 0, m_settingsDir, "gsf");
    if (!choice) return;
    m_settingsDir = QFileInfo(choice->path).absolutePath();
    charts::SaveChartSettings(c, fileBytes(choice->path));
}

void TFormChartProp::BtnLoadClick()
{
    chart();
    const std::optional<QString> file =
        m_dialogs.openFile("Load setting from file", kSettingsFilter, m_settingsDir);
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
