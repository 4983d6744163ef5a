// Population calculators of the drugs cleared mainly by metabolism: phenobarbital, phenytoin,
// procainamide, quinidine, theophylline and valproic acid.

#include "pkcore/DrugInfo.h"
#include "pkcore/DrugInfoDetail.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

using namespace druginfo;

namespace
{
namespace phenobarbital
{
enum Answer {
    kPregnant = 4,
};

constexpr double kF = 1.0;
constexpr double kFRange = 0.1;
constexpr double kChildAge = 13.0;
constexpr double kChildVolumeRange = 0.2;
constexpr double kVolumeRange = 0.1;
constexpr double kChildClearanceRange = 0.4;
constexpr double kClearanceRange = 0.2;
constexpr double kPregnancyClearanceRange = 0.4;
constexpr double kErrorFactor = 0.05;
constexpr double kErrorConstant = 1.5;
constexpr double kUpperLimit = 45.0;
constexpr double kLowerLimit = 15.0;
constexpr double kSaltOral = 1.0;
constexpr double kSaltParenteral = 0.91;
constexpr double kKaOral = 3.15;
constexpr double kKaIm = 1.1;

constexpr double kNeonateVolumeBase = 0.91;
constexpr double kNeonateVolumeAgeSlope = 3.7;
constexpr double kVolumePerKg = 0.6;

constexpr double kClearancePerKg = 0.004;
constexpr double kLateChildAge = 10.0;
constexpr double kChildClearancePerKg = 0.0077;
constexpr double kLateChildClearanceSlope = 0.0012333;
constexpr double kNeonateClearanceAgeSlope = 0.0325;
constexpr double kNeonateClearanceBase = 0.005;
// Valproic acid inhibits phenobarbital's metabolism and pregnancy speeds it up, so the slower
// factor belongs to valproic acid and the faster one to pregnancy (answer 4 also widens the range).
const AnswerFactor kClearanceFactors[] = {{1, 0.66}, {2, 0.83}, {3, 0.65}, {4, 1.35}};
} // namespace phenobarbital

namespace phenytoin
{
enum Answer {
    kSlowMetabolism = 1,
    kSevereNeurologicInjury = 4,
    kTubeFeeding = 5,
    kEnzymeInhibitor = 6,
};

constexpr double kNeonateF = 0.9;
constexpr double kF = 1.0;
constexpr double kNeonateFRange = 0.2;
constexpr double kFRange = 0.1;
constexpr double kTubeFeedingFRange = 0.3;
constexpr double kVolumeRange = 0.2;
constexpr double kKmRange = 0.5;
constexpr double kVmaxRange = 0.3;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.75;
constexpr double kUpperLimit = 20.0;
constexpr double kLowerLimit = 10.0;
constexpr double kAdultInputRate = 60.0; // mg/h; a child's is its weight in kg as mg/h

// Levels and volumes are scaled from the normal free fraction to the patient's.
constexpr double kNormalFreeFraction = 0.1;

constexpr double kInfancyAge = 1.0;
constexpr double kVolumePerKg = 0.65;
constexpr double kExcessWeightShare = 1.33;

constexpr double kNeonateKm = 5.0;
constexpr double kInfantKmAgeSlope = 0.3;
constexpr double kChildKm = 6.4;
constexpr double kAdolescentAge = 15.0;
constexpr double kAdultKm = 5.7;
constexpr double kSlowMetabolismKmFactor = 0.5;
constexpr double kInhibitorKmFactor = 1.75;

constexpr double kYoungChildAge = 6.0;
constexpr double kYoungChildVmaxPerKg = 11.5;
constexpr double kReferenceWeight = 70.0;
constexpr double kVmaxWeightExponent = 0.6;
constexpr double kChildVmax = 805.0;
constexpr double kChildVmaxAgeSlope = 25.0;
constexpr double kAdultVmax = 500.0;
constexpr double kAdultVmaxAgeSlope = 1.5;
constexpr double kNeurologicInjuryVmaxFactor = 1.4;
} // namespace phenytoin

namespace procainamide
{
enum Answer {
    kCimetidine = 2,
    kTrimethoprim = 3,
};

constexpr double kVolumeRange = 0.3;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.35;
constexpr double kUpperLimit = 10.0;
constexpr double kLowerLimit = 4.0;
constexpr double kKaIm = 1.0;
constexpr double kSalt = 0.87;

constexpr double kChildAge = 12.0;
constexpr double kChildVolumePerKg = 2.9;
constexpr double kAdolescentVolumeSlope = 0.166;
constexpr double kAdultVolumePerKg = 1.9;

constexpr double kInfantClearancePerKg = 0.4; // L/h/kg
// The childhood bands are in mL/min/kg.
constexpr double kToddlerEndAge = 7.0;
constexpr double kToddlerClearanceAgeSlope = 1.86;
constexpr double kToddlerClearanceBase = 7.3;
constexpr double kChildClearancePerKg = 19.4;
constexpr double kWeightClearance = 3.9;
constexpr double kRenalShare = 2.7;
constexpr double kCimetidineWeightClearance = 3.12;
constexpr double kCimetidineRenalShare = 1.62;
constexpr double kTrimethoprimRenalFactor = 0.54;
const AnswerFactor kClearanceFactors[] = {{1, 0.77}, {4, 0.65}};
} // namespace procainamide

namespace quinidine
{
enum Answer {
    kSevereChf = 1,
    kCirrhosis = 2,
    kBarbiturate = 4,
};

constexpr double kVolumeRange = 0.4;
constexpr double kBarbiturateClearanceRangeFactor = 1.2;
constexpr double kErrorFactor = 0.1;
constexpr double kErrorConstant = 0.125;
constexpr double kUpperLimit = 4.0;
constexpr double kLowerLimit = 1.0;

constexpr double kVolumePerKg = 2.7;
constexpr double kChfVolumeFactor = 0.681;
constexpr double kCirrhosisVolumeFactor = 1.5;

constexpr double kLateChildAge = 9.0;
constexpr double kChildAge = 12.0;
constexpr double kChildClearancePerKg = 0.46;
// Joins the 9-year band to the adult value at 12.
constexpr double kLateChildClearanceSlope = 0.057;
constexpr double kCreatinineClearanceShare = 0.0566;
constexpr double kElderlyAge = 60.0;
constexpr double kElderlyMinimumWeight = 50.0;
constexpr double kElderlyNonRenalClearance = 10.0;
constexpr double kNonRenalClearancePerKg = 0.2;
constexpr double kChfNonRenalFactor = 0.54;
constexpr double kChildChfFactor = 0.66;
const AnswerFactor kClearanceFactors[] = {{3, 0.5}, {4, 2.5}, {5, 0.6},
                                          {6, 2.5}, {7, 3.7}, {8, 0.65}};
} // namespace quinidine

namespace theophylline
{
constexpr double kVolumeRange = 0.25;
constexpr double kErrorFactor = 0.15;
constexpr double kErrorConstant = 0.0;
constexpr double kUpperLimit = 20.0;
constexpr double kLowerLimit = 10.0;

constexpr double kNeonateVolumePerKg = 0.77;
constexpr double kInfancyAge = 1.0;
constexpr double kInfantVolumeBase = 0.8;
constexpr double kInfantVolumeAgeSlope = 0.31;
constexpr double kOverweightVolumePerKg = 0.35;
constexpr double kVolumePerKg = 0.48;

constexpr double kInfantClearanceAgeSlope = 0.066;
constexpr double kInfantClearanceBase = 0.018;
constexpr double kChildAge = 10.0;
constexpr double kChildClearancePerKg = 0.084;
constexpr double kAdolescentClearanceSlope = 0.0055;
constexpr double kElderlyAge = 60.0;
constexpr double kOverweightClearancePerKg = 0.032;
constexpr double kClearancePerKg = 0.04;
constexpr double kElderlyClearancePerKg = 0.035;

const AnswerFactor kClearanceFactors[] = {
    {1, 0.43}, {2, 0.5},  {3, 0.8},  {4, 1.6},   {5, 0.75},  {6, 0.75}, {7, 0.7},  {8, 1.5},
    {9, 1.45}, {10, 0.5}, {11, 1.8}, {12, 1.33}, {13, 0.85}, {14, 1.4}, {15, 0.8},
};
const AnswerFactor kVolumeFactors[] = {{11, 1.3}, {15, 1.4}};
} // namespace theophylline

namespace valproate
{
enum Answer {
    kNarrowClearance = 4,
};

constexpr double kF = 1.0;
constexpr double kFRange = 0.1;
constexpr double kVolumeRange = 0.25;
constexpr double kAnswerClearanceRange = 0.4;
constexpr double kErrorFactor = 0.05;
constexpr double kErrorConstant = 4.375;
constexpr double kUpperLimit = 125.0;
constexpr double kLowerLimit = 50.0;
constexpr double kSalt = 1.0;
constexpr double kKaOral = 1.0;

constexpr double kToddlerAge = 3.0;
constexpr double kChildAge = 15.0;
constexpr double kAdolescentAge = 17.0;
constexpr double kElderlyAge = 60.0;
constexpr double kNeonateVolumePerKg = 0.28;
constexpr double kInfantVolumeBase = 0.33;
constexpr double kInfantVolumeAgeSlope = 0.05;
constexpr double kChildVolumePerKg = 0.18;
constexpr double kAdolescentVolumeSlope = 0.03;
constexpr double kAdultVolumePerKg = 0.12;
constexpr double kElderlyVolumePerKg = 0.16;

constexpr double kNeonateClearanceAgeSlope = 0.096;
constexpr double kNeonateClearanceBase = 0.011;
constexpr double kInfantClearancePerKg = 0.019;
constexpr double kChildClearanceEndAge = 16.0;
constexpr double kChildClearancePerKg = 0.018;
constexpr double kAdolescentClearanceSlope = 0.0045;
constexpr double kAdultClearancePerKg = 0.009;
constexpr double kElderlyClearancePerKg = 0.007;
} // namespace valproate

// A limit or value on the patient's binding scale; "not given" when the free fraction is unknown.
double onFreeFractionScale(double value, double freeFraction)
{
    const double share = givenMeasure(freeFraction) / phenytoin::kNormalFreeFraction;
    return share > 0.0 ? value / share : -1.0;
}
} // namespace

