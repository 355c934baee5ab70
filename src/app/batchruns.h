// The runs over every plot and species that the main page's buttons start: the statistics, the model
// pictures ("Create all models") and the survey report. Each walks the lists as the user would, with
// the progress window's Cancel.
#pragma once

#include "app/dialogs.h"
#include "app/pagehost.h"

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace app {

class ModelPage;
class PlotSelection;
class TFormCreateModelsSetting;

class BatchRuns
{
public:
    // `mainPage` is entered before each plot of the model pictures, `window` parents their dialogs.
    BatchRuns(PageHost &host, Dialogs &dialogs, QWidget &mainPage, PlotSelection &lists, ModelPage &modelPage,
              QWidget &window);
    ~BatchRuns();

    // The statistics run (model::StatisticsRun) over every plot and species of the lists, with the
    // model page's settings; the user's selection is selected again at the end.
    void BtnStatClick();
    // Asks for the settings, then draws and saves the model chart of every plot and species with
    // enough trees, showing each on the model page; the progress window's Cancel stops the run after
    // the picture in hand. The settings dialog exists until the run ends.
    void BtnCreateModelsAllClick();
    // Survey report (batchreport.cpp): asks for a folder, writes the report of every plot and species
    // with enough trees into its folder TABLE_report there (replaced whole, and only after asking),
    // with the progress window's Cancel leaving nothing, and offers to open it in the browser.
    void BtnReportClick();
    // The name a species goes by on the model chart's title: its name in the batch run's settings
    // dialog while that exists, otherwise the species code itself.
    std::string SpeciesName(const std::string &species) const;

private:
    class Pictures;
    // Creates the settings dialog for the directory and the species, shows it modally and tells
    // whether it was closed with OK.
    bool ShowCreateModelsSetting(const std::string &directory, const std::vector<std::string> &species);

    PageHost &m_host;
    WindowState &m_state;
    Dialogs &m_dialogs;
    DialogsSink m_sink;
    QWidget &m_mainPage;
    PlotSelection &m_lists;
    ModelPage &m_modelPage;
    QWidget &m_window;
    std::unique_ptr<TFormCreateModelsSetting> FormCreateModelsSetting;
};

} // namespace app
