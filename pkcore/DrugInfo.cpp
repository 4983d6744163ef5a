#include "pkcore/DrugInfo.h"
#include "pkcore/DrugInfoDetail.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <cmath>

DrugInfo::DrugInfo(SessionData* sessionData, PkCalculator* calculator)
    : sessionData(sessionData), calculator(calculator)
{
}

namespace
{
using FactorList = void (*)(SessionData*, const QString&, double);
using Calculator = void (DrugInfo::*)();

// What the catalogue holds for each drug code: its factor list (none for flucytosine and
// valproate) and its population calculator.
struct DrugEntry {
    const char* code;
    FactorList factors;
    Calculator population;
};
const DrugEntry drugEntries[] = {
    {"AK", &DrugInfo::aminoglycosideFactorList, &DrugInfo::populationPkAminoglycoside},
    {"GM", &DrugInfo::aminoglycosideFactorList, &DrugInfo::populationPkAminoglycoside},
    {"NM", &DrugInfo::aminoglycosideFactorList, &DrugInfo::populationPkAminoglycoside},
    {"TM", &DrugInfo::aminoglycosideFactorList, &DrugInfo::populationPkAminoglycoside},
    {"PB", &DrugInfo::phenobarbitalFactorList, &DrugInfo::populationPkPhenobarbital},
    {"CX", &DrugInfo::ciprofloxacinFactorList, &DrugInfo::populationPkCiprofloxacin},
    {"DG", &DrugInfo::digoxinFactorList, &DrugInfo::populationPkDigoxin},
    {"LI", &DrugInfo::lithiumFactorList, &DrugInfo::populationPkLithium},
    {"OX", &DrugInfo::levofloxacinFactorList, &DrugInfo::populationPkLevofloxacin},
    {"PC", &DrugInfo::procainamideFactorList, &DrugInfo::populationPkProcainamide},
    {"PH", &DrugInfo::phenytoinFactorList, &DrugInfo::populationPkPhenytoin},
    {"QD", &DrugInfo::quinidineFactorList, &DrugInfo::populationPkQuinidine},
    {"TH", &DrugInfo::theophyllineFactorList, &DrugInfo::populationPkTheophylline},
    {"VM", &DrugInfo::vancomycinFactorList, &DrugInfo::populationPkVancomycin},
    {"FC", nullptr, &DrugInfo::populationPkFlucytosine},
    {"VP", nullptr, &DrugInfo::populationPkValproate},
};

const DrugEntry* entryOf(const QString& drugCode)
{
    for (const DrugEntry& entry : drugEntries) {
        if (drugCode == QLatin1String(entry.code))
            return &entry;
    }
    return nullptr;
}
} // namespace

bool DrugInfo::populationPkFor(const QString& drugCode)
{
    const DrugEntry* entry = entryOf(drugCode);
    if (!entry)
        return false;
    (this->*entry->population)();
    return true;
}

bool DrugInfo::factorListFor(SessionData* session, const QString& drugCode, const QString& sex,
                             double age)
{
    const DrugEntry* entry = entryOf(drugCode);
    if (!entry || !entry->factors)
        return false;
    entry->factors(session, sex, age);
    return true;
}

double DrugInfo::powd(double x, double y)
{
    return std::exp(std::log(x) * y);
}

bool DrugInfo::answer(int n) const
{
    return sessionData->factorFlags[n] != 0;
}

void DrugInfo::writeDrugModel(int modelType, const char* doseUnit, const char* concentrationUnit)
{
    sessionData->modelType = modelType;
    sessionData->doseUnit = QString::fromLatin1(doseUnit);
    sessionData->concentrationUnit = QString::fromLatin1(concentrationUnit);
}

void DrugInfo::writeLevelModel(double errorFactor, double errorConstant, double ageWeightBase,
                               double upperLimit, double lowerLimit)
{
    sessionData->levelErrorFactor = errorFactor;
    sessionData->levelErrorConstant = errorConstant;
    sessionData->levelAgeWeightBase = ageWeightBase;
    sessionData->levelUpperLimit = upperLimit;
    sessionData->levelLowerLimit = lowerLimit;
}

void DrugInfo::writePopulation(double vd, double cl)
{
    PkParameterSet& population = sessionData->pkSets[pk::kPopulation];
    population[pk::kVd] = druginfo::estimateOrNone(vd);
    population[pk::kCl] = druginfo::estimateOrNone(cl);
    population[pk::kCF] = 1.0;
    sessionData->populationRanges[pk::kFitCF] = druginfo::kComplianceRange;
}

void DrugInfo::writePopulationF(double f, double range)
{
    sessionData->pkSets[pk::kPopulation][pk::kF] = f;
    sessionData->populationRanges[pk::kFitF] = range;
}

// A burn lifts the creatinine clearance cap, so the clearance is estimated again under the new
// cap whenever it came from a creatinine value.
void DrugInfo::updateBurnPatient(bool burn)
{
    sessionData->burnPatient = burn;
    if (burn && sessionData->scr1 != 0.0)
        calculator->estimateCreatinineClearance(0.0);
}

druginfo::PatientMeasures druginfo::measuresOf(const SessionData& session,
                                               const PkCalculator& calculator)
{
    PatientMeasures m;
    m.age = givenMeasure(session.ageYears);
    m.weight = givenMeasure(session.weightKg);
    m.idealWeight = givenMeasure(calculator.patientIdealBodyWeight());
    m.adjustedWeight = givenMeasure(calculator.adjustedBodyWeight());
    m.clearanceWeight = givenMeasure(calculator.dosingWeightForCrCl());
    m.bodySurface = givenMeasure(calculator.patientBodySurfaceArea());
    m.crcl = givenMeasure(session.crcl);
    m.scr1 = session.scr1;
    return m;
}
