#pragma once

// SQLite's file layer as the program's connections use it, over the system's own. In a ward's
// shared folder the journal beside the database is made by whichever member saved first and is
// then written by the others:
// - a journal is never opened through a link: a link at its name would let a save write into
//   whatever file the link points at, with the database's mode;
// - a journal this user may write but not remove (a folder with the sticky bit keeps each member
//   from removing another's files) is emptied instead. SQLite takes an empty journal as a finished
//   one, so a save commits, and a save cut short by another member is rolled back, as a removal
//   would do.
namespace JournalGuard
{
// The name of the layer, registered with SQLite on the first call.
const char* vfsName();
} // namespace JournalGuard
