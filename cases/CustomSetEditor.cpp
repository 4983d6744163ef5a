#include "cases/CustomSetEditor.h"

#include "cases/CaseStore.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkIndices.h"
#include "pkcore/SessionData.h"

#include <algorithm>

namespace
{
constexpr double percent = 100.0;
constexpr double unscaled = 1.0;
constexpr double maxFPercent = 100.0;
const int copiedSlots[] = {pk::kF, pk::kVd, pk::kCl, pk::kCF, pk::kKm, pk::kVmax};
const int copiedSavedSlots[] = {pk::kVd, pk::kCl, pk::kCF, pk::kKm, pk::kVmax};

double relative(double range, double value)
{
    return CaseStore::relativeRange(range, value);
}

// The relative range of a parameter entered as `entry`, where the parameter showed `before` with
// the relative range `relativeBefore` (all as the fields show them). An entry equal to the value
// it replaces leaves the range exactly as it was.
double rangeAfter(CustomSetEditor::RangeEntry rangeEntry, double relativeBefore, double before,
                  double entry)
{
    if (rangeEntry)
        return relative(*rangeEntry, entry);
    if (entry == before)
        return relativeBefore;
    return relative(before * relativeBefore, entry);
}
} // namespace

CustomSetEditor::CustomSetEditor(SessionData* session) : m_session(session) {}

bool CustomSetEditor::isPhenytoin() const
{
    return m_session->patient.drugCode == QLatin1String(phenytoinCode);
}

void CustomSetEditor::startSetsFromPopulation()
{
    SessionData& s = *m_session;
    for (int slot : copiedSlots) {
        s.pkSets[pk::kCustom][slot] = s.pkSets[pk::kPopulation][slot];
        s.pkSets[pk::kSavedCustom][slot] = s.pkSets[pk::kPopulation][slot];
    }
    for (int i = pk::kFitF; i <= pk::kFitVmax; ++i) {
        s.customRanges[i] = s.populationRanges[i];
        s.savedCustomRanges[i] = s.populationRanges[i];
    }
}

void CustomSetEditor::startRoutesFromCatalogue(DrugInfo* catalogue)
{
    SessionData& s = *m_session;
    const QString code = s.patient.drugCode;
    catalogue->fillRouteList(code, &s.routeNames, false);
    s.routeF.clear();
    s.routeFsd.clear();
    s.savedRouteF.clear();
    s.savedRouteFsd.clear();
    for (const QString& route : qAsConst(s.routeNames)) {
        const double f = catalogue->bioavailability(route, code);
        const double range = catalogue->bioavailabilityRange(route, code);
        s.routeF.append(f);
        s.routeFsd.append(range);
        s.savedRouteF.append(f);
        s.savedRouteFsd.append(range);
    }
}

void CustomSetEditor::alignRoutesWithCatalogue(DrugInfo* catalogue)
{
    SessionData& s = *m_session;
    const QVector<QString> names = s.routeNames;
    const QVector<double> f = s.routeF;
    const QVector<double> fsd = s.routeFsd;
    const QVector<double> savedF = s.savedRouteF;
    const QVector<double> savedFsd = s.savedRouteFsd;
    const int storedCount =
        std::min({names.size(), f.size(), fsd.size(), savedF.size(), savedFsd.size()});
    startRoutesFromCatalogue(catalogue);
    for (int i = 0; i < s.routeNames.size(); ++i) {
        const int j = names.indexOf(s.routeNames[i]);
        if (j < 0 || j >= storedCount)
            continue;
        s.routeF[i] = f[j];
        s.routeFsd[i] = fsd[j];
        s.savedRouteF[i] = savedF[j];
        s.savedRouteFsd[i] = savedFsd[j];
    }
}

bool CustomSetEditor::hasRoute(int route) const
{
    const SessionData& s = *m_session;
    return route >= 0 && route < s.routeF.size() && route < s.routeFsd.size();
}

bool CustomSetEditor::selectRoute(int route)
{
    if (!hasRoute(route))
        return false;
    SessionData& s = *m_session;
    s.customRanges[pk::kFitF] = s.routeFsd[route];
    s.displayedF[pk::kReportCustom] = s.routeF[route];
    return true;
}

double CustomSetEditor::fPercent(int route) const
{
    return hasRoute(route) ? m_session->routeF[route] * percent : 0.0;
}

double CustomSetEditor::fRangePercent(int route) const
{
    return hasRoute(route) ? m_session->routeFsd[route] * m_session->routeF[route] * percent : 0.0;
}

