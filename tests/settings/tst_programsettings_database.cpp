#include "app/ProgramConfig.h"
#include "pkcore/SessionData.h"
#include "platform/CipherDriver.h"
#include "platform/MemoryRegistry.h"
#include "platform/SettingsFile.h"
#include "settings/ProgramSettingPage.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tools/CaseDatabaseInit.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextEdit>

#include <memory>

namespace
{

const QString registryKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talvora");
const QString registryName = QStringLiteral("db");
const QString registryBefore = QStringLiteral("registry before");

const QString switchedText = QStringLiteral("Database path update successfully.");
const QString movedText = QStringLiteral("Database moved successfully.");
const QString invalidText =
    QStringLiteral("Failed to open the database. Please select a valid database.\nCode PSD-01");
const QString unusableCopyText =
    QStringLiteral("Failed to connect the new database. Please make sure you have the correct "
                   "authorization for the new location. \nCode PSD-04");
const QString moveQuestionText = QStringLiteral(
    "Database dose not exist in the directory you select. \nDo you want to move the database to "
    "the new path? \nWarning: Moving database might cause error for Talvora on other computer.");

MemoryRegistry& registry()
{
    return dynamic_cast<MemoryRegistry&>(SystemRegistry::instance());
}

QSqlDatabase defaultConnection()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

bool execOnDefault(const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(defaultConnection());
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

bool addCase(const QString& updated, const QString& by)
{
    return execOnDefault(
        QStringLiteral("INSERT INTO Cases (REC_NUM, DATE_UPDATED, MODIFY_BY) VALUES (1, ?, ?)"),
        {updated, by});
}

// A plain SQLite file with the case tables: everything is right but the key.
bool createPlainDatabase(const QString& path)
{
    bool made = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), QStringLiteral("plain"));
        db.setDatabaseName(path);
        db.setConnectOptions(QLatin1String(CipherDriver::createOption));
        if (db.open()) {
            QSqlQuery query(db);
            made = true;
            for (int i = 0; i < caseDatabaseSchemaSize(); ++i)
                made = made && query.exec(QLatin1String(caseDatabaseSchema()[i]));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("plain"));
    return made;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The running installation: its own database open on the default connection, a user signed in.
struct Installation {
    TestEnvironment env;
    ProgramConfig config;
    SessionData session{qApp};
    std::unique_ptr<ProgramSettingPage> page;
    QString original;

    bool prepare()
    {
        registry().setWritable(true);
        registry().setValue(registryKey, registryName, registryBefore);
        session.loggedIn = true;
        original = env.databasePath();
        if (!env.openAsProgram(config))
            return false;
        page = std::make_unique<ProgramSettingPage>(nullptr, nullptr, nullptr, &config, &session);
        return true;
    }

    QString storedPath() const
    {
        return SettingsFile(env.settingsPath()).value(QStringLiteral("Path/db"));
    }

    QString shownPath() const
    {
        return page->findChild<QTextEdit*>(QStringLiteral("db_path"))->toPlainText();
    }

    QString lastBy() const
    {
        return page->findChild<QLineEdit*>(QStringLiteral("db_info_last_by"))->text();
    }

    QString lastDate() const
    {
        return page->findChild<QLineEdit*>(QStringLiteral("db_info_last_date"))->text();
    }

    void clickChange() { page->findChild<QPushButton*>(QStringLiteral("db_path_change"))->click(); }

    // The default connection is open on that file and reads it with the key.
    bool inUse(const QString& path) const
    {
        QSqlDatabase db = defaultConnection();
        if (!db.isOpen() || db.databaseName() != path)
            return false;
        QSqlQuery query(db);
        return query.exec(QStringLiteral("SELECT COUNT(*) FROM Users")) && query.next();
    }
};

// Nothing of the installation has changed.
#define VERIFY_UNCHANGED(inst)                                                                     \
    do {                                                                                           \
        QCOMPARE((inst).storedPath(), (inst).original);                                            \
        QCOMPARE((inst).config.databasePath(), (inst).original);                                   \
        QCOMPARE((inst).shownPath(), (inst).original);                                             \
        QCOMPARE(registry().value(registryKey, registryName), registryBefore);                     \
        QVERIFY(QFile::exists((inst).original));                                                   \
        QVERIFY((inst).inUse((inst).original));                                                    \
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("testConnection")));                        \
    } while (false)