// ---- Phenobarbital ----

double DrugInfo::phenobarbitalClearance()
{
    using namespace phenobarbital;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    double range = m.age <= kChildAge ? kChildClearanceRange : kClearanceRange;
    if (answer(kPregnant))
        range = kPregnancyClearanceRange;
    sessionData->populationRanges[pk::kFitCl] = range;
    if (!known(m))
        return notANumber();

    double clearance;
    if (m.age > kChildAge)
        clearance = kClearancePerKg * m.weight;
    else if (m.age > kLateChildAge)
        clearance =
            (kChildClearancePerKg - (m.age - kLateChildAge) * kLateChildClearanceSlope) * m.weight;
    else if (m.age > kNeonateAge)
        clearance = kChildClearancePerKg * m.weight;
    else
        clearance = (kNeonateClearanceAgeSlope * m.age + kNeonateClearanceBase) * m.weight;
    return withAnswerFactors(clearance, sessionData->factorFlags, kClearanceFactors);
}

void DrugInfo::populationPkPhenobarbital()
{
    using namespace phenobarbital;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const double clearance = phenobarbitalClearance();
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    double volume = notANumber();
    if (m.age <= kNeonateAge)
        volume = (kNeonateVolumeBase - kNeonateVolumeAgeSlope * m.age) * m.weight;
    else if (m.age > kNeonateAge)
        volume = kVolumePerKg * m.weight;
    writePopulation(volume, clearance);
    writePopulationF(kF, kFRange);
    sessionData->populationRanges[pk::kFitVd] =
        m.age <= kChildAge ? kChildVolumeRange : kVolumeRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
    sessionData->saltOral = kSaltOral;
    sessionData->saltParenteral = kSaltParenteral;
    sessionData->kaOral = kKaOral;
    sessionData->kaIm = kKaIm;
}

