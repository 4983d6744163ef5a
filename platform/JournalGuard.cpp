#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "platform/JournalGuard.h"

#include "platform/StaleJournal.h"

#include <QtGlobal>

#include <cstring>

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

#ifdef Q_OS_UNIX
// Something other than a plain file stands at the name: a link, dangling or not, a folder, a pipe.
bool notAPlainFile(const char* path)
{
    struct stat status = {};
    return ::lstat(path, &status) == 0 && !S_ISREG(status.st_mode);
}

// Empties the journal in place; the link check keeps the emptying from reaching another file.
bool empty(const char* path, bool syncAfter)
{
    const int descriptor = ::open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    bool emptied = ::ftruncate(descriptor, 0) == 0;
    if (emptied && syncAfter)
        emptied = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return emptied;
}
#endif

int guardedOpen(sqlite3_vfs*, const char* path, sqlite3_file* file, int flags, int* outFlags)
{
#ifdef Q_OS_UNIX
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && path && notAPlainFile(path)) {
        file->pMethods = nullptr; // SQLite closes nothing of a file that did not open
        return SQLITE_CANTOPEN;
    }
#endif
    return systemVfs->xOpen(systemVfs, path, file, flags, outFlags);
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
const char* vfsName()
{
    if (!systemVfs) {
        systemVfs = sqlite3_vfs_find(nullptr);
        guardVfs = *systemVfs;
        guardVfs.zName = guardName;
        guardVfs.pNext = nullptr;
        guardVfs.xOpen = guardedOpen;
        guardVfs.xDelete = guardedDelete;
        sqlite3_vfs_register(&guardVfs, 0);
    }
    return guardName;
}
} // namespace JournalGuard
