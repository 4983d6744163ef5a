#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "platform/CipherDriver.h"
#include "tests/support/TestMain.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelationalTableModel>
#include <QTemporaryDir>

namespace
{
const QString key = QStringLiteral("0123456789Site");
const QString connection = QStringLiteral("cipher_test");

QSqlDatabase openConnection(const QString& path, const QString& password, bool create = false)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), connection);
    db.setDatabaseName(path);
    db.setPassword(password);
    if (create)
        db.setConnectOptions(QLatin1String(CipherDriver::createOption));
    db.open();
    return db;
}

bool schemaReadable(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    return query.exec("select name,sql from sqlite_master where type = 'table'");
}

void makeDatabase(const QString& path, const QString& password)
{
    QSqlDatabase db = openConnection(path, password, true);
    QSqlQuery query(db);
    QVERIFY2(query.exec("CREATE TABLE Users (ID INTEGER PRIMARY KEY AUTOINCREMENT, U_NAME TEXT, "
                        "PW_ENABLE TEXT, PASSWORD TEXT, NAME TEXT, TITLE TEXT, E_MAIL TEXT, "
                        "TYPE TEXT)"),
             qPrintable(query.lastError().text()));
    QVERIFY(query.exec("INSERT INTO Users VALUES(NULL,'admin','F',NULL,'Ann','Dr','a@b','A')"));
    db.close();
}

// A new database at `path`, made with one key and then opened afresh with another.
QSqlDatabase reopened(const QString& path, const QString& createdWith, const QString& openedWith)
{
    makeDatabase(path, createdWith);
    QSqlDatabase::removeDatabase(connection);
    return openConnection(path, openedWith);
}
} // namespace

class TestCipherDriver : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QSqlDatabase::removeDatabase(connection); }
    void keyDecidesWhetherTheSchemaReads_data();
    void keyDecidesWhetherTheSchemaReads();
    void fileIsUnreadableWithoutTheKey();
    void missingFileIsNotCreated();
    void namedPlaceholdersAndNulls();
    void lastInsertIdAndRowsAffected();
    void navigationBothWays();
    void rollbackLeavesNothing();
    void tableModelOverUsers();
    void statementErrorsCarryTheDatabaseText();
};

void TestCipherDriver::keyDecidesWhetherTheSchemaReads_data()
{
    QTest::addColumn<QString>("createdWith");
    QTest::addColumn<QString>("openedWith");
    QTest::addColumn<bool>("readable");
    QTest::newRow("right key") << key << key << true;
    QTest::newRow("wrong key") << key << QString("0123456789Other") << false;
    QTest::newRow("no key on encrypted file") << key << QString() << false;
    QTest::newRow("key on plain file") << QString() << key << false;
    QTest::newRow("plain file, no key") << QString() << QString() << true;
}

void TestCipherDriver::keyDecidesWhetherTheSchemaReads()
{
    QFETCH(QString, createdWith);
    QFETCH(QString, openedWith);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString path = dir.filePath("case.db");
    QSqlDatabase db = reopened(path, createdWith, openedWith);
    QVERIFY(db.isOpen()); // a wrong key still opens; the first statement tells
    QCOMPARE(schemaReadable(db), readable);
    db.close();
}

void TestCipherDriver::fileIsUnreadableWithoutTheKey()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("case.db");
    makeDatabase(path, key);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QVERIFY(!bytes.contains("U_NAME"));
    QVERIFY(!bytes.contains("admin"));

    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    QVERIFY(sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
            SQLITE_OK);
    QCOMPARE(QString(sqlite3_errmsg(raw)), QString("file is encrypted or is not a database"));
    sqlite3_close(raw);
}

void TestCipherDriver::missingFileIsNotCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("absent.db");
    QSqlDatabase db = openConnection(path, key);
    QVERIFY(!db.isOpen());
    QVERIFY(db.lastError().isValid());
    QVERIFY(!QFile::exists(path));
}

void TestCipherDriver::namedPlaceholdersAndNulls()
{
    QTemporaryDir dir;
    QSqlDatabase db = reopened(dir.filePath("c.db"), key, key);
    QSqlQuery insert(db);
    QVERIFY(insert.prepare(
        "INSERT INTO Users VALUES(NULL,:uname,:pwenable,:password,:name,:title,:email,:type)"));
    insert.bindValue(":uname", "O'Brien; DROP TABLE Users");
    insert.bindValue(":pwenable", "F");
    // :password is left unbound on purpose: it must arrive as NULL
    insert.bindValue(":name", QString::fromUtf8("Zoë"));
    insert.bindValue(":title", 3.5);
    insert.bindValue(":email", QVariant());
    insert.bindValue(":type", "U");
    QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));

    QSqlQuery select(db);
    QVERIFY(select.prepare("SELECT * FROM Users WHERE U_NAME = :u"));
    select.bindValue(":u", "O'Brien; DROP TABLE Users");
    QVERIFY(select.exec());
    QVERIFY(select.next());
    QVERIFY(select.value("PASSWORD").isNull());
    QVERIFY(select.value(6).isNull());
    QCOMPARE(select.value("NAME").toString(), QString::fromUtf8("Zoë"));
    QCOMPARE(select.value(5).toDouble(), 3.5);
    QCOMPARE(select.record().fieldName(1), QString("U_NAME"));
    QVERIFY(!select.next());
}

