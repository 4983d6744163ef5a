#include "phenytoin/LevelComputation.h"

#include "phenytoin/RegimenComputation.h"

#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"

#include <QCoreApplication>

namespace phenytoin
{
namespace
{
double routeRate(const RouteDose& route, Source source)
{
    return route.dose / (route.interval / pknum::kHoursPerDay) * route.salt * route.f[source];
}

// A closed form that gives -1.0 has no steady state for this rate.
Figure steadyStateFigure(double value)
{
    return value == pknum::kNotGiven ? Figure::noSteadyState() : Figure::of(value);
}
} // namespace

LevelInputs levelInputs(const SessionData& session, const RouteDose& route1,
                        const RouteDose& route2)
{
    LevelInputs in;
    in.route1 = route1;
    in.route2 = route2;
    in.freeFraction = session.freeFraction;
    for (Source s : kAllSources) {
        const PkParameterSet& set = session.pkSets[setIndex(s)];
        in.sets[s] = {sourceExists(session, s), set[pk::kVd], set[pk::kKm], set[pk::kVmax]};
    }
    return in;
}

double dailyRate(const LevelInputs& inputs, Source source)
{
    double rate = routeRate(inputs.route1, source);
    bool absorbed = inputs.route1.salt * inputs.route1.f[source] > 0.0;
    if (inputs.route2.given()) {
        rate += routeRate(inputs.route2, source);
        absorbed = absorbed && inputs.route2.salt * inputs.route2.f[source] > 0.0;
    }
    // F x S of 0 (a custom F of 0) on a route in use is no regimen to forecast.
    return absorbed && std::isfinite(rate) ? rate : pknum::kNotGiven;
}

LevelSourceResult computeLevel(const LevelInputs& inputs, Source source)
{
    LevelSourceResult result;
    const LevelSet& set = inputs.sets[source];
    if (!inputs.route1.given() || !set.exists)
        return result;
    result.computed = true;
    const double fu = inputs.freeFraction;
    result.freeFraction = fu > 0.0 && std::isfinite(fu) ? Figure::of(fu) : Figure::noResult();

    // An interval of 0 makes the rate infinite; a set without a positive volume, Km or Vmax
    // has no steady state to speak of.
    const double rate = dailyRate(inputs, source);
    result.rate = rate;
    if (!(rate >= 0.0) || !pknum::allFinite(set.vd, set.km, set.vmax) || !(set.vd > 0.0) ||
        !(set.km > 0.0) || !(set.vmax > 0.0)) {
        result.observed = result.adjusted = result.timeTo90 = Figure::noResult();
        return result;
    }
    result.saturated = rate >= set.vmax;
    if (result.saturated) {
        result.observed = result.adjusted = result.timeTo90 = Figure::noSteadyState();
        return result;
    }
    result.observed = steadyStateFigure(phenytoinSteadyStateLevel(set.km, set.vmax, rate));
    result.timeTo90 = steadyStateFigure(phenytoinTimeTo90(set.km, set.vmax, set.vd, rate));
    if (!result.observed.isValue())
        result.adjusted = result.observed;
    else if (!result.freeFraction.isValue())
        result.adjusted = Figure::noResult();
    else
        result.adjusted = Figure::of(fromFreeFractionScale(result.observed.value, 0.0, fu));
    return result;
}

LevelResults computeLevels(const LevelInputs& inputs)
{
    LevelResults results;
    for (Source s : kAllSources)
        results[s] = computeLevel(inputs, s);
    return results;
}

QString levelRouteSentence(const QString& product, char routeLetter, const QString& previous)
{
    switch (routeLetter) {
    case pk::kLetterIntramuscular:
        return QCoreApplication::translate("phenytoin",
                                           "as an intramuscular injection of fosphenytoin");
    case pk::kLetterOral:
        return QCoreApplication::translate("phenytoin", "as %1").arg(product);
    case pk::kLetterIntermittentIv:
        return QCoreApplication::translate("phenytoin", "as an Intermittent Infusion");
    default:
        return previous;
    }
}

PhLevelForecastReport levelRecord(const LevelInputs& inputs, const LevelResults& results,
                                  const QString& product1, const QString& product2,
                                  char routeLetter, const QString& previousSentence)
{
    PhLevelForecastReport record;
    record.done = true;
    record.dose1 = inputs.route1.dose;
    record.interval1 = inputs.route1.interval;
    for (Source s : kAllSources) {
        const int slot = reportSlot(s);
        record.observedAverage[slot] = results[s].observed.recorded();
        record.adjustedAverage[slot] = results[s].adjusted.recorded();
        record.timeTo90[slot] = results[s].timeTo90.recorded();
        record.noSteadyState[slot] = results[s].observed.state == Figure::NoSteadyState;
        record.f[slot] = inputs.route1.f[s];
    }
    record.route1Letter = regimenRouteCharacter(product1, routeLetter);
    record.route1Sentence = levelRouteSentence(product1, routeLetter, previousSentence);
    if (inputs.route2.given()) {
        record.dose2 = inputs.route2.dose;
        record.interval2 = inputs.route2.interval;
        record.route2Letter = pk::kLetterOral;
        record.route2Sentence = QCoreApplication::translate("phenytoin", "as %1").arg(product2);
    } else {
        record.dose2 = record.interval2 = -1.0;
        record.route2Letter = 0;
    }
    return record;
}
} // namespace phenytoin
