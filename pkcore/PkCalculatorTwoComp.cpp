#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

using pknum::allFinite;
using pknum::checked;
using pknum::invalid;
using pknum::kHoursPerDay;

namespace
{
constexpr double kMicSearchStep = 0.1;
// 1000 hours of 0.1 h steps: far beyond any dosing interval; a search that gets there has no
// crossing to find.
constexpr int kMicSearchMaxSteps = 10000;
constexpr double kMaxSeriesDoses = 1.0e6;

constexpr double kSolverTolerance = 0.0001;
constexpr double kSolverStartValue = 1.0001;
constexpr double kSolverFirstOffset = 0.1;
constexpr int kSolverMaxIterations = 30;

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
        return allFinite(alpha, beta, v1, k21) && alpha > 0.0 && beta > 0.0 && v1 > 0.0 &&
               k21 > 0.0 && alpha != beta && (k21 - alpha) * (k21 - beta) <= 0.0;
    }

    // Level at `sinceStart` hours after the start of an infusion at `rate` that has run for
    // `infused` hours.
    double infusionLevel(double rate, double infused, double sinceStart) const
    {
        const double spread = v1 * (alpha - beta);
        return rate * (1.0 - std::exp(alpha * infused)) * (k21 - alpha) *
                   std::exp(-alpha * sinceStart) / (spread * alpha) +
               rate * (1.0 - std::exp(beta * infused)) * (beta - k21) *
                   std::exp(-beta * sinceStart) / (spread * beta);
    }

    // The area under infusionLevel's curve from `from` to `to` hours after the start of an
    // infusion at `rate` lasting `duration` hours (0 <= from <= to), each phase in closed form.
    double infusionArea(double rate, double duration, double from, double to) const
    {
        const double spread = v1 * (alpha - beta);
        const double a = (k21 - alpha) / (spread * alpha);
        const double b = (beta - k21) / (spread * beta);
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

TwoCompModel modelFromClearance(double cl, double vBeta, double v1, double k21)
{
    const double beta = cl / vBeta;
    return {(cl / v1) * k21 / beta, beta, v1, k21};
}

double rawSteadyStateLevel(const TwoCompModel& m, double dose, double infusionTime, double tau,
                           double t)
{
    if (!(m.valid() && infusionTime > 0.0 && tau > 0.0))
        return invalid();
    const double rate = dose / infusionTime;
    const double spread = m.v1 * (m.alpha - m.beta);
    return rate * (1.0 - std::exp(m.beta * infusionTime)) * (m.beta - m.k21) *
               std::exp(-m.beta * t) / ((1.0 - std::exp(-m.beta * tau)) * spread * m.beta) +
           rate * (1.0 - std::exp(m.alpha * infusionTime)) * (m.k21 - m.alpha) *
               std::exp(-m.alpha * t) / ((1.0 - std::exp(-m.alpha * tau)) * spread * m.alpha);
}

bool sameSign(double a, double b)
{
    return (a > 0.0 && b > 0.0) || (a < 0.0 && b < 0.0);
}
} // namespace

double PkCalculator::twoCompSteadyStateLevel(double cl, double vBeta, double dose,
                                             double infusionTime, double tau, double t) const
{
    const TwoCompModel model =
        modelFromClearance(cl, vBeta, m_session->twoCompCentralVolume, m_session->twoCompK21);
    return checked(rawSteadyStateLevel(model, dose, infusionTime, tau, t));
}

double PkCalculator::hoursAboveMicTwoComp(double trough, double mic, double peak, double dose,
                                          double infusionTime, double tau, double cl,
                                          double vBeta) const
{
    if (!allFinite(trough, mic, peak))
        return pknum::kNotGiven;
    if (trough >= mic)
        return kHoursPerDay;
    if (mic >= peak)
        return 0.0;
    const TwoCompModel model =
        modelFromClearance(cl, vBeta, m_session->twoCompCentralVolume, m_session->twoCompK21);
    const auto level = [&](double t) {
        return rawSteadyStateLevel(model, dose, infusionTime, tau, t);
    };
    if (std::isnan(level(infusionTime)))
        return pknum::kNotGiven;

    double up = 0.0;
    if (mic > 0.0) {
        int steps = 0;
        do {
            up += kMicSearchStep;
            if (++steps > kMicSearchMaxSteps)
                return pknum::kNotGiven;
        } while (!(level(up) >= mic));
    }
    double down = infusionTime;
    int steps = 0;
    do {
        down += kMicSearchStep;
        if (++steps > kMicSearchMaxSteps)
            return pknum::kNotGiven;
    } while (!(level(down) <= mic));

    const double hours = down - up;
    return checked(tau <= kHoursPerDay ? hours / tau * kHoursPerDay : hours);
}

double PkCalculator::levelFromDoseHistoryTwoComp(double cl, double vBeta, double cf, double t) const
{
    const TwoCompModel model =
        modelFromClearance(cl, vBeta, m_session->twoCompCentralVolume, m_session->twoCompK21);
    if (!(model.valid() && allFinite(cf, t)))
        return pknum::kNotGiven;
    const DoseEventTable& events = m_session->doseEvents;
    double level = levelterms::sumOverGivenDoses(
        *m_session, cf, t, [&](int i, double start, double compliance) {
            const double rate = events[pk::eventRate][i] * events[pk::eventSalt][i] * compliance;
            const double infusionTime = events[pk::eventInfusionTime][i];
            const double infused = t < start + infusionTime ? t - start : infusionTime;
            return model.infusionLevel(rate, infused, t - start);
        });
    if (m_session->levelCount > 0 && m_session->levelTimes[1] == 0.0)
        level += std::exp(-model.beta * t) * m_session->levelValues[1];
    return checked(level);
}

