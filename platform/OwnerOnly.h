#pragma once

#include <QString>

// Takes group and other access away from a file or folder of the running user, so that what
// the program keeps (patients, accounts, the settings that point at them) is read by its owner
// alone. A path of another user, a folder shared by design (the sticky bit, as a temporary
// folder) and the home folder are left as they are; false when a change that applies failed.
bool keepToOwner(const QString& path);
