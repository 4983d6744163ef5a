#include "cases/StoredRecords.h"

#include "cases/SqlStatement.h"

#include <QVariant>

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

// Positions in a stored "yyyy-MM-dd" date.
constexpr int yearLength = 4;
constexpr int monthPosition = 5;
constexpr int partLength = 2;

// The first row of a query on one bound number.
StoredRecords::Outcome firstRow(SqlStatement& query, int number, QString* error)
{
    query.bind(QStringLiteral(":number"), number);
    if (!query.exec()) {
        *error = query.error();
        return StoredRecords::Outcome::Failed;
    }
    return query.next() ? StoredRecords::Outcome::Read : StoredRecords::Outcome::NotFound;
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
    SqlStatement query(QStringLiteral("SELECT * FROM Patients WHERE REC_NUM = :number"));
    const Outcome outcome = firstRow(query, recNum, error);
    if (outcome != Outcome::Read)
        return outcome;
    const auto text = [&query](int column) { return query.value(column).toString(); };
    patient->recNum = query.value(pRecNum).toInt();
    patient->firstName = text(pFirst);
    patient->lastName = text(pLast);
    patient->dateStored = text(pDateStored);
    patient->birthday = formBirthday(text(pBirthday));
    patient->sex = text(pSex);
    patient->patientId = text(pPatientId);
    patient->note = text(pNote);
    return outcome;
}

Outcome readCase(int caseNumber, StoredCase* storedCase, QString* error)
{
    SqlStatement query(QStringLiteral("SELECT * FROM Cases WHERE CASE_NUMBER = :number"));
    const Outcome outcome = firstRow(query, caseNumber, error);
    if (outcome != Outcome::Read)
        return outcome;
    const auto text = [&query](int column) { return query.value(column).toString(); };
    StoredCase& c = *storedCase;
    c.caseNumber = query.value(cCaseNumber).toInt();
    c.recNum = text(cRecNum).toInt();
    c.drug = text(cDrug);
    c.unit = text(cUnit);
    c.weight = text(cWeight);
    c.height = text(cHeight);
    c.scr = text(cScr);
    c.crcl = text(cCrcl);
    c.albumin = text(cAlbumin);
    c.dateUpdated = text(cDateUpdated);
    c.caseNote = text(cCaseNote);
    c.factor1 = text(cFactor1);
    c.factor2 = text(cFactor2);
    c.scr2 = text(cScr2);
    c.hours = text(cTime);
    return outcome;
}
} // namespace StoredRecords
