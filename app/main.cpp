#include "app/shell/CaseWindowRegistry.h"
#include "app/shell/StartupController.h"
#include "platform/CipherDriver.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    registerCipherDriver();
    registerCaseWindows();
    StartupController::tweakPalette(&app);
    StartupController controller(&app);
    return controller.run();
}
