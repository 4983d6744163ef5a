#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"
#include "pkcore/TwoCompModel.h"

#include <algorithm>
#include <cmath>

using pknum::allFinite;
using pknum::checked;
using pknum::invalid;

namespace
{
// Halving a bracket this often leaves it a rounding step wide for any interval.
constexpr int kMostBisections = 200;
constexpr double kMaxSeriesDoses = 1.0e6;

constexpr double kSolverTolerance = 0.0001;
constexpr double kSolverStartValue = 1.0001;
constexpr double kSolverFirstOffset = 0.1;
constexpr int kSolverMaxIterations = 30;

double rawSteadyStateLevel(const TwoCompModel& m, double dose, double infusionTime, double tau,
                           double t)
{
    if (!(m.valid() && infusionTime > 0.0 && tau > 0.0))
        return invalid();
    return m.steadyStateLevel(dose / infusionTime, infusionTime, tau, t);
}

// Where f, of opposite signs at lo and hi and monotone between, crosses 0: bisection down to
// a rounding step.
template <typename F> double crossing(F f, double lo, double hi)
{
    const bool belowAtLo = f(lo) < 0.0;
    for (int i = 0; i < kMostBisections; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (!(mid > lo && mid < hi))
            break;
        if ((f(mid) < 0.0) == belowAtLo)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5 * (lo + hi);
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
        return checked(pknum::wholeDayOrInterval(tau));
    if (mic >= peak)
        return 0.0;
    const TwoCompModel model =
        modelFromClearance(cl, vBeta, m_session->twoCompCentralVolume, m_session->twoCompK21);
    // Infusions that overlap have no interval of one dose's rise and fall.
    if (!(model.valid() && infusionTime > 0.0 && infusionTime <= tau && allFinite(dose, tau)))
        return pknum::kNotGiven;
    const double rate = dose / infusionTime;
    const auto aboveMic = [&](double t) {
        return model.steadyStateCurve(rate, infusionTime, tau, t) - mic;
    };
    const double atStart = aboveMic(0.0);
    const double atEnd = aboveMic(tau);
    const double atPeak = aboveMic(infusionTime);
    if (!allFinite(atStart, atEnd, atPeak))
        return pknum::kNotGiven;
    if (!(atPeak > 0.0))
        return 0.0;
    // The curve rises to the end of the infusion and falls after it: one crossing each way at
    // most.
    const double up = atStart >= 0.0 ? 0.0 : crossing(aboveMic, 0.0, infusionTime);
    const double down = atEnd >= 0.0 ? tau : crossing(aboveMic, infusionTime, tau);
    return checked(pknum::perDayOrInterval(down - up, tau));
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
