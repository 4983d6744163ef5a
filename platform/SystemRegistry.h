#pragma once

#include <QString>

// The system-wide values the program reads and writes by registry key and value name.
namespace RegistryKeys
{
// Where the settings file is when the working directory holds none.
inline constexpr char installationKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MorVane\\Talvora";
inline constexpr char installationDirectoryName[] = "INSTDIR";
// The database path, written when the user switches to another database.
inline constexpr char databaseKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Talvora";
inline constexpr char databasePathName[] = "db";
} // namespace RegistryKeys

// Key texts are written the Windows way ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talvora"); keys and
// value names match without regard to letter case, as in the Windows registry.
class SystemRegistry
{
public:
    virtual ~SystemRegistry();

    // The empty text when the value is missing.
    virtual QString value(const QString& key, const QString& name) const = 0;
    // False when the value was not stored.
    virtual bool setValue(const QString& key, const QString& name, const QString& value) = 0;

    // The registry in use: the one last installed, else the per-user file below.
    static SystemRegistry& instance();
    // Not owned; nullptr restores the per-user file.
    static void setInstance(SystemRegistry* registry);
};

// The registry of this platform: an INI file per user, at
// $XDG_CONFIG_HOME/talvora/registry.ini (normally ~/.config/talvora/registry.ini), never in the
// working directory. Each key is a section path, so the values above are stored as
//   [HKEY_LOCAL_MACHINE]
//   SOFTWARE\MorVane\Talvora\INSTDIR=/path/to/PKsettings.ini
class IniFileRegistry : public SystemRegistry
{
public:
    // Without a path the per-user place is looked up on every access.
    IniFileRegistry() = default;
    explicit IniFileRegistry(const QString& path);

    QString value(const QString& key, const QString& name) const override;
    bool setValue(const QString& key, const QString& name, const QString& value) override;
    QString lastError() const { return m_lastError; }

    // Empty when the platform names no absolute configuration folder: then nothing is stored.
    static QString defaultPath();

private:
    QString path() const;

    QString m_path;
    QString m_lastError;
};
