// The main page's field roles: the role of a column, the double-click in the field grid, Suggest and
// Set OK with the side files.
#include "app/mainpage.h"

#include "app/plotselection.h"
#include "data/fieldgrid.h"
#include "data/sidefiles.h"
#include "data/suggest.h"
#include "data/tableinfo.h"
#include "data/treeselection.h"
#include "model/runinputs.h"
#include "model/survey.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <filesystem>

namespace app {

void MainPage::GridFieldsDblClick()
{
    const int row = GridFields->currentRow();
    if (GridFields->currentColumn() != 2 || row < 0) return;
    QTableWidgetItem *cell = GridFields->item(row, 2);
    if (!cell) return;
    const std::string column = gridText(row, 0);
    const data::FieldRoles before = m_state.fieldRoles();
    data::FieldRoles roles = before;
    // The role the cell named goes, but only when it is still this column's: a role given to another
    // column since stays there.
    if (std::string *field = data::roleField(roles, cell->text().toStdString()); field && *field == column)
        field->clear();
    const QString role = CB_SpecFields->currentIndex() < 0 ? QString() : CB_SpecFields->currentText();
    if (std::string *field = data::roleField(roles, role.toStdString())) {
        // A role is one column's: the column that had it gives it up, in the grid and so in the side file.
        for (int other = 0; other < GridFields->rowCount(); ++other)
            if (other != row && GridFields->item(other, 2) && GridFields->item(other, 2)->text() == role)
                GridFields->item(other, 2)->setText("-");
        *field = column;
    }
    cell->setText(role);
    m_state.setFieldRoles(roles);
    // After Set OK the lists show the plots and species of the columns that had the roles; they are
    // filled again from the columns that have them now, so that the runs walk the right values.
    if (!BtnSetOK->isEnabled() && (roles.plot != before.plot || roles.species != before.species)) {
        m_selection->clear();
        if (!roles.plot.empty()) m_selection->fillPlots();
    }
}

void MainPage::BtnSetOKClick()
{
    m_state.setYearList({});
    std::vector<std::string> fields, yearCells;
    for (int row = 0; row < GridFields->rowCount(); ++row) {
        fields.push_back(gridText(row, 0));
        yearCells.push_back(gridText(row, 1));
    }
    m_state.setYearList(data::yearColumns(fields, yearCells));
    // The years and roles the statistics would misuse are refused before anything is stored.
    std::vector<data::ColumnSetup> setup;
    const auto roleTexts = gridColumn(2);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        data::ColumnSetup column{fields[k], 0, {}};
        if (const auto year = data::yearColumns({fields[k]}, {yearCells[k]}); !year.empty())
            column.year = year.front().year;
        const std::string &role = roleTexts[k + 1];
        if (std::find(std::begin(data::kRoleNames), std::end(data::kRoleNames), role) !=
            std::end(data::kRoleNames))
            column.role = role;
        setup.push_back(column);
    }
    std::vector<data::SuggestColumn> columns;
    for (const data::DbfField &field :
         data::describeTable(m_state.Survey.connection(), m_state.tableFile()).fields)
        columns.push_back({field.name, field.isNumeric()});
    model::CheckColumnSetup(setup, columns, false);

    m_selection->clear();
    model::RequireRole(m_state.fieldRoles().plot, "PlotNames");
    m_selection->fillPlots();

    // Both side files as one, while no other program writes the table or them.
    const data::TableLock lock(std::filesystem::path(m_state.dataDir()), m_state.tableFile(), "window");
    data::writeSideFiles(
        sideFileTarget(data::yearsSideFile(m_state.dataDir(), m_state.tableFile())), gridColumn(1),
        sideFileTarget(data::rolesSideFile(m_state.dataDir(), m_state.tableFile())), roleTexts);
    rememberSetup();
    // The years and roles stay fixed for the rest of the run.
    BtnSetOK->setEnabled(false);
    BtnSuggest->setEnabled(false);
}

void MainPage::BtnSuggestClick()
{
    // The grid's rows are the table's columns in the table's order.
    std::vector<data::SuggestColumn> columns;
    for (const data::DbfField &field :
         data::describeTable(m_state.Survey.connection(), m_state.tableFile()).fields)
        columns.push_back({field.name, field.isNumeric()});
    const auto setup = data::suggestColumnSetup(columns);
    const auto years = data::yearCells(setup);
    const auto roles = data::roleCells(setup);
    std::vector<std::string> fields;
    for (int row = 0; row < GridFields->rowCount() && row < static_cast<int>(setup.size()); ++row) {
        GridFields->item(row, 1)->setText(QString::fromStdString(years[row + 1]));
        GridFields->item(row, 2)->setText(QString::fromStdString(roles[row + 1]));
        fields.push_back(gridText(row, 0));
    }
    m_state.setFieldRoles(data::rolesFromCells(fields, gridColumn(2)));
}

std::vector<std::string> MainPage::gridColumn(int column) const
{
    std::vector<std::string> cells{GridFields->horizontalHeaderItem(column)->text().toStdString()};
    for (int row = 0; row < GridFields->rowCount(); ++row)
        cells.push_back(gridText(row, column));
    return cells;
}

std::string MainPage::sideFileTarget(const std::string &path) const
{
    // A side file brought from a system that ignores case is replaced, not joined by a second one.
    const auto found = m_state.Survey.connection().findFile(std::filesystem::path(path).filename().string());
    return found ? found->string() : path;
}

} // namespace app
