#pragma once

#include <QString>

// The file inside the folder, with "/" separators and no "." or doubled separators; an absolute
// file name is returned as it is, and an empty folder gives the file name alone.
QString joinPath(const QString& dir, const QString& file);

// The file in the process's working directory, as an absolute path.
QString inWorkingDirectory(const QString& file);
