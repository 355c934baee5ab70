// The chart properties dialog of the model and regression pages.
#include "app/fmain.h"

#include "app/fchartprop.h"
#include "app/placement.h"
#include "charts/chart.h"

#include <QScreen>

namespace app {

void TFormMain::ShowChartProperties(charts::Chart &chart)
{
    if (!FormChartProp) FormChartProp = std::make_unique<TFormChartProp>(m_dialogs, this);
    FormChartProp->setTarget(&chart);
    if (!FormChartProp->isVisible()) {
        // Opened beside the window, not over the chart it changes; moved by the user, it stays put
        // while it is open.
        FormChartProp->adjustSize();
        const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
        const QRect chartArea(chart.mapToGlobal(QPoint(0, 0)), chart.size());
        if (!screen.isEmpty())
            FormChartProp->move(
                placeBeside(frameGeometry(), chartArea, FormChartProp->frameGeometry().size(), screen));
    }
    FormChartProp->show();
    FormChartProp->raise();
    FormChartProp->activateWindow();
    // Already the active window, it would not be activated again: the new target is read here.
    FormChartProp->FormActivate();
}

} // namespace app
