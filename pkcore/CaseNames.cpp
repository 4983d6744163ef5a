#include "pkcore/CaseNames.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/SessionData.h"

QString caseDrugName(const SessionData& session)
{
    const QString& code = session.patient.drugCode;
    return code == QLatin1String(userChoiceCode) ? session.userChoice.drugNameText : drugCode(code);
}

QString caseWindowTitle(const QString& caption, const SessionData& session)
{
    return QStringLiteral("%1:  %2, %3, %4")
        .arg(caption, session.patient.lastName, session.patient.firstName, caseDrugName(session));
}
