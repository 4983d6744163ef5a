#pragma once

#include "forecast/ForecastModel.h"
#include "forecast/SteadyStateCurve.h"

#include <QString>
#include <QVector>

#include <array>

class PkCalculator;

namespace forecast
{
// The regimen whose levels are forecast; doses in the entered dose unit.
struct LevelRegimen {
    double dose = 0.0;
    double interval = 0.0;     // h
    double infusionTime = 0.0; // h, intermittent infusion
    double postTime = 0.0;     // h after the end of the infusion
    double rate = 0.0;         // per hour, continuous infusion
    // Uneven dosing: the day's doses at their clock times, each repeated every 24 h.
    bool uneven = false;
    QVector<DayDose> day;

    double dayTotal() const;
};

// Levels in the concentration unit; kNoResult where there is none (a post level past the
// interval, a route without one).
struct SetLevels {
    bool computed = false;
    QString reason;
    double peak = kNoResult;
    double trough = kNoResult;
    double postLevel = kNoResult;
    double average = kNoResult;
};

struct LevelResults {
    RouteModel route;
    bool hasPostLevel = false; // the regimen has one at all
    ForecastSets parameters;
    std::array<SetLevels, kSetCount> sets;
    std::array<Curve, kSetCount> curves; // empty for a set without a result
};

// Uneven dosing serves oral, intramuscular and one-compartment intermittent infusion.
bool unevenDosingServes(const RouteModel& route);

SetLevels forecastSet(const PkCalculator& calculator, const SessionData& session,
                      const RouteModel& route, const SetParameters& set,
                      const LevelRegimen& regimen);

// Every set of the session for its current route, with the graph of each.
LevelResults forecastLevels(const PkCalculator& calculator, const SessionData& session,
                            const LevelRegimen& regimen);

// The record the report reads; done when the population set has a result.
void writeLevelForecastReport(SessionData& session, const LevelRegimen& regimen,
                              const LevelResults& results);
} // namespace forecast
