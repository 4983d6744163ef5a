#include "forecast/SteadyStateCurve.h"

#include "pkcore/PkCalculator.h"

#include <algorithm>
#include <cmath>

namespace forecast
{
namespace
{
constexpr double kHoursPerDay = 24.0;
// The day is scanned at this many points and the best one refined between its neighbours.
constexpr int kDaySamples = 480;
constexpr int kRefineSteps = 40;

double wrapped(double t, double period)
{
    const double r = std::fmod(t, period);
    return r < 0.0 ? r + period : r;
}

bool isNoResult(double value)
{
    return !(std::isfinite(value) && value >= 0.0);
}
} // namespace

double shown(double value)
{
    return isNoResult(value) ? kNoResult : value;
}

SteadyStateCurve::SteadyStateCurve(const PkCalculator& calculator, const SessionData& session,
                                   const RouteModel& route, const SetParameters& set,
                                   const Regimen& regimen)
    : m_calculator(&calculator), m_v1(session.twoCompCentralVolume), m_k21(session.twoCompK21),
      m_route(route), m_set(set), m_regimen(regimen)
{
}

double SteadyStateCurve::levelAt(double t) const
{
    return shown(rawLevelAt(t));
}

double SteadyStateCurve::rawLevelAt(double t) const
{
    const Regimen& r = m_regimen;
    const SetParameters& p = m_set;
    if (!(r.interval > 0.0) && m_route.letter != pk::kLetterContinuousIv)
        return kNoResult;
    switch (m_route.letter) {
    case pk::kLetterContinuousIv:
        return average();
    case pk::kLetterOral:
    case pk::kLetterIntramuscular:
        return m_calculator->oralSteadyStateLevel(m_route.ka, r.dose, m_route.salt, p.f, p.v, p.cl,
                                                  r.interval,
                                                  wrapped(t - m_route.lagTime, r.interval));
    case pk::kLetterIntermittentIv:
        return m_route.twoCompartment ? twoCompLevel(wrapped(t, r.interval))
                                      : infusionLevel(wrapped(t, r.interval));
    default:
        return kNoResult;
    }
}

double SteadyStateCurve::infusionLevel(double sinceStart) const
{
    const Regimen& r = m_regimen;
    const SetParameters& p = m_set;
    const double peakLevel = peak();
    if (isNoResult(peakLevel))
        return kNoResult;
    if (sinceStart >= r.infusionTime)
        return concentrationAfterDecay(p.cl, p.v, peakLevel, sinceStart - r.infusionTime);
    // While a dose runs: the earlier doses decaying, and the running infusion from zero.
    const double earlier =
        concentrationAfterDecay(p.cl, p.v, peakLevel, sinceStart + r.interval - r.infusionTime);
    const double running = m_calculator->levelSeriesFromDoseHistory(
        p.f, p.v, p.cl, r.dose, 0.0, m_route.salt, r.interval, pk::kRouteCodeIntravenous,
        r.infusionTime, 1.0, 0.0, sinceStart);
    return isNoResult(earlier) || isNoResult(running) ? kNoResult : earlier + running;
}

double SteadyStateCurve::twoCompLevel(double sinceStart) const
{
    const Regimen& r = m_regimen;
    const SetParameters& p = m_set;
    const double delivered = r.dose * m_route.salt * p.f;
    if (sinceStart >= r.infusionTime)
        return m_calculator->twoCompSteadyStateLevel(p.cl, p.v, delivered, r.infusionTime,
                                                     r.interval, sinceStart);
    const double earlier = m_calculator->twoCompSteadyStateLevel(
        p.cl, p.v, delivered, r.infusionTime, r.interval, sinceStart + r.interval);
    const double running =
        m_calculator->levelSeriesTwoComp(p.f, p.v, p.cl, m_route.salt, 0.0, r.dose, r.interval,
                                         r.infusionTime, 1.0, m_v1, m_k21, sinceStart);
    return isNoResult(earlier) || isNoResult(running) ? kNoResult : earlier + running;
}

double SteadyStateCurve::peak() const
{
    const Regimen& r = m_regimen;
    const SetParameters& p = m_set;
    switch (m_route.letter) {
    case pk::kLetterContinuousIv:
        return average();
    case pk::kLetterOral:
    case pk::kLetterIntramuscular:
        return shown(m_calculator->oralSteadyStatePeak(m_route.ka, r.dose, m_route.salt, p.f, p.v,
                                                       p.cl, r.interval));
    case pk::kLetterIntermittentIv:
        if (!(r.infusionTime < r.interval))
            return kNoResult;
        if (m_route.twoCompartment)
            return shown(twoCompLevel(r.infusionTime));
        return shown(m_calculator->infusionSteadyStatePeak(
            m_route.salt, p.f, r.dose, r.infusionTime, r.interval, p.cl, p.v, r.infusionTime));
    default:
        return kNoResult;
    }
}

double SteadyStateCurve::trough() const
{
    const Regimen& r = m_regimen;
    const SetParameters& p = m_set;
    switch (m_route.letter) {
    case pk::kLetterContinuousIv:
        return average();
    case pk::kLetterOral:
    case pk::kLetterIntramuscular:
        // Absorption of the next dose begins at the end of the interval (of the lag, too).
        return shown(m_calculator->oralSteadyStateLevel(m_route.ka, r.dose, m_route.salt, p.f, p.v,
                                                        p.cl, r.interval, r.interval));
    case pk::kLetterIntermittentIv:
        if (isNoResult(peak()))
            return kNoResult;
        if (m_route.twoCompartment)
            return shown(twoCompLevel(r.interval));
        return shown(concentrationAfterDecay(p.cl, p.v, peak(), r.interval - r.infusionTime));
    default:
        return kNoResult;
    }
}

double SteadyStateCurve::postLevel(double postTime) const
{
    const Regimen& r = m_regimen;
    if (!regimenHasPostLevel(m_route.letter, false, r.infusionTime, postTime, r.interval))
        return kNoResult;
    return levelAt(r.infusionTime + postTime);
}

double SteadyStateCurve::average() const
{
    const Regimen& r = m_regimen;
    const SetParameters& p = m_set;
    if (!(p.cl > 0.0))
        return kNoResult;
    const double delivered = r.dose * m_route.salt * p.f;
    if (m_route.letter == pk::kLetterContinuousIv)
        return shown(delivered / p.cl);
    return r.interval > 0.0 ? shown(delivered / (p.cl * r.interval)) : kNoResult;
}

DayCurve::DayCurve(const PkCalculator& calculator, const SessionData& session,
                   const RouteModel& route, const SetParameters& set, const QVector<DayDose>& doses,
                   double infusionTime)
    : m_doses(doses), m_route(route), m_set(set)
{
    m_curves.reserve(doses.size());
    for (const DayDose& d : doses)
        m_curves.push_back(SteadyStateCurve(calculator, session, route, set,
                                            {d.dose, kHoursPerDay, infusionTime}));
}

double DayCurve::levelAt(double clockHour) const
{
    if (m_doses.isEmpty())
        return kNoResult;
    double sum = 0.0;
    for (std::size_t i = 0; i < m_curves.size(); ++i) {
        const double level = m_curves[i].levelAt(clockHour - m_doses[int(i)].clockHour);
        if (isNoResult(level))
            return kNoResult;
        sum += level;
    }
    return sum;
}

double DayCurve::extreme(bool highest) const
{
    const double step = kHoursPerDay / kDaySamples;
    const auto better = [highest](double a, double b) { return highest ? a > b : a < b; };
    double bestTime = 0.0;
    double best = levelAt(0.0);
    if (isNoResult(best))
        return kNoResult;
    for (int i = 1; i < kDaySamples; ++i) {
        const double level = levelAt(i * step);
        if (isNoResult(level))
            return kNoResult;
        if (better(level, best)) {
            best = level;
            bestTime = i * step;
        }
    }
    // Golden-section search between the best sample's neighbours.
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double lo = bestTime - step;
    double hi = bestTime + step;
    for (int i = 0; i < kRefineSteps; ++i) {
        const double a = hi - ratio * (hi - lo);
        const double b = lo + ratio * (hi - lo);
        if (better(levelAt(a), levelAt(b)))
            hi = b;
        else
            lo = a;
    }
    const double refined = levelAt((lo + hi) / 2.0);
    return refined >= 0.0 && better(refined, best) ? refined : best;
}

double DayCurve::peak() const
{
    return extreme(true);
}

double DayCurve::trough() const
{
    return extreme(false);
}

double DayCurve::average() const
{
    if (m_curves.empty() || !(m_set.cl > 0.0))
        return kNoResult;
    double total = 0.0;
    for (const DayDose& d : m_doses)
        total += d.dose;
    return shown(total * m_route.salt * m_set.f / (m_set.cl * kHoursPerDay));
}
} // namespace forecast
