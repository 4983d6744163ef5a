#pragma once

#include "analysis/DoseHistoryRow.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>

// The dose history and serum levels of one case in the tables DoseHistory and SerumLevel.
// Numbers are stored as real values, so a level of 12.36 comes back as 12.36; times keep their
// seconds. Statements run on the default connection, inside whatever transaction is open there.
namespace historystore
{
template <typename Row> struct ReadRows {
    bool ok = true; // the query ran
    QVector<Row> rows;
    QString error;
};

// The case's rows in time order, date then time, each marked complete and read from the
// store; rows of one date and time come in the order they were stored, so the same every time.
ReadRows<DoseHistoryRow> readDoseRows(qint32 caseNumber);
ReadRows<SerumLevelRow> readLevelRows(qint32 caseNumber);

// Replace the case's stored rows with these; the text of the failure, empty on success, and
// into databaseText (when given) the database's own part of it. The converter of older
// databases writes into a database of its own choice.
QString writeDoseRows(qint32 caseNumber, const QVector<DoseHistoryRow>& rows,
                      const QSqlDatabase& db = QSqlDatabase::database(),
                      QString* databaseText = nullptr);
QString writeLevelRows(qint32 caseNumber, const QVector<SerumLevelRow>& rows,
                       const QSqlDatabase& db = QSqlDatabase::database(),
                       QString* databaseText = nullptr);

// Stored texts: "yyyy-MM-dd" and "hh:mm:ss"; a text that does not read gives a null value.
QDate dateFromText(const QString& text);
QTime timeFromText(const QString& text);
} // namespace historystore
