#include "pkcore/DrugInfo.h"
#include "pkcore/DrugInfoDetail.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QHash>

#include <cmath>

DrugInfo::DrugInfo(SessionData* sessionData, PkCalculator* calculator)
    : sessionData(sessionData), calculator(calculator)
{
}

bool DrugInfo::populationPkFor(const QString& drugCode)
{
    using Calculator = void (DrugInfo::*)();
    static const QHash<QString, Calculator> calculators = {
        {QStringLiteral("AK"), &DrugInfo::populationPkAminoglycoside},
        {QStringLiteral("GM"), &DrugInfo::populationPkAminoglycoside},
        {QStringLiteral("NM"), &DrugInfo::populationPkAminoglycoside},
        {QStringLiteral("TM"), &DrugInfo::populationPkAminoglycoside},
        {QStringLiteral("PB"), &DrugInfo::populationPkPhenobarbital},
        {QStringLiteral("CX"), &DrugInfo::populationPkCiprofloxacin},
        {QStringLiteral("DG"), &DrugInfo::populationPkDigoxin},
        {QStringLiteral("LI"), &DrugInfo::populationPkLithium},
        {QStringLiteral("OX"), &DrugInfo::populationPkLevofloxacin},
        {QStringLiteral("PC"), &DrugInfo::populationPkProcainamide},
        {QStringLiteral("PH"), &DrugInfo::populationPkPhenytoin},
        {QStringLiteral("QD"), &DrugInfo::populationPkQuinidine},
        {QStringLiteral("TH"), &DrugInfo::populationPkTheophylline},
        {QStringLiteral("VM"), &DrugInfo::populationPkVancomycin},
        {QStringLiteral("FC"), &DrugInfo::populationPkFlucytosine},
        {QStringLiteral("VP"), &DrugInfo::populationPkValproate},
    };
    const Calculator calculator = calculators.value(drugCode, nullptr);
    if (!calculator)
        return false;
    (this->*calculator)();
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
