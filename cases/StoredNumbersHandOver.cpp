#include "cases/StoredNumbersHandOver.h"

#include "cases/newPatient.h"
#include "pkcore/SessionData.h"

StoredNumbersHandOver::StoredNumbersHandOver(newPatient* form, SessionData* session)
    : QObject(form), m_session(session), m_recNumBefore(session->recNum),
      m_caseNumberBefore(session->caseNumber)
{
    connect(form, &newPatient::create_mainpage, this, &StoredNumbersHandOver::formConfirmed);
    connect(form, &QDialog::finished, this, &StoredNumbersHandOver::formClosed);
}

void StoredNumbersHandOver::lend(newPatient* form, SessionData* session, int recNum, int caseNumber)
{
    // An earlier loan on the same form that was never closed gives back its numbers first.
    for (StoredNumbersHandOver* earlier : form->findChildren<StoredNumbersHandOver*>()) {
        earlier->formClosed();
    }
    new StoredNumbersHandOver(form, session);
    session->recNum = recNum;
    session->caseNumber = caseNumber;
    form->setWindowModality(Qt::ApplicationModal);
}

void StoredNumbersHandOver::formConfirmed()
{
    m_confirmed = true;
}

void StoredNumbersHandOver::formClosed()
{
    if (!m_confirmed) {
        m_session->recNum = m_recNumBefore;
        m_session->caseNumber = m_caseNumberBefore;
    }
    m_confirmed = true; // given back or kept: either way only once
    deleteLater();
}
