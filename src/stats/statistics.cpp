// The statistics engine of a paired data series: sums in one pass, the normal equations of the
// polynomial fit, and the points of the regression chart.
#include "stats/statistics.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "stats/distributions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace stats {

namespace {

constexpr long double kPerfectCorrelation = 1e-6L;
const char *const kNotCalculated = "Regression was not calculated";

// Until the end of the accumulation Mean holds the sum and StDev the sum of squares.
void finishVarStat(TVarStat &v)
{
    v.Mean = common::checkedDiv(v.Mean, v.N);
    const long double variance = common::checkFinite(v.StDev / v.N - v.Mean * v.Mean);
    v.StDev = variance > 0 ? std::sqrt(variance) : variance;
}

void accumulate(TVarStat &v, long double value)
{
    v.Mean += value;
    v.StDev += value * value;
    if (value < v.Min) v.Min = value;
    if (value > v.Max) v.Max = value;
}

// The least squares polynomial from the stable fit, with an upper estimate of each coefficient's
// error and the residual sum of squares.
struct ScaledFit
{
    std::vector<long double> scaled; // of the powers of t
    long double mid = 0;
    long double half = 1;
    std::vector<long double> coef;
    std::vector<long double> error;
    long double rss = 0;
};

// Least squares by Householder QR on the powers of t = (x - mid) / half, so that every column lies
// in [-1, 1]; the coefficients of t are then expanded into coefficients of the powers of x. The
// normal equations square the condition of the Vandermonde matrix and lose every digit at high
// degrees; this keeps what the data determine. Nothing where R has a negligible diagonal.
//
// The error estimate: Householder QR gives the exact fit of data perturbed by about eps relative
// (reading the table into double precision perturbs them too), so the coefficients of t are within
// eps (2 kappa / cos theta + kappa^2 tan theta) of their norm (kappa the condition of R, sin theta
// the share of the data the residuals hold); expanding them into powers of x adds their errors and
// the rounding of each term with the magnitudes of the expansion. It is an upper estimate: on the
// certified data sets the coefficients are right to two to four digits more than it says.
std::optional<ScaledFit> fitScaledQr(const std::vector<TPoint> &points, int degree)
{
    const std::size_t n = points.size();
    const int m = degree + 1;
    if (n < static_cast<std::size_t>(m)) return std::nullopt;
    const auto [lowest, highest] = std::minmax_element(
        points.begin(), points.end(), [](const TPoint &a, const TPoint &b) { return a.X < b.X; });
    const long double lo = lowest->X;
    const long double hi = highest->X;
    const long double mid = (lo + hi) / 2;
    const long double half = (hi - lo) / 2;
    if (!(half > 0)) return std::nullopt;
    TwoDimArray a(n, std::vector<long double>(m));
    std::vector<long double> y(n);
    long double dataNorm = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double t = (points[i].X - mid) / half;
        long double w = 1;
        for (int k = 0; k < m; ++k) {
            a[i][k] = w;
            w *= t;
        }
        y[i] = points[i].Y;
        dataNorm += y[i] * y[i];
    }
    dataNorm = std::sqrt(dataNorm);
    // Values read from a table went through double precision: unless they are whole numbers, the
    // fit is of values each within half a unit in the last place of a double of those in the table.
    auto whole = [](long double v) { return std::trunc(v) == v && std::fabs(v) < 0x1p53L; };
    const bool wholeX =
        std::all_of(points.begin(), points.end(), [&](const TPoint &p) { return whole(p.X); });
    const bool wholeY =
        std::all_of(points.begin(), points.end(), [&](const TPoint &p) { return whole(p.Y); });
    constexpr long double kDoubleUnit = std::numeric_limits<double>::epsilon() / 2;
    const long double readX = wholeX ? 0 : kDoubleUnit * m * std::max(std::fabs(lo), std::fabs(hi)) / half;
    const long double readY = wholeY ? 0 : kDoubleUnit;
    for (int k = 0; k < m; ++k) {
        long double norm = 0;
        for (std::size_t i = k; i < n; ++i)
            norm += a[i][k] * a[i][k];
        norm = std::sqrt(norm);
        if (!(norm > 0)) return std::nullopt;
        const long double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<long double> v(n - k);
        for (std::size_t i = k; i < n; ++i)
            v[i - k] = a[i][k];
        v[0] -= alpha;
        long double vv = 0;
        for (long double e : v)
            vv += e * e;
        if (!(vv > 0)) return std::nullopt;
        for (int c = k; c < m; ++c) {
            long double dot = 0;
            for (std::size_t i = k; i < n; ++i)
                dot += v[i - k] * a[i][c];
            const long double f = 2 * dot / vv;
            for (std::size_t i = k; i < n; ++i)
                a[i][c] -= f * v[i - k];
        }
        long double dot = 0;
        for (std::size_t i = k; i < n; ++i)
            dot += v[i - k] * y[i];
        const long double f = 2 * dot / vv;
        for (std::size_t i = k; i < n; ++i)
            y[i] -= f * v[i - k];
    }
    long double largest = 0;
    for (int k = 0; k < m; ++k)
        largest = std::max(largest, std::fabs(a[k][k]));
    const long double tolerance = largest * n * std::numeric_limits<long double>::epsilon() * 64;
    std::vector<long double> c(m);
    for (int k = m - 1; k >= 0; --k) {
        if (std::fabs(a[k][k]) <= tolerance) return std::nullopt;
        long double s = y[k];
        for (int j = k + 1; j < m; ++j)
            s -= a[k][j] * c[j];
        c[k] = s / a[k][k];
    }
    ScaledFit fit;
    for (std::size_t i = m; i < n; ++i)
        fit.rss += y[i] * y[i];

