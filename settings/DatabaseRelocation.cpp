#include "settings/DatabaseRelocation.h"

#include "app/ProgramConfig.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "platform/SystemRegistry.h"
#include "settings/CaseDatabaseProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

RelocationOutcome failure(const QString& title, const QString& text)
{
    return {false, PromptKind::Information, title, text};
}

RelocationOutcome success(const QString& text)
{
    return {true, PromptKind::About, translate("Information"), text};
}

QSqlDatabase defaultConnection()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

void closeDefaultConnection()
{
    QSqlDatabase db = defaultConnection();
    if (db.isValid())
        db.close();
}

QString invalidDatabaseText()
{
    return translate("Failed to open the database. Please select a valid database.\nCode PSD-01");
}

QString copyUnusableText()
{
    return translate("Failed to connect the new database. Please make sure you have the correct "
                     "authorization for the new location. \nCode PSD-04");
}
} // namespace

DatabaseRelocation::DatabaseRelocation(ProgramConfig* config) : m_config(config) {}

RelocationOutcome DatabaseRelocation::switchTo(const QString& path)
{
    {
        CaseDatabaseProbe probe(path, m_config->databaseKey());
        if (!probe.isCaseDatabase())
            return failure(translate("Error"), invalidDatabaseText());
    }

    SystemRegistry& registry = SystemRegistry::instance();
    const QString registryKey = QLatin1String(RegistryKeys::databaseKey);
    const QString registryName = QLatin1String(RegistryKeys::databasePathName);
    const QString previousRegistryValue = registry.value(registryKey, registryName);
    if (!registry.setValue(registryKey, registryName, path)) {
        return failure(translate("Error"),
                       translate("The database path could not be stored in the system registry. "
                                 "The database in use has not changed."));
    }

    QString error;
    if (!writeSettingsPath(path, &error)) {
        registry.setValue(registryKey, registryName, previousRegistryValue);
        return failure(translate("Error"), translate("The database path could not be written to "
                                                     "the settings file. The database in use has "
                                                     "not changed.\n%1")
                                               .arg(error));
    }

    const QString previous = m_config->databasePath();
    if (!m_config->openDefaultConnection(path, &error)) {
        restoreSettingsPath(previous);
        registry.setValue(registryKey, registryName, previousRegistryValue);
        m_config->openDefaultConnection(previous);
        return failure(translate("Error"), translate("The database %1 could not be opened: %2\nThe "
                                                     "previous database is still in use.")
                                               .arg(path, error));
    }
    m_config->setDatabasePath(path);
    return success(translate("Database path update successfully."));
}

RelocationOutcome DatabaseRelocation::moveTo(const QString& path)
{
    const QString original = m_config->databasePath();
    QString error;

    // No connection may hold the file while it is copied.
    closeDefaultConnection();
    QFile source(original);
    if (!source.copy(path)) {
        const QString reason = source.errorString();
        m_config->openDefaultConnection(original);
        if (QFileInfo::exists(path))
            return failure(translate("Move failed"),
                           translate("Cannot overwrite an existing database."));
        return failure(translate("Move failed"),
                       translate("The database could not be copied to %1: %2\nThe database in "
                                 "use has not changed.")
                           .arg(path, reason));
    }

    // The copy is kept from others as the program keeps its files at start-up: what the
    // original gave the group stays, so a database moved into a ward's shared folder stays
    // open to the ward.
    const QFile::Permissions ownerAndGroup =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
        QFile::WriteUser | QFile::ExeUser | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup;
    if (!QFile::setPermissions(path, source.permissions() & ownerAndGroup)) {
        discardCopy(path, original);
        return failure(translate("Move failed"),
                       translate("The access rights of the database could not be given to its copy "
                                 "at %1.\nThe database in use has not changed.")
                           .arg(path));
    }

    {
        CaseDatabaseProbe probe(path, m_config->databaseKey());
        if (!probe.isCaseDatabase()) {
            discardCopy(path, original);
            return failure(translate("Warning"), copyUnusableText());
        }
        if (!probe.passesIntegrityCheck()) {
            const QString fault = probe.error();
            discardCopy(path, original);
            return failure(translate("Warning"),
                           translate("The copy of the database at %1 did not pass the integrity "
                                     "check: %2\nThe database in use has not changed.\nCode "
                                     "PSD-04")
                               .arg(path, fault));
        }
    }

    if (!writeSettingsPath(path, &error)) {
        discardCopy(path, original);
        return failure(translate("Move failed"),
                       translate("The new database path could not be written to the settings "
                                 "file, so the database has not been moved.\n%1")
                           .arg(error));
    }

    if (!m_config->openDefaultConnection(path, &error)) {
        restoreSettingsPath(original);
        discardCopy(path, original);
        return failure(translate("Move failed"),
                       translate("The moved database could not be opened: %1\nThe database has "
                                 "not been moved.")
                           .arg(error));
    }
    m_config->setDatabasePath(path);

    QFile old(original);
    if (!old.remove()) {
        return {true, PromptKind::Information, translate("Warning"),
                translate("Database moved successfully.") + QLatin1Char('\n') +
                    translate("The old database file %1 could not be removed: %2")
                        .arg(original, old.errorString())};
    }
    return success(translate("Database moved successfully."));
}

bool DatabaseRelocation::writeSettingsPath(const QString& path, QString* error)
{
    SettingsFile settings(m_config->settingsPath());
    if (settings.setValue(QLatin1String(SettingsKeys::pathDb), path))
        return true;
    *error = settings.lastError();
    return false;
}

void DatabaseRelocation::restoreSettingsPath(const QString& previous)
{
    SettingsFile(m_config->settingsPath()).setValue(QLatin1String(SettingsKeys::pathDb), previous);
}

// The copy is ours: it did not exist before the move began.
void DatabaseRelocation::discardCopy(const QString& copyPath, const QString& original)
{
    QFile::remove(copyPath);
    m_config->openDefaultConnection(original);
}
