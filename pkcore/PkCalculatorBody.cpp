#include "pkcore/DrugCodes.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

using pknum::checked;
using pknum::invalid;
using pknum::kHoursPerDay;
using pknum::kStandardBsa;
using pknum::rawBsa;

namespace
{
const QString kMale = QStringLiteral("M");
const QString kFemale = QStringLiteral("F");

constexpr double kCmPerInch = 2.54;
constexpr double kCmPerMetre = 100.0;

// Janmahasatian lean body mass.
constexpr double kLbmNumerator = 9270.0;
constexpr double kLbmMaleBase = 6680.0;
constexpr double kLbmMaleBmiFactor = 216.0;
constexpr double kLbmFemaleBase = 8780.0;
constexpr double kLbmFemaleBmiFactor = 244.0;

// Devine ideal body weight for adults.
constexpr double kIbwBaseInches = 60.0;
constexpr double kAdultIbwKgPerInch = 2.3;
constexpr double kAdultIbwMaleBase = 50.0;
constexpr double kAdultIbwFemaleBase = 45.5;

// Ideal body weight for children.
constexpr double kChildIbwInfantAge = 1.0;
constexpr double kChildIbwShortHeight = 154.0;
constexpr double kChildIbwExpFactor = 2.396;
constexpr double kChildIbwExpRate = 0.01863;
constexpr double kChildIbwKgPerInch = 2.27;
constexpr double kChildIbwMaleBase = 39.0;
constexpr double kChildIbwFemaleBase = 42.2;

// Choice between the adult and the child formula.
constexpr double kAdultAge = 18.0;
constexpr double kAdolescentAge = 16.0;
constexpr double kShortAdultHeight = 122.0;
constexpr double kShortAdultFemaleShare = 0.9;

constexpr double kAdjustedWeightExcessShare = 0.4;

// Cockcroft-Gault.
constexpr double kCgAgeBase = 140.0;
constexpr double kCgDivisor = 72.0;
constexpr double kCgFemaleShare = 0.85;

// Jelliffe for changing renal function.
constexpr double kJelliffeMaleBase = 29.3;
constexpr double kJelliffeMaleAgeFactor = 0.203;
constexpr double kJelliffeFemaleBase = 25.1;
constexpr double kJelliffeFemaleAgeFactor = 0.175;
constexpr double kJelliffeScrBase = 1.035;
constexpr double kJelliffeScrFactor = 0.0377;
constexpr double kJelliffeRiseFactor = 4.0;
constexpr double kJelliffeDivisor = 14.4;

// Paediatric clearance (Schwartz-type) and the estimate's age bands and caps.
constexpr double kPaediatricFactor = 0.48;
constexpr double kMinimumClearanceAge = 0.5;
constexpr double kYoungChildAge = 5.0;
constexpr double kClearanceCapPerBsa = 90.0;
constexpr double kYoungChildCapPerBsa = 58.0;
constexpr double kBurnClearanceCap = 265.0;

double rawBmi(double w, double h)
{
    if (!(w > 0.0 && h > 0.0))
        return invalid();
    const double metres = h / kCmPerMetre;
    return w / (metres * metres);
}

double rawLbm(double w, double h, const QString& sex)
{
    const double bmi = rawBmi(w, h);
    if (sex == kMale)
        return kLbmNumerator * w / (kLbmMaleBase + kLbmMaleBmiFactor * bmi);
    return kLbmNumerator * w / (kLbmFemaleBase + kLbmFemaleBmiFactor * bmi);
}

double rawAdultIbw(double h, const QString& sex)
{
    if (!(h > 0.0))
        return invalid();
    const double base = sex == kMale ? kAdultIbwMaleBase : kAdultIbwFemaleBase;
    return (h / kCmPerInch - kIbwBaseInches) * kAdultIbwKgPerInch + base;
}

double rawChildIbw(double w, double h, double a, const QString& sex)
{
    if (a < kChildIbwInfantAge)
        return w;
    if (!(h > 0.0))
        return invalid();
    if (h < kChildIbwShortHeight)
        return kChildIbwExpFactor * std::exp(kChildIbwExpRate * h);
    const double base = sex == kMale ? kChildIbwMaleBase : kChildIbwFemaleBase;
    return (h / kCmPerInch - kIbwBaseInches) * kChildIbwKgPerInch + base;
}

double rawIbw(double w, double h, double a, const QString& sex)
{
    if (!pknum::allFinite(w, h, a))
        return invalid();
    if (a >= kAdultAge && h >= kShortAdultHeight)
        return rawAdultIbw(h, sex);
    if (a >= kAdultAge && h < kShortAdultHeight && sex == kMale)
        return rawChildIbw(w, h, a, sex);
    if (a >= kAdultAge && h < kShortAdultHeight && sex == kFemale)
        return kShortAdultFemaleShare * rawChildIbw(w, h, a, sex);
    if (a >= kAdolescentAge && a < kAdultAge && h >= kChildIbwShortHeight)
        return (rawChildIbw(w, h, a, sex) + rawAdultIbw(h, sex)) / 2.0;
    if (a < kAdolescentAge || (a < kAdultAge && h < kChildIbwShortHeight))
        return rawChildIbw(w, h, a, sex);
    return 0.0;
}

struct Patient {
    double weight;
    double height;
    double age;
    QString sex;
};

Patient patientOf(const SessionData& s)
{
    return {s.weightKg, s.heightCm, s.ageYears, s.patient.sex};
}

double rawDosingWeight(const Patient& p)
{
    const double ibw = rawIbw(p.weight, p.height, p.age, p.sex);
    if (!pknum::allFinite(ibw, p.weight))
        return invalid();
    if (ibw >= p.weight)
        return p.weight;
    const double lbm = rawLbm(p.weight, p.height, p.sex);
    return lbm > ibw ? lbm : ibw;
}

double rawCockcroftGault(const Patient& p, double scr1)
{
    if (!(scr1 > 0.0))
        return invalid();
    const double clearance = (kCgAgeBase - p.age) * rawDosingWeight(p) / (kCgDivisor * scr1);
    return p.sex == kFemale ? clearance * kCgFemaleShare : clearance;
}

double rawJelliffe(const Patient& p, double scr1, double scr2, double hoursBetween)
{
    if (!(scr1 > 0.0 && scr2 > 0.0 && hoursBetween > 0.0))
        return invalid();
    const double scr = scr1 > scr2 ? (scr1 + scr2) / 2.0 : scr2;
    const double ibw = rawIbw(p.weight, p.height, p.age, p.sex);
    const double excretion = p.sex == kMale
                                 ? ibw * (kJelliffeMaleBase - kJelliffeMaleAgeFactor * p.age)
                                 : ibw * (kJelliffeFemaleBase - kJelliffeFemaleAgeFactor * p.age);
    const double rise = kJelliffeRiseFactor * ibw * (scr2 - scr1) / (hoursBetween / kHoursPerDay);
    return ((kJelliffeScrBase - kJelliffeScrFactor * scr) * excretion - rise) /
           (kJelliffeDivisor * scr) * rawBsa(p.weight, p.height) / kStandardBsa;
}

double rawEstimatedClearance(const SessionData& s)
{
    const Patient p = patientOf(s);
    const double age = p.age;
    if (!std::isfinite(age))
        return invalid();
    const double bsa = rawBsa(p.weight, p.height);
    double clearance = 0.0;
    if (s.renalMode == 1 && age >= kMinimumClearanceAge)
        clearance = rawJelliffe(p, s.scr1, s.scr2, s.scrHoursBetween);
    else if (age > kAdultAge)
        clearance = rawCockcroftGault(p, s.scr1);
    else if (age >= kMinimumClearanceAge && age <= kAdultAge)
        clearance =
            s.scr1 > 0.0 ? bsa * (kPaediatricFactor * p.height / s.scr1) / kStandardBsa : invalid();
    if (!std::isfinite(clearance))
        return invalid();

    if (s.burnPatient) {
        clearance = std::min(clearance, kBurnClearanceCap);
    } else {
        if (!std::isfinite(bsa))
            return invalid();
        clearance = std::min(clearance, kClearanceCapPerBsa * bsa);
        if (age < kYoungChildAge)
            clearance = std::min(clearance, kYoungChildCapPerBsa * bsa);
    }
    return clearance;
}
} // namespace

