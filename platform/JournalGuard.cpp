#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "platform/JournalGuard.h"

#include "platform/JournalNames.h"
#include "platform/StaleJournal.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
const char* const guardName = "talvora-journal-guard";

sqlite3_vfs guardVfs;
sqlite3_vfs* systemVfs = nullptr;

bool isJournal(const char* path)
{
    const size_t length = path ? std::strlen(path) : 0;
    const size_t suffixLength = std::strlen(StaleJournal::suffix);
    return length > suffixLength &&
           std::strcmp(path + length - suffixLength, StaleJournal::suffix) == 0;
}

QString databaseOf(const char* journal)
{
    const QString path = QFile::decodeName(journal);
    return path.left(path.size() - int(std::strlen(StaleJournal::suffix)));
}

#ifdef Q_OS_UNIX
// Another member may make the journal between this user's look and its making; each look after
// the first finds it.
constexpr int creationAttempts = 3;
constexpr mode_t accessBits = 0777;
// Told by createWithItsMode that SQLite's own way of making the journal is the one left.
constexpr int onlySqlitesWay = EOPNOTSUPP;

using OpenCall = int (*)(const char*, int, int);
OpenCall systemOpen = nullptr;

// Set while SQLite opens a journal through this layer, so that the system call below leaves every
// other file SQLite opens as it is.
thread_local bool openingJournal = false;

