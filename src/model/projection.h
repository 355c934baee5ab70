// The model projection: a transition record used as a Markov chain on the class distribution, and the
// modelled average defoliation of the living trees at every step.
#pragma once

#include "model/transitlist.h"

#include <array>

namespace model {

// The per cent that stands for each living class 0 to 4 in the modelled average. Class 5 has none:
// it is left out of the average and makes up the dead share.
inline constexpr std::array<double, 5> ModelClassPercent{5.0, 22.5, 42.5, 62.5, 82.5};

// Shares of the classes 0 to 5, summing to 1.
using Distribution = std::array<double, 6>;

// The average per cent of the living classes weighted by their shares, divided by the living share
// (1 - p5); 100 when p5 is 0.95 or more.
double ModelAverage(const Distribution &p);

// Sets p to the first-year class distribution of the trees counted into the record (RowSum over its
// total) and returns its modelled average. A record without counted trees throws common::MathError.
double ModelStart(const TTransit &record, Distribution &p);

// Advances p by one step (p as a row vector times the record's matrix) and returns the new average.
double ModelStep(const TTransit &record, Distribution &p);

} // namespace model