double bodyMassIndex(double weightKg, double heightCm)
{
    return checked(rawBmi(weightKg, heightCm));
}

double bodySurfaceArea(double weightKg, double heightCm)
{
    return checked(rawBsa(weightKg, heightCm));
}

double leanBodyMass(double weightKg, double heightCm, const QString& sex)
{
    return checked(rawLbm(weightKg, heightCm, sex));
}

double adultIdealBodyWeight(double heightCm, const QString& sex)
{
    return checked(rawAdultIbw(heightCm, sex));
}

double childIdealBodyWeight(double weightKg, double heightCm, double ageYears, const QString& sex)
{
    return checked(rawChildIbw(weightKg, heightCm, ageYears, sex));
}

double idealBodyWeight(double weightKg, double heightCm, double ageYears, const QString& sex)
{
    return checked(rawIbw(weightKg, heightCm, ageYears, sex));
}

PkCalculator::PkCalculator(SessionData* session) : m_session(session) {}

QString PkCalculator::drugCode(const QString& text)
{
    return ::drugCode(text);
}

char PkCalculator::routeCode(const QString& routeText)
{
    return ::routeCode(routeText);
}

QString PkCalculator::dateString(int year, int month, int day)
{
    return ::dateString(year, month, day);
}

double PkCalculator::patientBodySurfaceArea() const
{
    return bodySurfaceArea(m_session->weightKg, m_session->heightCm);
}

