// The polynomial fit against independent answers: a Householder QR solve in double precision on
// random series, and the certified values of the NIST StRD linear least squares data sets.
#include "common/messagesink.h"
#include "stats/statistics.h"
#include "support/strd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Least squares by Householder QR of the Vandermonde matrix, in double precision.
std::vector<double> qrPolynomialFit(const std::vector<double> &x, const std::vector<double> &y, int degree)
{
    const size_t m = x.size(), n = static_cast<size_t>(degree) + 1;
    std::vector<std::vector<double>> a(m, std::vector<double>(n));
    for (size_t i = 0; i < m; ++i) {
        a[i][0] = 1;
        for (size_t j = 1; j < n; ++j)
            a[i][j] = a[i][j - 1] * x[i];
    }
    std::vector<double> b = y;
    for (size_t k = 0; k < n; ++k) {
        double norm = 0;
        for (size_t i = k; i < m; ++i)
            norm += a[i][k] * a[i][k];
        norm = std::sqrt(norm);
        const double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<double> v(m, 0);
        v[k] = a[k][k] - alpha;
        for (size_t i = k + 1; i < m; ++i)
            v[i] = a[i][k];
        double vv = 0;
        for (size_t i = k; i < m; ++i)
            vv += v[i] * v[i];
        for (size_t j = k; j < n; ++j) {
            double s = 0;
            for (size_t i = k; i < m; ++i)
                s += v[i] * a[i][j];
            for (size_t i = k; i < m; ++i)
                a[i][j] -= 2 * s / vv * v[i];
        }
        double s = 0;
        for (size_t i = k; i < m; ++i)
            s += v[i] * b[i];
        for (size_t i = k; i < m; ++i)
            b[i] -= 2 * s / vv * v[i];
    }
    std::vector<double> c(n);
    for (size_t k = n; k-- > 0;) {
        double s = b[k];
        for (size_t j = k + 1; j < n; ++j)
            s -= a[k][j] * c[j];
        c[k] = s / a[k][k];
    }
    return c;
}

// The normal equations square the condition of the Vandermonde matrix; in extended precision the
// coefficients of degree 5 on [0, 3] still agree with the QR answer in double to some 5e-13 of their
// scale. The tolerance leaves a margin of a few hundred for other compilers and seeds.
TEST(PolynomialFit, AgreesWithAnIndependentQrSolve)
{
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> xs(0, 3), coefs(-2, 2);
    std::normal_distribution<double> noise(0, 0.2);
    for (int degree = 1; degree <= 5; ++degree) {
        for (int trial = 0; trial < 3; ++trial) {
            std::vector<double> truth(degree + 1);
            for (double &c : truth)
                c = coefs(random);
            std::vector<double> x(300), y(300);
            common::RecordingSink sink;
            stats::TStatistics series(sink);
            for (size_t i = 0; i < x.size(); ++i) {
                x[i] = xs(random);
                double value = 0;
                for (int k = degree; k >= 0; --k)
                    value = value * x[i] + truth[k];
                y[i] = value + noise(random);
                series.AddPoint(x[i], y[i]);
            }
            series.Calculate(degree);
            ASSERT_EQ(series.Res.Degree, degree);
            const auto expected = qrPolynomialFit(x, y, degree);
            double scale = 0;
            for (double c : expected)
                scale = std::max(scale, std::fabs(c));
            for (int k = 0; k <= degree; ++k)
                EXPECT_NEAR(static_cast<double>(series.Res.Coef[k]), expected[k], 1e-10 * scale)
                    << "degree " << degree << " coefficient " << k;

            // R2 from the residuals of the independent fit.
            double ss = 0, mean = 0, sy = 0;
            for (double v : y)
                mean += v / y.size();
            for (size_t i = 0; i < x.size(); ++i) {
                double fit = 0;
                for (int k = degree; k >= 0; --k)
                    fit = fit * x[i] + expected[k];
                ss += (y[i] - fit) * (y[i] - fit);
                sy += (y[i] - mean) * (y[i] - mean);
            }
            EXPECT_NEAR(static_cast<double>(series.Res.R2), 1 - ss / sy, 1e-12) << "degree " << degree;
            EXPECT_TRUE(sink.entries().empty());
        }
    }
}

