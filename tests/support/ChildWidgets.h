#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace testsupport
{
// The child of that name and type; a missing one ends the test run, since every check after it
// would only dereference null.
template <typename T> T* requireChild(const QObject* parent, const QString& name)
{
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("no child %s", qPrintable(name));
    return found;
}
} // namespace testsupport
