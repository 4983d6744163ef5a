#include "platform/MemoryRegistry.h"
#include "platform/PathUtil.h"
#include "platform/SystemRegistry.h"
#include "tests/support/TestMain.h"

#include <QSettings>
#include <QTemporaryDir>

class TestRegistry : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void perUserFileStoresAndReadsBack();
    void keysAndNamesIgnoreLetterCase();
    void theTwoKeysStaySeparate();
    void relativeConfigFolderStoresNothing();
    void unwritableConfigFolderIsReported();
    void installedRegistryReplacesTheDefault();
    void memoryRegistry();

    void joinPath_data();
    void joinPath();
    void inWorkingDirectory();

private:
    bool workingDirectoryIsEmpty() const
    {
        return QDir(m_workDir->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
            .isEmpty();
    }

    std::unique_ptr<QTemporaryDir> m_configDir;
    std::unique_ptr<QTemporaryDir> m_workDir;
    QByteArray m_savedConfigHome;
    SystemRegistry* m_savedRegistry = nullptr;
    QString m_savedWorkingDirectory;
};

void TestRegistry::init()
{
    m_configDir = std::make_unique<QTemporaryDir>();
    m_workDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_configDir->isValid() && m_workDir->isValid());
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    m_savedWorkingDirectory = QDir::currentPath();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configDir->path()));
    QVERIFY(QDir::setCurrent(m_workDir->path()));
    // The test process runs on a fake; these tests want the per-user file unless they say so.
    m_savedRegistry = &SystemRegistry::instance();
    SystemRegistry::setInstance(nullptr);
}

void TestRegistry::cleanup()
{
    SystemRegistry::setInstance(m_savedRegistry);
    QDir::setCurrent(m_savedWorkingDirectory);
    if (m_savedConfigHome.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
}

void TestRegistry::perUserFileStoresAndReadsBack()
{
    SystemRegistry& registry = SystemRegistry::instance();
    QCOMPARE(registry.value(RegistryKeys::installationKey, RegistryKeys::installationDirectoryName),
             QString());
    QVERIFY(registry.setValue(RegistryKeys::installationKey,
                              RegistryKeys::installationDirectoryName,
                              "/opt/talvora/PKsettings.ini"));
    QCOMPARE(registry.value(RegistryKeys::installationKey, RegistryKeys::installationDirectoryName),
             QString("/opt/talvora/PKsettings.ini"));

    const QString file = m_configDir->filePath("talvora/registry.ini");
    QCOMPARE(IniFileRegistry::defaultPath(), file);
    QVERIFY(QFile::exists(file));
    QVERIFY(workingDirectoryIsEmpty());
    // A later process finds it again.
    QCOMPARE(IniFileRegistry(file).value(RegistryKeys::installationKey,
                                         RegistryKeys::installationDirectoryName),
             QString("/opt/talvora/PKsettings.ini"));
}

void TestRegistry::keysAndNamesIgnoreLetterCase()
{
    IniFileRegistry registry;
    QVERIFY(registry.setValue(RegistryKeys::databaseKey, RegistryKeys::databasePathName,
                              "/data/One.db"));
    QCOMPARE(registry.value("hkey_local_machine\\software\\TALVORA", "DB"),
             QString("/data/One.db"));
    QVERIFY(registry.setValue("HKEY_LOCAL_MACHINE\\Software\\talvora", "Db", "/data/Two.db"));
    QCOMPARE(registry.value(RegistryKeys::databaseKey, RegistryKeys::databasePathName),
             QString("/data/Two.db"));
    QSettings raw(IniFileRegistry::defaultPath(), QSettings::IniFormat);
    QCOMPARE(raw.allKeys().size(), 1);
}

void TestRegistry::theTwoKeysStaySeparate()
{
    IniFileRegistry registry;
    QVERIFY(registry.setValue(RegistryKeys::installationKey,
                              RegistryKeys::installationDirectoryName, "C:\\Talvora\\x.ini"));
    QVERIFY(registry.setValue(RegistryKeys::databaseKey, RegistryKeys::databasePathName, "/d.db"));
    QCOMPARE(registry.value(RegistryKeys::installationKey, RegistryKeys::databasePathName),
             QString());
    QCOMPARE(registry.value(RegistryKeys::databaseKey, RegistryKeys::installationDirectoryName),
             QString());
    QCOMPARE(registry.value(RegistryKeys::installationKey, RegistryKeys::installationDirectoryName),
             QString("C:\\Talvora\\x.ini"));
    QSettings raw(IniFileRegistry::defaultPath(), QSettings::IniFormat);
    QStringList keys = raw.allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"HKEY_LOCAL_MACHINE/SOFTWARE/MorVane/Talvora/INSTDIR",
                                "HKEY_LOCAL_MACHINE/SOFTWARE/Talvora/db"}));
}

