#include "app/ProgramConfig.h"
#include "platform/DatabaseKey.h"
#include "platform/MemoryRegistry.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QSettings>
#include <QSqlDatabase>
#include <QTemporaryDir>

namespace
{

// Runs ProgramConfig::load with the given folder as working directory and the given registry.
class LoadRun
{
public:
    explicit LoadRun(const QString& dir) : m_previous(QDir::currentPath())
    {
        SystemRegistry::setInstance(&registry);
        QDir::setCurrent(dir);
    }
    ~LoadRun()
    {
        QDir::setCurrent(m_previous);
        SystemRegistry::setInstance(nullptr);
    }
    MemoryRegistry registry;

private:
    QString m_previous;
};

void writeSettings(const QString& path, const QString& key, const QString& value)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(key, value);
}

} // namespace

class TestProgramConfig : public QObject
{
    Q_OBJECT
private slots:
    void constructedEmpty();
    void settingsFileRoads_data();
    void settingsFileRoads();
    void registryRoads();
    void noSettingsAnywhere();
    void workingDirectoryWinsOverRegistry();
    void setStatusChangesOnlyTheStatus();
    void keyIsPrefixAndSiteName();
    void databaseOpensOnlyWithTheKey();
};

void TestProgramConfig::constructedEmpty()
{
    ProgramConfig config;
    QCOMPARE(config.status(), -1);
    QVERIFY(config.settingsPath().isEmpty());
    QVERIFY(config.databasePath().isEmpty());
    QCOMPARE(config.siteName(), builtInSiteName());
    QCOMPARE(config.installationName(), config.siteName());
}

void TestProgramConfig::settingsFileRoads_data()
{
    QTest::addColumn<QString>("value"); // empty: no Path/db key at all
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expectedPath"); // "<default>": PKdatabase.db beside the settings
    QTest::newRow("path given") << "/data/case files/PKdatabase.db" << true << -1
                                << "/data/case files/PKdatabase.db";
    QTest::newRow("windows path") << "C:\\Talvora\\db, main.db" << true << -1
                                  << "C:\\Talvora\\db, main.db";
    QTest::newRow("not configured") << "Database Not Configured" << false << 3 << "<default>";
    QTest::newRow("no key") << QString() << false << 3 << "<default>";
}

void TestProgramConfig::settingsFileRoads()
{
    QFETCH(QString, value);
    QFETCH(bool, loaded);
    QFETCH(int, status);
    QFETCH(QString, expectedPath);
    QTemporaryDir dir;
    const QString settings = QDir(dir.path()).filePath("PKsettings.ini");
    if (value.isEmpty())
        writeSettings(settings, "Unit/weight", "kg");
    else
        writeSettings(settings, "Path/db", value);
    LoadRun run(dir.path());
    ProgramConfig config;
    QCOMPARE(config.load(), loaded);
    QCOMPARE(config.status(), status);
    QCOMPARE(QFileInfo(config.settingsPath()), QFileInfo(settings));
    if (expectedPath == "<default>")
        QCOMPARE(QFileInfo(config.databasePath()),
                 QFileInfo(QDir(dir.path()).filePath("PKdatabase.db")));
    else
        QCOMPARE(config.databasePath(), expectedPath);
}

void TestProgramConfig::registryRoads()
{
    QTemporaryDir empty;
    QTemporaryDir install;
    const QString settings = QDir(install.path()).filePath("PKsettings.ini");
    writeSettings(settings, "Path/db", "/srv/talvora/PKdatabase.db");
    LoadRun run(empty.path());
    run.registry.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\MorVane\\Talvora", "INSTDIR", settings);
    ProgramConfig config;
    QVERIFY(!config.load());
    QCOMPARE(config.status(), -1);
    QCOMPARE(config.settingsPath(), settings);
    QCOMPARE(config.databasePath(), QString("/srv/talvora/PKdatabase.db"));

    // A registry value naming a file that is not there gives no database path to probe.
    run.registry.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\MorVane\\Talvora", "INSTDIR",
                          settings + ".gone");
    ProgramConfig missing;
    QVERIFY(!missing.load());
    QCOMPARE(missing.status(), -1);
    QVERIFY(missing.databasePath().isEmpty());
}

void TestProgramConfig::noSettingsAnywhere()
{
    QTemporaryDir empty;
    LoadRun run(empty.path());
    ProgramConfig config;
    QVERIFY(!config.load());
    QCOMPARE(config.status(), 1);
    QVERIFY(config.settingsPath().isEmpty());
}

void TestProgramConfig::workingDirectoryWinsOverRegistry()
{
    QTemporaryDir dir;
    const QString settings = QDir(dir.path()).filePath("PKsettings.ini");
    writeSettings(settings, "Path/db", "/here.db");
    LoadRun run(dir.path());
    run.registry.setValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\MorVane\\Talvora", "INSTDIR",
                          "/elsewhere/PKsettings.ini");
    ProgramConfig config;
    QVERIFY(config.load());
    QCOMPARE(config.databasePath(), QString("/here.db"));
}

void TestProgramConfig::setStatusChangesOnlyTheStatus()
{
    ProgramConfig config;
    config.setDatabasePath("/x.db");
    for (int code : {7, 8, 9, -1, 42}) {
        QVERIFY(config.setStatus(code));
        QCOMPARE(config.status(), code);
        QCOMPARE(config.databasePath(), QString("/x.db"));
    }
}

void TestProgramConfig::keyIsPrefixAndSiteName()
{
    ProgramConfig config;
    const QString key = config.databaseKey();
    QCOMPARE(key.size(), 10 + config.siteName().size());
    QVERIFY(key.endsWith(config.siteName()));
    QCOMPARE(databaseKeyFor(QString()).size(), 10);
    QCOMPARE(key.left(10), databaseKeyFor(QString()));
    QCOMPARE(config.databaseKey(), key); // built anew, always the same
}

void TestProgramConfig::databaseOpensOnlyWithTheKey()
{
    TestEnvironment env;
    QVERIFY2(env.isValid(), qPrintable(env.error()));
    ProgramConfig config;
    for (const QString& password : {config.databaseKey(), QString("wrong key!")}) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("SQLITECIPHER", "probe");
            db.setDatabaseName(env.databasePath());
            db.setPassword(password);
            QVERIFY(db.open());
            QCOMPARE(config.databaseOpens(db), password == config.databaseKey());
            db.close();
        }
        QSqlDatabase::removeDatabase("probe");
    }
}

TALVORA_TEST_MAIN(TestProgramConfig)
#include "tst_programconfig.moc"
