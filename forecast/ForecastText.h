#pragma once

#include <QCoreApplication>
#include <QString>

namespace forecast
{
inline QString tr(const char* text)
{
    return QCoreApplication::translate("forecast", text);
}
} // namespace forecast
