#pragma once

#include <string>
#include <vector>

#include <sys/stat.h>

// The names a journal may have. Where the file system makes no nameless files, a journal is made
// under a temporary name of its own beside the journal's (its birth name), given the database's
// mode, linked to the journal's name, and the birth name removed. A program killed between the
// link and the removal leaves the journal with its birth name as a second name: a name of no
// other file, so writing the journal writes nothing else.
namespace JournalNames
{
// The folder the journal lies in.
std::string folderOf(const char* journal);

// The birth name's template for mkostemp: the journal's path, ".new-" and six X.
std::string birthTemplate(const char* journal);

// The file is a plain file named only at the journal's name, or also at a birth name of it.
bool namesAreItsOwn(const struct stat& status, const char* journal);

// The paths of the file's other names in the journal's folder, the journal's own name left out.
std::vector<std::string> otherNamesBeside(const struct stat& status, const char* journal);

// Removes every birth name of the journal that this user may remove. Only while holding the
// database's write lock: no other program is then between making a birth name and removing it.
void clearBirthNames(const char* journal);
} // namespace JournalNames