void TestRegistry::relativeConfigFolderStoresNothing()
{
    qputenv("XDG_CONFIG_HOME", "relative/config");
    QCOMPARE(IniFileRegistry::defaultPath(), QString());
    IniFileRegistry registry;
    QVERIFY(!registry.setValue(RegistryKeys::databaseKey, RegistryKeys::databasePathName, "/x"));
    QVERIFY(!registry.lastError().isEmpty());
    QCOMPARE(registry.value(RegistryKeys::databaseKey, RegistryKeys::databasePathName), QString());
    QVERIFY(workingDirectoryIsEmpty());
}

void TestRegistry::unwritableConfigFolderIsReported()
{
    const QString plainFile = m_configDir->filePath("not-a-folder");
    {
        QFile file(plainFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(plainFile));
    IniFileRegistry registry;
    QVERIFY(!registry.setValue(RegistryKeys::databaseKey, RegistryKeys::databasePathName, "/x"));
    QVERIFY(!registry.lastError().isEmpty());
    QCOMPARE(registry.value(RegistryKeys::databaseKey, RegistryKeys::databasePathName), QString());
}

void TestRegistry::installedRegistryReplacesTheDefault()
{
    SystemRegistry& perUser = SystemRegistry::instance();
    QVERIFY(dynamic_cast<IniFileRegistry*>(&perUser));

    MemoryRegistry memory;
    SystemRegistry::setInstance(&memory);
    QCOMPARE(&SystemRegistry::instance(), static_cast<SystemRegistry*>(&memory));
    QVERIFY(SystemRegistry::instance().setValue(RegistryKeys::databaseKey,
                                                RegistryKeys::databasePathName, "/m.db"));
    QCOMPARE(memory.value(RegistryKeys::databaseKey, RegistryKeys::databasePathName),
             QString("/m.db"));
    QVERIFY(!QFile::exists(IniFileRegistry::defaultPath()));

    SystemRegistry::setInstance(nullptr);
    QCOMPARE(&SystemRegistry::instance(), &perUser);
}

void TestRegistry::memoryRegistry()
{
    MemoryRegistry registry;
    QVERIFY(!registry.contains(RegistryKeys::databaseKey, RegistryKeys::databasePathName));
    QVERIFY(registry.setValue(RegistryKeys::databaseKey, RegistryKeys::databasePathName, "/a"));
    QVERIFY(registry.contains("HKEY_LOCAL_MACHINE\\SOFTWARE\\TALVORA", "DB"));
    QCOMPARE(registry.value(RegistryKeys::installationKey, RegistryKeys::databasePathName),
             QString());

    registry.setWritable(false);
    QVERIFY(!registry.setValue(RegistryKeys::databaseKey, RegistryKeys::databasePathName, "/b"));
    QVERIFY(!registry.setValue(RegistryKeys::installationKey,
                               RegistryKeys::installationDirectoryName, "/c"));
    QCOMPARE(registry.value(RegistryKeys::databaseKey, RegistryKeys::databasePathName),
             QString("/a"));
    QCOMPARE(registry.size(), 1);
}

void TestRegistry::joinPath_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/data"
                           << "PKsettings.ini"
                           << "/data/PKsettings.ini";
    QTest::newRow("trailing slash") << "/data/"
                                    << "PKsettings.ini"
                                    << "/data/PKsettings.ini";
    QTest::newRow("doubled slashes") << "/data//talvora"
                                     << "x.db"
                                     << "/data/talvora/x.db";
    QTest::newRow("dot parts") << "/data/./a/../b"
                               << "./x.db"
                               << "/data/b/x.db";
    QTest::newRow("file in subfolder") << "/data"
                                       << "talvora/x.ini"
                                       << "/data/talvora/x.ini";
    QTest::newRow("absolute file kept") << "/data"
                                        << "/etc/x.ini"
                                        << "/etc/x.ini";
    QTest::newRow("relative folder") << "data"
                                     << "x.db"
                                     << "data/x.db";
    QTest::newRow("no folder") << ""
                               << "x.db"
                               << "x.db";
    QTest::newRow("no file") << "/data/"
                             << ""
                             << "/data";
    QTest::newRow("nothing") << ""
                             << ""
                             << "";
    QTest::newRow("root") << "/"
                          << "x.db"
                          << "/x.db";
}

void TestRegistry::joinPath()
{
    QFETCH(QString, dir);
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QCOMPARE(::joinPath(dir, file), expected);
}

void TestRegistry::inWorkingDirectory()
{
    const QString path = ::inWorkingDirectory("PKsettings.ini");
    QVERIFY(QDir::isAbsolutePath(path));
    QCOMPARE(QFileInfo(path).dir().canonicalPath(), QDir(m_workDir->path()).canonicalPath());
    QCOMPARE(QFileInfo(path).fileName(), QString("PKsettings.ini"));
}

TALVORA_TEST_MAIN(TestRegistry)
#include "tst_registry.moc"
