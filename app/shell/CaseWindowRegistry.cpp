#include "app/shell/CaseWindowRegistry.h"

#include "cases/CaseWindowLinks.h"
#include "report/printReport.h"

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // Each window registers its maker here; a window without one is not offered on the page.
    makers.report = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                       DrugInfo* catalogue, ProgramConfig* config,
                       AnalysisLink* analysis) -> QDialog* {
        return new printReport(parent, session, calculator, catalogue, config, analysis);
    };
}