void verifyPrompt(PromptScript& prompts, const QString& title, const QString& text)
{
    const auto shown = prompts.take();
    QVERIFY2(!shown.empty(), "no message shown");
    QCOMPARE(shown.back().title, title);
    QCOMPARE(shown.back().text, text);
}

} // namespace

class TestProgramSettingsDatabase : public QObject
{
    Q_OBJECT
private slots:
    void informationShowsLatestSave();
    void informationOfEmptyOrUnreadableDatabase();

    void switchToKeyedDatabase();
    void switchRefusesUnusableFile_data();
    void switchRefusesUnusableFile();
    void switchWithUnwritableStoreChangesNothing_data();
    void switchWithUnwritableStoreChangesNothing();
    void cancelledDialogChangesNothing();

    void missingPathDeclined();
    void moveToNewPath();
    void moveWithFailingCopy_data();
    void moveWithFailingCopy();
    void moveWithUnwritableSettings();
    void moveOfUnusableFileKeepsOriginal();
    void moveOfDamagedDatabaseKeepsOriginal();

    void guestsAreRefused();
    void openCaseRefuses_data();
    void openCaseRefuses();
};

void TestProgramSettingsDatabase::informationShowsLatestSave()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    QVERIFY(addCase(QStringLiteral("2023-04-01  10:00:00"), QStringLiteral("early")));
    QVERIFY(addCase(QStringLiteral("2024-02-03  08:30:15"), QStringLiteral("latest")));
    QVERIFY(addCase(QStringLiteral("2023-12-31  23:59:59"), QStringLiteral("middle")));

    inst.page->database_update();
    QCOMPARE(inst.lastBy(), QStringLiteral("latest"));
    QCOMPARE(inst.lastDate(), QStringLiteral("2024-02-03  08:30:15"));

    // A new dialog shows the same from its constructor.
    ProgramSettingPage fresh(nullptr, nullptr, nullptr, &inst.config, &inst.session);
    QCOMPARE(fresh.findChild<QLineEdit*>(QStringLiteral("db_info_last_by"))->text(),
             QStringLiteral("latest"));
    QCOMPARE(fresh.findChild<QTextEdit*>(QStringLiteral("db_path"))->toPlainText(), inst.original);
    QCOMPARE(fresh.findChild<QTextEdit*>(QStringLiteral("new_db_path"))->toPlainText(),
             inst.original);
}

void TestProgramSettingsDatabase::informationOfEmptyOrUnreadableDatabase()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    QVERIFY(addCase(QStringLiteral("2024-02-03  08:30:15"), QStringLiteral("someone")));
    inst.page->database_update();
    QCOMPARE(inst.lastBy(), QStringLiteral("someone"));

    // An empty table gives one row of nulls.
    QVERIFY(execOnDefault(QStringLiteral("DELETE FROM Cases")));
    inst.page->database_update();
    QCOMPARE(inst.lastBy(), QString());
    QCOMPARE(inst.lastDate(), QString());

    QVERIFY(addCase(QStringLiteral("2024-02-03  08:30:15"), QStringLiteral("someone")));
    inst.page->database_update();
    QCOMPARE(inst.lastBy(), QStringLiteral("someone"));
    // A database that does not accept the key has nothing to show.
    const QString text = QDir(inst.env.dir()).filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeFile(text, "not a database\n"));
    QSqlDatabase db = defaultConnection();
    db.close();
    db.setDatabaseName(text);
    inst.page->database_update();
    QCOMPARE(inst.lastBy(), QString());
    QCOMPARE(inst.lastDate(), QString());
}

