#include "app/ProgramConfig.h"
#include "app/shell/MainWindow.h"
#include "app/shell/StartupController.h"
#include "pkcore/SessionData.h"
#include "platform/CipherDriver.h"
#include "platform/DatabaseKey.h"
#include "platform/JournalGuard.h"
#include "platform/JournalNames.h"
#include "platform/MemoryRegistry.h"
#include "platform/SystemRegistry.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/UserAccounts.h"
#include "tools/CaseDatabaseInit.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// What one pass showed.
struct SeenWindow {
    QString title;
};

class Recorder
{
public:
    // Each pass's window is looked at, then closed through "Log Out" while logOuts remain.
    int logOuts = 0;
    std::vector<SeenWindow> windows;

    StartupController::WindowRunner runner()
    {
        return [this](MainWindow& window) {
            windows.push_back({window.windowTitle()});
            if (logOuts > 0) {
                --logOuts;
                window.findChild<QAction*>("actionLog_Out")->trigger();
            }
        };
    }
};

void writeSetting(const QString& path, const QString& key, const QString& value)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(key, value);
}

bool hasText(const std::vector<PromptRecord>& records, const QString& title, const QString& code)
{
    for (const PromptRecord& record : records)
        if (record.title == title && record.text.endsWith(code))
            return true;
    return false;
}

void addUser(const QString& name, const QString& pwEnable)
{
    const QVariant password =
        pwEnable == "T" ? QVariant("0123456789abcdef0123456789abcdef") : QVariant();
    QVERIFY(addUserAccount({name, pwEnable, password, QString(""), QString(""), QString(""), "U"}));
}

bool dropTables(const QString& path, const QStringList& tables)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(cipherDriverName, "damage");
        db.setDatabaseName(path);
        db.setPassword(databaseKeyFor(builtInSiteName()));
        ok = db.open();
        QSqlQuery query(db);
        for (const QString& table : tables)
            ok = ok && query.exec("DROP TABLE " + table);
        db.close();
    }
    QSqlDatabase::removeDatabase("damage");
    return ok;
}

// Overwrites the middle of the table's first page on disk, as a damaged sector would; the page
// no longer decrypts, while the schema on the first page still reads.
bool damageFirstPage(const QString& path, const QString& table)
{
    qint64 page = 0;
    qint64 pageSize = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(cipherDriverName, "damage");
        db.setDatabaseName(path);
        db.setPassword(databaseKeyFor(builtInSiteName()));
        QSqlQuery query(db);
        if (db.open() && query.exec("PRAGMA page_size") && query.next())
            pageSize = query.value(0).toLongLong();
        if (query.exec("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'") &&
            query.next())
            page = query.value(0).toLongLong();
        db.close();
    }
    QSqlDatabase::removeDatabase("damage");
    QFile file(path);
    const qint64 noise = 64;
    return page > 1 && pageSize > 0 && file.open(QIODevice::ReadWrite) &&
           file.seek((page - 1) * pageSize + pageSize / 2) &&
           file.write(QByteArray(noise, '\x5a')) == noise;
}

// The access bits with the set-user, set-group and sticky bits.
int modeOf(const QString& path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777)
                                                                     : -1;
}

// A data folder shared through a group: its files were made by one member, and the start runs as
// another, since the super-user would write any file.
constexpr uid_t otherMember = 1;
constexpr uid_t thisMember = 65534;
constexpr gid_t sharingGroup = 65534;
constexpr uid_t superUser = 0;

bool madeByOtherMember(const QString& path, int mode)
{
    const QByteArray name = QFile::encodeName(path);
    return ::chown(name.constData(), otherMember, sharingGroup) == 0 &&
           ::chmod(name.constData(), mode_t(mode)) == 0;
}

// The database and the settings file as the other member made them, in a folder of that member's
// or of the super-user's.
bool madeAWardFolder(const TestEnvironment& env, int folderMode, uid_t folderOwner = otherMember)
{
    const QByteArray folder = QFile::encodeName(env.dir());
    return madeByOtherMember(env.databasePath(), 0660) &&
           madeByOtherMember(env.settingsPath(), 0660) &&
           ::chown(folder.constData(), folderOwner, sharingGroup) == 0 &&
           ::chmod(folder.constData(), mode_t(folderMode)) == 0;
}

class AsGroupMember
{
public:
    explicit AsGroupMember(uid_t member = thisMember)
        : m_ok(::setegid(sharingGroup) == 0 && ::seteuid(member) == 0)
    {
    }
    ~AsGroupMember()
    {
        ::seteuid(superUser);
        ::setegid(superUser);
    }
    AsGroupMember(const AsGroupMember&) = delete;
    AsGroupMember& operator=(const AsGroupMember&) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok;
};

// One start of the program by a member of the folder's group.
bool startedBy(StartupController& controller, uid_t member = thisMember)
{
    const AsGroupMember as(member);
    return as.ok() && controller.run() == 0;
}

