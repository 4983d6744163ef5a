#pragma once

#include <QString>

// What stands between the running user and reading the file at a path, in words that complete
// "cannot be opened (...)". A refusal names the owner, group and mode of the file or folder that
// refuses, which is what the keeper of a shared data folder needs to mend it.
struct PathAccess {
    bool missing = false; // nothing is there, as far as the running user can see
    QString problem;      // empty when the file opens for reading
};

PathAccess checkReadAccess(const QString& path);

// "owner …, group …, mode 0640" of the file or folder at path; the reason when it cannot be seen.
QString ownershipText(const QString& path);
// The same of a link itself, not of what it points at.
QString linkOwnershipText(const QString& path);
