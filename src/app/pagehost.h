// What a page of the main window asks of the window around it: the shared state, the plot and species
// chosen on the main page, and the window's own save and chart properties dialogs.
#pragma once

#include "app/windowstate.h"
#include "data/selection.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace charts {
class Chart;
}

namespace app {

// The rows of the plot and species chosen in their lists.
struct SelectedRows
{
    int plot = -1;
    int species = -1;
};

class PageHost
{
public:
    virtual WindowState &state() = 0;
    // The text of the selected plot or species; empty when the list has no selection.
    virtual std::string selectedPlot() const = 0;
    virtual std::string selectedSpecies() const = 0;
    // Sets Query1 to the selected-trees query and prepares it; the caller sets the parameters
    // PlotNames and NSpecies and opens it.
    virtual void PrepareTreeQuery() = 0;
    // The rows of the selected plot and species; nothing, after a warning and with the main page
    // shown, when either list has no selection.
    virtual std::optional<SelectedRows> CheckSelection() = 0;
    // The survey years of the year list, in its order.
    virtual std::vector<data::YearColumn> yearList() const = 0;
    // Index of the checked item of RG_valtyp: 0 per cent, 1 damage classes.
    virtual int valueType() const = 0;
    // Shows the main page without its page entry, when the page shown has nothing to show.
    virtual void returnToMainPage() = 0;
    // Selects the page and runs the page entry once, as a page change by the user would.
    virtual void enterPage(QWidget &page) = 0;
    // The window's save dialog for pictures, for the chart.
    virtual void SaveChartAs(charts::Chart &chart) = 0;
    // The one "Chart properties" dialog, pointed at the chart.
    virtual void ShowChartProperties(charts::Chart &chart) = 0;
    // The name a species goes by on the model chart's title.
    virtual std::string SpeciesName(const std::string &species) const = 0;

protected:
    ~PageHost() = default;
};

} // namespace app