// A member's program killed in the middle of a save, after SQLite spilled the save into the file:
// the journal holds the pages to put back. Run by the command-line shell as that member.
bool crashWhileSaving(const QString& database, uid_t member)
{
    QProcess shell;
    shell.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(member),
                 QStringLiteral("--regid=%1").arg(sharingGroup), QStringLiteral("--clear-groups"),
                 QStringLiteral("sqlcipher"), database});
    if (!shell.waitForStarted())
        return false;
    const int pages = 3000; // well past the page cache, so the save is spilled before its commit
    shell.write(
        QStringLiteral("PRAGMA key = '%1';\nBEGIN;\nCREATE TABLE cut_short (x);\n"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                       "WHERE i < %2) INSERT INTO cut_short SELECT randomblob(1000) FROM n;\n"
                       "SELECT 'spilled';\n")
            .arg(databaseKeyFor(builtInSiteName()))
            .arg(pages)
            .toUtf8());
    while (!shell.readAllStandardOutput().contains("spilled"))
        if (!shell.waitForReadyRead(10000))
            return false;
    shell.kill();
    shell.waitForFinished();
    return QFileInfo(database + "-journal").size() > 0;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

// The program's own opening of files, which the kill follows: what it makes is what is left.
using OpenCall = int (*)(const char*, int, int);
OpenCall journalBirth = nullptr;

int killedOnceTheJournalIsMade(const char* path, int flags, int mode)
{
    const int descriptor = journalBirth(path, flags, mode);
    if (descriptor >= 0 && QByteArray(path).endsWith("-journal"))
        ::raise(SIGKILL);
    return descriptor;
}

// The steps of a journal's birth a kill may follow: its file made (nameless or under a birth
// name), given the database's mode, named the journal, and the open returned to SQLite.
enum class BirthStep { Made, ModeGiven, Named, Opened };

// A file system that makes no nameless files, as a FUSE or network mount: the nameless open fails
// with the error it gives, which is not always EOPNOTSUPP.
int namelessRefusal = 0;
BirthStep fatalStep = BirthStep::Opened;

const JournalGuard::BirthCalls& systemBirth()
{
    static const JournalGuard::BirthCalls calls = JournalGuard::birthCalls();
    return calls;
}

int killedAfter(BirthStep step, int result)
{
    if (result >= 0 && step == fatalStep)
        ::raise(SIGKILL);
    return result;
}

int watchedOpen(const char* path, int flags, mode_t mode)
{
    if (namelessRefusal && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = namelessRefusal;
        return -1;
    }
    return killedAfter(BirthStep::Made, systemBirth().open(path, flags, mode));
}

int watchedMkostemp(char* nameTemplate, int flags)
{
    return killedAfter(BirthStep::Made, systemBirth().mkostemp(nameTemplate, flags));
}

int watchedFchmod(int descriptor, mode_t mode)
{
    return killedAfter(BirthStep::ModeGiven, systemBirth().fchmod(descriptor, mode));
}

int watchedLinkat(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    return killedAfter(BirthStep::Named,
                       systemBirth().linkat(fromFolder, from, toFolder, to, flags));
}

// Every journal of this process is born on a file system whose nameless open fails with
// `refusal` (none: the system's own), until the object goes.
class BirthWatch
{
public:
    explicit BirthWatch(int refusal)
    {
        namelessRefusal = refusal;
        JournalGuard::birthCalls() = {watchedOpen, watchedMkostemp, watchedFchmod, watchedLinkat,
                                      systemBirth().unlink};
    }
    ~BirthWatch()
    {
        namelessRefusal = 0;
        JournalGuard::birthCalls() = systemBirth();
    }
    BirthWatch(const BirthWatch&) = delete;
    BirthWatch& operator=(const BirthWatch&) = delete;
};

// The listings of a folder the journal layer made since the count was last set to 0.
int folderListings = 0;

DIR* countedFolderOpen(const char* folder)
{
    ++folderListings;
    return ::opendir(folder);
}

// The journal layer's listings are counted until the object goes.
class ListingCount
{
public:
    ListingCount() : m_system(JournalNames::folderOpen())
    {
        folderListings = 0;
        JournalNames::folderOpen() = countedFolderOpen;
    }
    ~ListingCount() { JournalNames::folderOpen() = m_system; }
    ListingCount(const ListingCount&) = delete;
    ListingCount& operator=(const ListingCount&) = delete;
    int listings() const { return folderListings; }

private:
    JournalNames::FolderOpen m_system;
};

// The names a journal's birth leaves beside it, the journal's own left out.
QStringList birthNamesIn(const QString& folder)
{
    return QDir(folder).entryList({"*-journal.new-*"}, QDir::Files | QDir::Hidden | QDir::System);
}

// A member's program, with its own umask, killed at a step of the journal's birth for its first
// save, on a file system whose nameless open fails with `refusal` (none: the system's own).
bool killedAtTheJournalsBirth(const QString& database, uid_t member, mode_t mask, BirthStep step,
                              int refusal)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setresgid(sharingGroup, sharingGroup, sharingGroup) != 0 ||
            ::setresuid(member, member, member) != 0)
            ::_exit(1);
        ::umask(mask);
        sqlite3* db = nullptr;
        const char* layer = JournalGuard::vfsName();
        sqlite3_vfs* vfs = sqlite3_vfs_find(layer);
        fatalStep = step;
        const BirthWatch watch(refusal);
        journalBirth = reinterpret_cast<OpenCall>(vfs->xGetSystemCall(vfs, "open"));
        if (step == BirthStep::Opened)
            vfs->xSetSystemCall(vfs, "open",
                                reinterpret_cast<sqlite3_syscall_ptr>(killedOnceTheJournalIsMade));
        const QByteArray key = databaseKeyFor(builtInSiteName()).toUtf8();
        if (sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READWRITE,
                            layer) != SQLITE_OK ||
            sqlite3_key(db, key.constData(), key.size()) != SQLITE_OK)
            ::_exit(1);
        sqlite3_exec(db, "CREATE TABLE born (x)", nullptr, nullptr, nullptr);
        ::_exit(1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) &&
           WTERMSIG(status) == SIGKILL;
}

