#include "platform/StaleJournal.h"

#include "platform/PathAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
// One database may be reached by several paths; its notes are kept under the one it resolves to.
QString noteKey(const QString& databasePath)
{
    const QFileInfo info(databasePath);
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? info.absoluteFilePath() : resolved;
}

QHash<QString, QString>& notedObstacles()
{
    static QHash<QString, QString> obstacles;
    return obstacles;
}

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

// SQLite's own reading: a journal whose first byte is zero holds nothing to roll back. One this
// user may not read may hold a save.
bool holdsNoSave(const QByteArray& name, qint64 size)
{
    if (size == 0)
        return true;
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    char first = 1;
    const bool zero = ::read(descriptor, &first, 1) == 1 && first == 0;
    ::close(descriptor);
    return zero;
}

QString journalClosed(const QString& journal, const QByteArray& name, qint64 size)
{
    if (size == 0)
        return tr("the empty journal %1, left by a program that ended while saving, can neither be "
                  "written nor removed by this user (%2); remove it, or ask its owner to, and try "
                  "again")
            .arg(journal, ownershipText(journal));
    if (holdsNoSave(name, size))
        return tr("the journal %1 holds no save but cannot be written by this user (%2); remove "
                  "it, or ask its owner to, and try again")
            .arg(journal, ownershipText(journal));
    return tr("the journal %1 holds a save that was cut short, which this user can neither write "
              "nor roll back (%2); ask its owner to start the program once, which rolls the save "
              "back, or to give the group write access to the journal, and try again; do not "
              "remove it, which would damage the database")
        .arg(journal, ownershipText(journal));
}

QString secondName(const QString& journal, const QString& database, const struct stat& status)
{
    struct stat ofDatabase = {};
    const QString links = QString::number(qulonglong(status.st_nlink));
    if (::stat(QFile::encodeName(database).constData(), &ofDatabase) == 0 &&
        ofDatabase.st_dev == status.st_dev && ofDatabase.st_ino == status.st_ino)
        return tr("%1, where the database's journal belongs, is a second name of the database "
                  "itself (%2 links; %3), and the program never writes, empties or rolls back "
                  "from a journal with another name; remove that second name, which leaves the "
                  "database as it is, or ask its owner to, and try again")
            .arg(journal, links, ownershipText(journal));
    return tr("%1, where the database's journal belongs, shares its file with another name (%2 "
              "links; %3), and the program never writes, empties or rolls back from a journal "
              "with another name; ask its owner which name was made by mistake and to remove it, "
              "and try again")
        .arg(journal, links, ownershipText(journal));
}

QString presentObstacle(const QString& databasePath)
{
    const QString journal = StaleJournal::pathFor(databasePath);
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
    if (status.st_nlink > 1)
        return secondName(journal, databasePath, status);
    if (::faccessat(AT_FDCWD, name.constData(), R_OK | W_OK, AT_EACCESS) != 0)
        return journalClosed(journal, name, status.st_size);
    return QString();
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
    // A link in the journal's place, or a second name of a file, is not what SQLite leaves; it
    // stays as it is.
    const QByteArray name = QFile::encodeName(journal);
    struct stat status = {};
    if (::lstat(name.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_nlink == 1 && status.st_size == 0)
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
    const QString present = presentObstacle(databasePath);
    return present.isEmpty() ? notedObstacles().value(noteKey(databasePath)) : present;
#else
    Q_UNUSED(databasePath);
    return QString();
#endif
}

void noteObstacle(const QString& databasePath)
{
#ifdef Q_OS_UNIX
    const QString present = presentObstacle(databasePath);
    if (present.isEmpty())
        forgetObstacle(databasePath);
    else
        notedObstacles().insert(noteKey(databasePath), present);
#else
    Q_UNUSED(databasePath);
#endif
}

void forgetObstacle(const QString& databasePath)
{
    notedObstacles().remove(noteKey(databasePath));
}

} // namespace StaleJournal
