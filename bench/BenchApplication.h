#pragma once

#include <QApplication>

// The benchmark's main comes from the library, so the widgets' application is made on first use
// and kept for the process. Every benchmark file takes this one: a second application in the same
// process is not allowed.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "talvora_bench";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication application(argc, argv);
    }
}
