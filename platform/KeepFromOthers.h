#pragma once

#include <QString>

// Takes access away from everyone outside the owner and the group of a file or folder of the
// running user, so that what the program keeps (patients, accounts, the settings that point at
// them) is not open to every account of the machine. What the owner gave the group stays: a ward
// shares one data folder through a group (a setgid folder, its files readable and writable by the
// group). A path of another user, a folder shared by design (the sticky bit, as a temporary
// folder) and the home folder are left as they are; false when a change that applies failed.
bool keepFromOthers(const QString& path);