    // The condition of R from its inverse, column by column.
    long double normR = 0;
    long double normInverse = 0;
    for (int col = 0; col < m; ++col) {
        std::vector<long double> e(m, 0);
        for (int k = col; k >= 0; --k) {
            long double s = k == col ? 1 : 0;
            for (int j = k + 1; j <= col; ++j)
                s -= a[k][j] * e[j];
            e[k] = s / a[k][k];
            normInverse += e[k] * e[k];
            normR += a[k][col] * a[k][col];
        }
    }
    const long double kappa = std::sqrt(normR) * std::sqrt(normInverse);
    long double normC = 0;
    for (long double value : c)
        normC += value * value;
    normC = std::sqrt(normC);
    const long double sinTheta = dataNorm > 0 ? std::min<long double>(std::sqrt(fit.rss) / dataNorm, 1) : 0;
    const long double cosTheta = std::sqrt(1 - sinTheta * sinTheta);
    const long double eps = std::numeric_limits<long double>::epsilon() * 2 * m + std::max(readX, readY);
    const long double sensitivity = cosTheta > 0 ? 2 * kappa / cosTheta + kappa * kappa * sinTheta / cosTheta
                                                 : std::numeric_limits<long double>::infinity();
    const long double solveError = eps * sensitivity * normC;

    // Horner in polynomials: p = p * (x - mid) / half + c[k]; the same with magnitudes bounds the
    // error of each coefficient of x.
    std::vector<long double> p(m, 0);
    std::vector<long double> bound(m, 0);
    const long double absMid = std::fabs(mid);
    for (int k = m - 1; k >= 0; --k) {
        for (int j = m - 1; j >= 1; --j) {
            p[j] = (p[j - 1] - mid * p[j]) / half;
            bound[j] = (bound[j - 1] + absMid * bound[j]) / half;
        }
        p[0] = -mid * p[0] / half + c[k];
        bound[0] = absMid * bound[0] / half + solveError + std::fabs(c[k]) * eps;
    }
    for (long double value : p)
        common::checkFinite(value);
    fit.coef = std::move(p);
    fit.error = std::move(bound);
    fit.scaled = std::move(c);
    fit.mid = mid;
    fit.half = half;
    return fit;
}

} // namespace

TStatistics::TStatistics(common::MessageSink &sink) : m_sink(&sink) {}

bool TStatistics::AddPoint(long double X, long double Y)
{
    if (std::isnan(X) || std::isnan(Y)) throw common::MathError("Invalid floating point operation");
    if (X == MissingX || Y == MissingY) return false;
    // After every point with a smaller or equal X: equal X values keep the order they came in.
    auto place = std::upper_bound(m_points.begin(), m_points.end(), X,
                                  [](long double x, const TPoint &p) { return x < p.X; });
    m_points.insert(place, TPoint{X, Y});
    return true;
}

void TStatistics::ResetResults()
{
    Res.X = TVarStat{0, 0, 0, m_points.front().X, m_points.front().X};
    Res.Y = TVarStat{0, 0, 0, m_points.front().Y, m_points.front().Y};
    Res.R = 0;
    Res.Degree = 0;
    Res.Calculated = false;
    Res.Undetermined = false;
}

