#include "platform/SystemRegistry.h"

#include "platform/PathUtil.h"
#include "platform/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace
{
constexpr char registryFolder[] = "talvora";
constexpr char registryFileName[] = "registry.ini";
// The registry's unnamed value of a key.
constexpr char defaultValueName[] = "Default";

SystemRegistry* installedRegistry = nullptr;

QString settingsKey(const QString& key, const QString& name)
{
    QString path = key;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path + QLatin1Char('/') + (name.isEmpty() ? QString(defaultValueName) : name);
}
} // namespace

SystemRegistry::~SystemRegistry() = default;

SystemRegistry& SystemRegistry::instance()
{
    static IniFileRegistry perUserFile;
    return installedRegistry ? *installedRegistry : perUserFile;
}

void SystemRegistry::setInstance(SystemRegistry* registry)
{
    installedRegistry = registry;
}

IniFileRegistry::IniFileRegistry(const QString& path) : m_path(path) {}

QString IniFileRegistry::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return QString();
    return joinPath(joinPath(folder, registryFolder), registryFileName);
}

QString IniFileRegistry::path() const
{
    return m_path.isEmpty() ? defaultPath() : m_path;
}

QString IniFileRegistry::value(const QString& key, const QString& name) const
{
    // Without a file the settings file gives the empty text.
    return SettingsFile(path()).value(settingsKey(key, name));
}

bool IniFileRegistry::setValue(const QString& key, const QString& name, const QString& value)
{
    m_lastError.clear();
    const QString file = path();
    if (file.isEmpty()) {
        m_lastError = QCoreApplication::translate(
            "IniFileRegistry", "There is no configuration folder to store the value in.");
        return false;
    }
    SettingsFile settings(file);
    if (settings.setValue(settingsKey(key, name), value))
        return true;
    m_lastError = settings.lastError();
    return false;
}