// A save of the signed-in member on the program's connection: empty when it went through, else
// the error it gave.
QString saveError()
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query(db);
    if (!db.transaction())
        return db.lastError().text();
    if (!query.exec("UPDATE Users SET TITLE = TITLE")) {
        db.rollback();
        return query.lastError().text();
    }
    return db.commit() ? QString() : db.lastError().text();
}

} // namespace

Q_DECLARE_METATYPE(BirthStep)

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void noSettingsFileEndsTheProgram();
    void unreadableSettingsFileEndsTheProgram_data();
    void unreadableSettingsFileEndsTheProgram();
    void noDatabasePathWarnsOnce_data();
    void noDatabasePathWarnsOnce();
    void ownFilesAreKeptFromOthers_data();
    void ownFilesAreKeptFromOthers();
    void registryRoadProbesTheDatabaseItNames_data();
    void registryRoadProbesTheDatabaseItNames();
    void unusableDatabaseMeansGuest_data();
    void unusableDatabaseMeansGuest();
    void lockedDatabaseIsReportedAsLocked();
    void aJournalOfAnotherMember_data();
    void aJournalOfAnotherMember();
    void aSaveCutShortByOneMemberStopsNoOther_data();
    void aSaveCutShortByOneMemberStopsNoOther();
    void aLinkAtTheJournalsNameIsNeverWrittenThrough_data();
    void aLinkAtTheJournalsNameIsNeverWrittenThrough();
    void aSecondNameAtTheJournalsNameIsNeverEmptied_data();
    void aSecondNameAtTheJournalsNameIsNeverEmptied();
    void aKillAtTheJournalsBirthStopsNoOther_data();
    void aKillAtTheJournalsBirthStopsNoOther();
    void savesLeaveTheFolderAlone_data();
    void savesLeaveTheFolderAlone();
    void singleAccountSignsInWithoutDialog();
    void rejectedLogInEndsWithOne();
    void guestMarkerSurvivesLogOut();
    void styleSheetFollowsTheSetting_data();
    void styleSheetFollowsTheSetting();
    void probeConnectionNeverOutlivesThePass();
};

void TestStartup::noSettingsFileEndsTheProgram()
{
    PromptScript prompts;
    QTemporaryDir empty;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(empty.path());
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    QDir::setCurrent(previous);
    QVERIFY(recorder.windows.empty());
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].title, QString("Error"));
    QCOMPARE(records[0].text, "PKsettings.ini file is missing or cannot be opened at " +
                                  QDir(empty.path()).filePath("PKsettings.ini") +
                                  " (it does not exist). The program cannot be run without this "
                                  "file.\nCode S-01");
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::unreadableSettingsFileEndsTheProgram_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder in its place") << "folder"
                                           << "it is a folder";
    QTest::newRow("bytes that are no text") << "binary"
                                            << "it holds text that is not settings";
}

// Root reads a file of any mode, so the damages used here defeat every reader.
void TestStartup::unreadableSettingsFileEndsTheProgram()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(QFile::remove(env.settingsPath()));
    if (damage == "folder") {
        QVERIFY(QDir().mkpath(env.settingsPath()));
    } else {
        QFile file(env.settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Path]\ndb=\xff\xfe\n");
    }
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    QVERIFY(recorder.windows.empty());
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].title, QString("Error"));
    QCOMPARE(records[0].text, "The settings file " + QDir::current().filePath("PKsettings.ini") +
                                  " cannot be read (" + reason +
                                  "); the program cannot be run until it is a readable settings "
                                  "file again.\nCode S-01");
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::noDatabasePathWarnsOnce_data()
{
    QTest::addColumn<bool>("databaseThere");
    QTest::addColumn<QString>("title");
    QTest::newRow("a database at the default path") << true << " Talvora ";
    QTest::newRow("nothing at the default path") << false << " Talvora (Guest Mode)";
}

// The missing path is the one cause: the default path it falls back on is probed, and finding
// nothing there is no second message.
void TestStartup::noDatabasePathWarnsOnce()
{
    QFETCH(bool, databaseThere);
    QFETCH(QString, title);
    PromptScript prompts;
    TestEnvironment env; // its database lies where the default path points
    QVERIFY(env.isValid());
    QFile::remove(env.settingsPath());
    writeSetting(env.settingsPath(), "Unit/weight", "kg");
    if (!databaseThere)
        QVERIFY(QFile::remove(env.databasePath()));
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QVERIFY2(hasText(records, "Warning", "Code S-02"), qPrintable(records[0].text));
    QCOMPARE(recorder.windows.size(), size_t(1));
    QCOMPARE(recorder.windows[0].title, title);
    QCOMPARE(controller.lastSession()->loggedIn, databaseThere);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::ownFilesAreKeptFromOthers_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderModeAfter");
    QTest::addColumn<int>("fileModeAfter");
    QTest::newRow("readable by everyone, from an older set-up script")
        << 0755 << 0644 << 0750 << 0640;
    QTest::newRow("open to everyone") << 0777 << 0666 << 0770 << 0660;
    QTest::newRow("a ward's folder shared through its group") << 02770 << 0660 << 02770 << 0660;
}

