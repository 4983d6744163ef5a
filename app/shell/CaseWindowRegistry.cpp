#include "app/shell/CaseWindowRegistry.h"

#include "analysis/serumLevelAnalysis.h"
#include "cases/CaseWindowLinks.h"
#include "phenytoin/PHDosageRegimen.h"
#include "phenytoin/PHSerumLevelForecast.h"

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // Each window registers its maker here; a window without one is not offered on the page.
    makers.analysis = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                         DrugInfo* drugInfo) -> AnalysisLink* {
        return new serumLevelAnalysis(parent, session, calculator, drugInfo);
    };
    makers.phenytoinRegimen = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                                 DrugInfo* drugInfo) -> QWidget* {
        return new PHDosageRegimen(parent, session, calculator, drugInfo);
    };
    makers.phenytoinLevelForecast = [](QWidget* parent, SessionData* session,
                                       PkCalculator* calculator, DrugInfo* drugInfo) -> QWidget* {
        return new PHSerumLevelForecast(parent, session, calculator, drugInfo);
    };
}
