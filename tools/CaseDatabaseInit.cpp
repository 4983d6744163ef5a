#include "tools/CaseDatabaseInit.h"

#include "app/PasswordEncoding.h"
#include "cases/AnalysisPriorStore.h"
#include "platform/CipherDriver.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace
{

// Values are written as text by the program and must read back exactly as written ("70.00"
// stays "70.00"), so everything but the three keys has text affinity.
const char* const schema[] = {
    "CREATE TABLE Patients (REC_NUM INTEGER PRIMARY KEY AUTOINCREMENT, FIRST_NAME TEXT, "
    "LAST_NAME TEXT, DATE_STORED TEXT, BIRTHDAY TEXT, SEX TEXT, PATIENT_ID TEXT, NOTE TEXT)",
    "CREATE TABLE Cases (CASE_NUMBER INTEGER PRIMARY KEY AUTOINCREMENT, REC_NUM INTEGER, "
    "DATE_UPDATED TEXT, DRUG_ID TEXT, UNIT TEXT, WT TEXT, W_UNIT TEXT, HT TEXT, H_UNIT TEXT, "
    "SCR TEXT, CRCL TEXT, ALBUMIN TEXT, FACTOR1, FACTOR2, CASE_NOTE TEXT, SCR2 TEXT, TIME TEXT, "
    "MODIFY_BY TEXT)",
    "CREATE TABLE PK (CASE_NUMBER INTEGER, TYPE TEXT, VD TEXT, CL TEXT, CF TEXT, VD_RANGE TEXT, "
    "CL_RANGE TEXT, CF_RANGE TEXT, VMAX TEXT, KM TEXT, VMAX_RANGE TEXT, KM_RANGE TEXT)",
    "CREATE TABLE CustomF (CASE_NUMBER INTEGER, ROUTE TEXT, F TEXT, FSD TEXT)",
    "CREATE TABLE UserChoice (CASE_NUMBER INTEGER, DRUG_NAME TEXT, UNIT TEXT, CL TEXT, "
    "CL_UNIT TEXT, VD TEXT, VD_UNIT TEXT, CF TEXT, T_MIN TEXT, T_MAX TEXT, LAG TEXT)",
    "CREATE TABLE UserChoiceRoute (CASE_NUMBER INTEGER, ROUTE TEXT, FORM TEXT, SALT TEXT, "
    "KA TEXT, F TEXT)",
    "CREATE TABLE DoseHistory (CASE_NUMBER INTEGER, TREAT TEXT, DATE TEXT, TIME TEXT, DOSE TEXT, "
    "ROUTE TEXT, IFTIME TEXT, INTERVAL TEXT, NUMDOSE TEXT, IPOP TEXT)",
    "CREATE TABLE SerumLevel (CASE_NUMBER INTEGER, DATE TEXT, TIME TEXT, LEVEL TEXT)",
    analysisprior::kCreateTable,
    "CREATE TABLE Users (ID INTEGER PRIMARY KEY AUTOINCREMENT, U_NAME TEXT, PW_ENABLE TEXT, "
    "PASSWORD TEXT, NAME TEXT, TITLE TEXT, E_MAIL TEXT, TYPE TEXT)",
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool fillDatabase(QSqlDatabase& db, const QString& adminName, const QString& adminPassword,
                  QString* error)
{
    QSqlQuery query(db);
    if (!db.transaction())
        return fail(error, db.lastError().text());
    for (const char* statement : schema) {
        if (!query.exec(QString::fromLatin1(statement)))
            return fail(error, query.lastError().text());
    }
    query.prepare("INSERT INTO Users VALUES(NULL,:uname,:pwenable,:password,:name,:title,:email,"
                  ":type)");
    const bool hasPassword = !adminPassword.isEmpty();
    query.bindValue(":uname", adminName);
    query.bindValue(":pwenable", hasPassword ? "T" : "F");
    if (hasPassword)
        query.bindValue(":password", encodePasswordText(adminPassword));
    query.bindValue(":name", QStringLiteral("Administrator"));
    query.bindValue(":title", QString());
    query.bindValue(":email", QString());
    query.bindValue(":type", "A");
    if (!query.exec())
        return fail(error, query.lastError().text());
    if (!db.commit())
        return fail(error, db.lastError().text());
    return true;
}

// The file is made owner-only before anything is written into it; SQLite gives its journals the
// database file's mode.
bool createOwnerOnlyFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(error, file.errorString());
    if (!file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        const QString reason = file.errorString();
        file.remove();
        return fail(error, reason);
    }
    return true;
}

} // namespace

const char* const* caseDatabaseSchema()
{
    return schema;
}

int caseDatabaseSchemaSize()
{
    return int(sizeof(schema) / sizeof(schema[0]));
}

bool createCaseDatabase(const QString& path, const QString& key, const QString& adminName,
                        const QString& adminPassword, QString* error)
{
    if (QFileInfo::exists(path))
        return fail(error, QStringLiteral("%1 already exists; it is left as it is.").arg(path));
    if (adminName.trimmed().isEmpty())
        return fail(error, QStringLiteral("The administrator needs a user name."));
    QString refused;
    if (!passwordCharactersAllowed(adminPassword, &refused))
        return fail(error, QStringLiteral("The password may not contain: %1").arg(refused));

    if (!createOwnerOnlyFile(path, error))
        return false;
    registerCipherDriver();
    const QString connection = QStringLiteral("talvora_init_") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), connection);
        db.setDatabaseName(path);
        db.setPassword(key);
        db.setConnectOptions(QLatin1String(CipherDriver::createOption));
        if (!db.open())
            fail(error, db.lastError().text());
        else
            ok = fillDatabase(db, adminName, adminPassword, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok)
        QFile::remove(path);
    return ok;
}
