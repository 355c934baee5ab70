// The statistics engine of a paired data series: descriptive statistics of X and Y, the correlation
// coefficient with its Student probability, a least-squares polynomial of a chosen degree, and the
// points the regression chart draws. Everything is computed and kept in extended precision.
//
// Use: construct with a sink, set MissingX/MissingY if the defaults do not suit, AddPoint for each
// pair, Calculate(degree), then read Res, PolynomValue and DrawRegression. Calculate can be called
// again with another degree; it starts afresh from the points each time.
//
// Floating-point faults (division by zero, invalid operation, overflow) end the operation with a
// common::MathError; what was stored in Res before the fault stays there. The best known case is a
// degree of 2 or more on a series whose Y values are all equal: R2 divides by a zero variance, and
// the object keeps Calculated true, the new Degree and Coef, and its earlier R2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace common {
class MessageSink;
}

namespace stats {

// Rows of possibly different lengths; the engine always makes them equal.
using TwoDimArray = std::vector<std::vector<long double>>;

struct TPoint
{
    long double X = 0;
    long double Y = 0;
};

// Statistics of one variable.
struct TVarStat
{
    std::int32_t N = 0;
    long double Mean = 0;
    // Population form (divisor N). When the computed variance is not positive this holds the
    // variance itself: 0, or a tiny negative rounding residue.
    long double StDev = 0;
    long double Min = 0;
    long double Max = 0;
};

struct TStatRes
{
    TVarStat X;
    TVarStat Y;
    long double R = 0;  // Pearson correlation of X and Y; 0 when either deviation is not positive
    long double P = 0;  // Student probability of R, N - 2 degrees of freedom; 0 for N <= 2
    long double R2 = 0; // coefficient of determination of the fitted polynomial
    // Coef[i] multiplies X^i: Degree + 1 entries after a successful fit. A failed fit or a degree of 0
    // leaves the entries of the last successful fit, or none at all.
    std::vector<long double> Coef;
    // For each entry of Coef, an upper estimate of its error from the computation (the exact least
    // squares polynomial of the points is within it); infinite where no estimate exists. High degrees
    // on real data give a curve and R2 that are right with coefficients of the powers of X that
    // cancel one another and are right to few digits, or none.
    std::vector<long double> CoefError;
    // How many significant digits of Coef[i] are right (0 to 18): from CoefError, 0 when it has no
    // estimate.
    int CoefDigits(std::size_t i) const;
    // Coef[i] is zero within its error, and that error adds no more to a curve value than the errors
    // of the coefficients that are known (or than 1e-15 of the largest |Y|): the coefficient is 0 as
    // far as the polynomial is known, and is shown as 0 (the slope of points of one Y value, say).
    bool CoefNegligible(std::size_t i) const;
    // The same polynomial in powers of t = (X - ScaleMid) / ScaleHalf, as the stable fit found it
    // (degrees from 2): the curve is evaluated from these, which keep the digits that the coefficients
    // of the powers of X lose to cancellation. Empty after a fit by the normal equations.
    std::vector<long double> ScaledCoef;
    long double ScaleMid = 0;
    long double ScaleHalf = 1;
    std::uint8_t Degree = 0; // of the fitted polynomial; 0 when none was fitted
    bool Calculated = false; // the last calculation ran on a non-empty series
    // The points cannot determine a polynomial of the asked degree (too few distinct X, or as good as
    // too few): none was fitted, Degree is 0, Coef as before, and the user was told.
    bool Undetermined = false;
};

// One series for the regression chart, in drawing order.
//  - DataPoints: the series as points, title "Data", series colour black, circle pointers in the
//    chart's default colour, no labels.
//  - RegressionLine: the polynomial, title "Regression (<degree>)", solid red pen of width 1.
struct ChartSeries
{
    enum class Style { DataPoints, RegressionLine };
    Style style = Style::DataPoints;
    std::string title;
    std::vector<TPoint> points;
};

// -9999.9999 is not a double, so with the default no value read from a table is ever left out.
inline constexpr long double kDefaultMissing = -9999.9999L;

class TStatistics
{
public:
    // Messages ("Regression was not calculated", the solver's warnings) go to sink, which must
    // outlive the object.
    explicit TStatistics(common::MessageSink &sink);

    // A point whose X equals MissingX or whose Y equals MissingY, compared exactly in extended
    // precision, is not taken into the series. Set these before adding points.
    long double MissingX = kDefaultMissing;
    long double MissingY = kDefaultMissing;
    TStatRes Res;

    // Inserts the point after all points with a smaller or equal X and returns true; false, and
    // nothing stored, for a missing value. A value that is not a number throws MathError.
    bool AddPoint(long double X, long double Y);

    // Computes every field of Res from the points and fits a polynomial when Degree >= 1. A singular
    // system leaves Degree 0 and the earlier Coef, without a message. No points: Calculated becomes
    // false and nothing else changes.
    void Calculate(std::uint8_t Degree);

    // The fitted polynomial at X. Without a polynomial (not calculated, or a degree of 0 with no
    // coefficients) the warning "Regression was not calculated" and MissingY.
    long double PolynomValue(long double X) const;

    // True when PolynomValue has coefficients to work with.
    bool HasPolynomial() const;

    // What the regression chart draws, as data: the "Data" points when WithData, then the curve over
    // X.Min - w/10 ... X.Max + w/10 (w = X.Max - X.Min; the start clamped to 0 for positive X): the two
    // end points for a degree of 0 or 1, steps of w/100 (about 101 points) above. Without a
    // polynomial the warning "Regression was not calculated" and no curve. The caller keeps or
    // removes earlier series; this only adds.
    std::vector<ChartSeries> DrawRegression(bool WithData) const;

    // The series in X order.
    const std::vector<TPoint> &Points() const { return m_points; }
    // The augmented normal equations of the last fit (Degree + 1 rows of Degree + 2 values), reduced
    // by the solver.
    const TwoDimArray &Matrix() const { return m_matrix; }

private:
    void ResetResults();
    void AccumulatePoint(const TPoint &point);
    void BuildNormalEquations();
    std::vector<TPoint> CurvePoints() const;

    common::MessageSink *m_sink;
    std::vector<TPoint> m_points;
    TwoDimArray m_matrix;
};

// The guarded solver: solves rows 0..n of matrix (n + 2 columns, the last the right-hand side) and
// writes the n + 1 unknowns to coef. A matrix of too few rows gives the warning
// "LinearExuations: low number of exuations: <highest row index>", a row too short
// "LinearExuations: error of exuation [<row>]"; a singular system fails without a message. coef is
// untouched on failure.
bool LinearExuations(int n, TwoDimArray &matrix, std::vector<long double> &coef, common::MessageSink &sink);

// Gauss-Jordan elimination in place on rows 0..n, columns 0..n+1. Rows are exchanged only for an
// exactly zero pivot, never by magnitude; a row whose elimination factor is at most 1e-14 in
// magnitude is left as it is. False for a singular system (or a matrix smaller than that); on
// success column n + 1 holds the solution.
bool GaussJordan(int n, TwoDimArray &M);

} // namespace stats
