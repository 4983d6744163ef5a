#include "analysis/DoseHistoryRow.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/EntryLimits.h"
#include "pkcore/EntryReading.h"
#include "pkcore/PkIndices.h"

#include <cmath>

namespace
{
bool outside(double given, double lowest, double highest)
{
    return given > 0.0 && !(given >= lowest && given <= highest);
}

QString hoursRefusal(const QString& what, double shortest)
{
    return QStringLiteral("Enter %1 from %2 to %3 hours.")
        .arg(what, pk::boundText(shortest), pk::boundText(pk::kMostHours));
}
} // namespace

bool meetsDoseRowRule(const DoseHistoryRow& row)
{
    if (row.route.isEmpty() || !(row.dose > 0.0))
        return false;
    const bool needsInfusionTime =
        !(routeclass::isOral(row.route) || routeclass::isIntramuscular(row.route));
    if (needsInfusionTime && !(row.infusionTime > 0.0))
        return false;
    return row.interval > 0.0 && row.numberOfDoses > 0.0;
}

// A number not given (-1) is no refusal: the row is then incomplete, not wrong.
QString doseRowRangeRefusal(const DoseHistoryRow& row)
{
    if (outside(row.dose, 0.0, pk::kMostDose))
        return QStringLiteral("Enter a dose of at most %1.").arg(pk::boundText(pk::kMostDose));
    if (outside(row.infusionTime, pk::kShortestInfusion, pk::kMostHours))
        return hoursRefusal(QStringLiteral("an infusion time"), pk::kShortestInfusion);
    if (outside(row.interval, pk::kShortestInterval, pk::kMostHours))
        return hoursRefusal(QStringLiteral("an interval"), pk::kShortestInterval);
    // No row can hold more doses than the analysis has events for.
    const double doses = row.numberOfDoses;
    if (outside(doses, 1.0, pk::kMaxDoseEvents) || (doses > 0.0 && doses != std::floor(doses)))
        return QStringLiteral("Enter a whole number of doses from 1 to %1.")
            .arg(pk::kMaxDoseEvents);
    return QString();
}

QString levelRangeRefusal(double level)
{
    if (level > pk::kMostLevel)
        return QStringLiteral("Enter a level of at most %1.").arg(pk::boundText(pk::kMostLevel));
    return QString();
}

namespace routeclass
{
bool isIntravenous(const QString& routeText)
{
    const char letter = routeCode(routeText);
    return letter == pk::kLetterIntermittentIv || letter == pk::kLetterContinuousIv;
}

bool isIntramuscular(const QString& routeText)
{
    return routeCode(routeText) == pk::kLetterIntramuscular;
}

bool isOral(const QString& routeText)
{
    return routeCode(routeText) == pk::kLetterOral;
}

double eventRouteCode(const QString& routeText)
{
    if (isIntravenous(routeText))
        return pk::kRouteCodeIntravenous;
    if (isIntramuscular(routeText))
        return pk::kRouteCodeIntramuscular;
    return pk::kRouteCodeOther;
}
} // namespace routeclass
