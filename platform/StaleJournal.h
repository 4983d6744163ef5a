#pragma once

#include <QString>

// SQLite's rollback journal beside a database, left empty by a program that ended between
// making it and writing its header. An empty journal holds nothing to roll back, so SQLite
// passes over it and leaves it in place; made by another user with a mode that keeps this one
// from writing it, it refuses every later write of this user.
namespace StaleJournal
{
// What SQLite appends to the database's name for its journal.
constexpr const char* suffix = "-journal";

// The journal's path: the database's with "-journal" appended.
QString pathFor(const QString& databasePath);

// Removes the journal when it is an empty file. Only while this connection holds the database's
// write lock: no other connection is then between making its journal and writing it. One this
// user may not remove stays; `obstacle` says whether it is in the way.
void removeEmpty(const QString& databasePath);

// What at the journal's name stops this user's reads or writes of the database, with its path,
// owner, group and mode and what to do about it: a link (never written through), a second name of
// a file, something other than a file, or a journal this user may not write. When nothing is in
// the way there now, what was when this user's last opening of the journal for writing failed:
// SQLite may remove the journal during the failed attempt. Empty when neither.
QString obstacle(const QString& databasePath);

// What stopped this user's last opening of the journal for writing stands there no longer: SQLite
// removed it during the failed attempt, or its owner did since, so trying once more may succeed.
bool obstacleGone(const QString& databasePath);

// Notes what stands at the journal's name now, for `obstacle` to give once it may be gone.
void noteObstacle(const QString& databasePath);
// The journal opened for writing: nothing noted stands in the way any longer.
void forgetObstacle(const QString& databasePath);
} // namespace StaleJournal
