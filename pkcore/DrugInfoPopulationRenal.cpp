// Population calculators of the drugs cleared mainly by the kidney: the aminoglycosides,
// vancomycin, the fluoroquinolones, flucytosine, lithium and digoxin.

#include "pkcore/DrugInfo.h"
#include "pkcore/DrugInfoDetail.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <cmath>

using namespace druginfo;

namespace
{
namespace aminoglycoside
{
struct Drug {
    const char* code;
    double errorConstant;
    double upperLimit;
    double lowerLimit;
};
const Drug kDrugs[] = {
    {"AK", 0.75, 30.0, 6.0},
    {"GM", 0.25, 10.0, 2.0},
    {"TM", 0.25, 10.0, 2.0},
    {"NM", 0.3, 12.0, 2.5},
};

enum Answer {
    kCriticallyIll = 1,
    kBurn = 2,
    kHematologyOncology = 3,
    kSpinalCordInjury = 4,
    kCysticFibrosis = 5,
    kPretermUnder28Weeks = 6,
    kPreterm28To36Weeks = 7,
    kNeonateWithPda = 8,
    kEcmo = 9,
};

constexpr double kF = 1.0;
constexpr double kFRange = 0.05;
constexpr double kErrorFactor = 0.1;
constexpr double kElderlyAge = 65.0;
constexpr double kElderlyVolumeRange = 0.5;
constexpr double kVolumeRange = 0.3;
constexpr double kOldAgeForKa = 75.0;
constexpr double kOldKaIm = 2.7;
constexpr double kKaIm = 1.9;
constexpr double kSaltParenteral = 1.0;

// Volume.
constexpr double kOneYear = 1.0;
constexpr double kVolumePerAdjustedKg = 0.3;
constexpr double kHematologyVolumeFactor = 1.17;
constexpr double kSpinalCordVolumeFactor = 1.1;
constexpr double kInfantVolumeBase = 0.52;
constexpr double kInfantVolumeAgeSlope = 0.44;
constexpr double kNeonateVolumePerKg = 0.52;
constexpr double kEcmoVolumePerKg = 0.59;
constexpr double kPdaVolumePerKg = 0.63;
constexpr double kCriticallyIllVolumeFactor = 1.13;

// Clearance.
constexpr double kWeightClearance = 0.11;
constexpr double kCysticFibrosisWeightClearance = 0.24;
constexpr double kCreatinineClearanceShare = 0.82;
constexpr double kInfantScrLimit = 1.2;
constexpr double kInfantClearanceAgeSlope = 0.17;
constexpr double kInfantClearanceBase = 0.05;
constexpr double kYoungInfantAge = 0.166;
constexpr double kScrLimitAgeSlope = 4.8;
constexpr double kScrLimitBase = 0.8;
constexpr double kEcmoClearancePerKg = 0.042;
constexpr double kPretermClearanceAgeSlope = 0.29;
constexpr double kPreterm28To36ClearanceBase = 0.04;
constexpr double kPretermUnder28ClearanceBase = 0.03;

const Drug* drugOf(const QString& code)
{
    for (const Drug& drug : kDrugs) {
        if (code == QLatin1String(drug.code))
            return &drug;
    }
    return nullptr;
}
} // namespace aminoglycoside

namespace vancomycin
{
enum Answer {
    kCriticallyIll = 1,
    kBurn = 2,
    kPretermUpTo28Weeks = 3,
};

constexpr double kF = 1.0;
constexpr double kFRange = 0.1;
constexpr double kVolumeRange = 0.3;
constexpr double kInfantVolumeRange = 0.16;
constexpr double kInfantClearanceRange = 0.32;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 1.25;
constexpr double kUpperLimit = 50.0;
constexpr double kLowerLimit = 15.0;
constexpr double kSaltParenteral = 1.0;
constexpr double kK21 = 0.46;

// Central volume.
constexpr double kInfantCentralPerKg = 0.793;
constexpr double kInfantCentralBase = 0.01;
constexpr double kInfantCentralShare = 0.666;
constexpr double kAnuricClearance = 10.0; // mL/min
constexpr double kAnuricCentralShare = 0.45;
constexpr double kCentralShare = 0.17;

// Clearance.
constexpr double kWeightClearance = 0.05;
constexpr double kCreatinineClearanceShare = 0.79;
constexpr double kInfantAgeClearance = 0.046355;
constexpr double kInfantLowScr = 0.7;
constexpr double kInfantScrClearance = 0.028;
constexpr double kInfantMaturityClearance = 0.0123;
constexpr double kInfantClearanceBase = 0.006;
constexpr double kPretermAge = 0.164;

// Volume of the beta phase.
constexpr double kVolumeShare = 0.7;
constexpr double kInfantK12PerKg = 0.0334;
constexpr double kCriticallyIllVolumeFactor = 1.13;
} // namespace vancomycin

namespace ciprofloxacin
{
constexpr double kVolumeRange = 0.3;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.25;
constexpr double kLimit = 0.0;
constexpr double kSalt = 1.0;
constexpr double kKaOral = 2.67;
constexpr double kVolumePerAdjustedKg = 2.0;
constexpr double kRenalClearancePerMl = 0.00145;
using pknum::kStandardBsa;
constexpr double kNonRenalClearance = 0.167;
} // namespace ciprofloxacin

namespace levofloxacin
{
constexpr double kVolumeRange = 0.3;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.15;
// No therapeutic range is set for this drug: the limits read as not given.
constexpr double kNoLimit = -1.0;
constexpr double kSalt = 1.0;
constexpr double kVolumePerAdjustedKg = 1.36;
constexpr double kCreatinineClearanceShare = 1.21;
constexpr double kNonRenalClearance = 36.0; // mL/min
} // namespace levofloxacin

namespace flucytosine
{
constexpr double kF = 1.0;
constexpr double kFRange = 0.05;
constexpr double kVolumeRange = 0.3;
constexpr double kErrorFactor = 0.15;
constexpr double kErrorConstant = 2.6;
constexpr double kUpperLimit = 70.0;
constexpr double kLowerLimit = 35.0;
constexpr double kKaOral = 1.1;
constexpr double kSalt = 1.0;
constexpr double kVolumePerKg = 0.71;
constexpr double kWeightClearance = 0.01;
constexpr double kCreatinineClearanceShare = 0.79;
} // namespace flucytosine

namespace lithium
{
enum Answer {
    kIbuprofenOrPiroxicam = 2,
};

constexpr double kVolumeRange = 0.3;
constexpr double kInteractionClearanceRange = 0.43;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.045;
constexpr double kUpperLimit = 1.4;
constexpr double kLowerLimit = 0.4;
constexpr double kSaltOral = 1.0;
constexpr double kMinimumAge = 12.0;
constexpr double kElderlyAge = 70.0;
constexpr double kVolumePerIdealKg = 0.73;
constexpr double kElderlyVolumePerIdealKg = 0.59;
constexpr double kWeightClearance = 0.006;
constexpr double kCreatinineClearanceShare = 0.14;

const AnswerFactor kClearanceFactors[] = {
    {1, 1.3}, {2, 0.67}, {3, 0.75}, {4, 0.5}, {5, 1.5}, {6, 0.71},
};
} // namespace lithium

namespace digoxin
{
enum Answer {
    kChf = 1,
    kOralVerapamil = 7,
    kAmilorideOrTriamterene = 8,
    kPrematureInfant = 10,
};

constexpr double kVolumeRange = 0.3;
constexpr double kClearanceRange = 0.52;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.0625;
constexpr double kUpperLimit = 2.0;
constexpr double kLowerLimit = 0.5;
constexpr double kSalt = 1.0;

// Volume.
constexpr double kNeonateVolumePerKg = 8.75;
constexpr double kPrematureVolumePerKg = 7.5;
constexpr double kToddlerAge = 2.0;
constexpr double kInfantVolumeAgeSlope = 3.78;
constexpr double kInfantVolumeBase = 8.44;
constexpr double kChildAge = 10.0;
constexpr double kChildVolumePerKg = 16.0;
constexpr double kVolumePerKg = 3.84;
constexpr double kVolumePerCreatinineClearance = 3.12;
const AnswerFactor kVolumeFactors[] = {{2, 1.3}, {3, 0.7}, {4, 0.88}, {6, 0.7}};

// Clearance: a per kg of ideal weight plus b per mL/min of creatinine clearance.
constexpr double kChildWeightClearance = 0.7;
constexpr double kChildRenalShare = 1.4;
constexpr double kChfWeightClearance = 0.33;
constexpr double kChfRenalShare = 0.88;
constexpr double kWeightClearance = 0.8;
constexpr double kRenalShare = 1.02;
constexpr double kVerapamilWeightShare = 0.57;
constexpr double kAmilorideRenalShare = 1.2;
constexpr double kAmilorideWeightShare = 0.15;
constexpr double kInfantScrLimit = 1.2;
constexpr double kInfantClearanceBase = 3.2388;
constexpr double kInfantClearanceAgeSlope = 2.8777;
constexpr double kScrLimitAgeSlope = 4.8;
constexpr double kScrLimitBase = 0.8;
constexpr double kPrematureClearancePerKg = 2.0;
constexpr double kNeonateClearancePerKg = 3.0;
const AnswerFactor kClearanceFactors[] = {{2, 1.3},  {3, 0.7}, {4, 0.72},
                                          {5, 0.85}, {6, 0.5}, {9, 0.7}};
} // namespace digoxin
} // namespace

