// The main page's plot and species selection: the two lists, the fix box, the tree count and the
// plot container, with the selected-trees query they lead to.
#pragma once

#include "app/dialogs.h"
#include "app/windowstate.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QToolButton;

namespace app {

class ListBox;
class TFormPlotContainer;

class PlotSelection : public QWidget
{
    Q_OBJECT
public:
    PlotSelection(WindowState &state, Dialogs &dialogs, QWidget *parent = nullptr);
    ~PlotSelection() override;

    // The text of the selected plot or species; empty when the list has no selection.
    std::string selectedPlot() const;
    std::string selectedSpecies() const;
    // The rows of the selected plot and species; nothing, after a warning, when either list has no
    // selection.
    std::optional<std::pair<int, int>> checkSelection();
    // Sets Query1 to the selected-trees query and prepares it; the caller sets the parameters
    // PlotNames and NSpecies and opens it.
    void prepareTreeQuery();
    // Fills the plot list under the user's condition; the species list stays. Throws
    // common::DataError when the engine refuses the query.
    void fillPlots();
    // The species of the whole table under the user's condition, in the lists' order; the tree count
    // goes back to "-". Throws common::Error when no column has the role Species.
    std::vector<std::string> allSpecies();
    // Both lists emptied, for a table closed or opened anew.
    void clear();
    // The lists and their buttons work only while a table is open; closed, the lists are emptied.
    void setTableOpen(bool open);
    // The controls Tab visits, in their order: the plot container button, the plots, the fix box, the
    // species.
    QList<QWidget *> tabChain() const;
    // The plot container, hidden until SpeedButton1 shows it.
    TFormPlotContainer &plotContainer() { return *FormPlotContainer; }

    // Handlers. The list clicks run on the user's clicks only: code that selects a row
    // (ListBox::selectRow) calls the click handler itself. Errors of the engine are thrown
    // (common::DataError); Query1 carries each statement in turn and is left closed.
    // The species of the selected plot; with the fix box checked, the fixed species is selected again
    // and counted when the plot has it.
    void ListPlotsClick();
    // Counts the trees of the selected plot and species into LabelTreeCount; does nothing unless both
    // lists have a selection.
    void ListSpeciesClick();
    void CB_FixClick();
    void SpeedButton1Click();
    // Adds the selected plot to the plot container, once, while the container is shown.
    void ListPlotsDblClick();

private:
    friend class WindowSelection; // selects and clicks in the lists during the runs over all of them

    // Sets Query1 to the distinct values of the column (with the WHERE text and the user's
    // conditions), fills the list with them in the order delivered and resets the tree count to "-".
    void ListDistinct(const std::string &column, ListBox *target, const std::string &where);

    WindowState &m_state;
    Dialogs &m_dialogs;

    QLabel *Label2;
    QToolButton *SpeedButton1;
    ListBox *ListPlots;
    QLabel *Label3;
    QCheckBox *CB_Fix;
    ListBox *ListSpecies;
    QLabel *Label5;
    QLabel *LabelTreeCount;
    std::unique_ptr<TFormPlotContainer> FormPlotContainer;
};

} // namespace app
