#pragma once

#include "pkcore/AbsorptionTerms.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

// The pieces of a level predicted from the dose history that the calculator's level functions
// and the analysis's faster roads through many times and parameter sets both compute. The fast
// roads must give the calculator's numbers, so every piece is written once, its arithmetic in
// one order; inline, so a caller can advance several parameter sets side by side.
namespace levelterms
{
// A level measured at the time origin is where a prediction from the dose history starts.
inline bool hasOriginLevel(const SessionData& s)
{
    return s.levelCount > 0 && s.levelTimes[1] == 0.0;
}

inline double originLevel(const SessionData& s)
{
    return hasOriginLevel(s) ? s.levelValues[1] : 0.0;
}

// The compliance factor counts for out-patient doses only: from the first dose given in hospital
// on, every dose is taken as given. The factor that holds from event i on.
inline double complianceFrom(const DoseEventTable& events, int i, double compliance)
{
    return events[pk::eventInOut][i] == pk::kInPatient ? 1.0 : compliance;
}

// Superposition over the dose history: the sum of share(i, start, compliance) over the doses
// given by t, in their order, each with the compliance factor that holds from it on.
template <typename Share>
double sumOverGivenDoses(const SessionData& s, double cf, double t, Share share)
{
    const DoseEventTable& events = s.doseEvents;
    const int count = std::clamp(s.doseEventCount, 0, pk::kMaxDoseEvents);
    double compliance = cf;
    double level = 0.0;
    for (int i = 1; i <= count; ++i) {
        const double start = events[pk::eventTime][i];
        if (start > t)
            break;
        compliance = complianceFrom(events, i, compliance);
        level += share(i, start, compliance);
    }
    return level;
}

// ---- One compartment, elimination rate constant k ----

// The level an infusion approaches while it runs: salt x compliance x rate / CL.
inline double infusionRateTerm(double salt, double compliance, double rate, double cl)
{
    return salt * compliance * rate / cl;
}

// What an infusion begun at `start` adds at t while it still runs.
inline double runningInfusionShare(double k, double rateTerm, double t, double start)
{
    return (1.0 - std::exp(-k * (t - start))) * rateTerm;
}

// What an infusion of `duration` hours that ended at `end` adds at t.
inline double endedInfusionShare(double k, double duration, double rateTerm, double t, double end)
{
    return (1.0 - std::exp(-k * duration)) * rateTerm * std::exp(-k * (t - end));
}

// What an infusion of `duration` hours begun at `start` adds at t, running or ended.
inline double infusionShare(double k, double duration, double rateTerm, double t, double start)
{
    const double end = start + duration;
    return t >= end ? endedInfusionShare(k, duration, rateTerm, t, end)
                    : runningInfusionShare(k, rateTerm, t, start);
}

// What an intravenous bolus adds `elapsed` hours after it was given.
inline double bolusShare(double k, double elapsed, double salt, double compliance, double dose,
                         double v)
{
    return std::exp(-k * elapsed) * salt * compliance * dose / v;
}

// What an oral or intramuscular dose adds `elapsed` hours after it was given, at ka; `amount` is
// the dose times its salt, bioavailability and compliance factors.
inline double absorptionShare(double k, double ka, double elapsed, double amount, double v)
{
    return amount * ka * absorption::shape(k, ka, elapsed) / v;
}

// ---- Michaelis-Menten: dC/dt = (Rin - Vmax C / (Km + C)) / V, Vmax per hour ----

inline double michaelisMentenSlope(double rateIn, double vmaxPerHour, double km, double v, double c)
{
    return (rateIn - vmaxPerHour * c / (km + c)) / v;
}

// One classical Runge-Kutta step of `h` hours from the level c0.
inline double rungeKuttaStep(double vmaxPerHour, double km, double v, double rateIn, double c0,
                             double h)
{
    const double k1 = h * michaelisMentenSlope(rateIn, vmaxPerHour, km, v, c0);
    const double k2 = h * michaelisMentenSlope(rateIn, vmaxPerHour, km, v, c0 + k1 / 2.0);
    const double k3 = h * michaelisMentenSlope(rateIn, vmaxPerHour, km, v, c0 + k2 / 2.0);
    const double k4 = h * michaelisMentenSlope(rateIn, vmaxPerHour, km, v, c0 + k3);
    return c0 + (k1 + 2.0 * k2 + 2.0 * k3 + k4) / 6.0;
}

// Near a level of 0 the elimination is first order at its fastest, Vmax / (V Km) an hour. A
// Runge-Kutta step longer than kMostExplicitStiffness / that rate can carry the level below 0,
// where the elimination term no longer means anything (it runs away at -Km), so a longer step
// is cut into as many pieces as that takes, kMostStepPieces at most.
constexpr double kMostExplicitStiffness = 1.0;
constexpr int kMostStepPieces = 64;

// One backward Euler step: the level c1 with c1 = c0 + h (rateIn - Vmax c1 / (Km + c1)) / V.
// It is the root of c1^2 + p c1 - b Km = 0 (b the level the input alone would leave, p = Km - b +
// the most the step can eliminate) whose other root is negative: the level never crosses 0 and
// the step is stable however fast the elimination, exact while the elimination runs at Vmax.
inline double implicitEulerStep(double vmaxPerHour, double km, double v, double rateIn, double c0,
                                double h)
{
    const double b = c0 + h * rateIn / v;
    const double p = km - b + h * vmaxPerHour / v;
    const double d = std::hypot(p, 2.0 * std::sqrt(b * km));
    // Each sign of p has its form without cancellation.
    return p > 0.0 ? 2.0 * b * km / (p + d) : (d - p) / 2.0;
}

// One Runge-Kutta step short against the fastest elimination; should it still land below 0,
// the backward Euler step instead.
inline double shortStep(double vmaxPerHour, double km, double v, double rateIn, double c0, double h)
{
    const double c1 = rungeKuttaStep(vmaxPerHour, km, v, rateIn, c0, h);
    return c1 < 0.0 ? implicitEulerStep(vmaxPerHour, km, v, rateIn, c0, h) : c1;
}

// A step too long for one Runge-Kutta step: Runge-Kutta pieces short enough, or past
// kMostStepPieces pieces (a set whose elimination empties the body within a fraction of a piece)
// backward Euler pieces. Out of line, so the common step stays small where it is inlined.
[[gnu::noinline]] inline double longStep(double vmaxPerHour, double km, double v, double rateIn,
                                         double c0, double h)
{
    const double pieces = std::ceil(h * vmaxPerHour / (kMostExplicitStiffness * v * km));
    const bool shortPieces = pieces <= kMostStepPieces;
    const int count = shortPieces ? static_cast<int>(pieces) : kMostStepPieces;
    const double piece = h / count;
    double level = c0;
    for (int i = 0; i < count; ++i)
        level = shortPieces ? shortStep(vmaxPerHour, km, v, rateIn, level, piece)
                            : implicitEulerStep(vmaxPerHour, km, v, rateIn, level, piece);
    return level;
}

// One step of the simulation grid, never below 0 from a level of 0 or more. A step short
// against the fastest elimination is one Runge-Kutta step, as the worked examples are computed.
inline double michaelisMentenLevelStep(double vmaxPerHour, double km, double v, double rateIn,
                                       double c0, double h)
{
    // Compared without dividing: this runs at every step of every curve.
    if (h * vmaxPerHour > kMostExplicitStiffness * v * km)
        return longStep(vmaxPerHour, km, v, rateIn, c0, h);
    return shortStep(vmaxPerHour, km, v, rateIn, c0, h);
}
} // namespace levelterms
