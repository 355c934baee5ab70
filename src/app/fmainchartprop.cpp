// The buttons "Properties" of the model and regression pages: the chart properties dialog.
#include "app/fmain.h"

#include "app/fchartprop.h"
#include "charts/chart.h"

#include <QPushButton>

namespace app {

void TFormMain::connectChartProperties()
{
    connectGuarded(BtnProperties, &QPushButton::clicked, &TFormMain::BtnPropertiesClick);
    connectGuarded(BtnPropertiesRegr, &QPushButton::clicked, &TFormMain::BtnPropertiesRegrClick);
}

void TFormMain::ShowChartProperties(charts::Chart &chart)
{
    if (!FormChartProp) FormChartProp = std::make_unique<TFormChartProp>(m_dialogs, this);
    FormChartProp->setTarget(&chart);
    FormChartProp->show();
    FormChartProp->raise();
    FormChartProp->activateWindow();
    // Already the active window, it would not be activated again: the new target is read here.
    FormChartProp->FormActivate();
}

void TFormMain::BtnPropertiesClick()
{
    ShowChartProperties(*ChartTModel);
}

void TFormMain::BtnPropertiesRegrClick()
{
    ShowChartProperties(*ChartRegr);
}

} // namespace app
