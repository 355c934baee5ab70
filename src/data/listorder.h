// The order of the plot and species lists: ascending as a user reads names, so that plot 2 comes
// before plot 10 and a species is found where the alphabet puts it, whatever order the table has.
#pragma once

#include <string>
#include <vector>

namespace data {

// Compares two list values: runs of digits by their value (leading zeros do not count), everything
// else letter by letter without regard to ASCII case; values equal so far go by their bytes, so that
// the order is total: "P2" < "P10" < "p10" < "Q1", "9" < "10", "BK" < "sm" < "SP".
bool listsBefore(const std::string &a, const std::string &b);

// Sorts values into list order.
void sortListValues(std::vector<std::string> &values);

} // namespace data
