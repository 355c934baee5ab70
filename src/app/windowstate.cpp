// The window's shared state: the year list with room for its chart series.
#include "app/windowstate.h"

namespace app {

std::vector<std::string> WindowState::yearFields() const
{
    std::vector<std::string> fields;
    for (const auto &year : yearList())
        fields.push_back(year.field);
    return fields;
}

void WindowState::setYearList(const std::vector<data::YearColumn> &years)
{
    Survey.setYears(years);
    YearDefAvg.assign(years.size(), 0.0);
    YearDefStd.assign(years.size(), 0.0);
    YearDead.assign(years.size(), 0.0);
    YearTrees.assign(years.size(), 0);
    YearClasses.assign(years.size(), {});
}

} // namespace app
