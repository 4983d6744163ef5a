#include "tests/support/TestMain.h"

#include "platform/CipherDriver.h"
#include "platform/MemoryRegistry.h"

namespace testsupport
{

void prepareProcess()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TalvoraTests"));
    registerCipherDriver();
    // No test reads or writes the user's own registry stand-in.
    static MemoryRegistry registry;
    SystemRegistry::setInstance(&registry);
}

} // namespace testsupport