// ---- Phenytoin ----

double DrugInfo::phenytoinVolume()
{
    using namespace phenytoin;
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    double volume = m.weight;
    if (m.age > kInfancyAge) {
        const double ibw = m.idealWeight;
        const double weight =
            ibw >= m.weight ? m.weight : ibw + kExcessWeightShare * (m.weight - ibw);
        volume = kVolumePerKg * weight;
    }
    const double share = givenMeasure(sessionData->freeFraction) / kNormalFreeFraction;
    return share * volume;
}

double DrugInfo::phenytoinKm()
{
    using namespace phenytoin;
    sessionData->populationRanges[pk::kFitKm] = kKmRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    double km;
    if (m.age < kNeonateAge)
        km = kNeonateKm;
    else if (m.age < kInfantAge)
        km = (m.age - kNeonateAge) * kInfantKmAgeSlope + kNeonateKm;
    else if (m.age < kAdolescentAge)
        km = kChildKm;
    else
        km = kAdultKm;
    if (answer(kSlowMetabolism))
        km *= kSlowMetabolismKmFactor;
    km = onFreeFractionScale(km, sessionData->freeFraction);
    if (answer(kEnzymeInhibitor))
        km *= kInhibitorKmFactor;
    return km;
}

double DrugInfo::phenytoinVmax()
{
    using namespace phenytoin;
    sessionData->populationRanges[pk::kFitVmax] = kVmaxRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    const double sizeFactor = powd(m.weight / kReferenceWeight, kVmaxWeightExponent);
    double vmax;
    if (m.age < kYoungChildAge)
        vmax = kYoungChildVmaxPerKg * m.weight;
    else if (m.age < kAdultAge)
        vmax = sizeFactor * (kChildVmax - kChildVmaxAgeSlope * (m.age - kYoungChildAge));
    else
        vmax = sizeFactor * (kAdultVmax - kAdultVmaxAgeSlope * (m.age - kAdultAge));
    if (answer(kSevereNeurologicInjury))
        vmax *= kNeurologicInjuryVmaxFactor;
    return vmax;
}