// Start-up takes from everyone else what the files of the data folder give them; what the owner
// gave the group, and the folder's set-group bit, stay for the others of a shared folder.
void TestStartup::ownFilesAreKeptFromOthers()
{
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    QFETCH(int, folderModeAfter);
    QFETCH(int, fileModeAfter);
    PromptScript prompts;
    TestEnvironment env;
    const QByteArray scriptSettings = "[Path]\ndb=" + env.databasePath().toUtf8() + "\n";
    QFile settings(env.settingsPath());
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(settings.write(scriptSettings) == scriptSettings.size());
    settings.close();
    QCOMPARE(::chmod(QFile::encodeName(env.settingsPath()).constData(), mode_t(fileMode)), 0);
    QCOMPARE(::chmod(QFile::encodeName(env.databasePath()).constData(), mode_t(fileMode)), 0);
    QCOMPARE(::chmod(QFile::encodeName(env.dir()).constData(), mode_t(folderMode)), 0);
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    QVERIFY(controller.lastSession()->loggedIn);

    QCOMPARE(modeOf(env.settingsPath()), fileModeAfter);
    QCOMPARE(modeOf(env.databasePath()), fileModeAfter);
    QCOMPARE(modeOf(env.dir()), folderModeAfter);
    // Signing in changed no setting in effect, so the file is as the script wrote it.
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), scriptSettings);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::registryRoadProbesTheDatabaseItNames_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("code"); // empty: signed in without a message
    QTest::newRow("sound database") << "none"
                                    << "";
    QTest::newRow("wrong key") << "otherkey"
                               << "Code I-06";
    QTest::newRow("missing database") << "missing"
                                      << "Code I-07";
    QTest::newRow("named file absent") << "nosettings"
                                       << "Code I-07";
}

