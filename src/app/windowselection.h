// The runs over every plot and species walk the main page's own lists: a plot is selected and clicked,
// which fills the species list, a species is selected and clicked, which counts its trees. When the
// run ends, the plot and species the user had selected are selected again, as far as the lists still
// hold them.
#pragma once

#include "model/statisticsrun.h"

#include <QString>

namespace app {

class PlotSelection;

class WindowSelection final : public model::PlotSpeciesSelection
{
public:
    explicit WindowSelection(PlotSelection &lists);
    ~WindowSelection() override;
    WindowSelection(const WindowSelection &) = delete;
    WindowSelection &operator=(const WindowSelection &) = delete;

    std::vector<std::string> plots() override;
    std::vector<std::string> selectPlot(std::size_t index) override;
    // "-" in the count, when nothing was counted, is 0: then there are no trees to process.
    long long selectSpecies(std::size_t index) override;

private:
    PlotSelection &m_lists;
    QString m_plot; // the user's selection before the run; empty when none
    QString m_species;
};

} // namespace app
