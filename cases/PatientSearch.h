#pragma once

#include <QDate>
#include <QString>

// The filters of the patient and case lists. Typed texts reach the SQL only as escaped
// literals: an apostrophe is part of a name, and "%" and "_" match only themselves.
namespace PatientSearch
{
enum Mode { ByDates = 0, ByLastName = 1, ByPatientId = 2 };

// A text as an SQL string literal, quotes included.
QString sqlLiteral(const QString& text);
// A date typed as "MM/DD/YYYY" (one-digit month and day accepted); a null date otherwise.
QDate typedDate(const QString& text);

// Dates: patients stored on any day from the from-date to the to-date, both included; an empty
// field leaves that end open, a date that cannot be read matches nothing. Last name: every
// patient whose last name contains the text. Patient ID: the whole identifier. Any other mode:
// no filter.
QString patientFilter(int mode, const QString& dateFrom, const QString& dateTo,
                      const QString& lastName, const QString& patientId);
// The cases of one patient; nothing for a text that is not a record number.
QString caseFilter(const QString& recNum);
} // namespace PatientSearch
