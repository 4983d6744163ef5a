#include "cases/PatientSearch.h"

#include "pkcore/DrugCodes.h"

#include <QStringList>

namespace
{
const QString matchesNothing = QStringLiteral("1 = 0");
const QChar likeEscape = QLatin1Char('\\');

QString storedDay(const QDate& day)
{
    return dateString(day.year(), day.month(), day.day());
}

QString dateFilter(const QString& fromText, const QString& toText)
{
    QStringList terms;
    if (!fromText.trimmed().isEmpty()) {
        const QDate from = PatientSearch::typedDate(fromText);
        if (!from.isValid())
            return matchesNothing;
        terms
            << QStringLiteral("DATE_STORED >= %1").arg(PatientSearch::sqlLiteral(storedDay(from)));
    }
    if (!toText.trimmed().isEmpty()) {
        const QDate to = PatientSearch::typedDate(toText);
        if (!to.isValid())
            return matchesNothing;
        // Stamps carry the time of day: everything before the next day belongs to the to-date.
        terms << QStringLiteral("DATE_STORED < %1")
                     .arg(PatientSearch::sqlLiteral(storedDay(to.addDays(1))));
    }
    return terms.join(QStringLiteral(" AND "));
}

QString containsFilter(const QString& column, const QString& text)
{
    QString pattern;
    for (const QChar c : text) {
        if (c == likeEscape || c == QLatin1Char('%') || c == QLatin1Char('_'))
            pattern += likeEscape;
        pattern += c;
    }
    const QString percent = QStringLiteral("%");
    return QStringLiteral("%1 LIKE %2 ESCAPE %3")
        .arg(column, PatientSearch::sqlLiteral(percent + pattern + percent),
             PatientSearch::sqlLiteral(QString(likeEscape)));
}
} // namespace

namespace PatientSearch
{
QString sqlLiteral(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QDate typedDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, QStringLiteral("MM/dd/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(trimmed, QStringLiteral("M/d/yyyy"));
    return date;
}

QString patientFilter(int mode, const QString& dateFrom, const QString& dateTo,
                      const QString& lastName, const QString& patientId)
{
    switch (mode) {
    case ByDates:
        return dateFilter(dateFrom, dateTo);
    case ByLastName:
        return containsFilter(QStringLiteral("LAST_NAME"), lastName);
    case ByPatientId:
        return QStringLiteral("PATIENT_ID = %1").arg(sqlLiteral(patientId));
    default:
        return QString();
    }
}

QString caseFilter(const QString& recNum)
{
    bool ok = false;
    const int number = recNum.trimmed().toInt(&ok);
    if (!ok)
        return matchesNothing;
    return QStringLiteral("REC_NUM = %1").arg(number);
}
} // namespace PatientSearch
