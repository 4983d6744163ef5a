#pragma once

#include "forecast/ForecastModel.h"
#include "forecast/SteadyStateCurve.h"

#include <QString>

#include <array>

class PkCalculator;

namespace forecast
{
// The desired levels of a regimen design; each route reads its own.
struct RegimenTargets {
    double infusionTime = 0.0; // h
    double postLevel = 0.0;
    double postTime = 0.0; // h after the end of the infusion
    double trough = 0.0;
    double peak = 0.0;
    double average = 0.0; // continuous infusion
};

// Doses in the entered dose unit; for a continuous infusion the dose is the rate per hour with
// an interval of 1 h.
struct SetRegimen {
    bool computed = false;
    QString reason; // why there is no result
    double dose = kNoResult;
    double interval = kNoResult;
    double dosePer24h = kNoResult;
};

struct RegimenResults {
    RouteModel route;
    ForecastSets parameters;
    std::array<SetRegimen, kSetCount> sets;
    std::array<Curve, kSetCount> curves; // empty for a set without a result
};

// One set. Vancomycin goes through the calculator's two-compartment solver, which reads the
// session's two-compartment fields: they are set from this set first and left so.
SetRegimen designRegimen(PkCalculator& calculator, SessionData& session, const RouteModel& route,
                         const SetParameters& set, const RegimenTargets& targets);

// Every set of the session for its current route, with the graph of each designed regimen.
RegimenResults designRegimens(PkCalculator& calculator, SessionData& session,
                              const RegimenTargets& targets);

// The record the report reads; done when the population set has a result.
void writeRegimenReport(SessionData& session, const RegimenTargets& targets,
                        const RegimenResults& results);
} // namespace forecast
