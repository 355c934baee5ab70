// The chart's own look in the "Chart properties" dialog: title, border, colour, bevel and legend.
#include "app/fchartproplook.h"

#include "app/dialogs.h"
#include "app/fmemodlg.h"
#include "common/numbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

const char *const kAlignments[] = {"center", "left", "right"};

} // namespace

// ---- title -----------------------------------------------------------------------------------

ChartTitlePart::ChartTitlePart(ChartPropContext &context, QWidget *parent) : ChartPropPart(context, parent)
{
    setObjectName("TitlePart");
    auto *title = new QGroupBox("Title", this);
    MemoTitle = makeNamed<QPlainTextEdit>(title, "MemoTitle");
    MemoTitle->setAccessibleName("Title");
    MemoTitle->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A title is a line or a few: Enter breaks a line, Tab goes on to the next control.
    MemoTitle->setTabChangesFocus(true);
    MemoTitle->setFixedHeight(60);
    CB_TitleVisible = makeNamed<QCheckBox>(title, "CB_TitleVisible", "visible");
    BtnTitleFont = makeNamed<QPushButton>(title, "BtnTitleFont", "Font");
    CB_TitleAlignment = makeNamed<QComboBox>(title, "CB_TitleAlignment");
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
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);

    onLeaving(MemoTitle, [this] { MemoTitleExit(); });
    onToggled(CB_TitleVisible, [this] { CB_TitleVisibleClick(); });
    onClicked(BtnTitleFont, [this] { BtnTitleFontClick(); });
    connect(CB_TitleAlignment, &QComboBox::currentIndexChanged, this, [this] {
        if (!refreshing()) guard([this] { CB_TitleAlignmentChange(); });
    });
}

void ChartTitlePart::showChart(const charts::Chart &c)
{
    MemoTitle->setPlainText(c.titleLines().join(QLatin1Char('\n')));
    CB_TitleVisible->setChecked(c.titleVisible());
    CB_TitleAlignment->setCurrentIndex(static_cast<int>(c.titleAlignment()));
}

void ChartTitlePart::MemoTitleExit()
{
    chart().setTitleLines(memoLines(MemoTitle->toPlainText()));
}

void ChartTitlePart::CB_TitleVisibleClick()
{
    chart().setTitleVisible(CB_TitleVisible->isChecked());
}

void ChartTitlePart::BtnTitleFontClick()
{
    charts::ChartFont font = chart().titleFont();
    if (chooseFont(font)) chart().setTitleFont(font);
}

void ChartTitlePart::CB_TitleAlignmentChange()
{
    const int index = CB_TitleAlignment->currentIndex();
    if (index >= 0) chart().setTitleAlignment(static_cast<charts::TitleAlignment>(index));
}

// ---- border, colour and bevel ---------------------------------------------------------------

ChartFramePart::ChartFramePart(ChartPropContext &context, QWidget *parent) : ChartPropPart(context, parent)
{
    setObjectName("FramePart");
    CB_Border = makeNamed<QCheckBox>(this, "CB_Border", "Chart border visible");
    BtnColor = makeNamed<QPushButton>(this, "BtnColor", "Color");
    CB_bevel = makeNamed<QCheckBox>(this, "CB_bevel", "Bevel");
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CB_Border);
    layout->addWidget(BtnColor);
    layout->addWidget(CB_bevel);
    layout->addStretch(1);

    onToggled(CB_Border, [this] { CB_BorderClick(); });
    onClicked(BtnColor, [this] { BtnColorClick(); });
    onToggled(CB_bevel, [this] { CB_bevelClick(); });
}

void ChartFramePart::showChart(const charts::Chart &c)
{
    CB_Border->setChecked(c.borderVisible());
    CB_bevel->setChecked(c.bevelInner() != charts::BevelKind::None ||
                         c.bevelOuter() != charts::BevelKind::None);
}

void ChartFramePart::CB_BorderClick()
{
    chart().setBorderVisible(CB_Border->isChecked());
}

void ChartFramePart::BtnColorClick()
{
    const std::optional<QColor> chosen = dialogs().colour(chart().chartColor());
    if (chosen) chart().setChartColor(*chosen);
}

void ChartFramePart::CB_bevelClick()
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

// ---- legend ----------------------------------------------------------------------------------

ChartLegendPart::ChartLegendPart(ChartPropContext &context, QWidget *parent) : ChartPropPart(context, parent)
{
    setObjectName("LegendPart");
    auto *legend = new QGroupBox("Legend", this);
    CB_Legend = makeNamed<QCheckBox>(legend, "CB_Legend", "visible");
    BtnLegendFont = makeNamed<QPushButton>(legend, "BtnLegendFont", "Font");
    EditColorWidth = makeNamed<QLineEdit>(legend, "EditColorWidth");
    EditColorWidth->setFixedWidth(48);
    auto *legendLayout = new QHBoxLayout(legend);
    legendLayout->addWidget(CB_Legend);
    legendLayout->addWidget(BtnLegendFont);
    legendLayout->addWidget(labelFor(EditColorWidth, "width", legend));
    legendLayout->addWidget(EditColorWidth);
    legendLayout->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(legend);

    onToggled(CB_Legend, [this] { CB_LegendClick(); });
    onClicked(BtnLegendFont, [this] { BtnLegendFontClick(); });
    connect(EditColorWidth, &QLineEdit::textChanged, this, [this] {
        if (!refreshing()) guard([this] { EditColorWidthChange(); });
    });
}

void ChartLegendPart::showChart(const charts::Chart &c)
{
    CB_Legend->setChecked(c.legendVisible());
    EditColorWidth->setText(QString::number(c.legendColorWidth()));
}

void ChartLegendPart::CB_LegendClick()
{
    chart().setLegendVisible(CB_Legend->isChecked());
}

void ChartLegendPart::BtnLegendFontClick()
{
    charts::ChartFont font = chart().legendFont();
    if (chooseFont(font)) chart().setLegendFont(font);
}

void ChartLegendPart::EditColorWidthChange()
{
    const QString text = EditColorWidth->text();
    if (!text.isEmpty()) chart().setLegendColorWidth(common::strToInt(text.toStdString()));
}

} // namespace app
