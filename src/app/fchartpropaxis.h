// One axis of the "Chart properties" dialog: "Left axis" or "Bottom axis", with its range, label
// format and font, title and grid.
#pragma once

#include "app/fchartproppart.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace app {

class ChartAxisPart : public ChartPropPart
{
public:
    // Object names carry the side: CB_LeftAutomatic, EditBottomMin, BtnLeftLFont, ...
    ChartAxisPart(ChartPropContext &context, charts::AxisId axis, QWidget *parent);

    void showChart(const charts::Chart &chart) override;

private:
    // Handlers: each applies one property to the axis. Numbers are read with the user's decimal
    // separator; a text that is not one throws common::ConvertError, and a value the axis refuses
    // throws its common::Error: the axis then keeps its value and the field shows it again.
    void CB_AutomaticClick();
    void EditMinExit();
    void EditMaxExit();
    void EditIncrementExit();
    void EditFormatExit();
    void BtnLabelsFontClick();
    void EditTitleExit();
    void BtnTitleFontClick();
    void CB_GridClick();

    void createControls();
    void connectControls();
    charts::Axis &axis() const { return chart().axis(m_axis); }
    void showRange(const charts::Axis &axis);
    void applyRangeValue(const std::function<void()> &apply);

    const charts::AxisId m_axis;
    QCheckBox *CB_Automatic;
    QLineEdit *EditMin;
    QLineEdit *EditMax;
    QLineEdit *EditIncrement;
    QLineEdit *EditFormat;
    QPushButton *BtnLFont;
    QLineEdit *EditTitle;
    QPushButton *BtnTFont;
    QCheckBox *CB_Grid;
};

} // namespace app
