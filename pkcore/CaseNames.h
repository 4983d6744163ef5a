#pragma once

#include <QString>

class SessionData;

// The drug as every window of a case names it: the catalogue name, or for a drug of the user's
// choice the name the user gave it.
QString caseDrugName(const SessionData& session);

// A case window's title: the caption, then the patient's last and first names and the drug, as in
// "Dosage History:  Smith, Ann, Digoxin".
QString caseWindowTitle(const QString& caption, const SessionData& session);