void TStatistics::AccumulatePoint(const TPoint &point)
{
    Res.X.N = Res.X.N + 1;
    accumulate(Res.X, point.X);
    Res.Y.N = Res.X.N;
    accumulate(Res.Y, point.Y);
    Res.R += point.X * point.Y;
}

void TStatistics::Calculate(std::uint8_t Degree)
{
    if (m_points.empty()) {
        Res.Calculated = false;
        return;
    }
    ResetResults();
    for (const TPoint &point : m_points)
        AccumulatePoint(point);
    const long double sumXY = Res.R;
    finishVarStat(Res.X);
    finishVarStat(Res.Y);

    const std::int32_t n = Res.X.N;
    if (Res.X.StDev > 0 && Res.Y.StDev > 0)
        Res.R = common::checkedDiv(sumXY / n - Res.X.Mean * Res.Y.Mean, Res.X.StDev * Res.Y.StDev);
    else
        Res.R = 0;

    const long double r2 = Res.R * Res.R;
    if (n <= 2) {
        Res.P = 0;
    } else if (std::fabs(1 - r2) <= kPerfectCorrelation) {
        Res.P = Res.R > 0 ? 1 : 0;
    } else {
        const long double t = common::checkedDiv(std::sqrt(static_cast<long double>(n - 2)) * Res.R,
                                                 common::checkedSqrt(1 - r2));
        Res.P = StudentProbability(n - 2, t, *m_sink);
    }

    Res.Degree = Degree;
    if (Degree == 0) {
        Res.Calculated = true;
        return;
    }
    BuildNormalEquations();
    const TStatRes earlierFit = Res;
    const bool eliminated = LinearExuations(Degree, m_matrix, Res.Coef, *m_sink);
    const auto fit = fitScaledQr(m_points, Degree);
    std::optional<long double> rss;
    if (Degree < 2) {
        if (!eliminated) {
            Res.Degree = 0;
        } else {
            // The normal equations keep the straight line's coefficients as they always were; they
            // are as right as their distance from the stable fit's allows.
            Res.ScaledCoef.clear();
            Res.CoefError.assign(Res.Coef.size(), std::numeric_limits<long double>::infinity());
            if (fit)
                for (std::size_t k = 0; k < Res.Coef.size(); ++k)
                    Res.CoefError[k] = fit->error[k] + std::fabs(Res.Coef[k] - fit->coef[k]);
        }
    } else if (fit) {
        // From degree 2 the coefficients come from the stable fit, which the normal equations
        // cannot match at high degrees, and so does the decision: where it finds the degree
        // undetermined, whatever the elimination made of it is rounding noise. No fit, and why.
        Res.Coef = fit->coef;
        Res.CoefError = fit->error;
        Res.ScaledCoef = fit->scaled;
        Res.ScaleMid = fit->mid;
        Res.ScaleHalf = fit->half;
        rss = fit->rss;
    } else {
        Res.Coef = earlierFit.Coef;
        Res.CoefError = earlierFit.CoefError;
        Res.ScaledCoef = earlierFit.ScaledCoef;
        Res.ScaleMid = earlierFit.ScaleMid;
        Res.ScaleHalf = earlierFit.ScaleHalf;
        Res.Degree = 0;
        Res.Undetermined = true;
        m_sink->error("A polynomial of degree " + std::to_string(Degree) +
                      " cannot be fitted reliably to these " + std::to_string(m_points.size()) +
                      " points; try a lower degree");
    }
    Res.Calculated = true;

    if (Res.Degree <= 1) {
        Res.R2 = r2;
        return;
    }
    // The residuals of the fit itself, and the spread of Y about its mean in two passes: the
    // polynomial evaluated in powers of X and the sums of one pass lose digits the fit has.
    long double spread = 0;
    for (const TPoint &point : m_points)
        spread += (point.Y - Res.Y.Mean) * (point.Y - Res.Y.Mean);
    // Rounding can carry a perfect fit a hair past 1 or a useless one below 0.
    Res.R2 = std::clamp<long double>(1 - common::checkedDiv(*rss, spread), 0, 1);
}

bool TStatRes::CoefNegligible(std::size_t i) const
{
    if (i >= Coef.size() || i >= CoefError.size() || !(std::fabs(Coef[i]) <= CoefError[i])) return false;
    const long double x = std::max(std::fabs(X.Min), std::fabs(X.Max));
    const auto reach = [&](std::size_t k) { return CoefError[k] * std::pow(x, static_cast<long double>(k)); };
    // What the errors of the coefficients that are known add to a curve value at most.
    long double known = 1e-15L * std::max(std::fabs(Y.Min), std::fabs(Y.Max));
    for (std::size_t k = 0; k < Coef.size() && k < CoefError.size(); ++k)
        if (std::fabs(Coef[k]) > CoefError[k]) known = std::max(known, reach(k));
    return reach(i) <= known;
}