void TestProgramSettingsDatabase::switchToKeyedDatabase()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    TestEnvironment other;
    QVERIFY2(other.isValid(), qPrintable(other.error()));
    const QString target = other.databasePath();
    {
        // A case in the other database tells the two apart.
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), QStringLiteral("other"));
        db.setDatabaseName(target);
        db.setPassword(inst.config.databaseKey());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("INSERT INTO Cases (REC_NUM, DATE_UPDATED, MODIFY_BY) "
                                          "VALUES (1, '2024-05-06  07:08:09', 'other user')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));

    PromptScript prompts;
    FileDialog::setNextPath(target);
    inst.clickChange();

    verifyPrompt(prompts, QStringLiteral("Information"), switchedText);
    QCOMPARE(inst.storedPath(), target);
    QCOMPARE(registry().value(registryKey, registryName), target);
    QCOMPARE(inst.config.databasePath(), target);
    QCOMPARE(inst.shownPath(), target);
    QVERIFY(inst.inUse(target));
    QVERIFY(QFile::exists(inst.original));
    QCOMPARE(inst.lastBy(), QStringLiteral("other user"));
    QCOMPARE(inst.lastDate(), QStringLiteral("2024-05-06  07:08:09"));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("testConnection")));

    // Choosing the file in use again switches to it again.
    FileDialog::setNextPath(target);
    inst.clickChange();
    verifyPrompt(prompts, QStringLiteral("Information"), switchedText);
    QVERIFY(inst.inUse(target));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::switchRefusesUnusableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("plain SQLite file") << "plain";
    QTest::newRow("text file") << "text";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("database of another key") << "otherKey";
    QTest::newRow("keyed database without the case tables") << "noTables";
    QTest::newRow("folder") << "folder";
}

void TestProgramSettingsDatabase::switchRefusesUnusableFile()
{
    QFETCH(QString, kind);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    const QString target = QDir(inst.env.dir()).filePath(QStringLiteral("chosen.db"));
    QString error;
    if (kind == QLatin1String("plain")) {
        QVERIFY(createPlainDatabase(target));
    } else if (kind == QLatin1String("text")) {
        QVERIFY(writeFile(target, "Patients,Cases\n1,2\n"));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(writeFile(target, QByteArray()));
    } else if (kind == QLatin1String("otherKey")) {
        QVERIFY2(createCaseDatabase(target, QStringLiteral("another site's key"),
                                    QStringLiteral("admin"), QString(), &error),
                 qPrintable(error));
    } else if (kind == QLatin1String("noTables")) {
        QVERIFY2(createCaseDatabase(target, inst.config.databaseKey(), QStringLiteral("admin"),
                                    QString(), &error),
                 qPrintable(error));
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), QStringLiteral("strip"));
        db.setDatabaseName(target);
        db.setPassword(inst.config.databaseKey());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("DROP TABLE SerumLevel")));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("strip"));
    } else {
        QVERIFY(QDir().mkpath(target));
    }

    PromptScript prompts;
    FileDialog::setNextPath(target);
    inst.clickChange();

    verifyPrompt(prompts, QStringLiteral("Error"), invalidText);
    VERIFY_UNCHANGED(inst);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::switchWithUnwritableStoreChangesNothing_data()
{
    QTest::addColumn<bool>("settingsWritable");
    QTest::addColumn<bool>("registryWritable");
    QTest::newRow("read-only settings file") << false << true;
    QTest::newRow("registry refuses") << true << false;
}