void DrugInfo::populationPkPhenytoin()
{
    using namespace phenytoin;
    writeDrugModel(pk::kModelMichaelisMenten, "mg", "mg/L");
    if (sessionData->scr1 != 0.0)
        calculator->estimateCreatinineClearance(0.0);
    const double fu = calculator->freeFraction(sessionData->albumin, sessionData->crcl);
    sessionData->freeFraction = fu;

    const double km = estimateOrNone(phenytoinKm());
    writePopulation(phenytoinVolume(), km);
    PkParameterSet& population = sessionData->pkSets[pk::kPopulation];
    population[pk::kKm] = km;
    population[pk::kVmax] = estimateOrNone(phenytoinVmax());

    const double age = sessionData->ageYears;
    const bool neonate = age < kNeonateAge;
    double fRange = neonate ? kNeonateFRange : kFRange;
    if (answer(kTubeFeeding))
        fRange = kTubeFeedingFRange;
    writePopulationF(neonate ? kNeonateF : kF, fRange);

    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase,
                    onFreeFractionScale(kUpperLimit, fu), onFreeFractionScale(kLowerLimit, fu));
    sessionData->phenytoinInputRate = age >= kAdultAge ? kAdultInputRate : sessionData->weightKg;
}

// ---- Procainamide ----

