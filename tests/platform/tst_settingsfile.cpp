#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "tests/support/TestMain.h"

#include <QSettings>
#include <QTemporaryDir>

namespace
{
bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    if (path.isEmpty())
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a plain reader of the file sees, without this program's matching of names.
QStringList rawKeys(const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    return settings.allKeys();
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void defaultsFromFileWithOnlyPath_data();
    void defaultsFromFileWithOnlyPath();
    void reportSectionsDefaultToTicked();
    void namesMatchWithoutCase_data();
    void namesMatchWithoutCase();
    void writeReplacesOtherSpelling_data();
    void writeReplacesOtherSpelling();
    void duplicateSpellingsCollapseOnWrite();
    void newKeyJoinsExistingSection();
    void valuesCompareExactly();
    void boolParsing_data();
    void boolParsing();
    void valuesReadBackAsWritten_data();
    void valuesReadBackAsWritten();
    void handWrittenValues_data();
    void handWrittenValues();
    void writeFailuresReported_data();
    void writeFailuresReported();
    void everyReadSeesTheFileAsItIsNow();
    void unchangedValueWritesNothing();
    void missingFileAndFolderAreCreatedOnWrite();

private:
    QString filePath(const QString& name = QStringLiteral("PKsettings.ini")) const
    {
        return m_dir->filePath(name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettingsFile::defaultsFromFileWithOnlyPath_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");
    using namespace SettingsKeys;
    QTest::newRow("height") << unitHeight << unitHeightDefault << "cm";
    QTest::newRow("weight") << unitWeight << unitWeightDefault << "kg";
    QTest::newRow("style") << backGroundOption << backGroundOptionDefault << "2";
    QTest::newRow("log-in mode") << configLogInMode << configLogInModeDefault << "1";
    QTest::newRow("frequency") << updateFrequency << updateFrequencyDefault << "Monthly";
    QTest::newRow("prompt") << updatePrompt << updatePromptDefault << "Yes";
    QTest::newRow("new version") << updateNewVersion << updateNewVersionDefault << "v0.14.12.23";
    QTest::newRow("database path") << pathDb << pathDbDefault << "/data/PKdatabase.db";
}

void TestSettingsFile::defaultsFromFileWithOnlyPath()
{
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    QVERIFY(writeBytes(filePath(), "[Path]\ndb=/data/PKdatabase.db\n"));
    const SettingsFile settings(filePath());
    QCOMPARE(settings.value(key, defaultValue), expected);
    // Reading writes nothing back.
    QCOMPARE(readBytes(filePath()), QByteArray("[Path]\ndb=/data/PKdatabase.db\n"));
}

void TestSettingsFile::reportSectionsDefaultToTicked()
{
    QVERIFY(writeBytes(filePath(), "[Path]\ndb=/data/PKdatabase.db\n[Report]\ndrf=false\n"));
    const SettingsFile settings(filePath());
    QCOMPARE(SettingsKeys::reportKeyCount, 17);
    QStringList seen;
    for (const char* key : SettingsKeys::reportKeys) {
        QVERIFY2(QString(key).startsWith("Report/"), key);
        QVERIFY2(!seen.contains(key, Qt::CaseInsensitive), key);
        seen << key;
        const bool expected = QString(key) != SettingsKeys::reportDrf;
        QCOMPARE(settings.boolValue(key, SettingsKeys::reportDefault), expected);
    }
}

void TestSettingsFile::namesMatchWithoutCase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("written by the settings page")
        << QByteArray("[Config]\nLogInMode=2\n") << "Config/logInMode"
        << "2";
    QTest::newRow("read by the settings page")
        << QByteArray("[Config]\nlogInMode=2\n") << "Config/LogInMode"
        << "2";
    QTest::newRow("section and key upper case")
        << QByteArray("[unit]\nHEIGHT=inch\n") << "Unit/height"
        << "inch";
    QTest::newRow("all capitals") << QByteArray("[BACKGROUND]\nOPTION=3\n") << "BackGround/option"
                                  << "3";
    QTest::newRow("doubled slash") << QByteArray("[Update]\nprompt=No\n") << "Update//prompt"
                                   << "No";
}

void TestSettingsFile::namesMatchWithoutCase()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QVERIFY(writeBytes(filePath(), content));
    const SettingsFile settings(filePath());
    QVERIFY(settings.contains(key));
    QCOMPARE(settings.value(key, "default"), expected);
}

void TestSettingsFile::writeReplacesOtherSpelling_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("LogInMode then logInMode") << "Config/LogInMode"
                                              << "Config/logInMode";
    QTest::newRow("logInMode then LogInMode") << "Config/logInMode"
                                              << "Config/LogInMode";
    QTest::newRow("section spelling") << "config/loginmode"
                                      << "Config/logInMode";
}

