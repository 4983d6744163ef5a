#include "platform/StaleJournal.h"

#include "platform/PathAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
const char* const journalSuffix = "-journal";

QString tr(const char* text)
{
    return QCoreApplication::translate("StaleJournal", text);
}

QString cannotRemove(const QString& journal, const QString& reason)
{
    return tr("the empty journal %1, left by a program that ended while saving, cannot be removed "
              "by this user (%2; %3)")
        .arg(journal, reason, ownershipText(journal));
}
} // namespace

namespace StaleJournal
{

QString pathFor(const QString& databasePath)
{
    return databasePath + QLatin1String(journalSuffix);
}

QString removeEmpty(const QString& databasePath)
{
    const QString journal = pathFor(databasePath);
#ifdef Q_OS_UNIX
    // A link in the journal's place is not what SQLite leaves; it stays as it is.
    const QByteArray name = QFile::encodeName(journal);
    struct stat status = {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size != 0)
        return QString();
    if (::unlink(name.constData()) == 0)
        return QString();
    const int error = errno;
    // One this user may write is no obstacle: SQLite writes it as its own.
    if (error == ENOENT || ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) == 0)
        return QString();
    return cannotRemove(journal, QString::fromLocal8Bit(std::strerror(error)));
#else
    const QFileInfo info(journal);
    if (!info.isFile() || info.isSymLink() || info.size() != 0)
        return QString();
    QFile file(journal);
    if (file.remove() || info.isWritable())
        return QString();
    return cannotRemove(journal, file.errorString());
#endif
}

} // namespace StaleJournal
