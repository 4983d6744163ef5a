#include "forecast/TwoCompartmentDesign.h"

#include "forecast/ForecastText.h"
#include "forecast/RegimenDesign.h"
#include "pkcore/PkCalculator.h"

#include <cmath>

namespace forecast
{
namespace
{
constexpr int kMaxIterations = 200;
// The interval is pinned down far below the precision any level is shown with.
constexpr double kIntervalTolerance = 1e-13;
// What the designed regimen's own forecast may miss a target by.
constexpr double kTargetTolerance = 1e-6;

// Steady-state levels of a unit dose; the dose scales every level alike.
class UnitSteadyState
{
public:
    UnitSteadyState(const PkCalculator& calculator, const SetParameters& set, double infusionTime)
        : m_calculator(calculator), m_set(set), m_infusionTime(infusionTime)
    {
    }

    // t from the start of the infusion, from its end on.
    double levelAt(double interval, double t) const
    {
        return m_calculator.twoCompSteadyStateLevel(m_set.cl, m_set.v, 1.0, m_infusionTime,
                                                    interval, t);
    }

private:
    const PkCalculator& m_calculator;
    const SetParameters& m_set;
    double m_infusionTime;
};

// ln(post level / trough) of an interval less the desired one: below 0 for an interval too
// short, above 0 for one too long, not a number where the levels cannot be computed.
class RatioMismatch
{
public:
    RatioMismatch(const UnitSteadyState& levels, const RegimenTargets& t)
        : m_levels(levels), m_postAt(t.infusionTime + t.postTime),
          m_wanted(std::log(t.postLevel / t.trough))
    {
    }

    double operator()(double interval) const
    {
        const double post = m_levels.levelAt(interval, m_postAt);
        const double trough = m_levels.levelAt(interval, interval);
        if (!(post > 0.0))
            return std::nan("");
        // A trough too small to represent belongs to an interval far too long.
        return trough > 0.0 ? std::log(post / trough) - m_wanted : HUGE_VAL;
    }

    // At an interval that ends at the post time the post level is the trough.
    double atShortest() const { return -m_wanted; }

private:
    const UnitSteadyState& m_levels;
    double m_postAt;
    double m_wanted;
};

// Regula falsi with the Illinois correction; a step that leaves the bracket bisects instead.
double rootInBracket(const RatioMismatch& mismatch, double lo, double fLo, double hi, double fHi)
{
    int kept = 0; // -1 when lo was kept last time, +1 for hi
    for (int i = 0; i < kMaxIterations && hi - lo > kIntervalTolerance * hi; ++i) {
        double x = hi - fHi * (hi - lo) / (fHi - fLo);
        if (!(x > lo && x < hi))
            x = lo + (hi - lo) / 2.0;
        const double fx = mismatch(x);
        if (std::isnan(fx))
            return std::nan("");
        if (fx == 0.0)
            return x;
        if (fx < 0.0) {
            lo = x;
            fLo = fx;
            if (kept == 1)
                fHi /= 2.0;
            kept = 1;
        } else {
            hi = x;
            fHi = fx;
            if (kept == -1)
                fLo /= 2.0;
            kept = -1;
        }
    }
    return std::fabs(fLo) < std::fabs(fHi) ? lo : hi;
}

bool meets(double level, double target)
{
    return std::fabs(level - target) <= kTargetTolerance * target;
}

TwoCompRegimen none(const QString& reason)
{
    TwoCompRegimen r;
    r.reason = reason;
    return r;
}
} // namespace

TwoCompRegimen exactTwoCompRegimen(const PkCalculator& calculator, const SetParameters& set,
                                   const RegimenTargets& targets, double estimate,
                                   double longestInterval)
{
    const UnitSteadyState levels(calculator, set, targets.infusionTime);
    const RatioMismatch mismatch(levels, targets);
    // The post level must fall inside the interval, so the interval is longer than the
    // infusion and the post time together.
    double lo = targets.infusionTime + targets.postTime;
    double fLo = mismatch.atShortest();
    double hi = longestInterval;
    double fHi = mismatch(hi);
    // Levels too large for a number are none the forecast could show either.
    if (std::isnan(fHi))
        return none(tr("No result for these parameters."));
    const QString tooLong =
        tr("No interval of up to %1 hours gives these levels.").arg(longestInterval);
    if (!(lo < hi) || !(fLo < 0.0) || !(fHi > 0.0))
        return none(tooLong);
    if (estimate > lo && estimate < hi) {
        const double f = mismatch(estimate);
        if (f < 0.0) {
            lo = estimate;
            fLo = f;
        } else if (f > 0.0) {
            hi = estimate;
            fHi = f;
        } else if (f == 0.0) {
            lo = hi = estimate;
        }
    }
    const double interval = rootInBracket(mismatch, lo, fLo, hi, fHi);
    const double amount = targets.trough / levels.levelAt(interval, interval);
    TwoCompRegimen r;
    r.amount = amount;
    r.interval = interval;
    r.found = std::isfinite(amount) && amount > 0.0 &&
              meets(amount * levels.levelAt(interval, targets.infusionTime + targets.postTime),
                    targets.postLevel) &&
              meets(amount * levels.levelAt(interval, interval), targets.trough);
    if (!r.found)
        return none(tr("No regimen gives these levels for this parameter set."));
    return r;
}
} // namespace forecast
