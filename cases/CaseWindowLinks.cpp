#include "cases/CaseWindowLinks.h"

CaseWindowMakers& caseWindowMakers()
{
    static CaseWindowMakers makers;
    return makers;
}
