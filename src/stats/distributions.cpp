// Normal and Student distribution functions: fixed rational approximation, Cornish-Fisher
// expansion and a secant search that inverts it.
#include "stats/distributions.h"

#include "common/error.h"
#include "common/messagesink.h"

#include <cmath>

namespace stats {

namespace {

// Abramowitz-Stegun 26.2.23.
constexpr long double c0 = 2.515517L;
constexpr long double c1 = 0.802853L;
constexpr long double c2 = 0.010328L;
constexpr long double d1 = 1.432788L;
constexpr long double d2 = 0.189269L;
constexpr long double d3 = 0.001308L;

constexpr long double kCentreTolerance = 1e-6L;
constexpr long double kSearchTolerance = 5e-5L;
constexpr long double kUpperBound = 0.9999L;
constexpr long double kLowerBound = 0.0001L;
constexpr long double kFirstStep = 0.3L;
// The search halves its distance to an end bound at worst, so a few dozen steps reach any answer;
// the limit only guarantees an end for inputs the secant cannot settle on.
constexpr int kMaxSearchSteps = 10000;

} // namespace

long double NormalQuantile(long double p, common::MessageSink &sink)
{
    if (p >= 1 || !(p > 0)) {
        sink.error("Error of the normal distribution parameter");
        return 0;
    }
    if (std::fabs(p - 0.5L) < kCentreTolerance) return 0;

    const long double m = p >= 0.5L ? p : 1 - p;
    long double q = 1 - m;
    long double t;
    if (q > 0) {
        t = std::sqrt(std::log(1 / (q * q)));
    } else {
        // Below 2^-65, 1 - (1 - p) rounds to 0 and 1/q^2 would divide by zero; the tail is p itself
        // then, and its logarithm is taken directly so that q^2 cannot underflow either.
        q = p;
        t = std::sqrt(-2 * std::log(q));
    }
    const long double numerator = t * t * c2 + (c1 * t + c0);
    const long double denominator = (t * t * d2 + (d1 * t + 1)) + d3 * t * t * t;
    const long double x = t - numerator / denominator;
    return p >= 0.5L ? x : -x;
}

long double InvPower(int a, int k)
{
    if (a == 0 && k > 0) throw common::MathError("Floating point division by zero");
    long double r = 1;
    for (int i = 0; i < k; ++i)
        r = r / a;
    return r;
}

long double StudentQuantile(int df, long double p, common::MessageSink &sink)
{
    const long double z = NormalQuantile(p, sink);
    const long double z2 = z * z;
    const long double z3 = z * z2;
    const long double g[4] = {
        (z3 + z) / 4,
        ((5 * z2 + 16) * z3 + 3 * z) / 96,
        (((3 * z3 + 19 * z) * z2 + 17 * z) * z2 - 15 * z) / 384,
        ((((79 * z3 + 776 * z) * z2 + 1482 * z) * z2 - 1920 * z) * z2 - 945 * z) / 92160,
    };
    long double t = z;
    for (int i = 1; i <= 4; ++i)
        t = InvPower(df, i) * g[i - 1] + t;
    return t;
}

long double StudentProbability(int df, long double t, common::MessageSink &sink)
{
    if (std::isnan(t)) throw common::MathError("Invalid floating point operation");

    long double p0 = 0.5L;
    long double t0 = StudentQuantile(df, p0, sink);
    if (std::fabs(t0 - t) <= kSearchTolerance) return 0.5L;

    // The first point only gives the starting slope; the search itself starts from the centre.
    long double p1 = t >= t0 ? p0 + kFirstStep : p0 - kFirstStep;
    long double t1 = StudentQuantile(df, p1, sink);
    long double s = (p1 - p0) / (t1 - t0);

    for (int step = 0; step < kMaxSearchSteps && std::fabs(t0 - t) > kSearchTolerance; ++step) {
        p1 = p0 + s * (t - t0);
        if (p1 >= 1) p1 = (p0 + 1) / 2;
        if (!(p1 > 0)) p1 = p0 / 2;
        t1 = StudentQuantile(df, p1, sink);
        s = (p1 - p0) / (t1 - t0);
        p0 = p1;
        t0 = t1;
        if (p0 > kUpperBound && t > t0) break;
        if (p0 < kLowerBound && t < t0) break;
    }
    return p0;
}

} // namespace stats
