#include "report/ReportBoxes.h"

#include "pkcore/SessionData.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"

namespace
{
using namespace reportbox;

// The settings file lists its report keys in the order of the boxes.
static_assert(SettingsKeys::reportKeyCount == Count, "one settings key per report box");

bool setExists(const SessionData& session, int method)
{
    return session.pkSets[method][pk::kF] > 0.0;
}

// A fitted source of the regimen section: the done record that computed a dose for it from the
// set the case holds now.
bool regimenComputed(const SessionData& session, int source)
{
    const RegimenReport& r = session.regimenReport;
    const PhRegimenReport& ph = session.phRegimenReport;
    return (r.done && r.dose[source] > 0.0 && session.holdsStampedSet(r.fittedFrom, source)) ||
           (ph.done && ph.dailyDose[source] > 0.0 &&
            session.holdsStampedSet(ph.fittedFrom, source));
}

bool levelComputed(const SessionData& session, int source)
{
    const LevelForecastReport& r = session.levelForecastReport;
    const PhLevelForecastReport& ph = session.phLevelForecastReport;
    return (r.done && r.peak[source] > 0.0 && session.holdsStampedSet(r.fittedFrom, source)) ||
           (ph.done && (ph.observedAverage[source] > 0.0 || ph.noSteadyState[source]) &&
            session.holdsStampedSet(ph.fittedFrom, source));
}
} // namespace

ReportBoxStates offeredReportBoxes(const SessionData& session)
{
    const bool ls = setExists(session, pk::kLeastSquares);
    const bool bayes = setExists(session, pk::kBayesian);
    const bool graph = !session.graphTimes.isEmpty();
    const bool regimen = session.regimenReport.done || session.phRegimenReport.done;
    const bool level = session.levelForecastReport.done || session.phLevelForecastReport.done;

    ReportBoxStates offered{};
    offered[PopulationParameters] = true;
    offered[CustomParameters] = true;
    offered[LeastSquaresParameters] = ls;
    offered[LeastSquaresGraph] = ls && graph;
    offered[BayesianParameters] = bayes;
    offered[PriorGraph] = bayes && graph;
    offered[BayesianGraph] = bayes && graph;
    offered[Regimen] = regimen;
    offered[RegimenPopulation] = regimen;
    offered[RegimenCustom] = regimen;
    offered[RegimenLeastSquares] =
        regimen && ls && regimenComputed(session, pk::kReportLeastSquares);
    offered[RegimenBayesian] = regimen && bayes && regimenComputed(session, pk::kReportBayesian);
    offered[Level] = level;
    offered[LevelPopulation] = level;
    offered[LevelCustom] = level;
    offered[LevelLeastSquares] = level && ls && levelComputed(session, pk::kReportLeastSquares);
    offered[LevelBayesian] = level && bayes && levelComputed(session, pk::kReportBayesian);
    return offered;
}

ReportBoxStates presetReportBoxes(const SessionData& session, const QString& settingsPath)
{
    const SettingsFile settings(settingsPath);
    ReportBoxStates ticked = offeredReportBoxes(session);
    for (int box = 0; box < Count; ++box)
        if (ticked[box])
            ticked[box] = settings.boolValue(QLatin1String(SettingsKeys::reportKeys[box]),
                                             SettingsKeys::reportDefault);
    return ticked;
}
