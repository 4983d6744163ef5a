#pragma once

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
} // namespace levelterms
