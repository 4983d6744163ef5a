#include "analysis/HistoryStore.h"

#include "cases/SqlStatement.h"
#include "pkcore/DrugCodes.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace historystore
{
namespace
{
const QString kCase = QStringLiteral(":case");

// Column positions, in the tables' order.
enum DoseColumn {
    doseTreat = 1,
    doseDate,
    doseTime,
    doseAmount,
    doseRoute,
    doseInfusionTime,
    doseInterval,
    doseNumber,
    doseInOut
};
enum LevelColumn { levelDate = 1, levelTime, levelValue };

// A stored number that does not read as a finite number is taken as not given.
double storedNumber(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) ? number : kNotGiven;
}

QString dateText(const QDate& date)
{
    return dateString(date.year(), date.month(), date.day());
}

QString timeText(const QTime& time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}

// The route a row is stored with: the one chosen, else the one it was read with.
QString routeToStore(const DoseHistoryRow& row)
{
    return row.route.isEmpty() ? row.storedRoute : row.route;
}

// Rows in time order, by the date and time read from the stored texts rather than by how the
// texts compare; rows of one moment keep the order they were stored in.
template <typename Row> void sortByTime(QVector<Row>& rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.date < b.date || (a.date == b.date && a.time < b.time);
    });
}

template <typename Row, typename Fill>
ReadRows<Row> read(const QString& sql, qint32 caseNumber, Fill fill)
{
    ReadRows<Row> result;
    SqlStatement query(sql);
    query.bind(kCase, caseNumber);
    if (!query.exec()) {
        result.ok = false;
        result.error = query.error();
        return result;
    }
    while (query.next())
        result.rows.append(fill(query));
    sortByTime(result.rows);
    return result;
}

// The statements that replace a case's rows of one table, and the failures they report.
struct Replacement {
    QString remove;
    QString removeFailure;
    QString insert;
    QString insertFailure;
};

QString failed(const QString& step, const QString& error, QString* databaseText)
{
    if (databaseText)
        *databaseText = error;
    return step + error;
}

// Deletes the case's rows, then inserts one row at a time, each bound by `bind`; the first
// failure's text, or empty.
template <typename Row, typename Bind>
QString replaceRows(const Replacement& sql, qint32 caseNumber, const QVector<Row>& rows,
                    const QSqlDatabase& db, QString* databaseText, Bind bind)
{
    SqlStatement removal(sql.remove, db);
    removal.bind(kCase, caseNumber);
    if (!removal.exec())
        return failed(sql.removeFailure, removal.error(), databaseText);
    for (const Row& row : rows) {
        SqlStatement insert(sql.insert, db);
        insert.bind(kCase, caseNumber);
        bind(insert, row);
        if (!insert.exec())
            return failed(sql.insertFailure, insert.error(), databaseText);
    }
    return QString();
}
} // namespace

QDate dateFromText(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('-'));
    if (parts.size() != 3)
        return QDate();
    return QDate(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
}

QTime timeFromText(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return QTime();
    return QTime(parts[0].toInt(), parts[1].toInt(), parts.value(2).toInt());
}

ReadRows<DoseHistoryRow> readDoseRows(qint32 caseNumber)
{
    return read<DoseHistoryRow>(
        QStringLiteral("SELECT * FROM DoseHistory WHERE CASE_NUMBER = :case ORDER BY rowid"),
        caseNumber, [](const SqlStatement& q) {
            DoseHistoryRow row;
            row.treatment = q.value(doseTreat).toString();
            row.date = dateFromText(q.value(doseDate).toString());
            row.time = timeFromText(q.value(doseTime).toString());
            row.dose = storedNumber(q.value(doseAmount));
            row.route = q.value(doseRoute).toString();
            row.infusionTime = storedNumber(q.value(doseInfusionTime));
            row.interval = storedNumber(q.value(doseInterval));
            row.numberOfDoses = storedNumber(q.value(doseNumber));
            row.inOut = q.value(doseInOut).toString();
            row.complete = true;
            row.fromStore = true;
            row.storedRoute = row.route;
            return row;
        });
}

ReadRows<SerumLevelRow> readLevelRows(qint32 caseNumber)
{
    return read<SerumLevelRow>(
        QStringLiteral("SELECT * FROM SerumLevel WHERE CASE_NUMBER = :case ORDER BY rowid"),
        caseNumber, [](const SqlStatement& q) {
            SerumLevelRow row;
            row.date = dateFromText(q.value(levelDate).toString());
            row.time = timeFromText(q.value(levelTime).toString());
            row.level = storedNumber(q.value(levelValue));
            row.complete = row.level >= 0.0;
            row.fromStore = true;
            return row;
        });
}

QString writeDoseRows(qint32 caseNumber, const QVector<DoseHistoryRow>& rows,
                      const QSqlDatabase& db, QString* databaseText)
{
    const Replacement sql{QStringLiteral("DELETE FROM DoseHistory WHERE CASE_NUMBER = :case"),
                          QStringLiteral("Delete DH fail\n"),
                          QStringLiteral("INSERT INTO DoseHistory VALUES(:case,:treat, :date,"
                                         ":time,:dose,:route,:iftime,:interval,:numdose,:ipop)"),
                          QStringLiteral("Insert DH fail\n")};
    return replaceRows(sql, caseNumber, rows, db, databaseText,
                       [](SqlStatement& insert, const DoseHistoryRow& row) {
                           insert.bind(QStringLiteral(":treat"), row.treatment);
                           insert.bind(QStringLiteral(":dose"), row.dose);
                           insert.bind(QStringLiteral(":route"), routeToStore(row));
                           insert.bind(QStringLiteral(":iftime"), row.infusionTime);
                           insert.bind(QStringLiteral(":interval"), row.interval);
                           insert.bind(QStringLiteral(":numdose"), row.numberOfDoses);
                           insert.bind(QStringLiteral(":ipop"), row.inOut);
                           insert.bind(QStringLiteral(":date"), dateText(row.date));
                           insert.bind(QStringLiteral(":time"), timeText(row.time));
                       });
}

QString writeLevelRows(qint32 caseNumber, const QVector<SerumLevelRow>& rows,
                       const QSqlDatabase& db, QString* databaseText)
{
    const Replacement sql{QStringLiteral("DELETE FROM SerumLevel WHERE CASE_NUMBER = :case"),
                          QStringLiteral("Delete SLH fail\n"),
                          QStringLiteral("INSERT INTO SerumLevel VALUES(:case,:date,:time,:level)"),
                          QStringLiteral("Insert SLH fail\n")};
    return replaceRows(sql, caseNumber, rows, db, databaseText,
                       [](SqlStatement& insert, const SerumLevelRow& row) {
                           insert.bind(QStringLiteral(":level"), row.level);
                           insert.bind(QStringLiteral(":date"), dateText(row.date));
                           insert.bind(QStringLiteral(":time"), timeText(row.time));
                       });
}
} // namespace historystore
