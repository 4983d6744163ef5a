#include "platform/StaleJournal.h"

#include "platform/PathAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
QString tr(const char* text)
{
    return QCoreApplication::translate("StaleJournal", text);
}

#ifdef Q_OS_UNIX
QString linkInTheWay(const QString& journal)
{
    const QString target = QFile::symLinkTarget(journal);
    return tr("%1 is a link to %2 where the database's journal belongs, and the program never "
              "writes through a link (%3); remove the link, or ask its owner to, and try again")
        .arg(journal, target.isEmpty() ? tr("nothing") : target, linkOwnershipText(journal));
}

QString journalClosed(const QString& journal, qint64 size)
{
    if (size == 0)
        return tr("the empty journal %1, left by a program that ended while saving, can neither be "
                  "written nor removed by this user (%2); remove it, or ask its owner to, and try "
                  "again")
            .arg(journal, ownershipText(journal));
    return tr("the journal %1 holds a save that was cut short, which this user can neither write "
              "nor roll back (%2); ask its owner to start the program once, which rolls the save "
              "back, or to give the group write access to the journal, and try again; do not "
              "remove it, which would damage the database")
        .arg(journal, ownershipText(journal));
}
#endif
} // namespace

namespace StaleJournal
{

QString pathFor(const QString& databasePath)
{
    return databasePath + QLatin1String(suffix);
}

void removeEmpty(const QString& databasePath)
{
    const QString journal = pathFor(databasePath);
#ifdef Q_OS_UNIX
    // A link in the journal's place is not what SQLite leaves; it stays as it is.
    const QByteArray name = QFile::encodeName(journal);
    struct stat status = {};
    if (::lstat(name.constData(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0)
        ::unlink(name.constData());
#else
    const QFileInfo info(journal);
    if (info.isFile() && !info.isSymLink() && info.size() == 0)
        QFile::remove(journal);
#endif
}

QString obstacle(const QString& databasePath)
{
#ifdef Q_OS_UNIX
    const QString journal = pathFor(databasePath);
    const QByteArray name = QFile::encodeName(journal);
    struct stat status = {};
    if (::lstat(name.constData(), &status) != 0)
        return QString();
    if (S_ISLNK(status.st_mode))
        return linkInTheWay(journal);
    if (!S_ISREG(status.st_mode))
        return tr("%1, where the database's journal belongs, is not a file (%2); remove it, or "
                  "ask its owner to, and try again")
            .arg(journal, ownershipText(journal));
    if (::faccessat(AT_FDCWD, name.constData(), R_OK | W_OK, AT_EACCESS) != 0)
        return journalClosed(journal, status.st_size);
    return QString();
#else
    Q_UNUSED(databasePath);
    return QString();
#endif
}

} // namespace StaleJournal
