#pragma once

#include <QObject>

class SessionData;
class newPatient;

// Hands a stored patient's record number (and a stored case's number) to the patient and case
// form that a search refilled. The form reads them from the session while it is open; unless it
// is confirmed they are taken back when it closes, so the case page behind it keeps the numbers
// of its own case and a later save can never write into another patient's rows. The form is
// made modal for that time, so nothing can be saved while the numbers are lent.
class StoredNumbersHandOver : public QObject
{
    Q_OBJECT
public:
    // Lends the numbers at once; the object goes with the form or when the form closes.
    static void lend(newPatient* form, SessionData* session, int recNum, int caseNumber);

private:
    StoredNumbersHandOver(newPatient* form, SessionData* session);
    void formConfirmed();
    void formClosed();

    SessionData* m_session; // not owned
    int m_recNumBefore;
    int m_caseNumberBefore;
    bool m_confirmed = false;
};
