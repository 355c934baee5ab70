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
// (1 - p5); 100 when p5 is 0.95 or more. Inline, as the band projects a thousand matrices per curve.
inline double ModelAverage(const Distribution &p)
{
    if (p[5] >= 0.95) return 100;
    double sum = 0;
    for (std::size_t a = 0; a < ModelClassPercent.size(); ++a)
        sum += ModelClassPercent[a] * p[a];
    return sum / (1 - p[5]);
}

// Sets p to the first-year class distribution of the trees counted into the record (RowSum over its
// total) and returns its modelled average. A record without counted trees throws common::MathError.
double ModelStart(const TTransit &record, Distribution &p);

// Advances p by one step (p as a row vector times the matrix) and returns the new average.
inline double ModelStep(const std::array<std::array<double, 6>, 6> &matrix, Distribution &p)
{
    // Each class's new share summed over the classes a in order, six independent sums.
    Distribution next;
    for (std::size_t b = 0; b < 6; ++b)
        next[b] = p[0] * matrix[0][b] + p[1] * matrix[1][b] + p[2] * matrix[2][b] + p[3] * matrix[3][b] +
                  p[4] * matrix[4][b] + p[5] * matrix[5][b];
    p = next;
    return ModelAverage(p);
}

// The same with the record's matrix.
inline double ModelStep(const TTransit &record, Distribution &p)
{
    return ModelStep(record.T, p);
}

} // namespace model
