// The window's plot and species lists as the runs over all of them walk them.
#include "app/windowselection.h"

#include "app/fmain.h"
#include "app/listbox.h"

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

} // namespace

std::vector<std::string> WindowSelection::plots()
{
    return itemTexts(m_form.ListPlots);
}

std::vector<std::string> WindowSelection::selectPlot(std::size_t index)
{
    m_form.ListPlots->selectRow(static_cast<int>(index));
    m_form.ListPlotsClick();
    return itemTexts(m_form.ListSpecies);
}

long long WindowSelection::selectSpecies(std::size_t index)
{
    m_form.ListSpecies->selectRow(static_cast<int>(index));
    m_form.ListSpeciesClick();
    bool ok = false;
    const long long count = m_form.LabelTreeCount->text().toLongLong(&ok);
    return ok ? count : 0;
}

} // namespace app
