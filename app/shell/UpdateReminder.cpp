#include "app/shell/UpdateReminder.h"

#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"

UpdateReminder::Outcome UpdateReminder::run(const QString& settingsPath, const QDate& today)
{
    SettingsFile settings(settingsPath);
    if (settings.read(SettingsKeys::updateFrequencySetting) !=
        QLatin1String(SettingsKeys::frequencyMonthly))
        return {};
    const bool firstOfMonth = today.day() == 1;
    if (firstOfMonth &&
        settings.read(SettingsKeys::updatePromptSetting) == QLatin1String(SettingsKeys::promptYes))
        return {Action::StartCheck, false};
    if (!firstOfMonth)
        settings.setValue(SettingsKeys::updatePromptSetting, SettingsKeys::promptYes);
    const QString newest = settings.read(SettingsKeys::updateNewVersionSetting);
    return {Action::ShowNotice, newest != QLatin1String(programVersionText)};
}
