#pragma once

#include "pkcore/SessionData.h"
#include "pkcore/Sex.h"

#include <QDate>
#include <QString>
#include <QVector>

// The checks run on the patient and case form before anything of it reaches the session. They
// work on the form's texts and choices, so they can be run and tested without the form.

// Month, day and year of a birthday typed as "MM/DD/YYYY".
struct BirthdayFields {
    int month = 0;
    int day = 0;
    int year = 0;
};

// The form as the checks see it and the session takes it: texts as typed, choices as made.
struct PatientFormInput {
    QString firstName;
    QString lastName;
    QString hospitalId;
    QString patientNote;
    Sex sex = Sex::Unknown;
    QString birthday; // "MM/DD/YYYY"
    QDate today;      // the date the form was opened
    QString weight;
    bool weightInPounds = false;
    QString height;
    bool heightInInches = false;
    bool drugChosen = false;
    QString drugName; // as the list shows it
    QString caseNote;
    bool crsChosen = false;
    bool clcrChosen = false;
    bool changingRenalFunction = false; // two creatinine values and the hours between
    QString crs;
    QString crs2;
    QString crsTime;
    QString clcr;
    bool albuminShown = false;
    QString albumin;
};

// The fields a check can mark.
enum class PatientField {
    FirstName,
    LastName,
    Birthday,
    Weight,
    Height,
    Drug,
    RenalChoice, // both the Crs and the CLcr button
    Crs,
    Crs2,
    CrsTime,
    Clcr,
    Albumin
};

// The outcome of one check for one field; the message is empty when the field passed.
struct FieldVerdict {
    PatientField field;
    bool failed = false;
    QString message;
};

namespace PatientValidation
{
// A weight or height typed in pounds or inches is stored in kilograms or centimetres.
constexpr double kgPerPound = 0.453597;
constexpr double cmPerInch = 2.5399;
// PatientRecord::birthdayStatus: whether the stored birthday is a real day.
constexpr int birthdayValid = 0;
constexpr int birthdayInvalid = 1;

// Month, day and year of the stored birthday; all -1 when none is stored.
BirthdayFields storedBirthday(const PatientRecord& patient);
// The stored birthday as "MM/DD/YYYY"; "-1/-1/-1" when none is stored.
QString birthdayText(const PatientRecord& patient);

// A typed number; 0 for an empty text or one that is not a finite number.
double fieldNumber(const QString& text);
// Exactly "MM/DD/YYYY": ten characters, digits where the numbers go, slashes between them.
bool isBirthdayFormatValid(const QString& text);
// Month, day and year of a text that passed the format check.
BirthdayFields birthdayFields(const QString& text);
// A real calendar day, not after today and not more than 120 years before it (the whole of that
// year counts). The text must have passed the format check.
bool isBirthdayInRange(const QString& text, const QDate& today);
// The day a valid birthday text names; a null date when the text fails either check.
QDate birthdayDate(const QString& text, const QDate& today);

// Every check of the form in the order its reasons are listed; a field the checks do not reach
// (a hidden albumin field) has no verdict.
QVector<FieldVerdict> checkForm(const PatientFormInput& input);
// The reasons of the failed verdicts, one per line, without a line break after the last.
QString joinReasons(const QVector<FieldVerdict>& verdicts);
} // namespace PatientValidation
