// The page "Single plot model": the interval and "Max deads %" with their arrows, the model chart of
// the selected plot and species, and the chart's properties, picture and print buttons.
#pragma once

#include "app/dialogs.h"
#include "app/pagehost.h"
#include "model/modelsettings.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;

namespace charts {
class Chart;
}

namespace common {
class MessageSink;
}

namespace app {

class UpDown;

class ModelPage : public QWidget
{
    Q_OBJECT
public:
    ModelPage(PageHost &host, Dialogs &dialogs, QWidget *parent = nullptr);
    ~ModelPage() override;

    // Page entry: titles the chart for the selected plot and species and prepares the selected-trees
    // query in Query1; with "Auto model calculation" checked, computes the chart.
    void enter();
    // Computes and draws the model chart of the selected plot and species; the selected-trees query
    // must be prepared in Query1. A setting typed wrong is refused (common::ConvertError) with the
    // chart as it was; the engine's errors are thrown with the chart left empty.
    void drawModel();
    // Where the computation's messages go while a batch run draws; nullptr for the window's message
    // boxes.
    void setMessageSink(common::MessageSink *sink) { m_modelSink = sink; }
    charts::Chart &chart() { return *ChartTModel; }

    // The settings of a statistics run as the controls hold them now; "Max deads %" stays at its
    // default, as only the chart uses it. Throws ConvertError for an interval that is not a number.
    model::ModelSettings modelSettings() const;
    // The same with "Max deads %" and the band of the line settings, for the model chart;
    // ConvertError also when "Max deads %" is not a number.
    model::ModelSettings modelChartSettings() const;
    // The printer of the print command, created by its first use and kept with its settings; nullptr
    // before.
    const QPrinter *printer() const { return Printer.get(); }

private:
    void BtnSingleMClick();
    // With "Auto model calculation" checked, a change of the interval or of "Max deads %" recomputes.
    void EditIntervalChange();
    void EditMaxDeadsChange();
    void BtnPropertiesClick();
    void BtnSaveClick();
    // The printer set-up, the print layout dialog and the model chart printed into the rectangle
    // chosen there. Throws common::Error when no printer can print or printing fails.
    void BtnPrintClick();

    PageHost &m_host;
    WindowState &m_state;
    Dialogs &m_dialogs;
    DialogsSink m_sink;
    common::MessageSink *m_modelSink = nullptr;
    std::unique_ptr<QPrinter> Printer;

    // The panel of the page's settings and buttons above the chart.
    QWidget *Panel1;
    QLabel *LabelInterval;
    QLineEdit *EditInterval;
    UpDown *UpDown1;
    QLabel *LabelMaxDeads;
    QLineEdit *EditMaxDeads;
    UpDown *UpDown2;
    QPushButton *BtnSingleM;
    QCheckBox *CB_Auto;
    QPushButton *BtnProperties;
    QPushButton *BtnPrint;
    QPushButton *BtnSave;
    charts::Chart *ChartTModel;
};

} // namespace app
