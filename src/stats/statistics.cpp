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

// Least squares by Householder QR on the powers of t = (x - mid) / half, so that every column lies
// in [-1, 1]; the coefficients of t are then expanded into coefficients of the powers of x. The
// normal equations square the condition of the Vandermonde matrix and lose every digit at high
// degrees; this keeps what the data determine. Returns false where R has a negligible diagonal.
bool fitScaledQr(const std::vector<TPoint> &points, int degree, std::vector<long double> &coef)
{
    const std::size_t n = points.size();
    const int m = degree + 1;
    if (n < static_cast<std::size_t>(m)) return false;
    const auto [lowest, highest] = std::minmax_element(
        points.begin(), points.end(), [](const TPoint &a, const TPoint &b) { return a.X < b.X; });
    const long double lo = lowest->X;
    const long double hi = highest->X;
    const long double mid = (lo + hi) / 2;
    const long double half = (hi - lo) / 2;
    if (!(half > 0)) return false;
    TwoDimArray a(n, std::vector<long double>(m));
    std::vector<long double> y(n);
    for (std::size_t i = 0; i < n; ++i) {
        const long double t = (points[i].X - mid) / half;
        long double w = 1;
        for (int k = 0; k < m; ++k) {
            a[i][k] = w;
            w *= t;
        }
        y[i] = points[i].Y;
    }
    for (int k = 0; k < m; ++k) {
        long double norm = 0;
        for (std::size_t i = k; i < n; ++i)
            norm += a[i][k] * a[i][k];
        norm = std::sqrt(norm);
        if (!(norm > 0)) return false;
        const long double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<long double> v(n - k);
        for (std::size_t i = k; i < n; ++i)
            v[i - k] = a[i][k];
        v[0] -= alpha;
        long double vv = 0;
        for (long double e : v)
            vv += e * e;
        if (!(vv > 0)) return false;
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
        if (std::fabs(a[k][k]) <= tolerance) return false;
        long double s = y[k];
        for (int j = k + 1; j < m; ++j)
            s -= a[k][j] * c[j];
        c[k] = s / a[k][k];
    }
    // Horner in polynomials: p = p * (x - mid) / half + c[k].
    std::vector<long double> p(m, 0);
    for (int k = m - 1; k >= 0; --k) {
        for (int j = m - 1; j >= 1; --j)
            p[j] = (p[j - 1] - mid * p[j]) / half;
        p[0] = -mid * p[0] / half + c[k];
    }
    for (long double value : p)
        common::checkFinite(value);
    coef = p;
    return true;
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
    const std::vector<long double> earlier = Res.Coef;
    const bool eliminated = LinearExuations(Degree, m_matrix, Res.Coef, *m_sink);
    if (Degree < 2) {
        if (!eliminated) Res.Degree = 0;
    } else {
        // From degree 2 the coefficients come from the stable fit, which the normal equations
        // cannot match at high degrees, and so does the decision: where it finds the degree
        // undetermined, whatever the elimination made of it is rounding noise. No fit, and why.
        std::vector<long double> coef;
        if (fitScaledQr(m_points, Degree, coef)) {
            Res.Coef = coef;
        } else {
            Res.Coef = earlier;
            Res.Degree = 0;
            Res.Undetermined = true;
            m_sink->error("A polynomial of degree " + std::to_string(Degree) +
                          " cannot be fitted reliably to these " + std::to_string(m_points.size()) +
                          " points; try a lower degree");
        }
    }
    Res.Calculated = true;

    if (Res.Degree <= 1) {
        Res.R2 = r2;
        return;
    }
    long double s = 0;
    for (const TPoint &point : m_points) {
        const long double e = point.Y - PolynomValue(point.X);
        s = common::checkFinite(s + e * e);
    }
    // Rounding can carry a perfect fit a hair past 1 or a useless one below 0.
    Res.R2 = std::clamp<long double>(1 - common::checkedDiv(s / Res.Y.N, Res.Y.StDev * Res.Y.StDev), 0, 1);
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
