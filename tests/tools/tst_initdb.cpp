#include "app/PasswordEncoding.h"
#include "app/ResetCode.h"
#include "platform/CipherDriver.h"
#include "platform/DatabaseKey.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tools/CaseDatabaseInit.h"

#include <QDateTime>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{
const QString probeConnection = QStringLiteral("initdb_probe");

QStringList columnsOf(const QString& table)
{
    const QSqlRecord record = QSqlDatabase::database().record(table);
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

bool schemaReadsWith(const QString& path, const QString& password)
{
    bool readable = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(cipherDriverName, probeConnection);
        db.setDatabaseName(path);
        db.setPassword(password);
        readable = db.open() &&
                   QSqlQuery(db).exec("select name,sql from sqlite_master where type = 'table'");
        db.close();
    }
    QSqlDatabase::removeDatabase(probeConnection);
    return readable;
}

int runInitdb(const QStringList& arguments, QString* output = nullptr,
              const QByteArray& input = QByteArray())
{
    QProcess process;
    process.start(QStringLiteral(TALVORA_INITDB_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
} // namespace

class TestInitdb : public QObject
{
    Q_OBJECT
private slots:
    void tablesHaveTheirColumnsInOrder_data();
    void tablesHaveTheirColumnsInOrder();
    void keysAreAssignedIncreasing();
    void oneAdministratorWithoutPassword();
    void administratorWithPassword();
    void readableOnlyWithTheKey();
    void refusesToOverwrite();
    void commandLine();
    void passwordComesFromStandardInputOnly();
    void resetCodeCommandPrintsTheDialogsCode();
};

void TestInitdb::tablesHaveTheirColumnsInOrder_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");
    QTest::newRow("Patients") << "Patients"
                              << "REC_NUM FIRST_NAME LAST_NAME DATE_STORED BIRTHDAY SEX "
                                 "PATIENT_ID NOTE";
    QTest::newRow("Cases") << "Cases"
                           << "CASE_NUMBER REC_NUM DATE_UPDATED DRUG_ID UNIT WT W_UNIT HT H_UNIT "
                              "SCR CRCL ALBUMIN FACTOR1 FACTOR2 CASE_NOTE SCR2 TIME MODIFY_BY";
    QTest::newRow("PK") << "PK"
                        << "CASE_NUMBER TYPE VD CL CF VD_RANGE CL_RANGE CF_RANGE VMAX KM "
                           "VMAX_RANGE KM_RANGE";
    QTest::newRow("CustomF") << "CustomF"
                             << "CASE_NUMBER ROUTE F FSD";
    QTest::newRow("UserChoice") << "UserChoice"
                                << "CASE_NUMBER DRUG_NAME UNIT CL CL_UNIT VD VD_UNIT CF T_MIN "
                                   "T_MAX LAG";
    QTest::newRow("UserChoiceRoute") << "UserChoiceRoute"
                                     << "CASE_NUMBER ROUTE FORM SALT KA F";
    QTest::newRow("DoseHistory") << "DoseHistory"
                                 << "CASE_NUMBER TREAT DATE TIME DOSE ROUTE IFTIME INTERVAL "
                                    "NUMDOSE IPOP";
    QTest::newRow("SerumLevel") << "SerumLevel"
                                << "CASE_NUMBER DATE TIME LEVEL";
    QTest::newRow("AnalysisPrior") << "AnalysisPrior"
                                   << "CASE_NUMBER PRIOR";
    QTest::newRow("Users") << "Users"
                           << "ID U_NAME PW_ENABLE PASSWORD NAME TITLE E_MAIL TYPE";
}

void TestInitdb::tablesHaveTheirColumnsInOrder()
{
    QFETCH(QString, table);
    QFETCH(QString, columns);
    TestEnvironment env;
    QVERIFY2(env.isValid(), qPrintable(env.error()));
    QVERIFY(env.openDefaultConnection());
    QCOMPARE(columnsOf(table).join(' '), columns);
    QCOMPARE(QSqlDatabase::database().tables().size(), caseDatabaseSchemaSize());
}

void TestInitdb::keysAreAssignedIncreasing()
{
    TestEnvironment env;
    QVERIFY(env.openDefaultConnection());
    QSqlQuery query;
    QVERIFY(query.exec("INSERT INTO Patients VALUES(NULL,'a','b','','','M','','')"));
    const qlonglong first = query.lastInsertId().toLongLong();
    QVERIFY(query.exec("DELETE FROM Patients"));
    QVERIFY(query.exec("INSERT INTO Patients VALUES(NULL,'c','d','','','F','','')"));
    // AUTOINCREMENT: a deleted patient's number is never handed to another patient.
    QVERIFY(query.lastInsertId().toLongLong() > first);
    // Numbers written as text keep their text.
    QVERIFY(query.exec("INSERT INTO Cases (CASE_NUMBER, WT) VALUES(NULL, '70.00')"));
    QVERIFY(query.exec("SELECT WT FROM Cases"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QString("70.00"));
}

void TestInitdb::oneAdministratorWithoutPassword()
{
    TestEnvironment env("keeper");
    QVERIFY(env.openDefaultConnection());
    QSqlQuery query;
    QVERIFY(query.exec("SELECT ID, U_NAME, PW_ENABLE, PASSWORD, TYPE FROM Users"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
    QCOMPARE(query.value(1).toString(), QString("keeper"));
    QCOMPARE(query.value(2).toString(), QString("F"));
    QVERIFY(query.value(3).isNull());
    QCOMPARE(query.value(4).toString(), QString("A"));
    QVERIFY(!query.next());
}

void TestInitdb::administratorWithPassword()
{
    TestEnvironment env("admin", "s3cret");
    QVERIFY(env.openDefaultConnection());
    QSqlQuery query;
    QVERIFY(query.exec("SELECT PW_ENABLE, PASSWORD FROM Users"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QString("T"));
    QCOMPARE(query.value(1).toString().size(), 32);
    QVERIFY(query.value(1).toString() != QString("s3cret"));
}

void TestInitdb::readableOnlyWithTheKey()
{
    TestEnvironment env;
    QVERIFY(env.isValid());
    QVERIFY(schemaReadsWith(env.databasePath(), databaseKeyFor(builtInSiteName())));
    QVERIFY(!schemaReadsWith(env.databasePath(), QString()));
    QVERIFY(!schemaReadsWith(env.databasePath(), databaseKeyFor("another site")));
}

void TestInitdb::refusesToOverwrite()
{
    TestEnvironment env;
    QFile file(env.databasePath());
    const qint64 sizeBefore = file.size();
    QString error;
    QVERIFY(!createCaseDatabase(env.databasePath(), databaseKeyFor(builtInSiteName()), "x", "",
                                &error));
    QVERIFY(error.contains("already exists"));
    QCOMPARE(file.size(), sizeBefore);
    QVERIFY(schemaReadsWith(env.databasePath(), databaseKeyFor(builtInSiteName())));
}

void TestInitdb::commandLine()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.db");
    QCOMPARE(runInitdb({"create", path, "--admin", "boss"}), 0);
    QVERIFY(schemaReadsWith(path, databaseKeyFor(builtInSiteName())));
    QCOMPARE(runInitdb({"create", path}), 1);
    QCOMPARE(runInitdb({"create"}), 2);
    QCOMPARE(runInitdb({"unknown"}), 2);
    QVERIFY(!QFile::exists(dir.filePath("bad.db")));
    QCOMPARE(runInitdb({"create", dir.filePath("bad.db"), "--password"}, nullptr, "a\"b\n"), 1);
    QVERIFY(!QFile::exists(dir.filePath("bad.db")));
}

// On the command line the password would show in the process list and the shell's history.
void TestInitdb::passwordComesFromStandardInputOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.db");
    QCOMPARE(runInitdb({"create", path, "--password", "s3cret"}), 2);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(runInitdb({"create", path, "--admin", "boss", "--password"}, nullptr, "s3cret\n"), 0);
    const QFile::Permissions anyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(path) & anyone, QFile::ReadOwner | QFile::WriteOwner);
    QString stored;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(cipherDriverName, probeConnection);
        db.setDatabaseName(path);
        db.setPassword(databaseKeyFor(builtInSiteName()));
        QVERIFY(db.open());
        QSqlQuery query(QStringLiteral("SELECT PASSWORD FROM Users WHERE U_NAME = 'boss'"), db);
        if (query.next())
            stored = query.value(0).toString();
        db.close();
    }
    QSqlDatabase::removeDatabase(probeConnection);
    QCOMPARE(stored, encodePasswordText("s3cret"));
}

void TestInitdb::resetCodeCommandPrintsTheDialogsCode()
{
    TestEnvironment env("keeper", "old-pass");
    QString printed;
    QCOMPARE(runInitdb({"reset-code", env.databasePath(), "keeper"}, &printed), 0);
    QVERIFY(env.openDefaultConnection());
    ResetCodeAccount keeper;
    QVERIFY(ResetCode::findAccount(QSqlDatabase::database(), "keeper", &keeper));
    QCOMPARE(ResetCode::check(QSqlDatabase::database(), keeper, printed,
                              QDateTime::currentDateTimeUtc()),
             ResetCode::Verdict::Accepted);
    QCOMPARE(runInitdb({"reset-code", env.databasePath(), "nobody"}), 1);
    QCOMPARE(runInitdb({"reset-code", env.databasePath(), "x' OR '1'='1"}), 1);
}

TALVORA_TEST_MAIN(TestInitdb)
#include "tst_initdb.moc"