void TestSettingsFile::writeReplacesOtherSpelling()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    SettingsFile settings(filePath());
    QVERIFY(settings.setValue(first, "2"));
    QVERIFY2(settings.setValue(second, "1"), qPrintable(settings.lastError()));
    QCOMPARE(settings.value(first), QString("1"));
    QCOMPARE(settings.value(second), QString("1"));
    QCOMPARE(rawKeys(filePath()).size(), 1);
}

void TestSettingsFile::duplicateSpellingsCollapseOnWrite()
{
    QVERIFY(writeBytes(filePath(), "[Config]\nlogInMode=1\nLOGINMODE=3\n[config]\nLogInMode=2\n"));
    SettingsFile settings(filePath());
    // The exact spelling wins while several are stored.
    QCOMPARE(settings.value("Config/logInMode"), QString("1"));
    QVERIFY(settings.setValue("Config/LogInMode", "2"));
    QCOMPARE(rawKeys(filePath()).size(), 1);
    QCOMPARE(settings.value("Config/logInMode"), QString("2"));
    QCOMPARE(settings.value("config/LOGINMODE"), QString("2"));
}

void TestSettingsFile::newKeyJoinsExistingSection()
{
    QVERIFY(writeBytes(filePath(), "[unit]\nweight=lb\n"));
    SettingsFile settings(filePath());
    QVERIFY(settings.setValue(SettingsKeys::unitHeight, "inch"));
    QStringList keys = rawKeys(filePath());
    keys.sort();
    QCOMPARE(keys, QStringList({"unit/height", "unit/weight"}));
    QCOMPARE(settings.value(SettingsKeys::unitWeight), QString("lb"));
}

void TestSettingsFile::valuesCompareExactly()
{
    QVERIFY(writeBytes(filePath(), "[Unit]\nheight=CM\n"));
    SettingsFile settings(filePath());
    QCOMPARE(settings.value(SettingsKeys::unitHeight, SettingsKeys::unitHeightDefault),
             QString("CM"));
    QVERIFY(settings.setValue(SettingsKeys::unitWeight, "KG"));
    QCOMPARE(settings.value(SettingsKeys::unitWeight), QString("KG"));
}

void TestSettingsFile::boolParsing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("missing, default true") << QByteArray() << true << true;
    QTest::newRow("missing, default false") << QByteArray() << false << false;
    QTest::newRow("empty") << QByteArray("drf=") << true << false;
    QTest::newRow("0") << QByteArray("drf=0") << true << false;
    QTest::newRow("false") << QByteArray("drf=false") << true << false;
    QTest::newRow("FALSE") << QByteArray("drf=FALSE") << true << false;
    QTest::newRow("False") << QByteArray("drf=False") << true << false;
    QTest::newRow("true") << QByteArray("drf=true") << false << true;
    QTest::newRow("1") << QByteArray("drf=1") << false << true;
    QTest::newRow("no is not false") << QByteArray("drf=no") << false << true;
    QTest::newRow("00 is not 0") << QByteArray("drf=00") << false << true;
    QTest::newRow("falsey is not false") << QByteArray("drf=falsey") << false << true;
    QTest::newRow("key in other case") << QByteArray("DRF=false") << true << false;
}

void TestSettingsFile::boolParsing()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    QVERIFY(writeBytes(filePath(), "[Report]\n" + line + "\n"));
    const SettingsFile settings(filePath());
    QCOMPARE(settings.boolValue(SettingsKeys::reportDrf, defaultValue), expected);
}

void TestSettingsFile::valuesReadBackAsWritten_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("Windows path") << "C:\\Program Files\\Talvora\\PKdatabase.db";
    QTest::newRow("UNC path") << "\\\\server\\share\\PKdatabase.db";
    QTest::newRow("commas") << "/home/a,b/c, d.db";
    QTest::newRow("backslashes and commas") << "C:\\a,b\\x\\,y.db";
    QTest::newRow("INI punctuation") << "a;b=c\"d\"#e[f]";
    QTest::newRow("surrounding blanks") << "  spaced  ";
    QTest::newRow("non-ASCII") << QString::fromUtf8("/home/J\xc3\xb6rg/\xe2\x82\xac.db");
    QTest::newRow("at sign first") << "@Variant(x)";
    QTest::newRow("empty") << "";
}

void TestSettingsFile::valuesReadBackAsWritten()
{
    QFETCH(QString, value);
    SettingsFile settings(filePath());
    QVERIFY(settings.setValue(SettingsKeys::pathDb, value));
    QCOMPARE(settings.value(SettingsKeys::pathDb, "default"), value);
    // Another write rewrites the whole file; the value survives it.
    QVERIFY(settings.setValue(SettingsKeys::unitHeight, "inch"));
    QCOMPARE(settings.value(SettingsKeys::pathDb, "default"), value);
    QCOMPARE(SettingsFile(filePath()).value("path/DB"), value);
}