void TestProgramSettingsDatabase::switchWithUnwritableStoreChangesNothing()
{
    QFETCH(bool, settingsWritable);
    QFETCH(bool, registryWritable);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    TestEnvironment other;
    QVERIFY2(other.isValid(), qPrintable(other.error()));
    QFile settings(inst.env.settingsPath());
    if (!settingsWritable)
        QVERIFY(settings.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    registry().setWritable(registryWritable);

    PromptScript prompts;
    FileDialog::setNextPath(other.databasePath());
    inst.clickChange();
    registry().setWritable(true);
    settings.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Error"));
    QVERIFY(shown[0].text.contains(settingsWritable ? QStringLiteral("registry")
                                                    : QStringLiteral("settings file")));
    VERIFY_UNCHANGED(inst);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::cancelledDialogChangesNothing()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    PromptScript prompts;
    FileDialog::setNextPath(QString());
    inst.clickChange();
    QVERIFY(prompts.take().empty());
    VERIFY_UNCHANGED(inst);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::missingPathDeclined()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    const QString target = QDir(inst.env.dir()).filePath(QStringLiteral("elsewhere.db"));

    PromptScript prompts;
    FileDialog::setNextPath(target);
    MessageBox::setNextAnswer(QMessageBox::No);
    inst.clickChange();

    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].kind, PromptKind::Question);
    QCOMPARE(shown[0].title, QStringLiteral("Database copy"));
    QCOMPARE(shown[0].text, moveQuestionText);
    QVERIFY(!QFile::exists(target));
    VERIFY_UNCHANGED(inst);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::moveToNewPath()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    QVERIFY(addCase(QStringLiteral("2024-02-03  08:30:15"), QStringLiteral("mover")));
    QVERIFY(QDir(inst.env.dir()).mkdir(QStringLiteral("moved")));
    const QString target = QDir(inst.env.dir()).filePath(QStringLiteral("moved/PKdatabase.db"));
    // A database its group and everyone else may read.
    QVERIFY(QFile::setPermissions(inst.original, QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ReadGroup | QFile::ReadOther));

    PromptScript prompts;
    FileDialog::setNextPath(target);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    inst.clickChange();

    verifyPrompt(prompts, QStringLiteral("Information"), movedText);
    QVERIFY(!QFile::exists(inst.original));
    QVERIFY(QFile::exists(target));
    // The moved database keeps what it gave its owner and group, and nothing of the rest.
    const QFile::Permissions anyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(target) & anyone,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QCOMPARE(inst.storedPath(), target);
    QCOMPARE(inst.config.databasePath(), target);
    QCOMPARE(inst.shownPath(), target);
    // Only a switch writes the registry.
    QCOMPARE(registry().value(registryKey, registryName), registryBefore);
    QVERIFY(inst.inUse(target));
    QCOMPARE(inst.lastBy(), QStringLiteral("mover"));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("testConnection")));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::moveWithFailingCopy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only folder") << "readOnly";
    QTest::newRow("folder that is a file") << "fileParent";
    QTest::newRow("missing folder") << "missing";
}