double DrugInfo::procainamideVolume()
{
    using namespace procainamide;
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    if (m.age <= kChildAge)
        return kChildVolumePerKg * m.weight;
    if (m.age < kAdultAge)
        return (kChildVolumePerKg - (m.age - kChildAge) * kAdolescentVolumeSlope) *
               m.clearanceWeight;
    return kAdultVolumePerKg * m.clearanceWeight;
}

double DrugInfo::procainamideClearance()
{
    using namespace procainamide;
    sessionData->populationRanges[pk::kFitCl] = kDefaultClearanceRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();

    double clearance;
    if (m.age <= kInfantAge) {
        clearance = kInfantClearancePerKg * m.weight;
    } else if (m.age <= kToddlerEndAge) {
        clearance = ((m.age - kInfantAge) * kToddlerClearanceAgeSlope + kToddlerClearanceBase) *
                    m.weight * kMlPerMinToLPerHour;
    } else if (m.age <= kChildAge) {
        clearance = kChildClearancePerKg * m.weight * kMlPerMinToLPerHour;
    } else {
        const bool cimetidine = answer(kCimetidine);
        const double perKg = cimetidine ? kCimetidineWeightClearance : kWeightClearance;
        double renalShare = cimetidine ? kCimetidineRenalShare : kRenalShare;
        if (answer(kTrimethoprim))
            renalShare *= kTrimethoprimRenalFactor;
        clearance = weightAndRenalClearance(perKg, m.clearanceWeight, renalShare, m.crcl);
    }
    return withAnswerFactors(clearance, sessionData->factorFlags, kClearanceFactors);
}

void DrugInfo::populationPkProcainamide()
{
    using namespace procainamide;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const double clearance = procainamideClearance();
    writePopulation(procainamideVolume(), clearance);
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
    sessionData->kaIm = kKaIm;
    sessionData->saltOral = kSalt;
    sessionData->saltParenteral = kSalt;
}

// ---- Quinidine ----

double DrugInfo::quinidineClearance()
{
    using namespace quinidine;
    double range = kDefaultClearanceRange;
    if (answer(kBarbiturate))
        range *= kBarbiturateClearanceRangeFactor;
    sessionData->populationRanges[pk::kFitCl] = range;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();

    double clearance = 0.0;
    if (m.age <= kInfantAge) {
        clearance = 0.0;
    } else if (m.age <= kLateChildAge) {
        clearance = kChildClearancePerKg * m.clearanceWeight;
    } else if (m.age <= kChildAge) {
        clearance = m.clearanceWeight *
                    (kChildClearancePerKg - (m.age - kLateChildAge) * kLateChildClearanceSlope);
    } else {
        double nonRenal = m.age > kElderlyAge && m.weight > kElderlyMinimumWeight
                              ? kElderlyNonRenalClearance
                              : kNonRenalClearancePerKg * m.clearanceWeight;
        if (answer(kSevereChf))
            nonRenal *= kChfNonRenalFactor;
        clearance = kCreatinineClearanceShare * m.crcl + nonRenal;
    }
    if (answer(kSevereChf) && m.age <= kChildAge)
        clearance *= kChildChfFactor;
    return withAnswerFactors(clearance, sessionData->factorFlags, kClearanceFactors);
}

void DrugInfo::populationPkQuinidine()
{
    using namespace quinidine;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const double clearance = quinidineClearance();
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    double volume = m.age > kInfantAge ? kVolumePerKg * m.clearanceWeight : 0.0;
    if (answer(kSevereChf))
        volume *= kChfVolumeFactor;
    if (answer(kCirrhosis))
        volume *= kCirrhosisVolumeFactor;
    writePopulation(volume, clearance);
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
}

// ---- Theophylline ----

