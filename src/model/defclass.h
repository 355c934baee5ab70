// Defoliation classes: how a stored defoliation value, in per cent or as a damage class, becomes one
// of the six classes 0 to 5, and the per-cent value that stands for a damage class.
#pragma once

#include "data/selection.h"

#include <array>

namespace model {

// How the defoliation columns are to be read; the one enum of the data table's value types.
using data::ValueType;

// The per-cent value of each damage class 0 to 5; class 5 (100 %) is a dead tree.
inline constexpr std::array<double, 6> DamageClassPercent{5.0, 17.5, 42.5, 65.0, 85.0, 100.0};

// The defoliation class 0 to 5 of a stored value, or -1 for no class.
// Per cent: value / 20 rounded to the nearest integer, ties to even, so 10 % is class 0, 30 % and 50 %
// are class 2, 70 % and 90 % class 4; -10 % to 109 % have a class. Damage classes: the value rounded,
// ties to even, when it lies within 0 to 5. A value that is not a number, or a value type other than
// the two above, gives -1.
int DefClass(double value, ValueType type);

// The DamageClassPercent entry of a class 0 to 5, otherwise -1.
double ClassValue(int damageClass);

} // namespace model
