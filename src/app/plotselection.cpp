// The main page's plot and species selection: the lists, the tree count, the fix box, the
// selected-trees query, the selection check and the plot container.
#include "app/plotselection.h"

#include "app/fplotcontainer.h"
#include "app/guardedslot.h"
#include "app/listbox.h"
#include "app/named.h"
#include "app/smallbutton.h"
#include "data/condition.h"
#include "data/treeselection.h"
#include "model/runinputs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace app {

namespace {

std::string itemText(const ListBox *list)
{
    const int row = list->selectedRow();
    return row < 0 ? std::string() : list->item(row)->text().toStdString();
}

} // namespace

PlotSelection::PlotSelection(WindowState &state, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs)
{
    setObjectName("PanelSelection");
    Label2 = named<QLabel>("Label2", "Plots");
    SpeedButton1 = smallButton("SpeedButton1", "Plot container", QStyle::SP_FileDialogListView, "...");
    ListPlots = named<ListBox>("ListPlots");
    Label3 = named<QLabel>("Label3", "Tree species");
    CB_Fix = named<QCheckBox>("CB_Fix");
    ListSpecies = named<ListBox>("ListSpecies");
    Label5 = named<QLabel>("Label5", "Tree count");
    LabelTreeCount = named<QLabel>("LabelTreeCount", "-");
    auto *plotsRow = new QHBoxLayout;
    plotsRow->addWidget(Label2);
    plotsRow->addStretch(1);
    plotsRow->addWidget(SpeedButton1);
    auto *speciesRow = new QHBoxLayout;
    speciesRow->addWidget(Label3);
    speciesRow->addStretch(1);
    speciesRow->addWidget(CB_Fix);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(Label5);
    countRow->addWidget(LabelTreeCount, 1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(plotsRow);
    column->addWidget(ListPlots, 3);
    column->addLayout(speciesRow);
    column->addWidget(ListSpecies, 2);
    column->addLayout(countRow);

    nameAfter(ListPlots, Label2);
    nameAfter(ListSpecies, Label3);
    CB_Fix->setToolTip("Fix species");
    CB_Fix->setAccessibleName("Fix species");

    FormPlotContainer = std::make_unique<TFormPlotContainer>(this);
    connectGuarded(this, m_dialogs, ListPlots, &ListBox::userClicked, &PlotSelection::ListPlotsClick);
    connectGuarded(this, m_dialogs, ListSpecies, &ListBox::userClicked, &PlotSelection::ListSpeciesClick);
    connectGuarded(this, m_dialogs, ListPlots, &QListWidget::itemDoubleClicked,
                   &PlotSelection::ListPlotsDblClick);
    // Toggled, not clicked: a screen reader's toggle action checks the box without a click.
    connectGuarded(this, m_dialogs, CB_Fix, &QCheckBox::toggled, &PlotSelection::CB_FixClick);
    connectGuarded(this, m_dialogs, SpeedButton1, &QToolButton::clicked, &PlotSelection::SpeedButton1Click);
}

PlotSelection::~PlotSelection() = default;

QList<QWidget *> PlotSelection::tabChain() const
{
    return {SpeedButton1, ListPlots, CB_Fix, ListSpecies};
}

std::string PlotSelection::selectedPlot() const
{
    return itemText(ListPlots);
}

std::string PlotSelection::selectedSpecies() const
{
    return itemText(ListSpecies);
}

void PlotSelection::ListDistinct(const std::string &column, ListBox *target, const std::string &where)
{
    target->clear();
    LabelTreeCount->setText("-");
    const auto values =
        data::listValues(m_state.Query1, m_state.tableFile(), column, where, m_state.conditions());
    QStringList items;
    for (const auto &value : values)
        items.append(QString::fromStdString(value));
    target->addItems(items);
}

void PlotSelection::fillPlots()
{
    ListDistinct(m_state.fieldRoles().plot, ListPlots, "");
}

std::vector<std::string> PlotSelection::allSpecies()
{
    model::RequireRole(m_state.fieldRoles().species, "Species");
    ListBox species;
    ListDistinct(m_state.fieldRoles().species, &species, "");
    std::vector<std::string> codes;
    for (int i = 0; i < species.count(); ++i)
        codes.push_back(species.item(i)->text().toStdString());
    return codes;
}

void PlotSelection::clear()
{
    ListPlots->clear();
    ListSpecies->clear();
}

void PlotSelection::setTableOpen(bool open)
{
    if (!open) clear();
    for (QWidget *control : std::initializer_list<QWidget *>{ListPlots, SpeedButton1, CB_Fix, ListSpecies})
        control->setEnabled(open);
}

void PlotSelection::ListPlotsClick()
{
    ListSpecies->clear();
    if (ListPlots->selectedRow() < 0) return;
    model::RequireRole(m_state.fieldRoles().species, "Species");
    ListDistinct(m_state.fieldRoles().species, ListSpecies,
                 data::plotWhere(m_state.fieldRoles().plot, selectedPlot()));
    if (!CB_Fix->isChecked()) return;
    // The list's own exact search, which ignores case: "SM" finds "sm".
    const auto found =
        ListSpecies->findItems(QString::fromStdString(m_state.FixedSpecies), Qt::MatchFixedString);
    if (found.isEmpty()) return;
    ListSpecies->selectRow(ListSpecies->row(found.first()));
    ListSpeciesClick();
}

void PlotSelection::ListSpeciesClick()
{
    // After Conditions the plot list may have lost its selection while the species list kept the
    // former plot's species: there is nothing to count then.
    if (ListPlots->selectedRow() < 0 || ListSpecies->selectedRow() < 0) return;
    const int count = data::countTrees(m_state.Query1, m_state.tableFile(), m_state.fieldRoles(),
                                       m_state.conditions(), selectedPlot(), selectedSpecies());
    LabelTreeCount->setText(QString::number(count));
}

void PlotSelection::CB_FixClick()
{
    if (!CB_Fix->isChecked()) {
        m_state.FixedSpecies.clear();
        return;
    }
    if (ListSpecies->selectedRow() < 0) {
        m_dialogs.warning("You must select an item from the species list");
        CB_Fix->setChecked(false);
        return;
    }
    m_state.FixedSpecies = selectedSpecies();
}

void PlotSelection::prepareTreeQuery()
{
    data::prepareTreeQuery(m_state.Query1, m_state.tableFile(), m_state.fieldRoles(), m_state.conditions());
}

std::optional<std::pair<int, int>> PlotSelection::checkSelection()
{
    const char *missing = nullptr;
    if (ListPlots->selectedRow() < 0)
        missing = "Select a plot from the list";
    else if (ListSpecies->selectedRow() < 0)
        missing = "Select a species from the list";
    if (!missing) return std::pair{ListPlots->selectedRow(), ListSpecies->selectedRow()};
    m_dialogs.warning(missing);
    return std::nullopt;
}

void PlotSelection::SpeedButton1Click()
{
    FormPlotContainer->show();
}

void PlotSelection::ListPlotsDblClick()
{
    if (!FormPlotContainer->isVisible() || ListPlots->selectedRow() < 0) return;
    FormPlotContainer->addPlot(QString::fromStdString(selectedPlot()));
}

} // namespace app
