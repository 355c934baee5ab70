// The chart's own look in the "Chart properties" dialog, in three small parts: its title, the
// border, colour and bevel row, and its legend.
#pragma once

#include "app/fchartproppart.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace app {

// The "Title" group: the title's lines, visibility, font and alignment.
class ChartTitlePart : public ChartPropPart
{
public:
    ChartTitlePart(ChartPropContext &context, QWidget *parent);
    void showChart(const charts::Chart &chart) override;

private:
    void MemoTitleExit();
    void CB_TitleVisibleClick();
    void BtnTitleFontClick();
    void CB_TitleAlignmentChange();

    QPlainTextEdit *MemoTitle;
    QCheckBox *CB_TitleVisible;
    QPushButton *BtnTitleFont;
    QComboBox *CB_TitleAlignment;
};

// The row under the axes: the chart's border, colour and bevel.
class ChartFramePart : public ChartPropPart
{
public:
    ChartFramePart(ChartPropContext &context, QWidget *parent);
    void showChart(const charts::Chart &chart) override;

private:
    void CB_BorderClick();
    void BtnColorClick();
    // Ticked: the bevel width steps 1, 2, 3, 4, 5, 1, ... with the outer bevel raised; unticked: none.
    void CB_bevelClick();

    QCheckBox *CB_Border;
    QPushButton *BtnColor;
    QCheckBox *CB_bevel;
};

// The "Legend" group: visibility, font and the width of the colour boxes.
class ChartLegendPart : public ChartPropPart
{
public:
    ChartLegendPart(ChartPropContext &context, QWidget *parent);
    void showChart(const charts::Chart &chart) override;

private:
    void CB_LegendClick();
    void BtnLegendFontClick();
    // On every change of the text; an empty text changes nothing.
    void EditColorWidthChange();

    QCheckBox *CB_Legend;
    QPushButton *BtnLegendFont;
    QLineEdit *EditColorWidth;
};

} // namespace app
