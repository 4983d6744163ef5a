#include "platform/OwnerOnly.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

bool keepToOwner(const QString& path)
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
    const mode_t othersBits = S_IRWXG | S_IRWXO;
    if ((status.st_mode & othersBits) == 0)
        return true;
    return ::chmod(name.constData(), status.st_mode & ~othersBits & 07777) == 0;
#else
    Q_UNUSED(path)
    return true;
#endif
}
