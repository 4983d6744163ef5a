#pragma once

#include <sys/types.h>

// SQLite's file layer as the program's connections use it, over the system's own. In a ward's
// shared folder the journal beside the database is made by whichever member saved first and is
// then written by the others:
// - a journal is opened only when its name is the file's one name: a link at the name, or a
//   second name of another file (the database itself, say), would let a save write into that
//   file, a rollback read it as pages of the database, or an emptying empty it;
// - a journal is born with the database's mode, so that a member killed the instant it was made
//   leaves one that the others may write: made without a name, or, where the file system makes
//   no nameless files, under a birth name of its own (JournalNames), and only then named. Where
//   it makes neither nameless files nor links, SQLite makes it and gives it its mode a moment
//   later;
// - a journal this user may write but not remove (a folder with the sticky bit keeps each member
//   from removing another's files) is emptied instead. SQLite takes an empty journal as a finished
//   one, so a save commits, and a save cut short by another member is rolled back, as a removal
//   would do;
// - a journal that could not be opened for writing is noted with what stood in the way, since
//   SQLite may remove it before the failure is reported.
namespace JournalGuard
{
// The name of the layer, registered with SQLite on the first call.
const char* vfsName();

// The system calls of a journal's birth. A test stands in for a file system that answers
// otherwise than this one, or ends the program between two of them.
struct BirthCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*mkostemp)(char* nameTemplate, int flags);
    int (*fchmod)(int descriptor, mode_t mode);
    int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    int (*unlink)(const char* path);
};
BirthCalls& birthCalls();
} // namespace JournalGuard
