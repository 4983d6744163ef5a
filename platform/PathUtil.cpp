#include "platform/PathUtil.h"

#include <QDir>

QString joinPath(const QString& dir, const QString& file)
{
    if (dir.isEmpty())
        return file.isEmpty() ? QString() : QDir::cleanPath(file);
    if (file.isEmpty())
        return QDir::cleanPath(dir);
    return QDir::cleanPath(QDir(dir).filePath(file));
}

QString inWorkingDirectory(const QString& file)
{
    return joinPath(QDir::currentPath(), file);
}
