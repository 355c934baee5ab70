// The yearly statistics of the selected trees of one plot and species: average, standard deviation
// and dead share of the defoliation, living trees and the counts in the six defoliation classes.
#pragma once

#include "model/defclass.h"
#include "model/treevalues.h"

#include <array>
#include <string>
#include <vector>

namespace data {
class Query;
}

namespace model {

// One entry per survey year, in the order of the year list.
struct YearSeries
{
    std::vector<double>
        YearDefAvg; // average per cent of the living trees; -1 marks a year without statistics
    std::vector<double> YearDefStd; // standard deviation of the living trees, divisor = living trees
    std::vector<double> YearDead;   // dead trees in per cent of all trees with a value
    std::vector<int> YearTrees;     // living trees with a value
    std::vector<std::array<int, 6>> YearClasses; // trees, living and dead, in each class 0 to 5

    std::size_t size() const { return YearDefAvg.size(); }
    bool hasStatistics(std::size_t year) const { return YearDefAvg[year] >= 0; }
};

// The lower defoliation limit of a year: YearDefAvg - factor * YearDefStd, not clamped.
double DefMin(const YearSeries &series, std::size_t year, double prcTreeFactor);

// The statistics of already read trees. Fewer than 5 trees: every year without statistics. A year
// needs five trees with a value; blank and negative values are passed over, and in damage-class mode
// so is a class outside 0 to 5. A tree is dead when its per cent (in damage-class mode the class's
// DamageClassPercent) is 100 or more.
YearSeries ComputeYearStatistics(const TreeValues &trees, ValueType type);

// The same, reading the prepared selected-trees query once (see ReadTreeValues).
YearSeries ComputeYearStatistics(data::Query &query, const std::string &plot, const std::string &species,
                                 const std::vector<data::YearColumn> &years, ValueType type);

} // namespace model
