// Texts of the transition matrices' uncertainty.
#include "model/uncertaintytext.h"

#include "common/numbers.h"

#include <cmath>

namespace model {

std::string IntervalCellText(const CellEstimate &cell)
{
    return common::formatFixed(cell.share, 3) + " (" + common::formatFixed(cell.interval.lo, 3) + "\u2013" +
           common::formatFixed(cell.interval.hi, 3) + ")";
}

std::string RowCountText(const RowEstimate &row)
{
    return "n = " + common::formatFixed(row.n, 0) + (row.observed ? "" : " (assumed)");
}

std::string HomogeneityText(const std::optional<HomogeneityTest> &test)
{
    if (!test) return "One period only: nothing to compare";
    const std::string figures =
        "\u03c7\u00b2 = " + common::formatFixed(test->chi2, 1) + ", df = " + std::to_string(test->df);
    // No degree of freedom: every class of the first year was seen in one period only, or its trees
    // all went to one class, so no arrangement of the periods could change a share.
    if (!test->p)
        return "Periods cannot differ: no class has trees in two periods that went to different classes "
               "(df = 0, no p-value)";
    // The exact p, where there is one, is the better figure: the verdict follows it.
    const double p = test->exactP ? *test->exactP : *test->p;
    return (p < kHomogeneityAlpha ? "Periods differ: " : "Periods agree: ") + figures +
           ", p = " + common::formatGeneral(*test->p, 2, 0) +
           (test->smallCounts ? "; small counts, p is rough" : "") +
           (test->exactP ? "; exact p = " + common::formatGeneral(*test->exactP, 2, 0) : "");
}

bool StoredMatrixMatches(const TTransit &record, const TransitMatrix &stored, double storedTrees)
{
    if (storedTrees != record.NTree) return false;
    // Half a unit of the fourth decimal, and a little more for the binary values on both sides.
    constexpr double kTolerance = 0.00005 + 1e-9;
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j)
            if (!(std::fabs(stored[i][j] - record.T[i][j]) <= kTolerance)) return false;
    return true;
}

} // namespace model
