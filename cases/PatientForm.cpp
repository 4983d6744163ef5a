#include "cases/PatientForm.h"

#include "cases/AgeCalculator.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"
#include "platform/OleDate.h"

namespace
{
double number(const QString& text)
{
    return PatientValidation::fieldNumber(text);
}

void applyHeader(const PatientFormInput& in, PatientRecord& p)
{
    const BirthdayFields b = PatientValidation::birthdayFields(in.birthday);
    const OleDate birthday = oleDateFromFields(b.year, b.month, b.day);
    p.birthday = birthday.value;
    p.birthdayStatus =
        birthday.valid ? PatientValidation::birthdayValid : PatientValidation::birthdayInvalid;
    p.lastName = in.lastName;
    p.firstName = in.firstName;
    p.hospitalId = in.hospitalId;
    p.patientNote = in.patientNote;
    if (in.sex != Sex::Unknown)
        p.sex = sexText(in.sex);
    p.drugCode = drugCode(in.drugName);
    p.caseNote = in.caseNote;
}

void applyMeasures(const PatientFormInput& in, SessionData& s)
{
    const double weight = number(in.weight);
    s.patient.weightUnit =
        QLatin1String(in.weightInPounds ? PatientForm::poundUnit : PatientForm::kilogramUnit);
    s.weightKg = in.weightInPounds ? weight * PatientValidation::kgPerPound : weight;
    const double height = number(in.height);
    s.patient.heightUnit =
        QLatin1String(in.heightInInches ? PatientForm::inchUnit : PatientForm::centimetreUnit);
    s.heightCm = in.heightInInches ? height * PatientValidation::cmPerInch : height;

    s.scr1 = number(in.crs);
    if (in.changingRenalFunction) {
        s.renalMode = PatientForm::changingRenalFunction;
        s.scr2 = number(in.crs2);
        s.scrHoursBetween = number(in.crsTime);
    } else {
        s.renalMode = PatientForm::stableRenalFunction;
        s.scr2 = pknum::kNotGiven;
        s.scrHoursBetween = pknum::kNotGiven;
    }
    s.crcl = number(in.clcr);
    s.albumin = number(in.albumin);
}
} // namespace

void PatientForm::applyForm(const PatientFormInput& input, SessionData& session)
{
    applyHeader(input, session.patient);
    applyMeasures(input, session);
    session.ageYears = AgeCalculator::ageInYears(
        PatientValidation::birthdayDate(input.birthday, input.today), input.today);
}
