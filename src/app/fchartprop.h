// The "Chart properties" dialog: restyles a chart of the main window at once as the user changes a
// control (title, both axes, border, colour, bevel, legend), changes its series through the series
// list's menu, and saves and loads the chart-level look as a chart settings file.
//
// One instance lives as long as the main window. It is not modal and stays on top; the main window
// points it at a chart (ShowChartProperties) and it rereads that chart every time it becomes the
// active window, so it always matches a chart that was redrawn meanwhile.
//
// The dialog is a shell over its parts, each owning its controls and handlers: the title
// (fchartproplook), each axis (fchartpropaxis), the border row and the legend (fchartproplook),
// and the series list with its menu (fchartpropseries).
#pragma once

#include "app/fchartproppart.h"

#include <QDialog>

#include <vector>

class QPushButton;

namespace app {

class ChartSeriesPart;

class TFormChartProp : public QDialog
{
    Q_OBJECT
public:
    explicit TFormChartProp(Dialogs &dialogs, QWidget *parent = nullptr);
    ~TFormChartProp() override;

    // The chart the dialog works on; the dialog owns nothing of it and forgets it when it is destroyed.
    void setTarget(charts::Chart *chart);
    charts::Chart *target() const { return m_context.chart; }

    // The refresh: fills every control from the target chart, rebuilds the series list and detaches the
    // series menu. Without a target: closes and warns "No initialization of the form".
    void FormActivate();

    // Whether the series menu opens on the series list now.
    bool popupAttached() const;

protected:
    bool event(QEvent *event) override;

private:
    // The chart settings file: a save dialog, then the chart's settings written whole; an open
    // dialog, then LoadChartSettings.
    void BtnSaveClick();
    void BtnLoadClick();
    // Applies the file to the target chart (all of it or, when it is refused, nothing), then refreshes.
    void LoadChartSettings(const QString &file);

    void createControls();
    charts::Chart &chart() const;
    void guard(const std::function<void()> &handler);

    ChartPropContext m_context;
    std::vector<ChartPropPart *> m_parts;
    ChartSeriesPart *m_series = nullptr;
    QPushButton *BtnLoad;
    QPushButton *BtnSave;
    QPushButton *BtnClose;
    QString m_settingsDir;
};

} // namespace app