int openCall(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

JournalGuard::BirthCalls systemBirthCalls = {openCall, ::mkostemp, ::fchmod, ::linkat, ::unlink};

// Something other than a plain file stands at the name: a link, dangling or not, a folder, a pipe.
bool notAPlainFile(const char* path)
{
    struct stat status = {};
    return ::lstat(path, &status) == 0 && !S_ISREG(status.st_mode);
}

// Asked of the open file itself: a name looked at before opening may be replaced in between.
bool acceptsItsNames(int descriptor, const char* path)
{
    struct stat status = {};
    return ::fstat(descriptor, &status) == 0 && JournalNames::acceptNames(status, path);
}

int refused(int descriptor)
{
    ::close(descriptor);
    errno = EMLINK;
    return -1;
}

int openIfItsOwn(const char* path, int flags, int mode)
{
    const int descriptor = systemOpen(path, flags | O_NOFOLLOW, mode);
    return descriptor < 0 || acceptsItsNames(descriptor, path) ? descriptor : refused(descriptor);
}

int failWith(int descriptor, int error)
{
    if (descriptor >= 0)
        ::close(descriptor);
    errno = error;
    return -1;
}

// Made without a name, given its mode, then named. Fails with EEXIST when another member named
// one first, and with ENOTSUP whatever else stood in the way: a file system may answer the
// nameless open with any error, ENOENT among them, and the way by a birth name then tells the
// true cause.
int bornNameless(const char* path, mode_t mode)
{
#ifdef O_TMPFILE
    const JournalGuard::BirthCalls& calls = JournalGuard::birthCalls();
    const int descriptor = calls.open(JournalNames::folderOf(path).c_str(),
                                      O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (descriptor < 0)
        return failWith(-1, ENOTSUP);
    char ownName[64];
    std::snprintf(ownName, sizeof ownName, "/proc/self/fd/%d", descriptor);
    if (calls.fchmod(descriptor, mode) != 0)
        return failWith(descriptor, ENOTSUP);
    if (calls.linkat(AT_FDCWD, ownName, AT_FDCWD, path, AT_SYMLINK_FOLLOW) != 0)
        return failWith(descriptor, errno == EEXIST ? EEXIST : ENOTSUP);
    return descriptor;
#else
    Q_UNUSED(path);
    Q_UNUSED(mode);
    errno = ENOTSUP;
    return -1;
#endif
}

bool makesNoLinks(int error)
{
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// This user's own birth name, made anew; where another user's file holds it, one mkostemp makes
// unique.
int madeUnderABirthName(const char* path, std::string* birthName)
{
    const JournalGuard::BirthCalls& calls = JournalGuard::birthCalls();
    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    *birthName = JournalNames::birthName(path, ::geteuid());
    int descriptor = calls.open(birthName->c_str(), flags, S_IRUSR | S_IWUSR);
    if (descriptor < 0 && errno == EEXIST && JournalNames::clearOwnLeftover(*birthName))
        descriptor = calls.open(birthName->c_str(), flags, S_IRUSR | S_IWUSR);
    if (descriptor >= 0 || errno != EEXIST)
        return descriptor;
    *birthName = JournalNames::birthTemplate(path);
    return calls.mkostemp(&(*birthName)[0], O_CLOEXEC);
}

// Made under a birth name, given its mode, linked to the journal's name and the birth name
// removed. Fails with EEXIST when another member named one first, with onlySqlitesWay where the
// file system keeps no mode or makes no links, else with the true cause.
int bornUnderABirthName(const char* path, mode_t mode)
{
    const JournalGuard::BirthCalls& calls = JournalGuard::birthCalls();
    std::string birthName;
    const int descriptor = madeUnderABirthName(path, &birthName);
    if (descriptor < 0)
        return -1;
    int error = 0;
    if (calls.fchmod(descriptor, mode) != 0)
        error = onlySqlitesWay;
    else if (calls.linkat(AT_FDCWD, birthName.c_str(), AT_FDCWD, path, 0) != 0)
        error = makesNoLinks(errno) ? onlySqlitesWay : errno;
    calls.unlink(birthName.c_str());
    return error ? failWith(descriptor, error) : descriptor;
}

// No other member ever sees the journal with the mode the umask gives, which a kill before
// SQLite's own change of mode would leave for good.
int createWithItsMode(const char* path, int mode)
{
    const mode_t itsMode = mode_t(mode) & accessBits;
    const int nameless = bornNameless(path, itsMode);
    return nameless >= 0 || errno == EEXIST ? nameless : bornUnderABirthName(path, itsMode);
}

// SQLite's own opening of every file, taken over for journals only.
int guardedOpenCall(const char* path, int flags, int mode)
{
    if (!openingJournal)
        return systemOpen(path, flags, mode);
    if (!(flags & O_CREAT) || (flags & O_EXCL))
        return openIfItsOwn(path, flags, mode);
    for (int attempt = 0; attempt < creationAttempts; ++attempt) {
        const int existing = openIfItsOwn(path, flags & ~O_CREAT, mode);
        if (existing >= 0 || errno != ENOENT)
            return existing;
        const int made = createWithItsMode(path, mode);
        if (made >= 0)
            return made;
        if (errno == onlySqlitesWay) // SQLite sets the mode itself, a moment after making the file
            return openIfItsOwn(path, flags, mode);
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

// Empties the journal in place, only while its name is the file's one name.
bool empty(const char* path, bool syncAfter)
{
    const int descriptor = ::open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    bool emptied = acceptsItsNames(descriptor, path) && ::ftruncate(descriptor, 0) == 0;
    if (emptied && syncAfter)
        emptied = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return emptied;
}

void takeOverOpening()
{
    if (systemVfs->iVersion < 3 || !systemVfs->xGetSystemCall || !systemVfs->xSetSystemCall)
        return;
    systemOpen = reinterpret_cast<OpenCall>(systemVfs->xGetSystemCall(systemVfs, "open"));
    if (systemOpen)
        systemVfs->xSetSystemCall(systemVfs, "open",
                                  reinterpret_cast<sqlite3_syscall_ptr>(guardedOpenCall));
}
#endif

int openJournal(const char* path, sqlite3_file* file, int flags, int* outFlags)
{
#ifdef Q_OS_UNIX
    if (notAPlainFile(path)) {
        file->pMethods = nullptr; // SQLite closes nothing of a file that did not open
        return SQLITE_CANTOPEN;
    }
    openingJournal = true;
    const int result = systemVfs->xOpen(systemVfs, path, file, flags, outFlags);
    openingJournal = false;
    return result;
#else
    return systemVfs->xOpen(systemVfs, path, file, flags, outFlags);
#endif
}

int guardedOpen(sqlite3_vfs*, const char* path, sqlite3_file* file, int flags, int* outFlags)
{
    if (!(flags & SQLITE_OPEN_MAIN_JOURNAL) || !path)
        return systemVfs->xOpen(systemVfs, path, file, flags, outFlags);
    int opened = 0;
    const int result = openJournal(path, file, flags, &opened);
    if (outFlags)
        *outFlags = opened;
    if (flags & SQLITE_OPEN_READWRITE) {
        if (result != SQLITE_OK || (opened & SQLITE_OPEN_READONLY))
            StaleJournal::noteObstacle(databaseOf(path));
        else
            StaleJournal::forgetObstacle(databaseOf(path));
    }
    return result;
}

int guardedDelete(sqlite3_vfs*, const char* path, int syncDirectory)
{
    const int result = systemVfs->xDelete(systemVfs, path, syncDirectory);
#ifdef Q_OS_UNIX
    if (result != SQLITE_OK && result != SQLITE_IOERR_DELETE_NOENT && isJournal(path) &&
        !notAPlainFile(path) && empty(path, syncDirectory != 0))
        return SQLITE_OK;
#endif
    return result;
}
} // namespace

namespace JournalGuard
{
#ifdef Q_OS_UNIX
BirthCalls& birthCalls()
{
    return systemBirthCalls;
}
#endif

const char* vfsName()
{
    if (!systemVfs) {
        systemVfs = sqlite3_vfs_find(nullptr);
        guardVfs = *systemVfs;
        guardVfs.zName = guardName;
        guardVfs.pNext = nullptr;
        guardVfs.xOpen = guardedOpen;
        guardVfs.xDelete = guardedDelete;
#ifdef Q_OS_UNIX
        takeOverOpening();
#endif
        sqlite3_vfs_register(&guardVfs, 0);
    }
    return guardName;
}
} // namespace JournalGuard
