#pragma once

#include "phenytoin/PhenytoinSources.h"

#include "pkcore/SessionData.h"

// The steady state of a one- or two-route phenytoin regimen per parameter source: the observed
// average level, the level adjusted to normal binding, the days to 90 % of steady state and the
// free fraction. The compliance factor stays out: a forecast assumes the regimen is taken as
// prescribed.
namespace phenytoin
{
struct RouteDose {
    double dose = -1.0;     // mg
    double interval = -1.0; // h
    double salt = 0.0;
    PerSource<double> f{};
    bool given() const { return dose >= 0.0 && interval >= 0.0; }
};

struct LevelSet {
    bool exists = false;
    double vd = 0.0;
    double km = 0.0;
    double vmax = 0.0; // mg/day
};

struct LevelInputs {
    RouteDose route1;
    RouteDose route2; // counts only while given()
    PerSource<LevelSet> sets;
    double freeFraction = 0.0; // the case's, used for the adjusted level and shown
};

struct LevelSourceResult {
    bool computed = false;
    double rate = -1.0;     // mg/day
    bool saturated = false; // the rate reaches Vmax: warn
    Figure observed;        // mg/L
    Figure adjusted;        // mg/L
    Figure timeTo90;        // days
    Figure freeFraction;    // fraction

    // The three figures that decide whether anything changed on screen.
    bool sameSteadyState(const LevelSourceResult& other) const
    {
        return observed == other.observed && adjusted == other.adjusted &&
               timeTo90 == other.timeTo90;
    }
};

using LevelResults = PerSource<LevelSourceResult>;

LevelInputs levelInputs(const SessionData& session, const RouteDose& route1,
                        const RouteDose& route2);
// R = dose / (interval / 24) x S x F per route in use, mg/day; -1.0 when it has no finite value
// or a route in use has F x S of 0.
double dailyRate(const LevelInputs& inputs, Source source);
// Nothing is computed while route 1 lacks its dose or interval.
LevelSourceResult computeLevel(const LevelInputs& inputs, Source source);
LevelResults computeLevels(const LevelInputs& inputs);

// Route-1 sentence of the report (no final period); an unknown letter keeps `previous`.
QString levelRouteSentence(const QString& product, char routeLetter, const QString& previous);

// The report record; the done flag is set. `previousSentence` is the route-1 sentence the
// record held, kept for a route letter that has no sentence.
PhLevelForecastReport levelRecord(const LevelInputs& inputs, const LevelResults& results,
                                  const QString& product1, const QString& product2,
                                  char routeLetter, const QString& previousSentence);
} // namespace phenytoin
