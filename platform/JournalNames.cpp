#include "platform/JournalNames.h"

#include <cstring>
#include <functional>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace
{
const char* const birthMark = ".new-";
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

bool isBirthNameOf(const char* entry, const std::string& journalName)
{
    const std::string prefix = journalName + birthMark;
    return std::strlen(entry) == prefix.size() + std::strlen(uniquePart) &&
           std::strncmp(entry, prefix.c_str(), prefix.size()) == 0;
}

bool sameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Every entry of the journal's folder but the journal itself, with its own status (a link's, not
// its target's); the visit returns false to stop.
using Visit = std::function<bool(int folder, const char* entry, const struct stat& status)>;

void forEachEntryBeside(const Place& journal, const Visit& visit)
{
    DIR* folder = ::opendir(journal.folder.c_str());
    if (!folder)
        return;
    const int descriptor = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (!std::strcmp(name, ".") || !std::strcmp(name, "..") || journal.name == name)
            continue;
        struct stat status = {};
        if (::fstatat(descriptor, name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            !visit(descriptor, name, status))
            break;
    }
    ::closedir(folder);
}
} // namespace

namespace JournalNames
{
std::string folderOf(const char* journal)
{
    return placeOf(journal).folder;
}

std::string birthTemplate(const char* journal)
{
    return std::string(journal) + birthMark + uniquePart;
}

bool namesAreItsOwn(const struct stat& status, const char* journal)
{
    if (!S_ISREG(status.st_mode) || status.st_nlink > 2)
        return false;
    if (status.st_nlink == 1)
        return true;
    const Place place = placeOf(journal);
    bool birthName = false;
    forEachEntryBeside(place, [&](int, const char* entry, const struct stat& other) {
        birthName = isBirthNameOf(entry, place.name) && sameFile(other, status);
        return !birthName;
    });
    return birthName;
}

std::vector<std::string> otherNamesBeside(const struct stat& status, const char* journal)
{
    const Place place = placeOf(journal);
    std::vector<std::string> names;
    forEachEntryBeside(place, [&](int, const char* entry, const struct stat& other) {
        if (sameFile(other, status))
            names.push_back(place.folder == "/" ? "/" + std::string(entry)
                                                : place.folder + "/" + entry);
        return true;
    });
    return names;
}

void clearBirthNames(const char* journal)
{
    const Place place = placeOf(journal);
    forEachEntryBeside(place, [&](int folder, const char* entry, const struct stat& status) {
        if (S_ISREG(status.st_mode) && isBirthNameOf(entry, place.name))
            ::unlinkat(folder, entry, 0);
        return true;
    });
}
} // namespace JournalNames
