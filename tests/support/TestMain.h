#pragma once

#include <QApplication>
#include <QtTest>

namespace testsupport
{
// Everything a test process needs before its first test: no display, the program's own
// database driver, no prompt that could block.
void prepareProcess();
} // namespace testsupport

#define TALVORA_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication app(argc, argv);                                                              \
        testsupport::prepareProcess();                                                             \
        TestClass tc;                                                                              \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