void TestSettingsFile::handWrittenValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain path") << QByteArray("db=/srv/talvora/PKdatabase.db")
                                << "/srv/talvora/PKdatabase.db";
    QTest::newRow("unquoted comma")
        << QByteArray("db=/srv/a,b/PKdatabase.db") << "/srv/a,b/PKdatabase.db";
    QTest::newRow("quoted backslashes")
        << QByteArray("db=\"C:\\\\Data\\\\PKdatabase.db\"") << "C:\\Data\\PKdatabase.db";
    QTest::newRow("UTF-8") << QByteArray("db=/home/J\xc3\xb6rg/PKdatabase.db")
                           << QString::fromUtf8("/home/J\xc3\xb6rg/PKdatabase.db");
}

void TestSettingsFile::handWrittenValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    QVERIFY(writeBytes(filePath(), "[Path]\n" + line + "\n"));
    QCOMPARE(SettingsFile(filePath()).value(SettingsKeys::pathDb), expected);
}

void TestSettingsFile::writeFailuresReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only file") << "read-only";
    QTest::newRow("folder is a file") << "under a file";
    QTest::newRow("path is a folder") << "folder";
    QTest::newRow("unparsable file") << "unparsable";
    QTest::newRow("not a settings file") << "binary";
    QTest::newRow("no path") << "empty";
}

void TestSettingsFile::writeFailuresReported()
{
    QFETCH(QString, kind);
    const QByteArray original = "[Path]\ndb=/old/PKdatabase.db\n";
    QString path = filePath();
    if (kind == "read-only") {
        QVERIFY(writeBytes(path, original));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    } else if (kind == "under a file") {
        QVERIFY(writeBytes(filePath("plain"), "x"));
        path = filePath("plain/PKsettings.ini");
    } else if (kind == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir("PKsettings.ini"));
    } else if (kind == "unparsable") {
        QVERIFY(writeBytes(path, "[Path\ndb=/old/PKdatabase.db\n"));
    } else if (kind == "binary") {
        QVERIFY(writeBytes(path, QByteArray::fromHex("8a07ff3c2e0a91d45b7f00e36a")));
    } else {
        path.clear();
    }
    const QByteArray before = readBytes(path);

    SettingsFile settings(path);
    QVERIFY(!settings.setValue(SettingsKeys::pathDb, "/new/PKdatabase.db"));
    QVERIFY(!settings.lastError().isEmpty());
    QCOMPARE(readBytes(path), before);
    QVERIFY(settings.value(SettingsKeys::pathDb) != "/new/PKdatabase.db");

    if (kind == "read-only") {
        QCOMPARE(settings.value(SettingsKeys::pathDb), QString("/old/PKdatabase.db"));
        QVERIFY(settings.lastError().contains("read-only"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(settings.setValue(SettingsKeys::pathDb, "/new/PKdatabase.db"));
        QVERIFY(settings.lastError().isEmpty());
        QCOMPARE(settings.value(SettingsKeys::pathDb), QString("/new/PKdatabase.db"));
    }
}

void TestSettingsFile::everyReadSeesTheFileAsItIsNow()
{
    SettingsFile settings(filePath());
    QVERIFY(settings.setValue(SettingsKeys::backGroundOption, "1"));
    QCOMPARE(settings.value(SettingsKeys::backGroundOption), QString("1"));
    QVERIFY(writeBytes(filePath(), "[BackGround]\noption=4\n[Unit]\nweight=lb\n"));
    QCOMPARE(settings.value(SettingsKeys::backGroundOption), QString("4"));
    QVERIFY(QFile::remove(filePath()));
    QVERIFY(!settings.contains(SettingsKeys::backGroundOption));
}

void TestSettingsFile::unchangedValueWritesNothing()
{
    const QByteArray handWritten = "; site notes\n[Update]\nPrompt=Yes\n[Path]\ndb=/d.db\n";
    QVERIFY(writeBytes(filePath(), handWritten));
    SettingsFile settings(filePath());
    QVERIFY(settings.setValue(SettingsKeys::updatePrompt, "Yes"));
    QCOMPARE(readBytes(filePath()), handWritten);
    QVERIFY(settings.setValue(SettingsKeys::updatePrompt, "No"));
    QCOMPARE(settings.value(SettingsKeys::updatePrompt), QString("No"));
}

void TestSettingsFile::missingFileAndFolderAreCreatedOnWrite()
{
    const QString path = filePath("data/talvora/PKsettings.ini");
    SettingsFile settings(path);
    QVERIFY(!settings.contains(SettingsKeys::pathDb));
    QVERIFY2(settings.setValue(SettingsKeys::pathDb, "/data/PKdatabase.db"),
             qPrintable(settings.lastError()));
    QVERIFY(QFile::exists(path));
    QCOMPARE(rawKeys(path), QStringList({"Path/db"}));
    // It names the database: nobody but its owner reads it.
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
}

TALVORA_TEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