// ---- Parameter entries ----

bool CustomSetEditor::editF(int route, double entry, RangeEntry rangeEntry)
{
    if (!(entry > 0.0 && entry <= maxFPercent) || !hasRoute(route))
        return false;
    SessionData& s = *m_session;
    s.routeFsd[route] = rangeAfter(rangeEntry, s.routeFsd[route], fPercent(route), entry);
    s.routeF[route] = entry / percent;
    s.customRanges[pk::kFitF] = s.routeFsd[route]; // the analysis takes the range shown
    s.displayedF[pk::kReportCustom] = entry / percent;
    return true;
}

bool CustomSetEditor::editParameter(int slot, int rangeIndex, double scale, double entry,
                                    RangeEntry rangeEntry)
{
    if (!(entry > 0.0))
        return false;
    double& value = m_session->pkSets[pk::kCustom][slot];
    double& range = m_session->customRanges[rangeIndex];
    range = rangeAfter(rangeEntry, range, value * scale, entry);
    value = entry / scale;
    return true;
}

bool CustomSetEditor::editVd(double entry, RangeEntry rangeEntry)
{
    return editParameter(pk::kVd, pk::kFitVd, unscaled, entry, rangeEntry);
}

bool CustomSetEditor::editClRow(double entry, RangeEntry rangeEntry)
{
    if (isPhenytoin())
        return editParameter(pk::kKm, pk::kFitKm, unscaled, entry, rangeEntry);
    return editParameter(pk::kCl, pk::kFitCl, unscaled, entry, rangeEntry);
}

bool CustomSetEditor::editCfRow(double entry, RangeEntry rangeEntry)
{
    if (isPhenytoin())
        return editParameter(pk::kVmax, pk::kFitVmax, unscaled, entry, rangeEntry);
    return editParameter(pk::kCF, pk::kFitCF, percent, entry, rangeEntry);
}

bool CustomSetEditor::editKdRow(double entry, RangeEntry rangeEntry)
{
    if (!isPhenytoin())
        return false;
    return editParameter(pk::kCF, pk::kFitCF, percent, entry, rangeEntry);
}

// ---- Range entries ----

bool CustomSetEditor::editRangeF(int route, double entry)
{
    if (!(entry >= 0.0) || !hasRoute(route))
        return false;
    m_session->routeFsd[route] = relative(entry / percent, m_session->routeF[route]);
    m_session->customRanges[pk::kFitF] = m_session->routeFsd[route];
    return true;
}

bool CustomSetEditor::editRangeVd(double entry)
{
    if (!(entry >= 0.0))
        return false;
    m_session->customRanges[pk::kFitVd] = relative(entry, m_session->pkSets[pk::kCustom][pk::kVd]);
    return true;
}

bool CustomSetEditor::editRangeClRow(double entry)
{
    if (!(entry >= 0.0))
        return false;
    const PkParameterSet& custom = m_session->pkSets[pk::kCustom];
    m_session->customRanges[pk::kFitCl] =
        relative(entry, isPhenytoin() ? custom[pk::kKm] : custom[pk::kCl]);
    return true;
}

bool CustomSetEditor::editRangeCfRow(double entry)
{
    if (!(entry >= 0.0))
        return false;
    SessionData& s = *m_session;
    if (isPhenytoin())
        s.customRanges[pk::kFitVmax] = relative(entry, s.pkSets[pk::kCustom][pk::kVmax]);
    else
        s.customRanges[pk::kFitCF] = relative(entry / percent, s.pkSets[pk::kCustom][pk::kCF]);
    return true;
}

bool CustomSetEditor::editRangeKdRow(double entry)
{
    if (!isPhenytoin() || !(entry >= 0.0))
        return false;
    m_session->customRanges[pk::kFitCF] =
        relative(entry / percent, m_session->pkSets[pk::kCustom][pk::kCF]);
    return true;
}

void CustomSetEditor::reset()
{
    SessionData& s = *m_session;
    for (int slot : copiedSavedSlots)
        s.pkSets[pk::kCustom][slot] = s.pkSets[pk::kSavedCustom][slot];
    const int routes = std::min(
        {s.routeF.size(), s.routeFsd.size(), s.savedRouteF.size(), s.savedRouteFsd.size()});
    for (int i = 0; i < routes; ++i) {
        s.routeF[i] = s.savedRouteF[i];
        s.routeFsd[i] = s.savedRouteFsd[i];
    }
    for (int i = 0; i <= pk::kFitVmax; ++i)
        s.customRanges[i] = s.savedCustomRanges[i];
}
