#include "app/shell/CaseWindowRegistry.h"

#include "analysis/serumLevelAnalysis.h"
#include "cases/CaseWindowLinks.h"

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // Each window registers its maker here; a window without one is not offered on the page.
    makers.analysis = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                         DrugInfo* drugInfo) -> AnalysisLink* {
        return new serumLevelAnalysis(parent, session, calculator, drugInfo);
    };
}
