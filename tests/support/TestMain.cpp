#include "tests/support/TestMain.h"

namespace testsupport
{

void prepareProcess()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TalvoraTests"));
}

} // namespace testsupport
