#include "forecast/RegimenDesign.h"

#include "forecast/ForecastText.h"
#include "forecast/LevelForecast.h"
#include "forecast/TwoCompartmentDesign.h"
#include "pkcore/EntryLimits.h"
#include "pkcore/EntryReading.h"
#include "pkcore/PkCalculator.h"

#include <algorithm>
#include <cmath>

namespace forecast
{
namespace
{
constexpr double kHoursPerDay = 24.0;
// The interval search for oral and intramuscular targets spans these intervals (h).
constexpr double kShortestInterval = 0.01;
constexpr double kLongestInterval = 2000.0;
constexpr int kIntervalSearchSteps = 80;
// The graph shows this many intervals of the longest designed regimen.
constexpr double kGraphIntervals = 3.0;
// A designed number from this size on is shown with three significant digits and an exponent.
constexpr double kLargestPlainNumber = 1.0e6;
constexpr int kExponentDigits = 3;
constexpr int kPlainDigits = 7;
// Enough significant digits to tell any two doubles apart.
constexpr int kAllDigits = 17;

SetRegimen noResult(const QString& reason)
{
    SetRegimen r;
    r.reason = reason;
    return r;
}

QString noResultReason()
{
    return tr("No result for these parameters.");
}

// Dose and interval in the computing unit become the shown regimen.
SetRegimen regimenOf(double dose, double interval, const RouteModel& route)
{
    SetRegimen r;
    r.dose = shown(dose / route.doseScale);
    r.interval = shown(interval);
    r.dosePer24h = shown(r.dose * kHoursPerDay / interval);
    // A dose too large for a number is no regimen either.
    if (!(r.dose > 0.0 && r.interval > 0.0 && r.dosePer24h > 0.0))
        return noResult(noResultReason());
    r.computed = true;
    return r;
}

SetRegimen intermittentInfusion(PkCalculator& calc, const RouteModel& route, const SetParameters& p,
                                const RegimenTargets& t)
{
    if (!(positive(t.trough) && t.postLevel > t.trough && t.postTime >= 0.0))
        return noResult(noResultReason());
    const double k = p.cl / p.v;
    // The interval at which the post level decays to the trough; the dose that lifts the trough
    // to the peak at the end of the infusion.
    const double interval = t.infusionTime + t.postTime + std::log(t.postLevel / t.trough) / k;
    const double peak = t.postLevel * std::exp(k * t.postTime);
    const double dose =
        calc.infusionDoseForTarget(peak, t.infusionTime, p.cl, t.trough, p.v, route.salt, p.f);
    return regimenOf(dose, interval, route);
}

SetRegimen vancomycin(PkCalculator& calc, SessionData& s, const RouteModel& route,
                      const SetParameters& p, const RegimenTargets& t)
{
    if (!(positive(t.trough) && t.postLevel > t.trough && t.postTime >= 0.0 &&
          positive(t.infusionTime)))
        return noResult(noResultReason());
    if (const QString gap = twoCompartmentGap(s, route, p); !gap.isEmpty())
        return noResult(gap);
    const double beta = p.cl / p.v;
    s.twoCompBeta = beta;
    s.twoCompAlpha = (p.cl / s.twoCompCentralVolume) * s.twoCompK21 / beta;
    s.twoCompTargetTrough = t.trough;
    s.twoCompInfusionTime = t.infusionTime;
    // The quick solver lets the trough decay by beta alone, which misses the targets once
    // little of the interval is left after the infusion; its interval only starts the search
    // on the steady-state equations the level forecast uses.
    calc.twoCompRegimen(t.infusionTime, t.trough, t.postLevel, t.postTime);
    const double estimate = s.solverFailed ? kNoResult : s.twoCompInterval;
    const TwoCompRegimen exact = exactTwoCompRegimen(calc, p, t, estimate, pk::kMostHours);
    if (!exact.found)
        return noResult(exact.reason);
    s.twoCompDose = exact.amount;
    s.twoCompInterval = exact.interval;
    // The design gives the amount that reaches the blood.
    return regimenOf(exact.amount / (route.salt * p.f), exact.interval, route);
}

// Peak over trough at steady state, which does not depend on the dose.
double swing(const PkCalculator& calc, const RouteModel& route, const SetParameters& p,
             double interval)
{
    const double peak =
        calc.oralSteadyStatePeak(route.ka, 1.0, route.salt, p.f, p.v, p.cl, interval);
    const double trough =
        calc.oralSteadyStateLevel(route.ka, 1.0, route.salt, p.f, p.v, p.cl, interval, interval);
    if (!(peak > 0.0))
        return std::nan("");
    return trough > 0.0 ? peak / trough : HUGE_VAL;
}

SetRegimen oralOrIm(const PkCalculator& calc, const RouteModel& route, const SetParameters& p,
                    const RegimenTargets& t)
{
    if (!(route.ka > 0.0))
        return noResult(tr("The product has no absorption rate constant."));
    const double wanted = t.peak / t.trough;
    double lo = kShortestInterval;
    double hi = kLongestInterval;
    if (!(swing(calc, route, p, lo) < wanted && swing(calc, route, p, hi) > wanted))
        return noResult(tr("No interval gives this peak and trough."));
    for (int i = 0; i < kIntervalSearchSteps; ++i) {
        const double mid = std::sqrt(lo * hi);
        (swing(calc, route, p, mid) < wanted ? lo : hi) = mid;
    }
    const double interval = std::sqrt(lo * hi);
    const double dose =
        calc.oralDoseForPeak(route.ka, route.salt, p.f, t.peak, p.v, p.cl, interval);
    return regimenOf(dose, interval, route);
}

SetRegimen continuousInfusion(const RouteModel& route, const SetParameters& p,
                              const RegimenTargets& t)
{
    const double rate = t.average * p.cl / (route.salt * p.f);
    return regimenOf(rate, 1.0, route);
}

// A designed number refused against `limit`, with as many more digits as it takes to show on
// which side of the limit it lies: 10000000.1 past 10000000, not "1e+07".
QString designedText(double value, double limit)
{
    int digits = value >= kLargestPlainNumber ? kExponentDigits : kPlainDigits;
    const auto shown = [&]() { return QString::number(value, 'g', digits); };
    const auto side = [limit](double x) { return (x > limit) - (x < limit); };
    const auto sameSide = [&]() { return side(shown().toDouble()) == side(value); };
    while (!sameSide() && digits < kAllDigits)
        ++digits;
    return shown();
}

// Why the regimen could not be typed into the level forecast, whose fields hold no larger dose
// or rate and no longer or shorter interval; empty when it could.
QString beyondEntryLimits(const SetRegimen& r, const RouteModel& route, const QString& doseUnit)
{
    const QString mostDose = pk::boundText(pk::kMostDose);
    if (route.letter == pk::kLetterContinuousIv)
        return r.dose > pk::kMostDose
                   ? tr("The designed rate (%1 %2/h) exceeds the largest rate an entry may hold "
                        "(%3 %2/h).")
                         .arg(designedText(r.dose, pk::kMostDose), doseUnit, mostDose)
                   : QString();
    if (r.dose > pk::kMostDose)
        return tr("The designed dose (%1 %2) exceeds the largest dose an entry may hold (%3 %2).")
            .arg(designedText(r.dose, pk::kMostDose), doseUnit, mostDose);
    if (r.interval > pk::kMostHours)
        return tr("The designed interval (%1 h) exceeds the longest interval an entry may hold "
                  "(%2 h).")
            .arg(designedText(r.interval, pk::kMostHours), pk::boundText(pk::kMostHours));
    if (r.interval < pk::kShortestInterval)
        return tr("The designed interval (%1 h) is shorter than the shortest interval an entry "
                  "may hold (%2 h).")
            .arg(designedText(r.interval, pk::kShortestInterval),
                 pk::boundText(pk::kShortestInterval));
    return QString();
}

// The designed regimen as it would be typed into the level forecast.
LevelRegimen asForecastEntry(const SetRegimen& r, const RegimenTargets& t)
{
    LevelRegimen regimen;
    regimen.dose = r.dose;
    regimen.rate = r.dose;
    regimen.interval = r.interval;
    regimen.infusionTime = t.infusionTime;
    regimen.postTime = t.postTime;
    return regimen;
}

SetRegimen designedByRoute(PkCalculator& calculator, SessionData& session, const RouteModel& route,
                           const SetParameters& set, const RegimenTargets& targets)
{
    switch (route.letter) {
    case pk::kLetterIntermittentIv:
        return route.twoCompartment ? vancomycin(calculator, session, route, set, targets)
                                    : intermittentInfusion(calculator, route, set, targets);
    case pk::kLetterOral:
    case pk::kLetterIntramuscular:
        return oralOrIm(calculator, route, set, targets);
    case pk::kLetterContinuousIv:
        return continuousInfusion(route, set, targets);
    default:
        return noResult(tr("This route cannot be forecast."));
    }
}

double graphSpan(const RegimenResults& results)
{
    double longest = 0.0;
    for (const SetRegimen& r : results.sets)
        if (r.computed)
            longest = std::max(longest, r.interval);
    return results.route.letter == pk::kLetterContinuousIv ? kHoursPerDay
                                                           : kGraphIntervals * longest;
}
} // namespace

SetRegimen designRegimen(PkCalculator& calculator, SessionData& session, const RouteModel& route,
                         const SetParameters& set, const RegimenTargets& targets)
{
    if (!set.exists)
        return noResult(tr("Not fitted."));
    if (!(positive(set.v) && positive(set.cl) && positive(set.f) && positive(route.salt)))
        return noResult(noResultReason());
    const SetRegimen designed = designedByRoute(calculator, session, route, set, targets);
    if (!designed.computed)
        return designed;
    if (const QString beyond = beyondEntryLimits(designed, route, session.doseUnit);
        !beyond.isEmpty())
        return noResult(beyond);
    // A regimen whose own forecast has no levels is no answer either, and for the same reason.
    const SetLevels levels =
        forecastSet(calculator, session, route, set, asForecastEntry(designed, targets));
    return levels.computed ? designed : noResult(levels.reason);
}

RegimenResults designRegimens(PkCalculator& calculator, SessionData& session,
                              const RegimenTargets& targets)
{
    RegimenResults results;
    results.route = routeModelOf(session);
    results.parameters = setsOf(session);
    for (int i = 0; i < kSetCount; ++i)
        results.sets[i] =
            designRegimen(calculator, session, results.route, results.parameters[i], targets);

    const double span = graphSpan(results);
    for (int i = 0; i < kSetCount; ++i) {
        const SetRegimen& r = results.sets[i];
        if (!r.computed)
            continue;
        const Regimen regimen{r.dose * results.route.doseScale, r.interval, targets.infusionTime};
        results.curves[i] = sampledCurve(
            SteadyStateCurve(calculator, session, results.route, results.parameters[i], regimen),
            span);
    }
    return results;
}

void writeRegimenReport(SessionData& session, const RegimenTargets& targets,
                        const RegimenResults& results)
{
    RegimenReport& r = session.regimenReport;
    r = RegimenReport();
    r.routeSentence = routeSentence(results.route.letter, session.dosageForm);
    r.routeLetter = results.route.letter;
    r.desiredPostLevel = targets.postLevel;
    r.postTime = targets.postTime;
    r.desiredTrough = targets.trough;
    r.infusionTime = targets.infusionTime;
    r.desiredPeak = targets.peak;
    r.desiredAverage = targets.average;
    for (int i = 0; i < kSetCount; ++i) {
        r.dose[i] = results.sets[i].dose;
        r.interval[i] = results.sets[i].interval;
        r.dosePer24h[i] = results.sets[i].dosePer24h;
        r.f[i] = results.parameters[i].reportedF();
    }
    r.fittedFrom = session.fittedSetsStamp();
    r.done = results.sets[pk::kReportPopulation].computed;
}
} // namespace forecast