// No settings file in the working directory: the registry names one, whose database is probed
// like any other, so a wrong key or a missing file ends in guest mode with its message.
void TestStartup::registryRoadProbesTheDatabaseItNames()
{
    QFETCH(QString, damage);
    QFETCH(QString, code);
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(env.isValid());
    if (damage == "otherkey") {
        QVERIFY(QFile::remove(env.databasePath()));
        QVERIFY(createCaseDatabase(env.databasePath(), databaseKeyFor("another site"), "admin",
                                   QString(), nullptr));
    } else if (damage == "missing") {
        QVERIFY(QFile::remove(env.databasePath()));
    } else if (damage == "nosettings") {
        QVERIFY(QFile::remove(env.settingsPath()));
    }
    MemoryRegistry registry;
    registry.setValue(QLatin1String(RegistryKeys::installationKey),
                      QLatin1String(RegistryKeys::installationDirectoryName), env.settingsPath());
    SystemRegistry::setInstance(&registry);
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    const int exitCode = controller.run();
    QDir::setCurrent(previous);
    SystemRegistry::setInstance(nullptr);

    QCOMPARE(exitCode, 0);
    QCOMPARE(recorder.windows.size(), size_t(1));
    const auto records = prompts.take();
    if (code.isEmpty()) {
        QVERIFY(records.empty());
        QVERIFY(!controller.guest());
        QVERIFY(controller.lastSession()->loggedIn);
        QCOMPARE(recorder.windows[0].title, QString(" Talvora "));
    } else {
        QCOMPARE(records.size(), size_t(1));
        QVERIFY2(hasText(records, "Warning", code), qPrintable(records[0].text));
        // A message names a path or says none is set; "at ." names neither.
        QVERIFY2(!records[0].text.contains(" at ."), qPrintable(records[0].text));
        QVERIFY(controller.guest());
        QCOMPARE(recorder.windows[0].title, QString(" Talvora (Guest Mode)"));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::unusableDatabaseMeansGuest_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("status");
    QTest::newRow("missing") << "missing"
                             << "Code I-07" << 8;
    QTest::newRow("zero bytes") << "empty"
                                << "Code I-07" << 8;
    QTest::newRow("wrong key") << "otherkey"
                               << "Code I-06" << 7;
    QTest::newRow("text file") << "text"
                               << "Code I-06" << 7;
    QTest::newRow("a folder") << "folder"
                              << "Code I-05" << 9;
    QTest::newRow("keyed file without Users") << "nousers"
                                              << "Code I-06" << 7;
    QTest::newRow("keyed file without case tables") << "nocases"
                                                    << "Code I-06" << 7;
    QTest::newRow("damaged page of Users") << "userspage"
                                           << "Code I-06" << 7;
    // The journal's name leads into a folder that does not exist: the database is writable, the
    // link is what is in the way.
    QTest::newRow("a dangling link at the journal's name") << "nojournal"
                                                           << "Code I-05" << 9;
}

void TestStartup::unusableDatabaseMeansGuest()
{
    QFETCH(QString, damage);
    QFETCH(QString, code);
    QFETCH(int, status);
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(env.isValid());
    QVERIFY(QFile::remove(env.databasePath()));
    if (damage == "empty" || damage == "text") {
        QFile file(env.databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (damage == "text")
            file.write("This is a note, not a database.\n");
    } else if (damage == "otherkey") {
        QVERIFY(createCaseDatabase(env.databasePath(), databaseKeyFor("another site"), "admin",
                                   QString(), nullptr));
    } else if (damage == "folder") {
        QVERIFY(QDir().mkpath(env.databasePath()));
    } else if (damage == "nousers" || damage == "nocases") {
        QVERIFY(createCaseDatabase(env.databasePath(), databaseKeyFor(builtInSiteName()), "admin",
                                   QString(), nullptr));
        const QStringList dropped =
            damage == "nousers" ? QStringList{"Users"} : QStringList{"Patients", "Cases", "PK"};
        QVERIFY(dropTables(env.databasePath(), dropped));
    } else if (damage == "userspage") {
        QVERIFY(createCaseDatabase(env.databasePath(), databaseKeyFor(builtInSiteName()), "admin",
                                   QString(), nullptr));
        QVERIFY(damageFirstPage(env.databasePath(), "Users"));
    } else if (damage == "nojournal") {
        QVERIFY(createCaseDatabase(env.databasePath(), databaseKeyFor(builtInSiteName()), "admin",
                                   QString(), nullptr));
        // The journal's name leads into a folder that does not exist, so it cannot be created.
        QVERIFY(QFile::link(env.dir() + "/absent/journal", env.databasePath() + "-journal"));
    }
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    QVERIFY(controller.guest());
    QCOMPARE(controller.lastConfig()->status(), status);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QVERIFY2(hasText(records, "Warning", code), qPrintable(records[0].text));
    if (damage == "nousers")
        QVERIFY2(records[0].text.contains("Users is missing"), qPrintable(records[0].text));
    if (damage == "nojournal") {
        const QString& text = records[0].text;
        QVERIFY2(text.contains(env.databasePath() + "-journal is a link") &&
                     !text.contains("read-only") && !text.contains("key"),
                 qPrintable(text));
    }
    if (damage == "userspage")
        QVERIFY2(records[0].text.contains("list of users"), qPrintable(records[0].text));
    if (damage == "folder")
        QCOMPARE(records[0].text.section('\n', 0, 0),
                 "Failed to open the database at " + env.databasePath() +
                     " (it is a folder). You will be logged in as a guest. Please set a valid "
                     "database path.");
    QCOMPARE(recorder.windows.size(), size_t(1));
    QCOMPARE(recorder.windows[0].title, QString(" Talvora (Guest Mode)"));
    QVERIFY(!controller.lastSession()->loggedIn);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::lockedDatabaseIsReportedAsLocked()
{
    PromptScript prompts;
    TestEnvironment env;
    env.enterWorkingDirectory();
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(cipherDriverName, "holder");
        holder.setDatabaseName(env.databasePath());
        holder.setPassword(databaseKeyFor(builtInSiteName()));
        QVERIFY(holder.open());
        QSqlQuery lock(holder);
        QVERIFY(lock.exec("BEGIN EXCLUSIVE"));
        Recorder recorder;
        StartupController controller(qApp, recorder.runner());
        QCOMPARE(controller.run(), 0);
        QVERIFY(controller.guest());
        const auto records = prompts.take();
        QCOMPARE(records.size(), size_t(1));
        QVERIFY(records[0].text.contains("locked by another program"));
        QVERIFY(!records[0].text.contains("I-06"));
        QVERIFY(lock.exec("ROLLBACK"));
        holder.close();
    }
    QSqlDatabase::removeDatabase("holder");
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::aJournalOfAnotherMember_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("signsIn");
    QTest::addColumn<bool>("stays");
    QTest::newRow("the group's folder") << 02770 << "nothing" << true << false;
    // The sticky bit lets only the journal's owner remove it.
    QTest::newRow("a folder that keeps each member's files") << 03770 << "nothing" << false << true;
    // Never removed: the database would keep half a save.
    QTest::newRow("a save cut short, closed to the group") << 02770 << "cut short" << false << true;
    // SQLite takes a journal whose first byte is zero as finished, and removes it during the
    // refused attempt: then nothing stands in the way of a second.
    QTest::newRow("a finished journal, closed to the group") << 02770 << "zeroes" << true << false;
}

// A member killed between making the journal and giving it the database's mode leaves it empty
// and closed to the group's writes; a journal may also be closed to the group by hand.
void TestStartup::aJournalOfAnotherMember()
{
    QFETCH(int, folderMode);
    QFETCH(QString, content);
    QFETCH(bool, signsIn);
    QFETCH(bool, stays);
    if (::geteuid() != superUser)
        QSKIP("only the super-user can make the files of another user");
    PromptScript prompts;
    TestEnvironment env;
    const QString journal = env.databasePath() + "-journal";
    if (content == "cut short") {
        QVERIFY(crashWhileSaving(env.databasePath(), superUser));
    } else {
        QFile file(journal);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const int finishedHeader = 512;
        if (content == "zeroes")
            QCOMPARE(file.write(QByteArray(finishedHeader, '\0')), qint64(finishedHeader));
    }
    QVERIFY(madeByOtherMember(journal, 0640));
    QVERIFY(madeAWardFolder(env, folderMode));
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QVERIFY(startedBy(controller));
    QCOMPARE(controller.lastSession()->loggedIn, signsIn);
    QCOMPARE(QFileInfo::exists(journal), stays);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(signsIn ? 0 : 1));
    if (!signsIn) {
        const QString text = records[0].text;
        QVERIFY2(text.contains(journal) && text.contains("mode 0640") && text.contains("I-05"),
                 qPrintable(text));
        QVERIFY2(!text.contains("read-only") && !text.contains("key"), qPrintable(text));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::aSaveCutShortByOneMemberStopsNoOther_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::newRow("the group's folder") << 02770;
    QTest::newRow("a folder that keeps each member's files") << 03770;
}

// Each member in turn is killed while saving; the other then starts, signs in and saves, and the
// cut-short save is undone.
void TestStartup::aSaveCutShortByOneMemberStopsNoOther()
{
    QFETCH(int, folderMode);
    if (::geteuid() != superUser)
        QSKIP("only the super-user can act as two members");
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(madeAWardFolder(env, folderMode));
    env.enterWorkingDirectory();
    const uid_t members[] = {otherMember, thisMember};
    const int cycles = 4;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const uid_t crashed = members[cycle % 2];
        const uid_t starting = members[(cycle + 1) % 2];
        QVERIFY2(crashWhileSaving(env.databasePath(), crashed), "no journal was left");
        QString saveFailure = "not saved";
        StartupController controller(qApp, [&](MainWindow&) { saveFailure = saveError(); });
        QVERIFY(startedBy(controller, starting));
        QVERIFY2(controller.lastSession()->loggedIn, qPrintable(QString::number(cycle)));
        QVERIFY2(saveFailure.isEmpty(), qPrintable(saveFailure));
        QVERIFY(prompts.take().empty());
    }
    QVERIFY(!dropTables(env.databasePath(), {"cut_short"})); // every cut-short save was undone
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::aLinkAtTheJournalsNameIsNeverWrittenThrough_data()
{
    QTest::addColumn<bool>("beforeTheStart"); // else put there while the user works
    QTest::addColumn<bool>("hard");           // a second name of the file, else a symbolic link
    QTest::newRow("the start") << true << false;
    QTest::newRow("a save") << false << false;
    QTest::newRow("a hard link, the start") << true << true;
    QTest::newRow("a hard link, a save") << false << true;
}

// A link at the journal's name, to an empty file of this user's elsewhere: a save written through
// it would fill that file and give it the database's mode.
void TestStartup::aLinkAtTheJournalsNameIsNeverWrittenThrough()
{
    QFETCH(bool, beforeTheStart);
    QFETCH(bool, hard);
    PromptScript prompts;
    TestEnvironment env;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("notes.txt");
    QVERIFY(QFile(target).open(QIODevice::WriteOnly));
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    const QString link = env.databasePath() + "-journal";
    const auto makeLink = [&] {
        return hard ? ::link(QFile::encodeName(target).constData(),
                             QFile::encodeName(link).constData()) == 0
                    : QFile::link(target, link);
    };
    if (beforeTheStart)
        QVERIFY(makeLink());
    env.enterWorkingDirectory();
    QString saveFailure;
    StartupController controller(qApp, [&](MainWindow&) {
        if (!beforeTheStart) {
            QVERIFY(makeLink());
            saveFailure = saveError();
        }
    });
    QCOMPARE(controller.run(), 0);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(beforeTheStart ? 1 : 0));
    const QString text = beforeTheStart ? records[0].text : saveFailure;
    QVERIFY2(text.contains(hard ? link + ", where the database's journal belongs, shares its file"
                                : link + " is a link to " + target),
             qPrintable(text));
    QCOMPARE(controller.guest(), beforeTheStart);
    QCOMPARE(QFileInfo(target).size(), qint64(0));
    QCOMPARE(modeOf(target), 0644);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::aSecondNameAtTheJournalsNameIsNeverEmptied_data()
{
    QTest::addColumn<QString>("named"); // the file given a second name at the journal's
    QTest::addColumn<bool>("listable"); // else the super-user's folder, which members may not list
    QTest::newRow("the database") << "database" << true;
    QTest::newRow("another file") << "notes" << true;
    QTest::newRow("another file, in a folder that may not be listed") << "notes" << false;
    // A copy kept by hand of a save cut short: the journal's own name is the one to keep.
    QTest::newRow("a journal holding a save") << "journal" << true;
}

// One member gave a file of the ward's folder a second name at the journal's: the sticky bit keeps
// the other member from removing that name, and emptying it would empty the file.
void TestStartup::aSecondNameAtTheJournalsNameIsNeverEmptied()
{
    QFETCH(QString, named);
    QFETCH(bool, listable);
    if (::geteuid() != superUser)
        QSKIP("only the super-user can act as two members");
    PromptScript prompts;
    TestEnvironment env;
    const QString journal = env.databasePath() + "-journal";
    const QString notes = env.dir() + "/notes.txt";
    const QString copy = journal + ".bak";
    if (named == "notes") {
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("ward notes\n") > 0);
        QVERIFY(madeByOtherMember(notes, 0660));
    } else if (named == "journal") {
        QVERIFY(crashWhileSaving(env.databasePath(), superUser));
        QVERIFY(madeByOtherMember(journal, 0660));
    }
    QVERIFY(listable ? madeAWardFolder(env, 03770) : madeAWardFolder(env, 03730, superUser));
    const QString target = named == "database" ? env.databasePath()
                           : named == "notes"  ? notes
                                               : copy;
    const QString first = named == "journal" ? journal : target;
    const QString second = named == "journal" ? copy : journal;
    QCOMPARE(::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()),
             0);
    const QByteArray before = readAll(target);
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QVERIFY(startedBy(controller));
    QVERIFY(controller.guest());
    QCOMPARE(readAll(target), before);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    const QString text = records[0].text;
    QVERIFY2(text.contains(journal) && text.contains("2 links") && text.contains("mode 0660") &&
                 text.contains("I-05"),
             qPrintable(text));
    // Only a save SQLite wrote makes one name the one to keep; another file keeps its data under
    // its other name, named where this user can find it.
    QCOMPARE(text.contains("keep " + journal), named == "journal");
    if (named == "notes")
        QVERIFY2(text.contains("removing " + journal + " loses nothing") &&
                     text.contains(listable ? notes : "inode"),
                 qPrintable(text));
    if (named == "journal") {
        QVERIFY2(text.contains("remove " + copy), qPrintable(text));
        // Done as the message says, the next start rolls the save back.
        QVERIFY(QFile::remove(copy));
        StartupController again(qApp, recorder.runner());
        QVERIFY(startedBy(again));
        QVERIFY(again.lastSession()->loggedIn);
        QVERIFY(!dropTables(env.databasePath(), {"cut_short"}));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::aKillAtTheJournalsBirthStopsNoOther_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<BirthStep>("step");
    QTest::addColumn<int>("refusal");   // of the nameless open; 0 where the file system makes them
    QTest::addColumn<bool>("listable"); // else the super-user's folder, which members may not list
    QTest::newRow("umask 022") << 022 << BirthStep::Opened << 0 << true;
    QTest::newRow("umask 027") << 027 << BirthStep::Opened << 0 << true;
    QTest::newRow("nameless, made") << 027 << BirthStep::Made << 0 << true;
    QTest::newRow("nameless, given its mode") << 027 << BirthStep::ModeGiven << 0 << true;
    QTest::newRow("nameless, named") << 027 << BirthStep::Named << 0 << true;
    // As on NFS or a FUSE mount; ENOENT is what some shares and older kernels answer.
    for (int refusal : {EOPNOTSUPP, ENOENT}) {
        const char* answer = refusal == ENOENT ? "ENOENT" : "EOPNOTSUPP";
        QTest::addRow("birth name (%s), made", answer) << 027 << BirthStep::Made << refusal << true;
        QTest::addRow("birth name (%s), given its mode", answer)
            << 027 << BirthStep::ModeGiven << refusal << true;
        QTest::addRow("birth name (%s), linked, its birth name not yet removed", answer)
            << 027 << BirthStep::Named << refusal << true;
        QTest::addRow("birth name (%s), umask 022", answer)
            << 022 << BirthStep::Opened << refusal << true;
    }
    // Set up so that members cannot browse the share.
    QTest::newRow("birth name, made, in a folder that may not be listed")
        << 027 << BirthStep::Made << EOPNOTSUPP << false;
    QTest::newRow("birth name, linked, in a folder that may not be listed")
        << 027 << BirthStep::Named << EOPNOTSUPP << false;
}

// A member's program killed at any step of the journal's birth, before anything was written to it:
// the journal must already let the other members write it, since the sticky bit keeps them from
// removing it. The killed member's own next save clears what the kill left, and no one lists the
// folder for it.
void TestStartup::aKillAtTheJournalsBirthStopsNoOther()
{
    QFETCH(int, mask);
    QFETCH(BirthStep, step);
    QFETCH(int, refusal);
    QFETCH(bool, listable);
    if (::geteuid() != superUser)
        QSKIP("only the super-user can act as two members");
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(listable ? madeAWardFolder(env, 03770) : madeAWardFolder(env, 03730, superUser));
    QVERIFY(killedAtTheJournalsBirth(env.databasePath(), otherMember, mode_t(mask), step, refusal));
    QCOMPARE(QFileInfo(env.databasePath() + "-journal").size(), qint64(0));
    const BirthWatch sameFileSystem(refusal);
    const ListingCount count;
    env.enterWorkingDirectory();
    for (uid_t member : {thisMember, otherMember}) {
        QString saveFailure = "not saved";
        StartupController controller(qApp, [&](MainWindow&) { saveFailure = saveError(); });
        QVERIFY(startedBy(controller, member));
        QVERIFY(controller.lastSession()->loggedIn);
        QVERIFY2(saveFailure.isEmpty(), qPrintable(saveFailure));
        QVERIFY(prompts.take().empty());
    }
    QCOMPARE(birthNamesIn(env.dir()), QStringList());
    QCOMPARE(count.listings(), 0);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::savesLeaveTheFolderAlone_data()
{
    QTest::addColumn<int>("refusal"); // of the nameless open; 0 where the file system makes them
    QTest::newRow("nameless files") << 0;
    QTest::newRow("birth names") << EOPNOTSUPP;
}

// Another member's files beside the database, some with a birth name's form, this member's own
// among them: a save neither looks at them nor removes one, in a folder that would let it.
void TestStartup::savesLeaveTheFolderAlone()
{
    QFETCH(int, refusal);
    if (::geteuid() != superUser)
        QSKIP("only the super-user can act as two members");
    PromptScript prompts;
    TestEnvironment env;
    const QString journal = env.databasePath() + "-journal";
    const QStringList others = {env.dir() + "/report.pdf", journal + ".new-a1b2c3",
                                journal + ".new-u" + QString::number(thisMember)};
    const QByteArray content("ward's notes.\n");
    for (const QString& other : others) {
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        QVERIFY(madeByOtherMember(other, 0660));
    }
    QVERIFY(madeAWardFolder(env, 02770));
    const BirthWatch fileSystem(refusal);
    const ListingCount count;
    env.enterWorkingDirectory();
    const int saves = 3;
    QStringList failures;
    StartupController controller(qApp, [&](MainWindow&) {
        for (int save = 0; save < saves; ++save)
            failures << saveError();
    });
    QVERIFY(startedBy(controller));
    QVERIFY(controller.lastSession()->loggedIn);
    QCOMPARE(failures.join(QString()), QString());
    QCOMPARE(failures.size(), saves);
    QCOMPARE(count.listings(), 0);
    for (const QString& other : others)
        QCOMPARE(readAll(other), content);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::singleAccountSignsInWithoutDialog()
{
    PromptScript prompts;
    TestEnvironment env;
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    QVERIFY(!controller.guest());
    QVERIFY(controller.lastSession()->loggedIn);
    QCOMPARE(controller.lastSession()->userType, QString("A"));
    QCOMPARE(recorder.windows.size(), size_t(1));
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::rejectedLogInEndsWithOne()
{
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(env.openDefaultConnection());
    addUser("second", "F");
    env.closeDefaultConnection();
    env.enterWorkingDirectory();
    QString dialogTitle;
    Modal::setNextHandler([&dialogTitle](QDialog* dialog) {
        dialogTitle = dialog->windowTitle();
        return int(QDialog::Rejected);
    });
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 1);
    QCOMPARE(dialogTitle, QString("Log in"));
    QVERIFY(recorder.windows.empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::guestMarkerSurvivesLogOut()
{
    PromptScript prompts;
    TestEnvironment env;
    QVERIFY(QFile::rename(env.databasePath(), env.databasePath() + ".away"));
    env.enterWorkingDirectory();
    Recorder recorder;
    recorder.logOuts = 1;
    // The database comes back between the passes: the second pass probes it and finds it
    // fine, but the run stays a guest run and shows no log-in dialog.
    StartupController controller(qApp, [&](MainWindow& window) {
        recorder.runner()(window);
        QFile::rename(env.databasePath() + ".away", env.databasePath());
    });
    QCOMPARE(controller.run(), 0);
    QCOMPARE(recorder.windows.size(), size_t(2));
    QCOMPARE(recorder.windows[1].title, QString(" Talvora (Guest Mode)"));
    QVERIFY(!controller.lastSession()->loggedIn);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1)); // only the first pass found no database
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::styleSheetFollowsTheSetting_data()
{
    QTest::addColumn<QString>("option"); // "<none>": key missing
    QTest::addColumn<QString>("sheet");
    QTest::newRow("missing") << "<none>"
                             << ":/stylesheet/style2.qss";
    QTest::newRow("0") << "0"
                       << "";
    QTest::newRow("1") << "1"
                       << ":/stylesheet/style1.qss";
    QTest::newRow("3") << "3"
                       << ":/stylesheet/style3.qss";
    QTest::newRow("7") << "7"
                       << ":/stylesheet/style4.qss";
    QTest::newRow("empty") << ""
                           << ":/stylesheet/style4.qss";
}

void TestStartup::styleSheetFollowsTheSetting()
{
    QFETCH(QString, option);
    QFETCH(QString, sheet);
    PromptScript prompts;
    TestEnvironment env;
    if (option != "<none>")
        writeSetting(env.settingsPath(), "BackGround/option", option);
    env.enterWorkingDirectory();
    Recorder recorder;
    StartupController controller(qApp, recorder.runner());
    QCOMPARE(controller.run(), 0);
    const QString expected = sheet.isEmpty() ? QString() : SessionData::readTextFile(sheet);
    QVERIFY(sheet.isEmpty() || !expected.isEmpty());
    QCOMPARE(qApp->styleSheet(), expected);
    qApp->setStyleSheet(QString());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestStartup::probeConnectionNeverOutlivesThePass()
{
    PromptScript prompts;
    TestEnvironment env;
    env.enterWorkingDirectory();
    bool probeSeen = true;
    StartupController controller(qApp, [&probeSeen](MainWindow&) {
        probeSeen = QSqlDatabase::contains(StartupController::probeConnectionName);
    });
    QCOMPARE(controller.run(), 0);
    QVERIFY(!probeSeen);
    QVERIFY(!QSqlDatabase::contains(StartupController::probeConnectionName));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
