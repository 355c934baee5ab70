// The linear solver behind the polynomial fit: Gauss-Jordan elimination of the normal equations.
#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "stats/statistics.h"

#include <cmath>
#include <string>
#include <utility>

namespace stats {

namespace {

constexpr long double kEliminationThreshold = 1e-14L;

bool hasShape(int n, const TwoDimArray &M)
{
    if (n < 0 || M.size() < static_cast<size_t>(n) + 1) return false;
    for (int i = 0; i <= n; ++i)
        if (M[i].size() < static_cast<size_t>(n) + 2) return false;
    return true;
}

} // namespace

bool GaussJordan(int n, TwoDimArray &M)
{
    if (!hasShape(n, M)) return false;
    const int last = n + 1;
    for (int i = 0; i <= n; ++i) {
        long double piv = M[i][i];
        // Rows move only to get past an exact zero: the fit's results depend on this order of
        // elimination, so a small pivot is used as it stands.
        if (piv == 0) {
            int k = i;
            while (piv == 0 && k < n)
                piv = M[++k][i];
            if (piv == 0) return false;
            for (int c = 0; c <= last; ++c)
                std::swap(M[i][c], M[k][c]);
        }
        for (int j = 0; j <= n; ++j) {
            if (j == i) continue;
            const long double f = common::checkedDiv(M[j][i], piv);
            if (std::fabs(f) <= kEliminationThreshold) continue;
            for (int c = 0; c <= last; ++c)
                M[j][c] = common::checkFinite(M[j][c] - f * M[i][c]);
        }
    }
    // A diagonal can return to zero when a later pivot row was skipped by the threshold above.
    for (int i = 0; i <= n; ++i) {
        const long double piv = M[i][i];
        if (piv == 0) return false;
        for (int c = 0; c <= last; ++c)
            M[i][c] = common::checkedDiv(M[i][c], piv);
    }
    return true;
}

bool LinearExuations(int n, TwoDimArray &matrix, std::vector<long double> &coef, common::MessageSink &sink)
{
    const long long highestRow = static_cast<long long>(matrix.size()) - 1;
    if (highestRow < n) {
        sink.warning("LinearExuations: low number of exuations: " + std::to_string(highestRow));
        return false;
    }
    for (int i = 0; i <= n; ++i) {
        const long long highestColumn = static_cast<long long>(matrix[i].size()) - 1;
        if (highestColumn < n + 1) {
            sink.warning("LinearExuations: error of exuation [" + std::to_string(i) + "]");
            return false;
        }
    }
    if (!GaussJordan(n, matrix)) return false;
    coef.assign(static_cast<size_t>(n) + 1, 0);
    for (int i = 0; i <= n; ++i)
        coef[i] = matrix[i][n + 1];
    return true;
}

} // namespace stats