void TestProgramSettingsDatabase::moveWithFailingCopy()
{
    QFETCH(QString, kind);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    const QDir dir(inst.env.dir());
    QString target;
    if (kind == QLatin1String("readOnly")) {
        QVERIFY(dir.mkdir(QStringLiteral("locked")));
        const QString locked = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        if (writeFile(locked + QStringLiteral("/probe"), "x")) {
            QFile::remove(locked + QStringLiteral("/probe"));
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("this user writes into read-only folders");
        }
        target = locked + QStringLiteral("/PKdatabase.db");
    } else if (kind == QLatin1String("fileParent")) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plainfile")), "x"));
        target = dir.filePath(QStringLiteral("plainfile/PKdatabase.db"));
    } else {
        target = dir.filePath(QStringLiteral("no/such/folder/PKdatabase.db"));
    }

    PromptScript prompts;
    FileDialog::setNextPath(target);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    inst.clickChange();
    if (kind == QLatin1String("readOnly"))
        QFile::setPermissions(dir.filePath(QStringLiteral("locked")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[1].title, QStringLiteral("Move failed"));
    QVERIFY2(shown[1].text.contains(target), qPrintable(shown[1].text));
    QVERIFY(!QFile::exists(target));
    VERIFY_UNCHANGED(inst);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::moveWithUnwritableSettings()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    const QString target = QDir(inst.env.dir()).filePath(QStringLiteral("moved.db"));
    QFile settings(inst.env.settingsPath());
    QVERIFY(settings.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    PromptScript prompts;
    FileDialog::setNextPath(target);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    inst.clickChange();
    settings.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[1].title, QStringLiteral("Move failed"));
    QVERIFY2(shown[1].text.contains(QStringLiteral("settings file")), qPrintable(shown[1].text));
    // The copy made on the way is gone again.
    QVERIFY(!QFile::exists(target));
    VERIFY_UNCHANGED(inst);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::moveOfUnusableFileKeepsOriginal()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    // The configured file is no case database; its copy must not become one.
    const QString text = QDir(inst.env.dir()).filePath(QStringLiteral("notes.db"));
    QVERIFY(writeFile(text, "not a database\n"));
    inst.config.setDatabasePath(text);
    const QString target = QDir(inst.env.dir()).filePath(QStringLiteral("moved.db"));

    PromptScript prompts;
    FileDialog::setNextPath(target);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    inst.clickChange();

    verifyPrompt(prompts, QStringLiteral("Warning"), unusableCopyText);
    QVERIFY(QFile::exists(text));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(inst.storedPath(), inst.original);
    QCOMPARE(inst.config.databasePath(), text);
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("testConnection")));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::moveOfDamagedDatabaseKeepsOriginal()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    // Enough rows that the last pages hold only them, then one of those pages damaged: the
    // schema still reads, the full check does not.
    QVERIFY(defaultConnection().transaction());
    const QString filler(400, QLatin1Char('x'));
    for (int i = 0; i < 400; ++i)
        QVERIFY(execOnDefault(QStringLiteral("INSERT INTO SerumLevel VALUES (?, ?, ?, ?)"),
                              {i, filler, filler, filler}));
    QVERIFY(defaultConnection().commit());
    defaultConnection().close();
    {
        QFile file(inst.original);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(file.size() - 600));
        QVERIFY(file.write(QByteArray(64, '\x5a')) == 64);
    }
    QVERIFY(defaultConnection().open());
    QVERIFY(inst.inUse(inst.original));
    const QByteArray damaged = [&] {
        QFile file(inst.original);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const QString target = QDir(inst.env.dir()).filePath(QStringLiteral("moved.db"));

    PromptScript prompts;
    FileDialog::setNextPath(target);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    inst.clickChange();

    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[1].title, QStringLiteral("Warning"));
    QVERIFY2(shown[1].text.contains(QStringLiteral("integrity")), qPrintable(shown[1].text));
    QVERIFY(!QFile::exists(target));
    VERIFY_UNCHANGED(inst);
    QFile file(inst.original);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == damaged);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::guestsAreRefused()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.session.loggedIn = false;
    inst.page = std::make_unique<ProgramSettingPage>(nullptr, nullptr, nullptr, &inst.config,
                                                     &inst.session);
    TestEnvironment other;
    QVERIFY2(other.isValid(), qPrintable(other.error()));

    PromptScript prompts;
    // No file dialog may open: none is scripted.
    inst.clickChange();
    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Guest Mode"));
    VERIFY_UNCHANGED(inst);

    // The log-in mode cannot be changed either.
    auto* input = inst.page->findChild<QAbstractButton*>(QStringLiteral("userName_input"));
    QVERIFY(!input->isEnabled());
    QVERIFY(QMetaObject::invokeMethod(inst.page.get(), "on_userName_input_clicked"));
    QVERIFY(!SettingsFile(inst.env.settingsPath()).contains(QStringLiteral("Config/logInMode")));
    QVERIFY(!input->isChecked());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsDatabase::openCaseRefuses_data()
{
    QTest::addColumn<bool>("flag");
    QTest::addColumn<int>("caseNumber");
    QTest::newRow("case page open") << true << 0;
    QTest::newRow("stored case in the session") << false << 12;
}

void TestProgramSettingsDatabase::openCaseRefuses()
{
    QFETCH(bool, flag);
    QFETCH(int, caseNumber);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.page->setCaseOpen(flag);
    inst.session.caseNumber = caseNumber;

    PromptScript prompts;
    inst.clickChange();
    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(shown[0].text, QStringLiteral("Please close the current case with File > Log Out and "
                                           "log in again before you switch or move the database."));
    VERIFY_UNCHANGED(inst);

    // Once the case is closed the change goes ahead.
    inst.page->setCaseOpen(false);
    inst.session.caseNumber = 0;
    FileDialog::setNextPath(inst.original);
    inst.clickChange();
    verifyPrompt(prompts, QStringLiteral("Information"), switchedText);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestProgramSettingsDatabase)
#include "tst_programsettings_database.moc"
