#include "tests/support/TestEnvironment.h"

#include "app/ProgramConfig.h"
#include "platform/CipherDriver.h"
#include "platform/DatabaseKey.h"
#include "settings/UpdateCheck.h"
#include "tools/CaseDatabaseInit.h"

#include <QDir>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>

namespace
{
// A loopback port nothing listens on: a start on the first of a month checks for updates, and a
// test must never reach the outside for it. Tests of the check put their own server in its place.
constexpr quint16 kClosedPort = 9;
} // namespace

TestEnvironment::TestEnvironment(const QString& adminName, const QString& adminPassword)
{
    UpdateEndpoint::setCurrent(
        {QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(kClosedPort)), kClosedPort});
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    if (!createCaseDatabase(databasePath(), databaseKeyFor(builtInSiteName()), adminName,
                            adminPassword, &m_error))
        return;
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Path/db"), databasePath());
    settings.sync();
    if (settings.status() != QSettings::NoError)
        m_error = QStringLiteral("settings file not written");
}

TestEnvironment::~TestEnvironment()
{
    closeDefaultConnection();
    if (!m_previousWorkingDirectory.isEmpty())
        QDir::setCurrent(m_previousWorkingDirectory);
}

QString TestEnvironment::settingsPath() const
{
    return m_dir.filePath(QStringLiteral("PKsettings.ini"));
}

QString TestEnvironment::databasePath() const
{
    return m_dir.filePath(QStringLiteral("PKdatabase.db"));
}

void TestEnvironment::enterWorkingDirectory()
{
    if (m_previousWorkingDirectory.isEmpty())
        m_previousWorkingDirectory = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}

bool TestEnvironment::openDefaultConnection()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(cipherDriverName));
    db.setDatabaseName(databasePath());
    db.setPassword(databaseKeyFor(builtInSiteName()));
    if (!db.open()) {
        m_error = db.lastError().text();
        return false;
    }
    return true;
}

bool TestEnvironment::openAsProgram(ProgramConfig& config)
{
    enterWorkingDirectory();
    return isValid() && openDefaultConnection() && config.load();
}

void TestEnvironment::closeDefaultConnection()
{
    const QString name = QLatin1String(QSqlDatabase::defaultConnection);
    if (!QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}
