#pragma once

#include <algorithm>
#include <cmath>

// First-order absorption at ka into one compartment eliminating at k. Every form divides a
// difference of the two decays by ka - k; taken literally the difference cancels as ka nears k
// (a rounding step apart it is all rounding, and the level comes out many times too high, or
// below 0). Written with the slower decay and expm1 they keep their digits for every ka, k
// itself included, and every road through the absorption terms computes them here.
namespace absorption
{
// (1 - e^-gap.t) / gap, t where the gap is 0.
inline double riseOver(double gap, double t)
{
    const double x = gap * t;
    return x == 0.0 ? t : -std::expm1(-x) / gap;
}

// (e^-k.t - e^-ka.t) / (ka - k), t e^-k.t where ka is k.
inline double shape(double k, double ka, double t)
{
    return std::exp(-std::min(k, ka) * t) * riseOver(std::fabs(ka - k), t);
}

// shape(k, ka, t) from the two decays e^-k.t and e^-ka.t where they are at hand: their
// difference over the gap where it keeps all but a few digits (relative error about 2e-16 /
// (gap t), 2e-14 at most), else the slower decay times the rise. Saves the expm1 where both
// decays are needed anyway.
inline double shapeFromDecays(double gap, double t, double decayAtK, double decayAtKa)
{
    constexpr double kWideGap = 0.01;
    const double slower = std::max(decayAtK, decayAtKa);
    const double faster = std::min(decayAtK, decayAtKa);
    return gap * t > kWideGap ? (slower - faster) / gap : slower * riseOver(gap, t);
}

// At steady state, t hours into the interval tau (0 <= t <= tau):
// (e^-k.t / (1 - e^-k.tau) - e^-ka.t / (1 - e^-ka.tau)) / (ka - k). The numerator over ka - k
// is the sum of two shapes, each of one sign: e^-slow.t - e^-fast.t and e^-slow.tau e^-fast.t -
// e^-slow.t e^-fast.tau, each over the gap.
inline double steadyStateShape(double k, double ka, double tau, double t)
{
    const double slow = std::min(k, ka);
    const double fast = std::max(k, ka);
    const double gap = fast - slow;
    const double slowAtT = std::exp(-slow * t);
    const double fastAtT = std::exp(-fast * t);
    const double slowAtTau = std::exp(-slow * tau);
    const double fastAtTau = std::exp(-fast * tau);
    const double numerator =
        shapeFromDecays(gap, t, slowAtT, fastAtT) +
        shapeFromDecays(gap, tau - t, slowAtTau * fastAtT, slowAtT * fastAtTau);
    return numerator / ((1.0 - slowAtTau) * (1.0 - fastAtTau));
}

// (1 - e^-x.tau) / x: what a dose given every tau hours accumulates to, relative to one dose.
inline double accumulation(double x, double tau)
{
    return (1.0 - std::exp(-x * tau)) / x;
}

// (accumulation(k) - accumulation(ka)) / (ka - k), its limit where ka is k.
inline double accumulationSlope(double k, double ka, double tau)
{
    const double slow = std::min(k, ka);
    const double fast = std::max(k, ka);
    return (-std::expm1(-slow * tau) - slow * std::exp(-slow * tau) * riseOver(fast - slow, tau)) /
           (slow * fast);
}

// Where ln(ratio) / gap cannot be taken as it stands: for a ratio near 1 it is all rounding.
constexpr double kNearOne = 0.5;

// ln(ratio) / gap for ratio = 1 + gap x slope, near a ratio of 1 through log1p of the excess;
// slope where the gap is 0.
inline double logOverGap(double gap, double slope)
{
    const double excess = gap * slope;
    return excess == 0.0 ? slope : std::log1p(excess) / gap;
}

// The time of a single dose's peak, ln(ka / k) / (ka - k); 1 / k where ka is k.
inline double singleDosePeakTime(double k, double ka)
{
    const double ratio = ka / k;
    return std::fabs(ratio - 1.0) < kNearOne ? logOverGap(ka - k, 1.0 / k)
                                             : std::log(ratio) / (ka - k);
}

// The time of the peak within an interval at steady state:
// ln(accumulation(k) / accumulation(ka)) / (ka - k).
inline double steadyStatePeakTime(double k, double ka, double tau)
{
    const double atKa = accumulation(ka, tau);
    const double ratio = accumulation(k, tau) / atKa;
    return std::fabs(ratio - 1.0) < kNearOne
               ? logOverGap(ka - k, accumulationSlope(k, ka, tau) / atKa)
               : std::log(ratio) / (ka - k);
}
} // namespace absorption
