#pragma once

#include "pkcore/PkIndices.h"

#include <QString>

// The parameter set a case's analysis starts from (pk::kPopulation or pk::kCustom), kept with
// the case so that a reopened case fits as it did when it was saved. It has a table of its own:
// the other case tables are written positionally, by older copies of the program too, and a
// column more would break their inserts. Databases written before the table existed, and cases
// converted from older files, have no row and read as the population prior.
namespace analysisprior
{
// Also run by the database tool, so that a new database has the table from the start.
constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS AnalysisPrior (CASE_NUMBER INTEGER, PRIOR TEXT)";

struct ReadPrior {
    bool ok = true; // the query ran
    // The population unless the case was saved with the custom prior.
    int prior = pk::kPopulation;
    QString error;
};

ReadPrior read(qint32 caseNumber);
// Replaces the case's row, making the table first where the database has none; inside the
// transaction open on the default connection, so a database that another user's save has just
// given the table is left as it is. The database's failure text, empty on success.
QString write(qint32 caseNumber, int prior);
// Removes the case's row, where the database keeps any; false with the database's text.
bool remove(qint32 caseNumber, QString* error);
} // namespace analysisprior
