// The runs over every plot and species walk the window's own lists: a plot is selected and clicked,
// which fills the species list, a species is selected and clicked, which counts its trees. The last
// plot and species stay selected, as the user sees them after the run.
#pragma once

#include "model/statisticsrun.h"

namespace app {

class TFormMain;

class WindowSelection final : public model::PlotSpeciesSelection
{
public:
    explicit WindowSelection(TFormMain &form) : m_form(form) {}

    std::vector<std::string> plots() override;
    std::vector<std::string> selectPlot(std::size_t index) override;
    // "-" in the count, when nothing was counted, is 0: then there are no trees to process.
    long long selectSpecies(std::size_t index) override;

private:
    TFormMain &m_form;
};

} // namespace app
