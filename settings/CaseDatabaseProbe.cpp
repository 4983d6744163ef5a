#include "settings/CaseDatabaseProbe.h"

#include "platform/CipherDriver.h"
#include "platform/StaleJournal.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

const char* const CaseDatabaseProbe::connectionName = "testConnection";

namespace
{
// The program never creates tables, so a file without one of these cannot serve as the case
// database.
const char* const caseTables[] = {"Patients",    "Cases",      "PK",
                                  "CustomF",     "UserChoice", "UserChoiceRoute",
                                  "DoseHistory", "SerumLevel", "Users"};

const char* const schemaQuery = "select name from sqlite_master where type = 'table'";
const char* const integrityQuery = "PRAGMA integrity_check";
// Immediate, so a file that cannot be locked for writing fails at once.
const char* const writeBegin = "BEGIN IMMEDIATE";
const char* const writeTrial = "CREATE TABLE talvora_write_check (x)";
const char* const writeUndo = "ROLLBACK";
const char* const integrityOk = "ok";

QSqlDatabase probeConnection()
{
    return QSqlDatabase::database(QLatin1String(CaseDatabaseProbe::connectionName), false);
}

QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}
} // namespace

CaseDatabaseProbe::CaseDatabaseProbe(const QString& path, const QString& key)
{
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), QLatin1String(connectionName));
    db.setDatabaseName(path);
    db.setPassword(key);
    if (!db.open())
        fail(db.lastError());
}

CaseDatabaseProbe::~CaseDatabaseProbe()
{
    probeConnection().close();
    QSqlDatabase::removeDatabase(QLatin1String(connectionName));
}

bool CaseDatabaseProbe::isCaseDatabase()
{
    if (!m_error.isEmpty())
        return false;
    QSqlQuery query(probeConnection());
    // With a wrong key, or on a file that is no database, the open succeeds and this fails.
    if (!query.exec(QLatin1String(schemaQuery)))
        return fail(query.lastError());
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    QStringList missing;
    for (const char* table : caseTables) {
        if (!tables.contains(QLatin1String(table), Qt::CaseInsensitive))
            missing << QLatin1String(table);
    }
    if (missing.size() > 1)
        return fail(
            translate("The tables %1 are missing.").arg(missing.join(QStringLiteral(", "))));
    return missing.isEmpty() || fail(translate("The table %1 is missing.").arg(missing.first()));
}

bool CaseDatabaseProbe::isWritable()
{
    if (!m_error.isEmpty())
        return false;
    const QString path = probeConnection().databaseName();
    bool began = false;
    QSqlError error = tryWriting(began);
    // A journal closed to this user that holds no save is removed by SQLite during the refused
    // write, where the folder lets this user remove it: the next write makes its own.
    if (error.isValid() && began && StaleJournal::obstacleGone(path))
        error = tryWriting(began);
    if (!error.isValid())
        return true;
    if (!began)
        return fail(error);
    const QString journalProblem = StaleJournal::obstacle(path);
    return journalProblem.isEmpty() ? fail(error) : fail(journalProblem);
}

QSqlError CaseDatabaseProbe::tryWriting(bool& began)
{
    QSqlQuery query(probeConnection());
    began = query.exec(QLatin1String(writeBegin));
    if (!began)
        return query.lastError();
    // A program killed between making its journal and writing it leaves an empty one, which
    // SQLite leaves in place and which another user's mode may close to this user. Under the
    // write lock just taken no other connection is using it.
    StaleJournal::removeEmpty(probeConnection().databaseName());
    const bool written = query.exec(QLatin1String(writeTrial));
    const QSqlError error = query.lastError();
    query.exec(QLatin1String(writeUndo));
    return written ? QSqlError() : error;
}

bool CaseDatabaseProbe::readsEveryRow(const QString& table)
{
    if (!m_error.isEmpty())
        return false;
    QSqlQuery query(probeConnection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM \"%1\"").arg(table)))
        return fail(query.lastError());
    while (query.next()) {
    }
    // The end of the rows and a page that cannot be read both end the loop; only the error
    // tells them apart.
    return !query.lastError().isValid() || fail(query.lastError());
}

bool CaseDatabaseProbe::passesIntegrityCheck()
{
    if (!m_error.isEmpty())
        return false;
    QSqlQuery query(probeConnection());
    if (!query.exec(QLatin1String(integrityQuery)))
        return fail(query.lastError());
    QStringList faults;
    while (query.next())
        faults << query.value(0).toString();
    if (faults == QStringList(QLatin1String(integrityOk)))
        return true;
    return fail(faults.isEmpty() ? translate("The check gave no result.")
                                 : faults.join(QLatin1Char('\n')));
}

bool CaseDatabaseProbe::fail(const QString& reason)
{
    m_error = reason;
    return false;
}

bool CaseDatabaseProbe::fail(const QSqlError& error)
{
    m_locked = isBusyError(error);
    return fail(error.text());
}
