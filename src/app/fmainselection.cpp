// The main window's plot and species selection: the lists, the tree count, the fix box, the user's
// condition, the selected-trees query, the selection check and the plot container.
#include "app/fmain.h"

#include "app/fplotcontainer.h"
#include "app/listbox.h"
#include "common/error.h"
#include "data/condition.h"
#include "data/listorder.h"
#include "data/treeselection.h"
#include "model/runinputs.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <optional>

namespace app {

namespace {

std::string itemText(const ListBox *list)
{
    const int row = list->selectedRow();
    return row < 0 ? std::string() : list->item(row)->text().toStdString();
}

} // namespace

std::string TFormMain::selectedPlot() const
{
    return itemText(ListPlots);
}

std::string TFormMain::selectedSpecies() const
{
    return itemText(ListSpecies);
}

void TFormMain::ListDistinct(const std::string &table, const std::string &column, ListBox *target,
                             const std::string &where)
{
    m_state.Query1.setSql(data::distinctSql(table, column, where, m_state.Conditions));
    target->clear();
    LabelTreeCount->setText("-");
    auto values = data::firstColumnValues(m_state.Query1);
    data::sortListValues(values);
    QStringList items;
    for (const auto &value : values)
        items.append(QString::fromStdString(value));
    target->addItems(items);
}

void TFormMain::ListPlotsClick()
{
    ListSpecies->clear();
    if (ListPlots->selectedRow() < 0) return;
    model::RequireRole(m_state.SpeciesField, "Species");
    ListDistinct(m_state.TableFile, m_state.SpeciesField, ListSpecies,
                 data::plotWhere(m_state.PlotField, selectedPlot()));
    if (!CB_Fix->isChecked()) return;
    // The list's own exact search, which ignores case: "SM" finds "sm".
    const auto found =
        ListSpecies->findItems(QString::fromStdString(m_state.FixedSpecies), Qt::MatchFixedString);
    if (found.isEmpty()) return;
    ListSpecies->selectRow(ListSpecies->row(found.first()));
    ListSpeciesClick();
}

void TFormMain::ListSpeciesClick()
{
    // After Conditions the plot list may have lost its selection while the species list kept the
    // former plot's species: there is nothing to count then.
    if (ListPlots->selectedRow() < 0 || ListSpecies->selectedRow() < 0) return;
    const int count = data::countTrees(m_state.Query1, m_state.TableFile, fieldRoles(), m_state.Conditions,
                                       selectedPlot(), selectedSpecies());
    LabelTreeCount->setText(QString::number(count));
}

void TFormMain::CB_FixClick()
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

void TFormMain::BtnConditionsClick()
{
    // Wide enough for a typical condition, such as (DBH > 10) AND (HEIGHT < 25) AND (SP <> 'BK').
    constexpr int kConditionBoxWidth = 560;
    // Checked before it is taken: a condition refused leaves the condition and both lists as they
    // were, and the box comes back with the refused text to correct. Given back unchanged (or
    // cancelled, which gives the text it showed) it is dropped.
    QString shown = QString::fromStdString(m_state.Conditions);
    std::optional<QString> refused;
    for (;;) {
        const QString answer =
            m_dialogs.inputBox("Dodatečné podmínky", "SELECT ... WHERE", shown, kConditionBoxWidth);
        if (refused && answer == *refused) return;
        try {
            m_state.Conditions =
                data::checkCondition(m_state.PrimaryData, m_state.TableFile, answer.toStdString());
            break;
        } catch (const common::Error &error) {
            m_dialogs.error(QString::fromUtf8(error.what()));
            refused = answer;
            shown = answer;
        }
    }
    LblConditions->setText(QString::fromStdString(m_state.Conditions));
    ListDistinct(m_state.TableFile, m_state.PlotField, ListPlots, "");
}

void TFormMain::PrepareTreeQuery()
{
    data::prepareTreeQuery(m_state.Query1, m_state.TableFile, fieldRoles(), m_state.Conditions);
}

std::optional<SelectedRows> TFormMain::CheckSelection()
{
    const char *missing = nullptr;
    if (ListPlots->selectedRow() < 0)
        missing = "Select a plot from the list";
    else if (ListSpecies->selectedRow() < 0)
        missing = "Select a species from the list";
    if (!missing) return SelectedRows{ListPlots->selectedRow(), ListSpecies->selectedRow()};
    m_dialogs.warning(missing);
    // A page the program selects runs no page entry.
    const QSignalBlocker blocker(PageControl1);
    PageControl1->setCurrentWidget(TabSheetMain);
    return std::nullopt;
}

void TFormMain::SpeedButton1Click()
{
    FormPlotContainer->show();
}

void TFormMain::ListPlotsDblClick()
{
    if (!FormPlotContainer->isVisible() || ListPlots->selectedRow() < 0) return;
    FormPlotContainer->addPlot(QString::fromStdString(selectedPlot()));
}

void TFormMain::connectSelection()
{
    connectGuarded(BtnSetOK, &QPushButton::clicked, &TFormMain::BtnSetOKClick);
    connectGuarded(BtnSuggest, &QPushButton::clicked, &TFormMain::BtnSuggestClick);
    connectGuarded(BtnImport, &QPushButton::clicked, &TFormMain::BtnImportClick);
    connectGuarded(ListPlots, &ListBox::userClicked, &TFormMain::ListPlotsClick);
    connectGuarded(ListSpecies, &ListBox::userClicked, &TFormMain::ListSpeciesClick);
    connectGuarded(ListPlots, &QListWidget::itemDoubleClicked, &TFormMain::ListPlotsDblClick);
    // Toggled, not clicked: a screen reader's toggle action checks the box without a click.
    connectGuarded(CB_Fix, &QCheckBox::toggled, &TFormMain::CB_FixClick);
    connectGuarded(BtnConditions, &QPushButton::clicked, &TFormMain::BtnConditionsClick);
    connectGuarded(SpeedButton1, &QToolButton::clicked, &TFormMain::SpeedButton1Click);
    GridFields->viewport()->installEventFilter(this);
}

} // namespace app