// ---- Aminoglycosides ----

double DrugInfo::aminoglycosideVolume()
{
    using namespace aminoglycoside;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    sessionData->populationRanges[pk::kFitVd] =
        m.age > kElderlyAge ? kElderlyVolumeRange : kVolumeRange;
    if (!known(m))
        return notANumber();

    double volume;
    if (m.age > kInfantAge) {
        const bool infantBelowIdeal = m.age <= kOneYear && m.idealWeight > m.weight;
        volume = kVolumePerAdjustedKg * (infantBelowIdeal ? m.weight : m.adjustedWeight);
        if (answer(kHematologyOncology))
            volume *= kHematologyVolumeFactor;
        if (answer(kSpinalCordInjury))
            volume *= kSpinalCordVolumeFactor;
    } else if (m.age > kNeonateAge) {
        volume = (kInfantVolumeBase - kInfantVolumeAgeSlope * m.age) * m.weight;
    } else {
        volume = kNeonateVolumePerKg * m.weight;
        if (answer(kEcmo))
            volume = kEcmoVolumePerKg * m.weight;
        if (answer(kNeonateWithPda))
            volume = kPdaVolumePerKg * m.weight;
    }
    if (answer(kCriticallyIll))
        volume *= kCriticallyIllVolumeFactor;
    return volume;
}

