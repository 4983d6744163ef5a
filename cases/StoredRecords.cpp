#include "cases/StoredRecords.h"

#include "cases/SqlStatement.h"

#include <QVariant>

#include <functional>

namespace
{
// Columns of a Patients row.
enum PatientColumn { pRecNum, pFirst, pLast, pDateStored, pBirthday, pSex, pPatientId, pNote };

// Columns of a Cases row.
enum CaseColumn {
    cCaseNumber,
    cRecNum,
    cDateUpdated,
    cDrug,
    cUnit,
    cWeight,
    cWeightUnit,
    cHeight,
    cHeightUnit,
    cScr,
    cCrcl,
    cAlbumin,
    cFactor1,
    cFactor2,
    cCaseNote,
    cScr2,
    cTime,
    cModifiedBy
};

// The frame marks a plain-text field reads as line breaks.
constexpr char16_t frameStart = 0xfdd0;
constexpr char16_t frameEnd = 0xfdd1;

// A note as a plain-text field gives it back: every kind of line break a "\n", a no-break
// space a space.
QString noteAsShown(const QString& stored)
{
    QString note = stored;
    note.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QChar lineBreak :
         {QChar(QLatin1Char('\r')), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator),
          QChar(frameStart), QChar(frameEnd)})
        note.replace(lineBreak, QLatin1Char('\n'));
    return note.replace(QChar(QChar::Nbsp), QLatin1Char(' '));
}

// The texts of a Cases row as the form takes them back.
struct CaseText {
    QString StoredCase::*field;
    int column;
};
const CaseText caseTexts[] = {
    {&StoredCase::drug, cDrug},         {&StoredCase::unit, cUnit},
    {&StoredCase::weight, cWeight},     {&StoredCase::height, cHeight},
    {&StoredCase::scr, cScr},           {&StoredCase::crcl, cCrcl},
    {&StoredCase::albumin, cAlbumin},   {&StoredCase::dateUpdated, cDateUpdated},
    {&StoredCase::caseNote, cCaseNote}, {&StoredCase::factor1, cFactor1},
    {&StoredCase::factor2, cFactor2},   {&StoredCase::scr2, cScr2},
    {&StoredCase::hours, cTime},
};

// Positions in a stored "yyyy-MM-dd" date.
constexpr int yearLength = 4;
constexpr int monthPosition = 5;
constexpr int partLength = 2;

using RowText = std::function<QString(int column)>;

// Reads the first row of a query on one bound number and hands its columns, as texts, to fill.
StoredRecords::Outcome readRow(const QString& sql, int number, QString* error,
                               const std::function<void(const RowText&)>& fill)
{
    SqlStatement query(sql);
    query.bind(QStringLiteral(":number"), number);
    if (!query.exec()) {
        *error = query.error();
        return StoredRecords::Outcome::Failed;
    }
    if (!query.next())
        return StoredRecords::Outcome::NotFound;
    fill([&query](int column) { return query.value(column).toString(); });
    return StoredRecords::Outcome::Read;
}
} // namespace

namespace StoredRecords
{
QString formBirthday(const QString& stored)
{
    const QChar slash = QLatin1Char('/');
    return stored.mid(monthPosition, partLength) + slash + stored.right(partLength) + slash +
           stored.left(yearLength);
}

Outcome readPatient(int recNum, StoredPatient* patient, QString* error)
{
    return readRow(QStringLiteral("SELECT * FROM Patients WHERE REC_NUM = :number"), recNum, error,
                   [patient](const RowText& text) {
                       patient->recNum = text(pRecNum).toInt();
                       patient->firstName = text(pFirst);
                       patient->lastName = text(pLast);
                       patient->dateStored = text(pDateStored);
                       patient->storedBirthday = text(pBirthday);
                       patient->birthday = formBirthday(patient->storedBirthday);
                       patient->sex = text(pSex);
                       patient->patientId = text(pPatientId);
                       patient->note = text(pNote);
                   });
}

// The note as the page's note field gives it back: a note stored with other line breaks (an
// older file's "\r\n") must not count as changed by a page that left it as it was.
QStringList patientDetails(const StoredPatient& patient)
{
    return {patient.firstName, patient.lastName,  patient.storedBirthday,
            patient.sex,       patient.patientId, noteAsShown(patient.note)};
}

Outcome readCase(int caseNumber, StoredCase* storedCase, QString* error)
{
    return readRow(QStringLiteral("SELECT * FROM Cases WHERE CASE_NUMBER = :number"), caseNumber,
                   error, [storedCase](const RowText& text) {
                       StoredCase& c = *storedCase;
                       c.caseNumber = text(cCaseNumber).toInt();
                       c.recNum = text(cRecNum).toInt();
                       for (const CaseText& entry : caseTexts)
                           c.*entry.field = text(entry.column);
                   });
}
} // namespace StoredRecords
