#include "app/shell/CaseWindowRegistry.h"

#include "cases/CaseWindowLinks.h"

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // Each window registers its maker here; a window without one is not offered on the page.
    (void)makers;
}
