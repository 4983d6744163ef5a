#include "tests/support/TestMain.h"

#include "platform/CipherDriver.h"

namespace testsupport
{

void prepareProcess()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TalvoraTests"));
    registerCipherDriver();
}

} // namespace testsupport