double DrugInfo::aminoglycosideClearance()
{
    using namespace aminoglycoside;
    sessionData->populationRanges[pk::kFitCl] = kDefaultClearanceRange;
    updateBurnPatient(answer(kBurn));
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();

    const double a = m.age;
    const double w = m.weight;
    if (a > kInfantAge) {
        const double perKg =
            answer(kCysticFibrosis) ? kCysticFibrosisWeightClearance : kWeightClearance;
        return weightAndRenalClearance(perKg, m.clearanceWeight, kCreatinineClearanceShare, m.crcl);
    }
    if (a > kNeonateAge && m.scr1 < kInfantScrLimit)
        return (kInfantClearanceAgeSlope * a + kInfantClearanceBase) * w;
    if (a <= kYoungInfantAge && m.scr1 < kScrLimitAgeSlope * a + kScrLimitBase) {
        double clearance = 0.0;
        if (a <= kNeonateAge) {
            clearance = answer(kEcmo) ? kEcmoClearancePerKg * w
                                      : (kInfantClearanceAgeSlope * a + kInfantClearanceBase) * w;
            if (answer(kPreterm28To36Weeks))
                clearance = (kPretermClearanceAgeSlope * a + kPreterm28To36ClearanceBase) * w;
        }
        if (answer(kPretermUnder28Weeks))
            clearance = (kPretermClearanceAgeSlope * a + kPretermUnder28ClearanceBase) * w;
        return clearance;
    }
    return 0.0;
}

void DrugInfo::populationPkAminoglycoside()
{
    using namespace aminoglycoside;
    const Drug* drug = drugOf(sessionData->patient.drugCode);
    if (!drug)
        return;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const double clearance = aminoglycosideClearance();
    writePopulation(aminoglycosideVolume(), clearance);
    writePopulationF(kF, kFRange);

    const bool fastChange = answer(kCriticallyIll) || answer(kCysticFibrosis);
    writeLevelModel(kErrorFactor, drug->errorConstant,
                    fastChange ? kFastAgeWeightBase : kAgeWeightBase, drug->upperLimit,
                    drug->lowerLimit);
    sessionData->kaIm = sessionData->ageYears > kOldAgeForKa ? kOldKaIm : kKaIm;
    sessionData->saltParenteral = kSaltParenteral;
}

// ---- Vancomycin ----

double DrugInfo::vancomycinClearance()
{
    using namespace vancomycin;
    updateBurnPatient(answer(kBurn));
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    const bool infant = m.age <= kInfantAge;
    sessionData->populationRanges[pk::kFitCl] =
        infant ? kInfantClearanceRange : kDefaultClearanceRange;
    if (!known(m))
        return notANumber();

    if (!infant) {
        return weightAndRenalClearance(kWeightClearance, m.clearanceWeight,
                                       kCreatinineClearanceShare, m.crcl);
    }
    // The infant formula rests on a measured creatinine; a typed clearance gives no estimate.
    if (!(m.scr1 > 0.0))
        return notANumber();
    const double lowScr = m.scr1 <= kInfantLowScr ? 1.0 : 0.0;
    const double maturity = answer(kPretermUpTo28Weeks) && m.age <= kPretermAge ? 0.0 : 1.0;
    return m.weight * (kInfantAgeClearance * m.age * lowScr + kInfantScrClearance / m.scr1 +
                       kInfantMaturityClearance * maturity) +
           kInfantClearanceBase;
}