void TestCipherDriver::lastInsertIdAndRowsAffected()
{
    QTemporaryDir dir;
    QSqlDatabase db = reopened(dir.filePath("c.db"), key, key);
    QSqlQuery query(db);
    QVERIFY(query.exec("INSERT INTO Users VALUES(NULL,'b','F',NULL,'','','','U')"));
    QCOMPARE(query.lastInsertId().toLongLong(), 2LL);
    QCOMPARE(query.numRowsAffected(), 1);
    QVERIFY(query.exec("UPDATE Users SET TITLE = 'x'"));
    QCOMPARE(query.numRowsAffected(), 2);
    QVERIFY(query.exec("DELETE FROM Users WHERE ID = 99"));
    QCOMPARE(query.numRowsAffected(), 0);
}

void TestCipherDriver::navigationBothWays()
{
    QTemporaryDir dir;
    QSqlDatabase db = reopened(dir.filePath("c.db"), key, key);
    QSqlQuery query(db);
    for (int i = 0; i < 3; ++i)
        QVERIFY(query.exec(
            QString("INSERT INTO Users VALUES(NULL,'u%1','F',NULL,'','','','U')").arg(i)));
    QVERIFY(query.exec("SELECT U_NAME FROM Users ORDER BY ID"));
    QCOMPARE(query.size(), 4);
    QVERIFY(query.last());
    QCOMPARE(query.value(0).toString(), QString("u2"));
    QVERIFY(query.previous());
    QCOMPARE(query.value(0).toString(), QString("u1"));
    QVERIFY(query.first());
    QCOMPARE(query.value(0).toString(), QString("admin"));
    QVERIFY(query.seek(2));
    QCOMPARE(query.value(0).toString(), QString("u1"));
}

void TestCipherDriver::rollbackLeavesNothing()
{
    QTemporaryDir dir;
    QSqlDatabase db = reopened(dir.filePath("c.db"), key, key);
    QVERIFY(db.transaction());
    QSqlQuery query(db);
    QVERIFY(query.exec("INSERT INTO Users VALUES(NULL,'temp','F',NULL,'','','','U')"));
    QVERIFY(!query.exec("INSERT INTO Missing VALUES(1)"));
    QVERIFY(db.rollback());
    QVERIFY(query.exec("SELECT COUNT(*) FROM Users"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
}

void TestCipherDriver::tableModelOverUsers()
{
    QTemporaryDir dir;
    QSqlDatabase db = reopened(dir.filePath("c.db"), key, key);
    QVERIFY(db.tables().contains("Users"));
    QCOMPARE(db.primaryIndex("Users").fieldName(0), QString("ID"));
    QCOMPARE(db.record("Users").count(), 8);
    {
        QSqlRelationalTableModel model(nullptr, db);
        model.setTable("Users");
        model.setEditStrategy(QSqlTableModel::OnManualSubmit);
        model.setFilter("TYPE = 'A'");
        QVERIFY2(model.select(), qPrintable(model.lastError().text()));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString("admin"));
        QVERIFY(model.setData(model.index(0, 4), "Anna"));
        QVERIFY2(model.submitAll(), qPrintable(model.lastError().text()));
    }
    QSqlQuery query(db);
    QVERIFY(query.exec("SELECT NAME FROM Users"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QString("Anna"));
}

void TestCipherDriver::statementErrorsCarryTheDatabaseText()
{
    QTemporaryDir dir;
    QSqlDatabase db = reopened(dir.filePath("c.db"), key, key);
    QSqlQuery query(db);
    QVERIFY(!query.exec("SELECT * FROM PK"));
    QVERIFY(query.lastError().text().contains("no such table: PK"));
    QVERIFY(!query.exec("INSERT INTO Users VALUES(1)"));
    QVERIFY(query.lastError().text().contains("8 columns"));
    // A statement prepared apart keeps the reason of its failure when it is run.
    QVERIFY(!query.prepare("INSERT INTO PK VALUES(:case)"));
    query.bindValue(":case", 1);
    QVERIFY(!query.exec());
    QVERIFY2(query.lastError().text().contains("no such table: PK"),
             qPrintable(query.lastError().text()));
}

TALVORA_TEST_MAIN(TestCipherDriver)
#include "tst_cipherdriver.moc"
