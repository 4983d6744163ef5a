#include "platform/PathAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("PathAccess", text);
}

#ifdef Q_OS_UNIX
constexpr mode_t everyModeBit = 07777;
constexpr int octal = 8;
constexpr int modeDigits = 4;

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// An account without a name in this system's lists is named by its number.
QString userName(uid_t user)
{
    const passwd* entry = ::getpwuid(user);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(user);
}

QString groupName(gid_t group)
{
    const struct group* entry = ::getgrgid(group);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(group);
}

// Who may do what with the file or folder, as the keeper of a shared folder needs to know it.
QString ownership(const QString& path, bool ofLink = false)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if ((ofLink ? ::lstat(name.constData(), &status) : ::stat(name.constData(), &status)) != 0)
        return systemText(errno);
    return tr("owner %1, group %2, mode %3")
        .arg(userName(status.st_uid), groupName(status.st_gid),
             QString::number(status.st_mode & everyModeBit, octal)
                 .rightJustified(modeDigits, QLatin1Char('0')));
}

// The outermost folder on the way that the running user may not pass through.
QString closedFolder(const QString& path)
{
    const QStringList parts =
        QDir::cleanPath(QFileInfo(path).absolutePath()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString folder;
    for (const QString& part : parts) {
        folder += QLatin1Char('/') + part;
        if (::access(QFile::encodeName(folder).constData(), X_OK) != 0)
            return folder;
    }
    return QString();
}

QString statProblem(const QString& path, int error)
{
    switch (error) {
    case ENOENT:
        return tr("it does not exist");
    case ENOTDIR:
        return tr("a part of its path is not a folder");
    case EACCES: {
        const QString folder = closedFolder(path);
        if (folder.isEmpty())
            return systemText(error);
        return tr("the folder %1 cannot be entered by this user; %2")
            .arg(folder, ownership(folder));
    }
    default:
        return systemText(error);
    }
}
#endif

} // namespace

PathAccess checkReadAccess(const QString& path)
{
    PathAccess access;
    if (path.isEmpty()) {
        access.missing = true;
        access.problem = tr("no path is given");
        return access;
    }
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0) {
        const int error = errno;
        access.missing = error == ENOENT || error == ENOTDIR;
        access.problem = statProblem(path, error);
        return access;
    }
    if (S_ISDIR(status.st_mode)) {
        access.problem = tr("it is a folder");
        return access;
    }
    // Non-blocking, so that a pipe in the file's place does not hold the caller.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor >= 0) {
        ::close(descriptor);
        return access;
    }
    const int error = errno;
    access.problem = error == EACCES ? tr("permission denied to this user; %1").arg(ownership(path))
                                     : systemText(error);
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        access.missing = true;
        access.problem = tr("it does not exist");
    } else if (info.isDir()) {
        access.problem = tr("it is a folder");
    } else if (QFile file(path); !file.open(QIODevice::ReadOnly)) {
        access.problem = file.errorString();
    }
#endif
    return access;
}

QString ownershipText(const QString& path)
{
#ifdef Q_OS_UNIX
    return ownership(path);
#else
    const QFileInfo info(path);
    return tr("owner %1").arg(info.owner());
#endif
}

QString linkOwnershipText(const QString& path)
{
#ifdef Q_OS_UNIX
    return ownership(path, true);
#else
    return ownershipText(path);
#endif
}
