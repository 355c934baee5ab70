// The window's shared state: its roles and year list as the computations take them.
#include "app/windowstate.h"

namespace app {

data::FieldRoles WindowState::fieldRoles() const
{
    return {PlotField, TreeIdField, SpeciesField, DbhField, HeightField};
}

void WindowState::setFieldRoles(const data::FieldRoles &roles)
{
    PlotField = roles.plot;
    TreeIdField = roles.treeId;
    SpeciesField = roles.species;
    DbhField = roles.dbh;
    HeightField = roles.height;
}

std::vector<data::YearColumn> WindowState::yearList() const
{
    std::vector<data::YearColumn> years;
    for (std::size_t i = 0; i < Years.size(); ++i)
        years.push_back({Years[i], YearFields[i]});
    return years;
}

void WindowState::setYearList(const std::vector<data::YearColumn> &years)
{
    YearCount = static_cast<int>(years.size());
    Years.clear();
    YearFields.clear();
    for (const auto &y : years) {
        Years.push_back(y.year);
        YearFields.push_back(y.field);
    }
    YearDefAvg.assign(years.size(), 0.0);
    YearDefStd.assign(years.size(), 0.0);
    YearDead.assign(years.size(), 0.0);
    YearTrees.assign(years.size(), 0);
    YearClasses.assign(years.size(), {});
}

} // namespace app
