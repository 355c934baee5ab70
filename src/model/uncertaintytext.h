// The texts the "Transit matrix" page shows of the uncertainty of a matrix: a cell with its
// interval, the trees of a row, the homogeneity line, and whether a TRANSIT.DBF row is the matrix
// counted from the trees now selected.
#pragma once

#include "model/matrixtext.h"
#include "model/transituncertainty.h"

#include <optional>
#include <string>

namespace model {

// The p-value below which the periods are said to differ.
inline constexpr double kHomogeneityAlpha = 0.05;

// "0.250 (0.089–0.532)": the share and the interval ends with three decimals, an en dash between.
std::string IntervalCellText(const CellEstimate &cell);

// "n = 12", or "n = 0 (assumed)" for a row without trees.
std::string RowCountText(const RowEstimate &row);

// "Periods agree: χ² = 12.4, df = 9, p = 0.19" (p at least kHomogeneityAlpha) or "Periods differ: ..."
// (p below it), with "; small counts, p is rough" when the test flags them and "; exact p = 0.18"
// when the test has the exact p (the verdict then follows the exact p); "Periods cannot differ:
// no class has trees in two periods that went to different classes (df = 0, no p-value)"; "One period only:
// nothing to compare" for no test.
std::string HomogeneityText(const std::optional<HomogeneityTest> &test);

// Whether the stored shares (DECIMAL(6,4), so within half a unit of the fourth decimal) and the
// stored number of trees are those of the record.
bool StoredMatrixMatches(const TTransit &record, const TransitMatrix &stored, double storedTrees);

} // namespace model
