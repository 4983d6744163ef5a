#include "platform/StaleJournal.h"

#include "platform/JournalNames.h"
#include "platform/PathAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

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

// The file's first bytes, fewer when it is shorter, none when this user may not read it.
QByteArray beginning(const QByteArray& name, int size)
{
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QByteArray();
    QByteArray bytes(size, '\0');
    const ssize_t read = ::read(descriptor, bytes.data(), size_t(size));
    ::close(descriptor);
    bytes.resize(read > 0 ? int(read) : 0);
    return bytes;
}

// SQLite's own reading: a journal whose first byte is zero holds nothing to roll back. One this
// user may not read may hold a save.
bool holdsNoSave(const QByteArray& name, qint64 size)
{
    return size == 0 || beginning(name, 1) == QByteArray(1, '\0');
}

// What a file at the journal's name holds, as far as this user can tell. A journal SQLite wrote
// holds a save once it begins with its magic bytes; a file that begins otherwise, made a second
// name at the journal's by mistake, is no save, whatever its first byte.
enum class Held { ASave, NoSave, Unknown };

Held heldAt(const QByteArray& name, qint64 size)
{
    static const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    const QByteArray first = beginning(name, magic.size());
    if (first == magic)
        return Held::ASave;
    return size > 0 && first.isEmpty() ? Held::Unknown : Held::NoSave;
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

// The file's other names as far as this user can find them, completing "shares its file with".
struct OtherNames {
    QStringList found;
    bool listed = true; // else the folder may not be listed, and nothing is found
};

OtherNames otherNamesOf(const QString& journal, const struct stat& status)
{
    OtherNames names;
    std::vector<std::string> paths;
    names.listed =
        JournalNames::otherNamesBeside(status, QFile::encodeName(journal).constData(), &paths);
    for (const std::string& path : paths)
        names.found << QFile::decodeName(path.c_str());
    return names;
}

QString describe(const OtherNames& names)
{
    if (!names.listed)
        return tr("another name that this user cannot look for, as the folder may not be listed");
    if (names.found.isEmpty())
        return tr("another name outside its folder");
    return names.found.join(tr(" and "));
}

// The file's count of names, and where its other names cannot be looked for, what finds them.
QString linksText(const OtherNames& names, const struct stat& status)
{
    const qulonglong links = qulonglong(status.st_nlink);
    if (names.listed)
        return tr("%1 links").arg(links);
    return tr("inode %1, %2 links").arg(qulonglong(status.st_ino)).arg(links);
}

// The journal holds a save, so its own name is the one to keep: the save is rolled back from it
// once it is the file's one name, and lost with it.
QString secondNameOfASave(const QString& journal, const struct stat& status)
{
    const OtherNames names = otherNamesOf(journal, status);
    const QString removal =
        !names.listed ? tr("ask the folder's owner, who may list it, to remove the other name")
        : names.found.isEmpty() ? tr("ask its owner to remove the other name")
                                : tr("remove %1, or ask its owner to").arg(describe(names));
    return tr("%1, where the database's journal belongs, holds a save that was cut short and "
              "shares its file with %2 (%3; %4), and the program never rolls back from a journal "
              "with another name; %5, and try again; keep %1, which the next start rolls back "
              "from once it is the file's one name; removing it instead would damage the "
              "database")
        .arg(journal, describe(names), linksText(names, status), ownershipText(journal), removal);
}

// A file that holds no save keeps its data under its other name, so the journal's name is the one
// that is safe to remove; one this user cannot read may hold a save.
QString secondNameOfAnotherFile(const QString& journal, const struct stat& status, Held held)
{
    const OtherNames names = otherNamesOf(journal, status);
    const QString other = describe(names);
    const QString links = linksText(names, status);
    if (held == Held::Unknown)
        return tr("%1, where the database's journal belongs, shares its file with %2 (%3; %4), "
                  "and the program never writes, empties or rolls back from a journal with "
                  "another name; ask its owner which name was made by mistake and to remove it, "
                  "and try again")
            .arg(journal, other, links, ownershipText(journal));
    return tr("%1, where the database's journal belongs, shares its file with %2 (%3; %4), and "
              "the program never writes, empties or rolls back from a journal with another name; "
              "it holds no save, so removing %1 loses nothing, as the file keeps its other name: "
              "remove %1, or ask its owner to, and try again")
        .arg(journal, other, links, ownershipText(journal));
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
    const Held held = heldAt(QFile::encodeName(journal), status.st_size);
    return held == Held::ASave ? secondNameOfASave(journal, status)
                               : secondNameOfAnotherFile(journal, status, held);
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
    if (!JournalNames::namesAreItsOwn(status, name.constData()))
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
    if (::lstat(name.constData(), &status) == 0 && status.st_size == 0 &&
        JournalNames::acceptNames(status, name.constData()))
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

bool obstacleGone(const QString& databasePath)
{
#ifdef Q_OS_UNIX
    return notedObstacles().contains(noteKey(databasePath)) &&
           presentObstacle(databasePath).isEmpty();
#else
    Q_UNUSED(databasePath);
    return false;
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
