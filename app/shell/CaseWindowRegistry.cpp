#include "app/shell/CaseWindowRegistry.h"

#include "cases/CaseWindowLinks.h"
#include "forecast/DosageRegimenForecast.h"
#include "forecast/SerumLevelForecast.h"

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // Each window registers its maker here; a window without one is not offered on the page.
    makers.regimenForecast = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                                DrugInfo* drugInfo) -> QWidget* {
        return new DosageRegimenForecast(parent, session, calculator, drugInfo);
    };
    makers.levelForecast = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                              DrugInfo* drugInfo) -> QWidget* {
        return new SerumLevelForecast(parent, session, calculator, drugInfo);
    };
}
