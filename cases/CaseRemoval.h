#pragma once

#include <QString>

// Removes a stored case, or a patient with all its cases, together with every row that belongs
// to them. Each removal is one transaction on the default connection: it happens whole or not
// at all.
namespace CaseRemoval
{
enum class Outcome { Removed, NotFound, Failed };

struct Result {
    Outcome outcome = Outcome::Failed;
    QString error; // the database's text when the removal failed
};

Result removeCase(int caseNumber);
Result removePatient(int recNum);
} // namespace CaseRemoval
