#pragma once

#include "pkcore/PkNumeric.h"

#include <algorithm>
#include <cmath>

// Hybrid rate constants of the two-compartment model. With a clearance and Vbeta they follow
// from the central volume and k21: beta = CL / Vbeta, alpha = (CL / V1) k21 / beta.
struct TwoCompModel {
    double alpha;
    double beta;
    double v1;
    double k21;

    // The constants describe two compartments only while the implied k12 = alpha + beta - k21 -
    // alpha beta / k21 = -(k21 - alpha)(k21 - beta) / k21 is not negative, that is while k21
    // lies between beta and alpha; outside that the formulas give negative levels.
    bool valid() const
    {
        return pknum::allFinite(alpha, beta, v1, k21) && alpha > 0.0 && beta > 0.0 && v1 > 0.0 &&
               k21 > 0.0 && alpha != beta && (k21 - alpha) * (k21 - beta) <= 0.0;
    }

    // An infusion at rate R adds R (alphaWeight() (e^-alpha.s - 1) + betaWeight() (e^-beta.s -
    // 1)) while it runs, s hours after its start, and once it has run D hours R
    // (alphaWeight() (e^-alpha.D - 1) e^-alpha.s' + the same in beta) s' hours after its end:
    // written so, with decays alone, no exponential grows with the time. Both weights share the
    // sign of the level.
    double alphaWeight() const { return (k21 - alpha) / (v1 * (alpha - beta) * alpha); }
    double betaWeight() const { return (beta - k21) / (v1 * (alpha - beta) * beta); }

    // Level at `sinceStart` hours after the start of an infusion at `rate` that has run for
    // `infused` hours. The exponentials decay: e^alpha.infused would overflow for an infusion
    // of a few hundred hours, where the level is still plain.
    double infusionLevel(double rate, double infused, double sinceStart) const
    {
        const double stopped = sinceStart - infused;
        return rate * (alphaWeight() * phaseChange(alpha, infused, stopped) +
                       betaWeight() * phaseChange(beta, infused, stopped));
    }

    // Level at steady state `sinceStart` hours after the start of a dose, one infusion at `rate`
    // lasting `duration` hours every `tau` hours (from the end of the infusion on): each phase
    // of one dose over what the phase accumulates to, 1 / (1 - e^-x.tau).
    double steadyStateLevel(double rate, double duration, double tau, double sinceStart) const
    {
        const double stopped = sinceStart - duration;
        return rate * (alphaWeight() * phaseChange(alpha, duration, stopped) /
                           (1.0 - std::exp(-alpha * tau)) +
                       betaWeight() * phaseChange(beta, duration, stopped) /
                           (1.0 - std::exp(-beta * tau)));
    }

    // The same level at every time of the interval (duration <= tau), the infusion's own hours
    // included: while it runs, the earlier doses decaying from their ends and the running
    // infusion from zero. It rises while the infusion runs and falls after it, every phase
    // weighing with the level's sign.
    double steadyStateCurve(double rate, double duration, double tau, double sinceStart) const
    {
        if (sinceStart >= duration)
            return steadyStateLevel(rate, duration, tau, sinceStart);
        return steadyStateLevel(rate, duration, tau, sinceStart + tau) +
               infusionLevel(rate, sinceStart, sinceStart);
    }

    // One phase's (e^-x.infused - 1) e^-x.stopped, with decays alone. The fits evaluate it for
    // every dose: plain exponentials are the fastest there, and only the second sees the long
    // times where the exponential leaves its fast path.
    static double phaseChange(double x, double infused, double stopped)
    {
        return (std::exp(-x * infused) - 1.0) * std::exp(-x * stopped);
    }

    // The area under infusionLevel's curve from `from` to `to` hours after the start of an
    // infusion at `rate` lasting `duration` hours (0 <= from <= to), each phase in closed form.
    double infusionArea(double rate, double duration, double from, double to) const
    {
        const double a = alphaWeight();
        const double b = betaWeight();
        double area = 0.0;
        // While it runs the level is rate (a (e^-alpha.s - 1) + b (e^-beta.s - 1)).
        const double runEnd = std::min(to, duration);
        if (from < runEnd)
            area += a * (decayArea(alpha, from, runEnd) - (runEnd - from)) +
                    b * (decayArea(beta, from, runEnd) - (runEnd - from));
        // After it, rate (a (e^-alpha.D - 1) e^-alpha(s - D) + the same in beta).
        const double after = std::max(from, duration);
        if (after < to)
            area +=
                a * std::expm1(-alpha * duration) *
                    decayArea(alpha, after - duration, to - duration) +
                b * std::expm1(-beta * duration) * decayArea(beta, after - duration, to - duration);
        return rate * area;
    }

    // The integral of e^-k.s from x to y (x <= y), without the cancellation of a difference.
    static double decayArea(double k, double x, double y)
    {
        return -std::exp(-k * x) * std::expm1(-k * (y - x)) / k;
    }
};

inline TwoCompModel modelFromClearance(double cl, double vBeta, double v1, double k21)
{
    const double beta = cl / vBeta;
    return {(cl / v1) * k21 / beta, beta, v1, k21};
}
