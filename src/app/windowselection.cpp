// The window's plot and species lists as the runs over all of them walk them.
#include "app/windowselection.h"

#include "app/listbox.h"
#include "app/plotselection.h"

#include <QLabel>

namespace app {

namespace {

std::vector<std::string> itemTexts(const ListBox *list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->item(i)->text().toStdString());
    return items;
}

QString selectedText(const ListBox *list)
{
    const int row = list->selectedRow();
    return row < 0 ? QString() : list->item(row)->text();
}

int rowOf(const ListBox *list, const QString &text)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text) return i;
    return -1;
}

} // namespace

WindowSelection::WindowSelection(PlotSelection &lists)
    : m_lists(lists), m_plot(selectedText(lists.ListPlots)), m_species(selectedText(lists.ListSpecies))
{
}

WindowSelection::~WindowSelection()
{
    // Clicks of the user's own plot and species, so that the species list and the tree count are
    // theirs again too; nothing is clicked for a selection the lists no longer hold.
    try {
        const int plot = m_plot.isEmpty() ? -1 : rowOf(m_lists.ListPlots, m_plot);
        if (plot < 0) return;
        m_lists.ListPlots->selectRow(plot);
        m_lists.ListPlotsClick();
        const int species = m_species.isEmpty() ? -1 : rowOf(m_lists.ListSpecies, m_species);
        if (species < 0) return;
        m_lists.ListSpecies->selectRow(species);
        m_lists.ListSpeciesClick();
    } catch (...) {
        // A failure to count the trees again leaves the lists as the run left them.
    }
}

std::vector<std::string> WindowSelection::plots()
{
    return itemTexts(m_lists.ListPlots);
}

std::vector<std::string> WindowSelection::selectPlot(std::size_t index)
{
    m_lists.ListPlots->selectRow(static_cast<int>(index));
    m_lists.ListPlotsClick();
    return itemTexts(m_lists.ListSpecies);
}

long long WindowSelection::selectSpecies(std::size_t index)
{
    m_lists.ListSpecies->selectRow(static_cast<int>(index));
    m_lists.ListSpeciesClick();
    bool ok = false;
    const long long count = m_lists.LabelTreeCount->text().toLongLong(&ok);
    return ok ? count : 0;
}

} // namespace app
