#include "analysis/DoseHistoryRow.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/PkIndices.h"

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