// NIST StRD Norris (linear regression, lower difficulty): 36 observations, y first, then x.
const double kNorris[36][2] = {
    {0.1, 0.2},     {338.8, 337.4}, {118.1, 118.2}, {888.0, 884.6}, {9.2, 10.1},    {228.1, 226.5},
    {668.5, 666.3}, {998.5, 996.3}, {449.1, 448.6}, {778.9, 777.0}, {559.2, 558.2}, {0.3, 0.4},
    {0.1, 0.6},     {778.1, 775.5}, {668.8, 666.9}, {339.3, 338.0}, {448.9, 447.5}, {10.8, 11.6},
    {557.7, 556.0}, {228.3, 228.1}, {998.0, 995.8}, {888.8, 887.6}, {119.6, 120.2}, {0.3, 0.3},
    {0.6, 0.3},     {557.6, 556.8}, {339.3, 339.1}, {888.0, 887.2}, {998.5, 999.0}, {778.9, 779.0},
    {10.2, 11.1},   {117.6, 118.3}, {228.9, 229.2}, {668.4, 669.1}, {449.2, 448.9}, {0.2, 0.5},
};

TEST(PolynomialFit, ReproducesTheCertifiedNorrisValues)
{
    common::RecordingSink sink;
    stats::TStatistics series(sink);
    for (const auto &row : kNorris)
        ASSERT_TRUE(series.AddPoint(row[1], row[0]));
    series.Calculate(1);
    const auto &r = series.Res;
    ASSERT_EQ(r.Degree, 1);
    EXPECT_NEAR(r.Coef[0], -0.262323073774029L, 1e-12);
    EXPECT_NEAR(r.Coef[1], 1.00211681802045L, 1e-13);
    EXPECT_NEAR(r.R2, 0.999993745883712L, 1e-13);

    // Residual standard deviation, divisor N - 2.
    long double ss = 0;
    for (const auto &p : series.Points()) {
        const long double e = p.Y - series.PolynomValue(p.X);
        ss += e * e;
    }
    EXPECT_NEAR(std::sqrt(ss / (r.X.N - 2)), 0.884796396144373L, 1e-12);
    EXPECT_TRUE(sink.entries().empty());
}

// The higher difficulty sets and Pontius: every coefficient right to 7 significant digits or more,
// R2 and the residual standard deviation to 7, and the error each coefficient is given with holding
// the certified value. The estimate is an upper one: on Wampler5, whose residuals hold nearly all of
// the data, it vouches for fewer digits than the coefficients have.
TEST(PolynomialFit, ReproducesTheCertifiedValuesOfTheStrdPolynomialSets)
{
    for (const auto &set : strd::polynomialSets()) {
        SCOPED_TRACE(set.name);
        common::RecordingSink sink;
        stats::TStatistics series(sink);
        for (const auto &[x, y] : *set.points)
            ASSERT_TRUE(series.AddPoint(x, y));
        const int degree = static_cast<int>(set.coef.size()) - 1;
        series.Calculate(static_cast<std::uint8_t>(degree));
        const auto &r = series.Res;
        ASSERT_EQ(r.Degree, degree);
        ASSERT_EQ(r.CoefError.size(), set.coef.size());
        for (int k = 0; k <= degree; ++k) {
            const long double certified = set.coef[k];
            EXPECT_LE(std::fabs(r.Coef[k] - certified), 1e-7L * std::fabs(certified)) << "Coef" << k;
            // The certified values themselves are given to 15 digits.
            EXPECT_LE(std::fabs(r.Coef[k] - certified), r.CoefError[k] + 1e-15L * std::fabs(certified))
                << "Coef" << k << " error given " << r.CoefError[k];
            EXPECT_GE(r.CoefDigits(k), set.digits) << "Coef" << k;
        }
        EXPECT_NEAR(r.R2, set.r2, 1e-7L * set.r2);
        long double ss = 0;
        for (const auto &p : series.Points()) {
            const long double e = p.Y - series.PolynomValue(p.X);
            ss += e * e;
        }
        const long double sd = std::sqrt(ss / (r.X.N - degree - 1));
        EXPECT_NEAR(sd, set.residualSd, set.residualSd > 0 ? 1e-7L * set.residualSd : 1e-9L * r.Y.StDev);
        EXPECT_TRUE(sink.entries().empty());
    }
}

} // namespace
