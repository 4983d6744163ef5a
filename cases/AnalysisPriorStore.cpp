#include "cases/AnalysisPriorStore.h"

#include "cases/SqlStatement.h"

#include <QVariant>

namespace analysisprior
{
namespace
{
const QString kCase = QStringLiteral(":case");
const QString kCustomText = QStringLiteral("C");
const QString kPopulationText = QStringLiteral("P");

// A statement on a missing table fails as it is prepared, yet a missing table is no failure:
// false and an empty error when the database has none.
bool tableExists(QString* error)
{
    error->clear();
    SqlStatement query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                      "name = 'AnalysisPrior'"));
    if (!query.exec()) {
        *error = query.error();
        return false;
    }
    return query.next();
}

bool deleteRow(qint32 caseNumber, QString* error)
{
    SqlStatement removal(QStringLiteral("DELETE FROM AnalysisPrior WHERE CASE_NUMBER = :case"));
    removal.bind(kCase, caseNumber);
    if (removal.exec())
        return true;
    *error = removal.error();
    return false;
}
} // namespace

ReadPrior read(qint32 caseNumber)
{
    ReadPrior result;
    if (!tableExists(&result.error)) {
        result.ok = result.error.isEmpty();
        return result;
    }
    SqlStatement query(QStringLiteral("SELECT PRIOR FROM AnalysisPrior WHERE CASE_NUMBER = :case"));
    query.bind(kCase, caseNumber);
    if (!query.exec()) {
        result.ok = false;
        result.error = query.error();
        return result;
    }
    // Any other text is no choice this program made: the population, as without a row.
    if (query.next() && query.value(0).toString() == kCustomText)
        result.prior = pk::kCustom;
    return result;
}

QString write(qint32 caseNumber, int prior)
{
    SqlStatement create{QString::fromLatin1(kCreateTable)};
    if (!create.exec())
        return create.error();
    QString error;
    if (!deleteRow(caseNumber, &error))
        return error;
    SqlStatement insert(QStringLiteral("INSERT INTO AnalysisPrior VALUES(:case,:prior)"));
    insert.bind(kCase, caseNumber);
    insert.bind(QStringLiteral(":prior"), prior == pk::kCustom ? kCustomText : kPopulationText);
    return insert.exec() ? QString() : insert.error();
}

bool remove(qint32 caseNumber, QString* error)
{
    if (!tableExists(error))
        return error->isEmpty();
    return deleteRow(caseNumber, error);
}
} // namespace analysisprior