double DrugInfo::theophyllineVolume()
{
    using namespace theophylline;
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    if (m.age <= kNeonateAge)
        return kNeonateVolumePerKg * m.weight;
    if (m.age <= kInfancyAge)
        return (kInfantVolumeBase - kInfantVolumeAgeSlope * m.age) * m.weight;
    return (m.weight > m.idealWeight ? kOverweightVolumePerKg : kVolumePerKg) * m.weight;
}

double DrugInfo::theophyllineClearance()
{
    using namespace theophylline;
    sessionData->populationRanges[pk::kFitCl] = kDefaultClearanceRange;
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    if (!known(m))
        return notANumber();
    if (m.age <= kInfancyAge)
        return (kInfantClearanceAgeSlope * m.age + kInfantClearanceBase) * m.weight;
    if (m.age <= kChildAge)
        return kChildClearancePerKg * m.clearanceWeight;
    if (m.age <= kAdultAge)
        return m.clearanceWeight *
               (kChildClearancePerKg - (m.age - kChildAge) * kAdolescentClearanceSlope);
    if (m.age <= kElderlyAge)
        return (m.weight > m.idealWeight ? kOverweightClearancePerKg : kClearancePerKg) * m.weight;
    return kElderlyClearancePerKg * m.weight;
}

void DrugInfo::populationPkTheophylline()
{
    using namespace theophylline;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const double clearance =
        withAnswerFactors(theophyllineClearance(), sessionData->factorFlags, kClearanceFactors);
    const double volume =
        withAnswerFactors(theophyllineVolume(), sessionData->factorFlags, kVolumeFactors);
    writePopulation(volume, clearance);
    writeLevelModel(kErrorFactor, kErrorConstant, kFastAgeWeightBase, kUpperLimit, kLowerLimit);
}

// ---- Valproic acid ----

void DrugInfo::populationPkValproate()
{
    using namespace valproate;
    writeDrugModel(pk::kModelOneComp, "mg", "mg/L");
    const PatientMeasures m = measuresOf(*sessionData, *calculator);
    const double a = m.age;
    const double w = m.weight;

    double volume = notANumber();
    double clearance = notANumber();
    if (a <= kNeonateAge) {
        volume = kNeonateVolumePerKg * w;
        clearance = (kNeonateClearanceAgeSlope * a + kNeonateClearanceBase) * w;
    } else if (a <= kToddlerAge) {
        volume = (kInfantVolumeBase - kInfantVolumeAgeSlope * a) * w;
        clearance = kInfantClearancePerKg * w;
    } else if (a > kToddlerAge) {
        if (a <= kChildAge)
            volume = kChildVolumePerKg * w;
        else if (a <= kAdolescentAge)
            volume = (kChildVolumePerKg - (a - kChildAge) * kAdolescentVolumeSlope) * w;
        else if (a < kElderlyAge)
            volume = kAdultVolumePerKg * w;
        else
            volume = kElderlyVolumePerKg * w;

        if (a <= kChildClearanceEndAge)
            clearance = kChildClearancePerKg * w;
        else if (a <= kAdultAge)
            clearance =
                (kChildClearancePerKg - (a - kChildClearanceEndAge) * kAdolescentClearanceSlope) *
                w;
        else if (a < kElderlyAge)
            clearance = kAdultClearancePerKg * w;
        else
            clearance = kElderlyClearancePerKg * w;
    }
    writePopulation(volume, clearance);
    writePopulationF(kF, kFRange);
    sessionData->populationRanges[pk::kFitVd] = kVolumeRange;
    sessionData->populationRanges[pk::kFitCl] =
        answer(kNarrowClearance) ? kAnswerClearanceRange : kDefaultClearanceRange;
    writeLevelModel(kErrorFactor, kErrorConstant, kAgeWeightBase, kUpperLimit, kLowerLimit);
    sessionData->saltOral = kSalt;
    sessionData->saltParenteral = kSalt;
    sessionData->kaOral = kKaOral;
    // No absorption constant is known for the intramuscular injection: the one another drug
    // left in the session must not stand for it.
    sessionData->kaIm = 0.0;
}
