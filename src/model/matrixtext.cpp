// A transition matrix in the user's bracket notation.
#include "model/matrixtext.h"

#include "common/numbers.h"

namespace model {

namespace {

void replaceFirst(std::string &text, const std::string &mark, const std::string &value)
{
    const auto at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), value);
}

} // namespace

std::string MatrixText(const MatrixNotation &notation, const std::string &plot, const std::string &year,
                       const std::string &species, const TransitMatrix &matrix, char systemSeparator)
{
    std::string text = notation.title;
    replaceFirst(text, "@s", species);
    replaceFirst(text, "@p", plot);
    replaceFirst(text, "@y", year);

    text += notation.open;
    for (std::size_t i = 0; i < matrix.size(); ++i) {
        if (i > 0) text += notation.separator;
        text += notation.open;
        for (std::size_t j = 0; j < matrix[i].size(); ++j) {
            if (j > 0) text += notation.separator;
            std::string number = common::floatToText(matrix[i][j], systemSeparator);
            replaceFirst(number, std::string(1, systemSeparator), notation.decimal);
            text += number;
        }
        text += notation.close;
    }
    return text + notation.close;
}

} // namespace model
