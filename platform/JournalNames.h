#pragma once

#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

// The names a journal may have. Where the file system makes no nameless files, a journal is made
// under a temporary name of its own beside the journal's (its birth name), given the database's
// mode, linked to the journal's name, and the birth name removed. A program killed between the
// link and the removal leaves the journal with its birth name as a second name: a name of no
// other file, so writing the journal writes nothing else.
//
// A birth name carries its maker's user id, which the journal's owner tells again: a leftover is
// found by that one name, without listing a folder the members may enter but not list, and
// whatever else the folder holds costs a save nothing. Where another user's file already holds
// that name, the birth name is one mkostemp makes unique instead, as earlier releases made every
// one; only such a name, or one whose owner the file system gives another id, needs the folder
// listed, and only once a journal is met with a second name.
namespace JournalNames
{
// The folder the journal lies in.
std::string folderOf(const char* journal);

// The birth name the user `owner` gives the journal: the journal's path, ".new-u" and the id.
std::string birthName(const char* journal, uid_t owner);
// The birth name's template for mkostemp: the journal's path, ".new-" and six X.
std::string birthTemplate(const char* journal);

// The file is a plain file named only at the journal's name, or also at a birth name of it.
bool namesAreItsOwn(const struct stat& status, const char* journal);

// As namesAreItsOwn, and a birth name among the names, which only a kill leaves, is removed where
// this user may. Only while holding the database's write lock: no other program is then between a
// birth's link and its removal.
bool acceptNames(const struct stat& status, const char* journal);

// The paths of the file's other names in the journal's folder, the journal's own name left out;
// false when the folder cannot be listed.
bool otherNamesBeside(const struct stat& status, const char* journal,
                      std::vector<std::string>* names);

// Removes what stands at this user's own birth name of the journal when it is an empty file of this
// user's: what a kill of this user's program left before the link, or after it once the journal's
// name went. Only while holding the database's write lock. False when something else stands there,
// which stays: another user's file, or one that may hold a save.
bool clearOwnLeftover(const std::string& ownBirthName);

// How a folder is listed; a test counts the listings.
using FolderOpen = DIR* (*)(const char* folder);
FolderOpen& folderOpen();
} // namespace JournalNames