int TStatRes::CoefDigits(std::size_t i) const
{
    if (i >= Coef.size() || i >= CoefError.size()) return 0;
    const long double error = CoefError[i];
    const long double value = std::fabs(Coef[i]);
    constexpr int kMost = 18;
    if (error == 0) return kMost;
    if (!(error < value)) return 0;
    return std::clamp(static_cast<int>(std::floor(std::log10(value / error))), 0, kMost);
}

void TStatistics::BuildNormalEquations()
{
    const int d = Res.Degree;
    m_matrix.assign(d + 1, std::vector<long double>(d + 2, 0));
    std::vector<long double> w(2 * d + 1);
    for (const TPoint &point : m_points) {
        w[0] = 1;
        w[1] = point.X;
        for (int k = 2; k <= 2 * d; ++k)
            w[k] = common::checkFinite(point.X * w[k - 1]);
        for (int r = 0; r <= d; ++r) {
            for (int c = 0; c <= r; ++c)
                m_matrix[r][c] += w[r + c];
            m_matrix[r][d + 1] += point.Y * w[r];
        }
    }
    for (const auto &row : m_matrix)
        for (long double value : row)
            common::checkFinite(value);
    for (int r = 1; r <= d; ++r)
        for (int c = 0; c < r; ++c)
            m_matrix[c][r] = m_matrix[r][c];
}

bool TStatistics::HasPolynomial() const
{
    return Res.Calculated && !Res.Coef.empty();
}

// A series calculated with degree 0 whose fits never succeeded has no coefficients at all. It is
// treated as having no polynomial: the warning, MissingY and no curve, rather than an invented
// constant. With coefficients left from an earlier fit the first one is the constant of the
// degree-0 polynomial, and a degree above the stored coefficients is never read past their end.
long double TStatistics::PolynomValue(long double X) const
{
    if (!HasPolynomial()) {
        m_sink->warning(kNotCalculated);
        return MissingY;
    }
    if (Res.ScaledCoef.size() == Res.Degree + 1u) {
        const long double t = (X - Res.ScaleMid) / Res.ScaleHalf;
        long double s = 0;
        for (size_t i = Res.ScaledCoef.size(); i-- > 0;)
            s = common::checkFinite(s * t + Res.ScaledCoef[i]);
        return s;
    }
    const size_t degree = std::min<size_t>(Res.Degree, Res.Coef.size() - 1);
    long double s = Res.Coef[0];
    long double p = 1;
    for (size_t i = 1; i <= degree; ++i) {
        p = common::checkFinite(p * X);
        s = common::checkFinite(s + p * Res.Coef[i]);
    }
    return s;
}

std::vector<ChartSeries> TStatistics::DrawRegression(bool WithData) const
{
    std::vector<ChartSeries> series;
    if (WithData) series.push_back({ChartSeries::Style::DataPoints, "Data", m_points});
    if (!HasPolynomial()) {
        m_sink->warning(kNotCalculated);
        return series;
    }
    series.push_back({ChartSeries::Style::RegressionLine, "Regression (" + std::to_string(Res.Degree) + ")",
                      CurvePoints()});
    return series;
}

std::vector<TPoint> TStatistics::CurvePoints() const
{
    const long double w = Res.X.Max - Res.X.Min;
    long double start = Res.X.Min - w / 10;
    if (Res.X.Min > 0 && start < 0) start = 0;
    const long double stop = Res.X.Max + w / 10;

    std::vector<TPoint> points;
    // A straight line joins its two end points. Taking the end as stop itself, not as start plus the
    // width, keeps the line when that sum rounds just past stop.
    if (Res.Degree <= 1) {
        points.push_back({start, PolynomValue(start)});
        if (stop > start) points.push_back({stop, PolynomValue(stop)});
        return points;
    }
    // Stepping stops once a step no longer advances x: a series on one X (width 0) or a step lost in
    // the rounding of a large x would otherwise never reach stop.
    const long double step = (stop - start) / 100;
    for (long double x = start; x <= stop;) {
        points.push_back({x, PolynomValue(x)});
        const long double next = x + step;
        if (!(next > x)) break;
        x = next;
    }
    return points;
}

} // namespace stats
