// One axis of the "Chart properties" dialog: its controls and handlers.
#include "app/fchartpropaxis.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

using charts::AxisId;

ChartAxisPart::ChartAxisPart(ChartPropContext &context, AxisId axis, QWidget *parent)
    : ChartPropPart(context, parent), m_axis(axis)
{
    createControls();
    connectControls();
}

void ChartAxisPart::createControls()
{
    const bool isLeft = m_axis == AxisId::Left;
    const QString side = isLeft ? "Left" : "Bottom";
    setObjectName(side + "Axis");
    auto named = [&](QWidget *w, const char *role) {
        w->setObjectName(QString(role).arg(side));
        return w;
    };
    auto *group = new QGroupBox(isLeft ? "Left axis" : "Bottom axis", this);
    CB_Automatic = new QCheckBox("automatic", group);
    EditMin = new QLineEdit(group);
    EditMax = new QLineEdit(group);
    EditIncrement = new QLineEdit(group);
    EditFormat = new QLineEdit(group);
    BtnLFont = new QPushButton("Font", group);
    EditTitle = new QLineEdit(group);
    BtnTFont = new QPushButton("Font", group);
    CB_Grid = new QCheckBox("visible", group);
    named(CB_Automatic, "CB_%1Automatic");
    named(EditMin, "Edit%1Min");
    named(EditMax, "Edit%1Max");
    named(EditIncrement, "Edit%1Increment");
    named(EditFormat, "Edit%1Format");
    named(BtnLFont, "Btn%1LFont");
    named(EditTitle, "Edit%1Title");
    named(BtnTFont, "Btn%1TFont");
    named(CB_Grid, "CB_%1Grid");

    // As wide as what they usually hold: the model chart's left title, a year with decimals.
    const QFontMetrics metrics = EditTitle->fontMetrics();
    EditTitle->setMinimumWidth(metrics.horizontalAdvance("Defoliation / Deads share [%]") + 16);
    for (QLineEdit *edit : {EditMin, EditMax, EditIncrement, EditFormat})
        edit->setMinimumWidth(metrics.horizontalAdvance("-2021.5000") + 16);

    auto *grid = new QGridLayout(group);
    grid->addWidget(CB_Automatic, 0, 1);
    grid->addWidget(labelFor(EditMin, "Minimum", group), 1, 0);
    grid->addWidget(EditMin, 1, 1);
    grid->addWidget(labelFor(EditMax, "Maximum", group), 2, 0);
    grid->addWidget(EditMax, 2, 1);
    grid->addWidget(labelFor(EditIncrement, "Increment", group), 3, 0);
    grid->addWidget(EditIncrement, 3, 1);
    grid->addWidget(labelFor(EditFormat, "Format", group), 4, 0);
    grid->addWidget(EditFormat, 4, 1);
    grid->addWidget(BtnLFont, 4, 2);
    grid->addWidget(labelFor(EditTitle, "Title", group), 5, 0);
    grid->addWidget(EditTitle, 5, 1);
    grid->addWidget(BtnTFont, 6, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel("Grid", group), 7, 0);
    grid->addWidget(CB_Grid, 7, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
}

void ChartAxisPart::connectControls()
{
    onToggled(CB_Automatic, [this] { CB_AutomaticClick(); });
    onLeaving(EditMin, [this] { EditMinExit(); });
    onLeaving(EditMax, [this] { EditMaxExit(); });
    onLeaving(EditIncrement, [this] { EditIncrementExit(); });
    onLeaving(EditFormat, [this] { EditFormatExit(); });
    onClicked(BtnLFont, [this] { BtnLabelsFontClick(); });
    onLeaving(EditTitle, [this] { EditTitleExit(); });
    onClicked(BtnTFont, [this] { BtnTitleFontClick(); });
    onToggled(CB_Grid, [this] { CB_GridClick(); });
}

void ChartAxisPart::showChart(const charts::Chart &chart)
{
    const charts::Axis &a = m_axis == AxisId::Left ? chart.leftAxis() : chart.bottomAxis();
    CB_Automatic->setChecked(a.automatic());
    showRange(a);
    EditFormat->setText(a.format());
    EditTitle->setText(a.title());
    CB_Grid->setChecked(a.gridVisible());
}

void ChartAxisPart::showRange(const charts::Axis &a)
{
    EditMin->setText(realText(a.minimum()));
    EditMax->setText(realText(a.maximum()));
    EditIncrement->setText(realText(a.increment()));
    for (QLineEdit *edit : {EditMin, EditMax, EditIncrement})
        edit->setEnabled(!a.automatic());
}

void ChartAxisPart::CB_AutomaticClick()
{
    axis().setAutomatic(CB_Automatic->isChecked());
    // Switched off, the range in use becomes the axis' own: shown so that it can be edited.
    showRange(axis());
}

void ChartAxisPart::applyRangeValue(const std::function<void()> &apply)
{
    // A refused value does not stay in its field as if it were in force: the field shows the
    // axis' own value again, and the refusal is told.
    try {
        apply();
    } catch (...) {
        showRange(axis());
        throw;
    }
}

void ChartAxisPart::EditMinExit()
{
    applyRangeValue([this] { axis().setMinimum(readReal(EditMin->text())); });
}

void ChartAxisPart::EditMaxExit()
{
    applyRangeValue([this] { axis().setMaximum(readReal(EditMax->text())); });
}

void ChartAxisPart::EditIncrementExit()
{
    applyRangeValue([this] { axis().setIncrement(readReal(EditIncrement->text())); });
}

void ChartAxisPart::EditFormatExit()
{
    axis().setFormat(EditFormat->text());
}

void ChartAxisPart::BtnLabelsFontClick()
{
    charts::ChartFont font = axis().labelsFont();
    if (chooseFont(font)) axis().setLabelsFont(font);
}

void ChartAxisPart::EditTitleExit()
{
    axis().setTitle(EditTitle->text());
}

void ChartAxisPart::BtnTitleFontClick()
{
    charts::ChartFont font = axis().titleFont();
    if (chooseFont(font)) axis().setTitleFont(font);
}

void ChartAxisPart::CB_GridClick()
{
    axis().setGridVisible(CB_Grid->isChecked());
}

} // namespace app
