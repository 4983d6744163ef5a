#pragma once

#include "settings/OlderCaseConversion.h"

#include <QString>

// Writes converted patients into a case database on an open connection. Each patient goes in
// one transaction with its cases and every child row, so a failure leaves nothing of that
// patient behind.
class OlderDatabaseWriter
{
public:
    OlderDatabaseWriter(const QString& connectionName, const QString& userName);

    enum class Presence { Absent, Present, Unknown };
    // Whether the target holds a patient of these names, birthday and patient id; an empty id
    // matches only a stored id that is empty or NULL. Unknown when the query fails (error()).
    Presence find(const ConvertedPatient& patient);

    // The patient and its cases; false with the reason in error() after a rollback.
    bool write(const ConvertedPatient& patient);

    QString error() const { return m_error; }

private:
    bool writeRows(const ConvertedPatient& patient);
    bool writeCase(qint32 recNum, const ConvertedCase& c);
    bool writeUserChoice(qint32 caseNumber, const UserChoiceRecord& u);
    bool writeUserChoiceRoute(qint32 caseNumber, const QString& route, const QString& form,
                              const QString& salt, const QString& ka, const QString& f);
    bool writePK(qint32 caseNumber, const ConvertedCase& c);
    bool writeCustomF(qint32 caseNumber, const ConvertedCase& c);
    bool fail(const QString& what, const QString& error);

    QString m_connection;
    QString m_userName;
    QString m_error;
};
