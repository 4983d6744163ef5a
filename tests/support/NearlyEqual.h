#pragma once

#include <QString>
#include <QtTest>

#include <algorithm>
#include <cmath>

// Within `relative` of the expected value; below 1, within `relative` outright.
inline bool nearlyEqual(double actual, double expected, double relative)
{
    return std::abs(actual - expected) <= relative * std::max(1.0, std::abs(expected));
}

#define COMPARE_NEARLY(actual, expected, relative)                                                 \
    QVERIFY2(nearlyEqual((actual), (expected), (relative)),                                        \
             qPrintable(QString("%1 is %2, expected %3")                                           \
                            .arg(#actual)                                                          \
                            .arg((actual), 0, 'g', 15)                                             \
                            .arg((expected), 0, 'g', 15)))
