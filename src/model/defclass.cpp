// Defoliation classes of stored values.
#include "model/defclass.h"

#include <cmath>

namespace model {

namespace {

// The default rounding mode rounds halves to the even neighbour, which the class limits rely on.
double roundHalfEven(double value)
{
    return std::nearbyint(value);
}

} // namespace

int DefClass(double value, ValueType type)
{
    switch (type) {
    case ValueType::Percent: {
        // Ties go to the even neighbour: 10 % is class 0, 30 % and 50 % are both class 2.
        const double r = roundHalfEven(value / 20);
        return (r >= 0 && r <= 5) ? static_cast<int>(r) : -1;
    }
    case ValueType::DamageClasses:
        if (!(value >= 0 && value <= 5)) return -1; // also a value that is not a number
        return static_cast<int>(roundHalfEven(value));
    }
    return -1;
}

double ClassValue(int damageClass)
{
    if (damageClass < 0 || damageClass > 5) return -1;
    return DamageClassPercent[static_cast<std::size_t>(damageClass)];
}

} // namespace model
