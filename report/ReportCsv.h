#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class SessionData;

// The case's patient data and population parameters as comma-separated label and value lines.
namespace reportcsv
{
using Record = QStringList;

// The lines in order; the heading of the population block is a record of one field.
QVector<Record> records(const SessionData& session);

// One field as a spreadsheet reads it safely: text that would start a formula is made inert
// with a leading apostrophe, and a field holding a comma, quote or line break is quoted.
QString field(const QString& text);
// The records, fields joined by commas, every line ending with "\n".
QString text(const QVector<Record>& records);

// Writes the text as UTF-8, replacing the file; false with the reason in error when the file
// could not be written completely.
bool write(const QString& path, const QString& text, QString* error);
} // namespace reportcsv
