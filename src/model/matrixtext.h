// A transition matrix as one line of text in a bracket notation, as it is copied to the clipboard:
// title, then the six rows, each in brackets with its six elements, all in one more pair of
// brackets. {{0.8;0.2;0;0;0;0};...;{0;0;0;0;0;1}}
#pragma once

#include <array>
#include <string>

namespace model {

using TransitMatrix = std::array<std::array<double, 6>, 6>;

// The user's notation. Each of open, close, separator and decimal is one character (UTF-8).
struct MatrixNotation
{
    // The first "@s", then the first "@p", then the first "@y" are replaced by the species, the plot
    // and the year; later occurrences stay.
    std::string title = "@p@y@s=";
    std::string open = "{";
    std::string close = "}";
    std::string separator = ";";
    std::string decimal = ".";
};

// The text of one stored matrix. Elements are written in the general format with up to 15 significant
// digits and systemSeparator, whose first occurrence is then replaced by the notation's decimal.
std::string MatrixText(const MatrixNotation &notation, const std::string &plot, const std::string &year,
                       const std::string &species, const TransitMatrix &matrix, char systemSeparator);

} // namespace model
