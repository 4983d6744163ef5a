#pragma once

#include <QCoreApplication>
#include <QString>

namespace forecast
{
inline QString tr(const char* text)
{
    return QCoreApplication::translate("forecast", text);
}

// A bound of what an entry may hold, as the refusals name it: 0.01, 10000.
inline QString boundText(double bound)
{
    return QString::number(bound, 'f', bound < 1.0 ? 2 : 0);
}
} // namespace forecast
