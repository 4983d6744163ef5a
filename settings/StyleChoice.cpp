#include "settings/StyleChoice.h"

#include "pkcore/SessionData.h"
#include "platform/SettingsKeys.h"

#include <QApplication>

namespace
{
constexpr char skyBlueSheet[] = ":/stylesheet/style1.qss";
constexpr char autumnOrangeSheet[] = ":/stylesheet/style2.qss";
constexpr char grassGreenSheet[] = ":/stylesheet/style3.qss";
constexpr char fireRedSheet[] = ":/stylesheet/style4.qss";
} // namespace

QString styleSheetResource(const QString& option)
{
    if (option == QLatin1String(SettingsKeys::styleNone))
        return QString();
    if (option == QLatin1String(SettingsKeys::styleSkyBlue))
        return QLatin1String(skyBlueSheet);
    if (option == QLatin1String(SettingsKeys::styleAutumnOrange))
        return QLatin1String(autumnOrangeSheet);
    if (option == QLatin1String(SettingsKeys::styleGrassGreen))
        return QLatin1String(grassGreenSheet);
    return QLatin1String(fireRedSheet);
}

void applyStyleOption(QApplication* application, const QString& option)
{
    if (!application)
        return;
    const QString resource = styleSheetResource(option);
    application->setStyleSheet(resource.isEmpty() ? QString()
                                                  : SessionData::readTextFile(resource));
}
