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
// is the sum of two terms of one sign.
inline double steadyStateShape(double k, double ka, double tau, double t)
{
    const double slow = std::min(k, ka);
    const double fast = std::max(k, ka);
    const double gap = fast - slow;
    const double numerator = std::exp(-slow * t) * riseOver(gap, t) +
                             std::exp(-slow * tau - fast * t) * riseOver(gap, tau - t);
    return numerator / (std::expm1(-slow * tau) * std::expm1(-fast * tau));
}

// (1 - e^-x.tau) / x: what a dose given every tau hours accumulates to, relative to one dose.
inline double accumulation(double x, double tau)
{
    return -std::expm1(-x * tau) / x;
}

// (accumulation(k) - accumulation(ka)) / (ka - k), its limit where ka is k.
inline double accumulationSlope(double k, double ka, double tau)
{
    const double slow = std::min(k, ka);
    const double fast = std::max(k, ka);
    return (-std::expm1(-slow * tau) - slow * std::exp(-slow * tau) * riseOver(fast - slow, tau)) /
           (slow * fast);
}

// ln(ratio) / gap for ratio = 1 + gap x slope: near a ratio of 1, where ln(ratio) would be all
// rounding, through log1p of the excess; slope where the gap is 0.
inline double logOverGap(double ratio, double gap, double slope)
{
    constexpr double kNearOne = 0.5;
    const double excess = gap * slope;
    if (excess == 0.0)
        return slope;
    return std::fabs(excess) < kNearOne ? std::log1p(excess) / gap : std::log(ratio) / gap;
}

// The time of a single dose's peak, ln(ka / k) / (ka - k); 1 / k where ka is k.
inline double singleDosePeakTime(double k, double ka)
{
    return logOverGap(ka / k, ka - k, 1.0 / k);
}

// The time of the peak within an interval at steady state:
// ln(accumulation(k) / accumulation(ka)) / (ka - k).
inline double steadyStatePeakTime(double k, double ka, double tau)
{
    const double atKa = accumulation(ka, tau);
    return logOverGap(accumulation(k, tau) / atKa, ka - k, accumulationSlope(k, ka, tau) / atKa);
}
} // namespace absorption