double DrugInfo::vancomycinVolume()
{
    using namespace vancomycin;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    const bool infant = m.age <= kInfantAge;
    sessionData->populationRanges[pk::kFitVd] = infant ? kInfantVolumeRange : kVolumeRange;
    if (!known(m))
        return notANumber();

    if (!infant) {
        const bool anuricAdult = m.age >= kAdultAge && m.crcl < kAnuricClearance;
        double volume = anuricAdult ? m.adjustedWeight : kVolumeShare * m.adjustedWeight;
        if (answer(kCriticallyIll))
            volume *= kCriticallyIllVolumeFactor;
        return volume;
    }
    // Infants: the beta-phase volume from the clearance and the two-compartment constants.
    const double v1 = sessionData->twoCompCentralVolume;
    const double k21 = sessionData->twoCompK21;
    const double clearance = sessionData->pkSets[pk::kPopulation][pk::kCl];
    const double k12 = kInfantK12PerKg * m.weight / v1;
    sessionData->twoCompK12 = k12;
    const double k10 = clearance / v1;
    const double sum = k12 + k10 + k21;
    const double beta = (sum - std::sqrt(sum * sum - 4.0 * k21 * k10)) / 2.0;
    if (!(beta > 0.0))
        return notANumber();
    return clearance / beta;
}

void DrugInfo::populationPkVancomycin()
{
    using namespace vancomycin;
    writeDrugModel(pk::kModelTwoComp, "mg", "mg/L");
    sessionData->twoCompK21 = kK21;
    PkParameterSet& population = sessionData->pkSets[pk::kPopulation];
    population[pk::kCl] = estimateOrNone(vancomycinClearance());

    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    double centralVolume = notANumber();
    if (m.age <= kInfantAge)
        centralVolume = (kInfantCentralPerKg * m.weight + kInfantCentralBase) * kInfantCentralShare;
    else if (m.age >= kAdultAge && m.crcl < kAnuricClearance)
        centralVolume = kAnuricCentralShare * m.adjustedWeight;
    else if (!std::isnan(m.age))
        centralVolume = kCentralShare * m.adjustedWeight;
    sessionData->twoCompCentralVolume = estimateOrNone(centralVolume);

    writePopulation(vancomycinVolume(), population[pk::kCl]);
    writePopulationF(kF, kFRange);
    writeLevelModel(kErrorFactor, kErrorConstant,
                    answer(kCriticallyIll) ? kFastAgeWeightBase : kAgeWeightBase, kUpperLimit,
                    kLowerLimit);
    sessionData->saltParenteral = kSaltParenteral;
}

// ---- Ciprofloxacin, levofloxacin/ofloxacin, flucytosine ----

double DrugInfo::ciprofloxacinClearance()
{
    using namespace ciprofloxacin;
    sessionData->populationRanges[pk::kFitCl] = kDefaultClearanceRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    if (m.age < kAdultAge)
        return 0.0;
    const double bsaShare = m.bodySurface / kStandardBsa;
    return (m.crcl * kRenalClearancePerMl / bsaShare + kNonRenalClearance) * m.clearanceWeight *
           bsaShare;
}

void DrugInfo::populationPkCiprofloxacin()
{
    using namespace ciprofloxacin;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const double clearance = ciprofloxacinClearance();
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    const double volume = m.age >= kAdultAge ? kVolumePerAdjustedKg * m.adjustedWeight : 0.0;
    writePopulation(volume, clearance);
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kLimit, kLimit);
    sessionData->saltOral = kSalt;
    sessionData->saltParenteral = kSalt;
    sessionData->kaOral = kKaOral;
}

void DrugInfo::populationPkLevofloxacin()
{
    using namespace levofloxacin;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    const bool adult = m.age >= kAdultAge;
    const double volume = adult ? kVolumePerAdjustedKg * m.adjustedWeight : 0.0;
    const double clearance =
        adult ? (kCreatinineClearanceShare * m.crcl + kNonRenalClearance) * kMlPerMinToLPerHour
              : 0.0;
    writePopulation(volume, clearance);
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    sessionData->populationRanges[pk::kFitCl] = kDefaultClearanceRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kNoLimit, kNoLimit);
    sessionData->saltOral = kSalt;
    sessionData->saltParenteral = kSalt;
}

