#pragma once

#include "phenytoin/PhenytoinSources.h"

#include "pkcore/SessionData.h"

// The daily dose that holds a desired average steady-state level, and the loading dose that
// lifts a current level to it, per parameter source. The dosing interval is always one day.
namespace phenytoin
{
constexpr double kRegimenIntervalHours = 24.0;

struct RegimenSet {
    bool exists = false;
    double f = 0.0; // of the chosen product for this source
    double vd = 0.0;
    double km = 0.0;
    double vmax = 0.0; // mg/day
};

struct RegimenInputs {
    double salt = 0.0;
    PerSource<RegimenSet> sets;
    double desiredAverage = -1.0;       // mg/L; below 0 when not given
    double currentConcentration = -1.0; // mg/L; below 0 when not given
};

struct RegimenSourceResult {
    Figure dailyDose;   // mg per day
    Figure loadingDose; // mg
};

using RegimenResults = PerSource<RegimenSourceResult>;

// The inputs of the session's sets for a product with these F values.
RegimenInputs regimenInputs(const SessionData& session, double salt, const PerSource<double>& f);
RegimenResults computeRegimen(const RegimenInputs& inputs);

// What the report prints for a route: the route character ('F' for the fosphenytoin
// injection) and the sentence; an unknown letter keeps `previousSentence`.
char regimenRouteCharacter(const QString& product, char routeLetter);
QString regimenRouteSentence(const QString& product, char routeLetter,
                             const QString& previousSentence);

// The report record of a regimen; the done flag is set.
PhRegimenReport regimenRecord(const RegimenInputs& inputs, const RegimenResults& results,
                              const QString& product, char routeLetter,
                              const QString& previousSentence);
} // namespace phenytoin
