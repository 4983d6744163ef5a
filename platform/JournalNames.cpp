#include "platform/JournalNames.h"

#include <cerrno>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace
{
const char* const birthMark = ".new-";
const char* const ownerMark = "u";       // before the user id in the birth names made from it
const char* const uniquePart = "XXXXXX"; // what mkostemp replaces

struct Place {
    std::string folder;
    std::string name;
};

Place placeOf(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    if (!slash)
        return {".", path};
    return {slash == path ? "/" : std::string(path, size_t(slash - path)), slash + 1};
}

std::string pathIn(const Place& place, const char* entry)
{
    return place.folder == "/" ? "/" + std::string(entry) : place.folder + "/" + entry;
}

bool hasBirthNameForm(const char* entry, const std::string& journalName)
{
    const std::string prefix = journalName + birthMark;
    return std::strncmp(entry, prefix.c_str(), prefix.size()) == 0;
}

bool sameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool isPlainSecondName(const std::string& path, const struct stat& file)
{
    struct stat status = {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && sameFile(status, file);
}

// Which entries to look at, judged by name alone: looking at an entry costs a request to a network
// share, and a folder may hold many.
using Wanted = std::function<bool(const char* entry)>;
// An entry looked at, with its own status (a link's, not its target's); returns false to stop.
using Visit = std::function<bool(const char* entry, const struct stat& status)>;

// False when the folder cannot be listed.
bool forEachEntryBeside(const Place& journal, const Wanted& wanted, const Visit& visit)
{
    DIR* folder = JournalNames::folderOpen()(journal.folder.c_str());
    if (!folder)
        return false;
    const int descriptor = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (!std::strcmp(name, ".") || !std::strcmp(name, "..") || journal.name == name ||
            !wanted(name))
            continue;
        struct stat status = {};
        if (::fstatat(descriptor, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && !visit(name, status))
            break;
    }
    ::closedir(folder);
    return true;
}

// Found only among the folder's entries: a name mkostemp made, known to its maker alone, and one
// made from a user id other than the owner the file system gives the file (a share that maps its
// users to one, say).
std::string listedBirthNameOf(const struct stat& file, const Place& place)
{
    std::string found;
    forEachEntryBeside(
        place, [&](const char* entry) { return hasBirthNameForm(entry, place.name); },
        [&](const char* entry, const struct stat& status) {
            if (S_ISREG(status.st_mode) && sameFile(status, file))
                found = pathIn(place, entry);
            return found.empty();
        });
    return found;
}

// The path of the file's birth name, if it is a plain file named at the journal's name and at a
// birth name of it; empty otherwise.
std::string birthNameOf(const struct stat& status, const char* journal)
{
    if (!S_ISREG(status.st_mode) || status.st_nlink != 2)
        return std::string();
    // The journal's owner made it, under the birth name of its own id.
    const std::string owners = JournalNames::birthName(journal, status.st_uid);
    return isPlainSecondName(owners, status) ? owners : listedBirthNameOf(status, placeOf(journal));
}
} // namespace

namespace JournalNames
{
std::string folderOf(const char* journal)
{
    return placeOf(journal).folder;
}

std::string birthName(const char* journal, uid_t owner)
{
    return std::string(journal) + birthMark + ownerMark + std::to_string(owner);
}

std::string birthTemplate(const char* journal)
{
    return std::string(journal) + birthMark + uniquePart;
}

bool namesAreItsOwn(const struct stat& status, const char* journal)
{
    return S_ISREG(status.st_mode) &&
           (status.st_nlink == 1 || !birthNameOf(status, journal).empty());
}

bool acceptNames(const struct stat& status, const char* journal)
{
    if (status.st_nlink == 1)
        return S_ISREG(status.st_mode);
    const std::string birth = birthNameOf(status, journal);
    // Where only its owner may remove it, the owner's next start does.
    if (!birth.empty())
        ::unlink(birth.c_str());
    return !birth.empty();
}

bool otherNamesBeside(const struct stat& status, const char* journal,
                      std::vector<std::string>* names)
{
    const Place place = placeOf(journal);
    return forEachEntryBeside(
        place, [](const char*) { return true; },
        [&](const char* entry, const struct stat& other) {
            if (sameFile(other, status))
                names->push_back(pathIn(place, entry));
            return true;
        });
}

bool clearOwnLeftover(const std::string& ownBirthName)
{
    struct stat status = {};
    if (::lstat(ownBirthName.c_str(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_size == 0 &&
           ::unlink(ownBirthName.c_str()) == 0;
}

FolderOpen& folderOpen()
{
    static FolderOpen open = ::opendir;
    return open;
}
} // namespace JournalNames
