#include "platform/KeepFromOthers.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
#ifdef Q_OS_UNIX
// The set-user, set-group and sticky bits and the nine access bits.
constexpr mode_t everyModeBit = 07777;
#endif
} // namespace

bool keepFromOthers(const QString& path)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    if (!info.exists() || QDir(path) == QDir::home())
        return true;
    struct stat status = {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &status) != 0 || status.st_uid != ::geteuid())
        return true;
    if (S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX))
        return true;
    if ((status.st_mode & S_IRWXO) == 0)
        return true;
    return ::chmod(name.constData(), status.st_mode & everyModeBit & ~S_IRWXO) == 0;
#else
    Q_UNUSED(path)
    return true;
#endif
}
