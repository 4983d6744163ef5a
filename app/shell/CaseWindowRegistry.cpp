#include "app/shell/CaseWindowRegistry.h"

#include "analysis/graphicAnalysis.h"
#include "cases/CaseWindowLinks.h"

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // Each window registers its maker here; a window without one is not offered on the page.
    makers.fitting = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                        DrugInfo* drugInfo) -> FittingLink* {
        return new graphicAnalysis(parent, session, calculator, drugInfo);
    };
}
