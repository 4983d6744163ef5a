#include "cases/CaseRemoval.h"

#include "cases/AnalysisPriorStore.h"
#include "cases/SqlStatement.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>
#include <QVector>

namespace
{
using CaseRemoval::Outcome;
using CaseRemoval::Result;

// Children first, the case row last.
const char* const caseTables[] = {"CustomF",         "PK",          "UserChoice",
                                  "UserChoiceRoute", "DoseHistory", "SerumLevel"};

// Runs one statement with one bound number; the rows it changed, or -1 when it failed.
int runWithNumber(const QString& sql, int number, QString* error)
{
    SqlStatement query(sql);
    query.bind(QStringLiteral(":number"), number);
    if (!query.exec()) {
        *error = query.error();
        return -1;
    }
    return query.numRowsAffected();
}

// The case's rows inside the caller's transaction; the number of case rows removed or -1.
int deleteCaseRows(int caseNumber, QString* error)
{
    for (const char* table : caseTables) {
        const QString sql =
            QStringLiteral("DELETE FROM %1 WHERE CASE_NUMBER = :number").arg(QLatin1String(table));
        if (runWithNumber(sql, caseNumber, error) < 0)
            return -1;
    }
    if (!analysisprior::remove(caseNumber, error))
        return -1;
    return runWithNumber(QStringLiteral("DELETE FROM Cases WHERE CASE_NUMBER = :number"),
                         caseNumber, error);
}

bool caseNumbersOf(int recNum, QVector<int>* numbers, QString* error)
{
    SqlStatement query(QStringLiteral("SELECT CASE_NUMBER FROM Cases WHERE REC_NUM = :number"));
    query.bind(QStringLiteral(":number"), recNum);
    if (!query.exec()) {
        *error = query.error();
        return false;
    }
    while (query.next())
        numbers->append(query.value(0).toInt());
    return true;
}

// Commits when removed > 0, rolls back otherwise.
Result finish(QSqlDatabase& db, int removed, const QString& error)
{
    if (removed < 0) {
        db.rollback();
        return {Outcome::Failed, error};
    }
    if (removed == 0) {
        db.rollback();
        return {Outcome::NotFound, QString()};
    }
    if (!db.commit()) {
        const QString commitError = db.lastError().text();
        db.rollback();
        return {Outcome::Failed, commitError};
    }
    return {Outcome::Removed, QString()};
}
} // namespace

namespace CaseRemoval
{
Result removeCase(int caseNumber)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        return {Outcome::Failed, db.lastError().text()};
    QString error;
    const int removed = deleteCaseRows(caseNumber, &error);
    return finish(db, removed, error);
}

Result removePatient(int recNum)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        return {Outcome::Failed, db.lastError().text()};
    QString error;
    QVector<int> cases;
    int removed = caseNumbersOf(recNum, &cases, &error) ? 0 : -1;
    for (int caseNumber : cases) {
        if (removed < 0 || deleteCaseRows(caseNumber, &error) < 0) {
            removed = -1;
            break;
        }
    }
    if (removed == 0)
        removed = runWithNumber(QStringLiteral("DELETE FROM Patients WHERE REC_NUM = :number"),
                                recNum, &error);
    return finish(db, removed, error);
}
} // namespace CaseRemoval