double PkCalculator::areaFromDoseHistoryTwoComp(double cl, double vBeta, double cf, double from,
                                                double to) const
{
    const TwoCompModel model =
        modelFromClearance(cl, vBeta, m_session->twoCompCentralVolume, m_session->twoCompK21);
    if (!(model.valid() && allFinite(cf, from, to) && from <= to))
        return pknum::kNotGiven;
    const DoseEventTable& events = m_session->doseEvents;
    // Each dose given by `to` adds its own curve from when it starts, as in the level itself.
    double area = levelterms::sumOverGivenDoses(
        *m_session, cf, to, [&](int i, double start, double compliance) {
            const double rate = events[pk::eventRate][i] * events[pk::eventSalt][i] * compliance;
            return model.infusionArea(rate, events[pk::eventInfusionTime][i],
                                      std::max(from, start) - start, to - start);
        });
    if (levelterms::hasOriginLevel(*m_session))
        area += m_session->levelValues[1] * TwoCompModel::decayArea(model.beta, from, to);
    // Rounding may leave a hair below 0 where the curve is 0.
    return checked(std::max(area, 0.0));
}

double PkCalculator::levelSeriesTwoComp(double f, double vBeta, double cl, double salt, double c0,
                                        double dose, double tau, double infusionTime, double cf,
                                        double v1, double k21, double t) const
{
    // An interval of 0 would put every dose at time 0 and never end the series.
    const TwoCompModel model = modelFromClearance(cl, vBeta, v1, k21);
    if (!(model.valid() && tau > 0.0 && infusionTime > 0.0))
        return pknum::kNotGiven;
    if (!allFinite(f, salt, c0, dose, cf, t) || t / tau > kMaxSeriesDoses)
        return pknum::kNotGiven;
    const double rate = (dose / infusionTime) * salt * f * cf;

    double sum = 0.0;
    for (int j = 0; j * tau <= t && j < t / tau; ++j) {
        const double doseTime = j * tau;
        const double infused = t < doseTime + infusionTime ? t - doseTime : infusionTime;
        sum += model.infusionLevel(rate, infused, t - doseTime);
    }
    return checked(c0 * std::exp(-model.beta * t) + sum);
}

void PkCalculator::twoCompRegimen(double infusionTime, double targetTrough, double targetPeak,
                                  double postTime)
{
    SessionData& s = *m_session;
    const TwoCompModel m{s.twoCompAlpha, s.twoCompBeta, s.twoCompCentralVolume, s.twoCompK21};
    const auto fail = [&s]() {
        s.twoCompDose = pknum::kNotGiven;
        s.twoCompInterval = pknum::kNotGiven;
        s.solverFailed = true;
    };
    if (!(m.valid() && infusionTime > 0.0 && allFinite(targetTrough, targetPeak, postTime))) {
        fail();
        return;
    }
    const double a = m.alpha;
    const double b = m.beta;
    const double spread = m.v1 * (a - b);

    const double target = targetPeak - targetTrough * std::exp(-b * (infusionTime + postTime));
    const double unitLevel =
        std::exp(-a * postTime) * (std::exp(-a * infusionTime) - 1.0) * (m.k21 - a) / (spread * a) +
        std::exp(-b * postTime) * (std::exp(-b * infusionTime) - 1.0) * (b - m.k21) / (spread * b);
    const double dose = (target / unitLevel) * infusionTime;
    if (!std::isfinite(dose)) {
        fail();
        return;
    }
    s.twoCompDose = dose;

    const double ca = (1.0 - std::exp(-a * infusionTime)) * (a - m.k21) * dose /
                      (a * m.v1 * infusionTime * (a - b));
    const double cb = (1.0 - std::exp(-b * infusionTime)) * (m.k21 - b) * dose /
                      (b * m.v1 * infusionTime * (a - b));

    // The half-life start value uses ln 2 at single precision, as the regimens in use were
    // designed with.
    double interval = static_cast<double>(static_cast<float>(std::log(2.0))) / b;
    solveTwoCompInterval(ca, cb, interval);
    s.twoCompInterval = interval;
}

void PkCalculator::solveTwoCompInterval(double ca, double cb, double& t)
{
    SessionData& s = *m_session;
    const double a = s.twoCompAlpha;
    const double b = s.twoCompBeta;
    const double infusionTime = s.twoCompInfusionTime;
    const double trough = s.twoCompTargetTrough;
    // Single-dose level at t less the trough a regimen of interval t must hold.
    const auto g = [&](double x) {
        return ca * std::exp(-a * (x - infusionTime)) + cb * std::exp(-b * (x - infusionTime)) +
               (std::exp(-b * x) - 1.0) * trough;
    };

    double previous = t + kSolverFirstOffset;
    double previousValue = g(previous);
    double last = kSolverStartValue;
    s.solverFailed = false;
    int iterations = 0;
    while (std::fabs(last) > kSolverTolerance) {
        const double value = g(t);
        last = value;
        ++iterations;
        if (!allFinite(value, previousValue)) {
            s.solverFailed = true;
            return;
        }
        const double slope = (previousValue - value) / (previous - t);
        double next;
        if (sameSign(value, previousValue)) {
            if (slope == 0.0 || !std::isfinite(slope)) {
                s.solverFailed = true;
                return;
            }
            next = t - value / slope;
            previous = t;
            previousValue = value;
        } else {
            next = (t + previous) / 2.0;
        }
        if (!std::isfinite(next)) {
            s.solverFailed = true;
            return;
        }
        t = next;
        if (iterations >= kSolverMaxIterations && std::fabs(last) > kSolverTolerance) {
            s.solverFailed = true;
            return;
        }
    }
}
