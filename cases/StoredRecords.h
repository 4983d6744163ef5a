#pragma once

#include <QString>
#include <QStringList>

// A stored patient and a stored case as the patient and case form takes them back: texts as
// stored, the birthday rearranged to "MM/DD/YYYY".

struct StoredPatient {
    int recNum = 0;
    QString firstName;
    QString lastName;
    QString dateStored;
    QString birthday;       // "MM/DD/YYYY"
    QString storedBirthday; // as the row holds it, normally "yyyy-MM-dd"
    QString sex;
    QString patientId;
    QString note;
};

struct StoredCase {
    int caseNumber = 0;
    int recNum = 0;
    QString drug; // the drug's name, or "UC_" and the name of a user's-choice drug
    QString unit; // "KC", "KI", "LC" or "LI"
    QString weight;
    QString height;
    QString scr;
    QString crcl;
    QString albumin;
    QString dateUpdated;
    QString caseNote;
    QString factor1;
    QString factor2;
    QString scr2;
    QString hours;
};

namespace StoredRecords
{
enum class Outcome { Read, NotFound, Failed };

// "yyyy-MM-dd" to "MM/DD/YYYY".
QString formBirthday(const QString& stored);

Outcome readPatient(int recNum, StoredPatient* patient, QString* error);
// The patient's own details as stored texts: first name, last name, stored birthday, sex,
// patient ID, note (its line breaks as the page's note field gives them back). A save compares
// these to tell its own changes from another user's.
QStringList patientDetails(const StoredPatient& patient);
Outcome readCase(int caseNumber, StoredCase* storedCase, QString* error);
} // namespace StoredRecords
