#include "app/ProgramConfig.h"

#include "app/PasswordEncoding.h"
#include "platform/CipherDriver.h"
#include "platform/DatabaseKey.h"
#include "platform/PathAccess.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "platform/SystemRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

const char* const ProgramConfig::settingsFileName = "PKsettings.ini";
const char* const ProgramConfig::defaultDatabaseFileName = "PKdatabase.db";

namespace
{
const char* const schemaQuery = "select name,sql from sqlite_master where type = 'table'";
}

ProgramConfig::ProgramConfig() : siteName_(builtInSiteName()) {}

bool ProgramConfig::load()
{
    const QDir workingDirectory(QDir::currentPath());
    const QString candidate = workingDirectory.filePath(QLatin1String(settingsFileName));
    if (QFileInfo::exists(candidate)) {
        settingsPath_ = candidate;
        if (settingsUnreadable())
            return false;
        databasePath_ = SettingsFile(settingsPath_).read(SettingsKeys::pathDbSetting);
        if (databasePath_ != QLatin1String(SettingsKeys::pathDbDefault))
            return true;
        status_ = StatusNoDatabasePath;
        databasePath_ = workingDirectory.filePath(QLatin1String(defaultDatabaseFileName));
        return false;
    }

    const QString installed =
        SystemRegistry::instance().value(QLatin1String(RegistryKeys::installationKey),
                                         QLatin1String(RegistryKeys::installationDirectoryName));
    if (installed.isEmpty()) {
        status_ = StatusNoSettingsFile;
        m_settingsPathSought = candidate;
        m_settingsProblem = checkReadAccess(candidate).problem;
        return false;
    }
    // The registry names the settings file itself. Its database path is taken too, so that
    // start-up can probe the database instead of running with no path at all.
    settingsPath_ = installed;
    if (QFileInfo::exists(settingsPath_)) {
        if (settingsUnreadable())
            return false;
        const QString path = SettingsFile(settingsPath_).read(SettingsKeys::pathDbSetting);
        if (path != QLatin1String(SettingsKeys::pathDbDefault))
            databasePath_ = path;
    } else if (const PathAccess access = checkReadAccess(settingsPath_); !access.missing) {
        // The file may well be there, behind a folder this user may not enter.
        m_settingsProblem = access.problem;
        status_ = StatusSettingsUnreadable;
    }
    return false;
}

// A file that cannot be read would give every key its default, a missing database path among
// them; the start-up names the file instead.
bool ProgramConfig::settingsUnreadable()
{
    m_settingsProblem = SettingsFile(settingsPath_).readProblem();
    if (m_settingsProblem.isEmpty())
        return false;
    status_ = StatusSettingsUnreadable;
    return true;
}

int ProgramConfig::status() const
{
    return status_;
}

bool ProgramConfig::setStatus(int code)
{
    status_ = code;
    return true;
}

QString ProgramConfig::settingsPath() const
{
    return settingsPath_;
}

QString ProgramConfig::settingsPathSought() const
{
    return settingsPath_.isEmpty() ? m_settingsPathSought : settingsPath_;
}

QString ProgramConfig::databasePath() const
{
    return databasePath_;
}

void ProgramConfig::setDatabasePath(const QString& path)
{
    databasePath_ = path;
}

QString ProgramConfig::siteName() const
{
    return siteName_;
}

QString ProgramConfig::installationName() const
{
    return siteName_;
}

QString ProgramConfig::databaseKey() const
{
    return databaseKeyFor(siteName_);
}

QString ProgramConfig::encodePassword(const QString& password) const
{
    return encodePasswordText(password);
}

bool ProgramConfig::databaseOpens(QSqlDatabase connection, QSqlError* error) const
{
    QSqlQuery query(connection);
    const bool ran = query.exec(QLatin1String(schemaQuery));
    if (error)
        *error = query.lastError();
    return ran;
}

bool ProgramConfig::openDefaultConnection(const QString& path, QString* error) const
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QLatin1String(cipherDriverName));
    db.close();
    db.setDatabaseName(path);
    db.setPassword(databaseKey());
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    if (!databaseOpens(db)) {
        if (error)
            *error = QCoreApplication::translate("ProgramSettingPage",
                                                 "The schema of the database cannot be read.");
        return false;
    }
    return true;
}