void DrugInfo::populationPkFlucytosine()
{
    using namespace flucytosine;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    const bool treated = m.age >= kInfantAge;
    const double volume = treated ? kVolumePerKg * m.clearanceWeight : 0.0;
    const double clearance = treated ? weightAndRenalClearance(kWeightClearance, m.clearanceWeight,
                                                               kCreatinineClearanceShare, m.crcl)
                                     : 0.0;
    writePopulation(volume, clearance);
    writePopulationF(kF, kFRange);
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    sessionData->populationRanges[pk::kFitCl] = kDefaultClearanceRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
    sessionData->kaOral = kKaOral;
    sessionData->saltOral = kSalt;
    sessionData->saltParenteral = kSalt;
}

// ---- Lithium ----

double DrugInfo::lithiumClearance()
{
    using namespace lithium;
    sessionData->populationRanges[pk::kFitCl] =
        answer(kIbuprofenOrPiroxicam) ? kInteractionClearanceRange : kDefaultClearanceRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    if (m.age < kMinimumAge)
        return 0.0;
    const double clearance = kWeightClearance * m.clearanceWeight +
                             kCreatinineClearanceShare * m.crcl * kMlPerMinToLPerHour;
    return withAnswerFactors(clearance, sessionData->factorFlags, kClearanceFactors);
}

void DrugInfo::populationPkLithium()
{
    using namespace lithium;
    writeDrugModel(pk::kModelOneComp, "mg", "mEq/L");
    const double clearance = lithiumClearance();
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    double volume = 0.0;
    if (m.age >= kMinimumAge) {
        volume =
            (m.age >= kElderlyAge ? kElderlyVolumePerIdealKg : kVolumePerIdealKg) * m.idealWeight;
    }
    writePopulation(volume, clearance);
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
    sessionData->saltOral = kSaltOral;
}

// ---- Digoxin ----

double DrugInfo::digoxinVolume()
{
    using namespace digoxin;
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();

    double volume;
    if (m.age <= kNeonateAge)
        volume =
            (answer(kPrematureInfant) ? kPrematureVolumePerKg : kNeonateVolumePerKg) * m.weight;
    else if (m.age <= kToddlerAge)
        volume = (kInfantVolumeAgeSlope * m.age + kInfantVolumeBase) * m.weight;
    else if (m.age <= kChildAge)
        volume = kChildVolumePerKg * m.clearanceWeight;
    else
        volume = kVolumePerKg * m.clearanceWeight + kVolumePerCreatinineClearance * m.crcl;
    return withAnswerFactors(volume, sessionData->factorFlags, kVolumeFactors);
}

double DrugInfo::digoxinClearance()
{
    using namespace digoxin;
    sessionData->populationRanges[pk::kFitCl] = kClearanceRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();

    double clearance = 0.0;
    if (m.age > kInfantAge) {
        double perKg = kChildWeightClearance;
        double renalShare = kChildRenalShare;
        if (m.age > kChildAge) {
            perKg = answer(kChf) ? kChfWeightClearance : kWeightClearance;
            renalShare = answer(kChf) ? kChfRenalShare : kRenalShare;
        }
        if (answer(kOralVerapamil))
            perKg *= kVerapamilWeightShare;
        if (answer(kAmilorideOrTriamterene)) {
            renalShare *= kAmilorideRenalShare;
            perKg *= kAmilorideWeightShare;
        }
        clearance = weightAndRenalClearance(perKg, m.idealWeight, renalShare, m.crcl);
    } else if (m.age > kNeonateAge && m.scr1 <= kInfantScrLimit) {
        clearance = (kInfantClearanceBase - kInfantClearanceAgeSlope * m.age) * m.weight *
                    kMlPerMinToLPerHour;
    } else if (m.age <= kNeonateAge && m.scr1 < kScrLimitAgeSlope * m.age + kScrLimitBase) {
        const double perKg =
            answer(kPrematureInfant) ? kPrematureClearancePerKg : kNeonateClearancePerKg;
        clearance = m.weight * perKg * kMlPerMinToLPerHour;
    }
    return withAnswerFactors(clearance, sessionData->factorFlags, kClearanceFactors);
}

void DrugInfo::populationPkDigoxin()
{
    using namespace digoxin;
    writeDrugModel(pk::kModelOneComp, "mcg", "mcg/L");
    const double clearance = digoxinClearance();
    writePopulation(digoxinVolume(), clearance);
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
    sessionData->saltOral = kSalt;
    sessionData->saltParenteral = kSalt;
}
