#include "forecast/LevelForecast.h"

#include "forecast/ForecastText.h"

namespace forecast
{
namespace
{
constexpr double kHoursPerDay = 24.0;
constexpr double kGraphIntervals = 3.0;
constexpr double kGraphDays = 2.0;

SetLevels noResult(const QString& reason)
{
    SetLevels r;
    r.reason = reason;
    return r;
}

Regimen computingRegimen(const RouteModel& route, const LevelRegimen& input)
{
    if (route.letter == pk::kLetterContinuousIv)
        return {input.rate * route.doseScale, 1.0, 0.0};
    return {input.dose * route.doseScale, input.interval, input.infusionTime};
}

QVector<DayDose> computingDay(const RouteModel& route, const LevelRegimen& input)
{
    QVector<DayDose> day = input.day;
    for (DayDose& d : day)
        d.dose *= route.doseScale;
    return day;
}

template <typename LevelCurve> SetLevels levelsOf(const LevelCurve& curve)
{
    SetLevels r;
    r.peak = curve.peak();
    r.trough = curve.trough();
    r.average = curve.average();
    r.computed = r.peak >= 0.0 && r.trough >= 0.0 && r.average >= 0.0;
    if (!r.computed)
        return noResult(tr("No result for these parameters."));
    return r;
}

double graphSpan(const RouteModel& route, const LevelRegimen& input)
{
    if (input.uneven)
        return kGraphDays * kHoursPerDay;
    if (route.letter == pk::kLetterContinuousIv)
        return kHoursPerDay;
    return kGraphIntervals * input.interval;
}
} // namespace

double LevelRegimen::dayTotal() const
{
    double total = 0.0;
    for (const DayDose& d : day)
        total += d.dose;
    return total;
}

bool unevenDosingServes(const RouteModel& route)
{
    return route.isOralOrIm() ||
           (route.letter == pk::kLetterIntermittentIv && !route.twoCompartment);
}

SetLevels forecastSet(const PkCalculator& calculator, const SessionData& session,
                      const RouteModel& route, const SetParameters& set,
                      const LevelRegimen& regimen)
{
    if (!set.exists)
        return noResult(tr("Not fitted."));
    if (!(positive(set.v) && positive(set.cl) && positive(set.f) && positive(route.salt)))
        return noResult(tr("No result for these parameters."));
    if (route.isOralOrIm() && !(route.ka > 0.0))
        return noResult(tr("The product has no absorption rate constant."));
    if (const QString gap = twoCompartmentGap(session, route, set); !gap.isEmpty())
        return noResult(gap);
    if (regimen.uneven) {
        if (!unevenDosingServes(route))
            return noResult(tr("This route has no uneven dosing."));
        return levelsOf(DayCurve(calculator, session, route, set, computingDay(route, regimen),
                                 regimen.infusionTime));
    }
    const SteadyStateCurve curve(calculator, session, route, set, computingRegimen(route, regimen));
    SetLevels r = levelsOf(curve);
    if (r.computed)
        r.postLevel = curve.postLevel(regimen.postTime);
    return r;
}

LevelResults forecastLevels(const PkCalculator& calculator, const SessionData& session,
                            const LevelRegimen& regimen)
{
    LevelResults results;
    results.route = routeModelOf(session);
    results.parameters = setsOf(session);
    results.hasPostLevel =
        regimenHasPostLevel(results.route.letter, regimen.uneven, regimen.infusionTime,
                            regimen.postTime, regimen.interval);
    const double span = graphSpan(results.route, regimen);
    for (int i = 0; i < kSetCount; ++i) {
        const SetParameters& set = results.parameters[i];
        results.sets[i] = forecastSet(calculator, session, results.route, set, regimen);
        if (!results.sets[i].computed)
            continue;
        if (regimen.uneven)
            results.curves[i] =
                sampledCurve(DayCurve(calculator, session, results.route, set,
                                      computingDay(results.route, regimen), regimen.infusionTime),
                             span);
        else
            results.curves[i] =
                sampledCurve(SteadyStateCurve(calculator, session, results.route, set,
                                              computingRegimen(results.route, regimen)),
                             span);
    }
    return results;
}

void writeLevelForecastReport(SessionData& session, const LevelRegimen& regimen,
                              const LevelResults& results)
{
    LevelForecastReport& r = session.levelForecastReport;
    r = LevelForecastReport();
    r.routeSentence = routeSentence(results.route.letter, session.dosageForm);
    r.routeLetter = results.route.letter;
    r.unevenDosing = regimen.uneven;
    r.enteredDose = regimen.uneven ? regimen.dayTotal() : regimen.dose;
    r.interval = regimen.uneven ? kHoursPerDay : regimen.interval;
    r.infusionTime = regimen.infusionTime;
    r.postTime = regimen.postTime;
    r.rate = regimen.rate;
    for (int i = 0; i < kSetCount; ++i) {
        const SetLevels& s = results.sets[i];
        r.peak[i] = s.peak;
        r.trough[i] = s.trough;
        r.postLevel[i] = s.postLevel;
        r.averageLevel[i] = s.average;
        r.f[i] = results.parameters[i].reportedF();
    }
    r.fittedFrom = session.fittedSetsStamp();
    r.done = results.sets[pk::kReportPopulation].computed;
}
} // namespace forecast
