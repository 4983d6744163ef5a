#include "settings/OlderFileCheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

// An Access file opens with these bytes, then its format version; it is made of whole pages,
// of 2048 bytes in the first format and 4096 in every later one.
const char jetSignature[] = "\x00\x01\x00\x00Standard Jet DB";
const char aceSignature[] = "\x00\x01\x00\x00Standard ACE DB";
constexpr int signatureBytes = sizeof(jetSignature) - 1;
constexpr int versionOffset = 0x14;
constexpr char firstFormat = 0;
constexpr qint64 firstFormatPageBytes = 2048;
constexpr qint64 pageBytes = 4096;

// The page size of an Access file with this header; 0 when the header is not an Access one.
qint64 accessPageBytes(const QByteArray& header)
{
    const QByteArray signature = header.left(signatureBytes);
    if (header.size() <= versionOffset || (signature != QByteArray(jetSignature, signatureBytes) &&
                                           signature != QByteArray(aceSignature, signatureBytes)))
        return 0;
    return header.at(versionOffset) == firstFormat ? firstFormatPageBytes : pageBytes;
}
} // namespace

QString olderFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return translate("The file %1 does not exist.").arg(path);
    if (info.isDir())
        return translate("%1 is a folder, not a database file.").arg(path);
    // Opening a pipe would wait for a writer; a device is no database either.
    if (!info.isFile())
        return translate("%1 is not an ordinary file.").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return translate("The file %1 cannot be read: %2.").arg(path, file.errorString());
    const qint64 page = accessPageBytes(file.read(versionOffset + 1));
    // A file cut short, for instance by a copy that stopped, ends inside a page; the driver reads
    // such a file without a word and finds fewer tables and rows than it holds.
    if (page > 0 && info.size() % page != 0)
        return translate("The file %1 may be damaged: it is %2 bytes long, which is not a whole "
                         "number of its %3-byte pages.")
            .arg(path)
            .arg(info.size())
            .arg(page);
    return QString();
}
