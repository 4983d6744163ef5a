#include "analysis/CatalogueHooks.h"

#include "analysis/DoseEventBuilder.h"
#include "analysis/FitDriver.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/SessionData.h"

namespace
{
constexpr int kWithF = 1;
}

void useCatalogue(DoseEventBuilder& builder, DrugInfo* drugInfo, SessionData* session)
{
    builder.setPopulationF([drugInfo, session](const QString& route) {
        return drugInfo->bioavailability(route, session->patient.drugCode);
    });
    builder.setPopulationFRange([drugInfo, session](const QString& route) {
        return drugInfo->bioavailabilityRange(route, session->patient.drugCode);
    });
}

void useCatalogue(FitDriver& driver, DrugInfo* drugInfo)
{
    driver.setFormDefaults([drugInfo] { drugInfo->applyFormDefaults(kWithF); });
}