double PkCalculator::patientLeanBodyMass() const
{
    return leanBodyMass(m_session->weightKg, m_session->heightCm, m_session->patient.sex);
}

double PkCalculator::patientAdultIdealBodyWeight() const
{
    return adultIdealBodyWeight(m_session->heightCm, m_session->patient.sex);
}

double PkCalculator::patientChildIdealBodyWeight() const
{
    const Patient p = patientOf(*m_session);
    return childIdealBodyWeight(p.weight, p.height, p.age, p.sex);
}

double PkCalculator::patientIdealBodyWeight() const
{
    const Patient p = patientOf(*m_session);
    return idealBodyWeight(p.weight, p.height, p.age, p.sex);
}

double PkCalculator::dosingWeightForCrCl() const
{
    return checked(rawDosingWeight(patientOf(*m_session)));
}

double PkCalculator::adjustedBodyWeight() const
{
    const Patient p = patientOf(*m_session);
    const double ibw = rawIbw(p.weight, p.height, p.age, p.sex);
    if (ibw >= p.weight)
        return checked(p.weight);
    return checked(ibw + kAdjustedWeightExcessShare * (p.weight - ibw));
}

double PkCalculator::creatinineClearanceCG() const
{
    return checked(rawCockcroftGault(patientOf(*m_session), m_session->scr1));
}

double PkCalculator::creatinineClearanceJelliffe() const
{
    return checked(rawJelliffe(patientOf(*m_session), m_session->scr1, m_session->scr2,
                               m_session->scrHoursBetween));
}

double PkCalculator::estimateCreatinineClearance(double enteredClearance)
{
    double clearance =
        enteredClearance != 0.0 ? enteredClearance : rawEstimatedClearance(*m_session);
    if (!std::isfinite(clearance))
        clearance = pknum::kNotGiven;
    else if (clearance < 0.0)
        clearance = 0.0;
    m_session->crcl = clearance;
    return clearance;
}
