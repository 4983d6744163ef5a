#pragma once

#include <QString>

// SQLite's rollback journal beside a database, left empty by a program that ended between
// making it and writing its header. An empty journal holds nothing to roll back, so SQLite
// passes over it and leaves it in place; made by another user with a mode that keeps this one
// from writing it, it refuses every later write of this user.
namespace StaleJournal
{
// The journal's path: the database's with "-journal" appended.
QString pathFor(const QString& databasePath);

// Removes the journal when it is an empty file. Only while this connection holds the database's
// write lock: no other connection is then between making its journal and writing it. Empty when
// nothing is left in the way; otherwise, for a journal this user can neither remove nor write,
// its path and why it stays, with its owner, group and mode.
QString removeEmpty(const QString& databasePath);
} // namespace StaleJournal
