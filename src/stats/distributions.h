// Normal and Student distribution functions of the statistics unit, in extended precision.
//
// The routines reproduce fixed approximations (Abramowitz-Stegun 26.2.23 for the normal quantile,
// the Cornish-Fisher expansion 26.7.5 for the Student quantile), not the exact distributions: the
// regression and share results of the program are defined by these values.
#pragma once

namespace common {
class MessageSink;
}

namespace stats {

// The standard normal quantile: the x with Phi(x) = p, absolute error below 4.5e-4.
// p outside the open interval (0, 1), or not a number: the error message
// "Error of the normal distribution parameter" goes to sink and the result is 0.
// |p - 0.5| < 1e-6 gives 0 without a message.
long double NormalQuantile(long double p, common::MessageSink &sink);

// The quantile of Student's t with df degrees of freedom (df >= 1), by the expansion around the
// normal quantile; coarse for very small df. p outside (0, 1): the message of NormalQuantile, and the
// result is 0. df = 0 throws common::MathError (division by zero).
long double StudentQuantile(int df, long double p, common::MessageSink &sink);

// P(T <= t) for Student's t with df degrees of freedom (df >= 1): the p whose StudentQuantile lies
// within 5e-5 of t, found by a secant search. Far in the tails the search stops at the first p
// beyond 0.9999 (or below 0.0001), so a large |t| gives 1 - 2^-k (or 2^-k). t not a number throws
// common::MathError ("Invalid floating point operation"). The search never needs the sink in
// practice; it is passed on to StudentQuantile.
long double StudentProbability(int df, long double t, common::MessageSink &sink);

// 1 / a^k by k divisions; 1 for k <= 0. a = 0 with k > 0 throws common::MathError.
long double InvPower(int a, int k);

} // namespace stats
