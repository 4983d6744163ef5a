#include "analysis/DoseEventBuilder.h"
#include "analysis/FitDriver.h"
#include "bench/BenchCases.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace
{
// Worst one-compartment case: 1000 doses every 6 h, infusions and oral doses alternating, the
// first half at home, and twelve levels over the last days.
std::unique_ptr<SessionData> oneCompartmentCase(PkCalculator*& calculator)
{
    auto s = std::make_unique<SessionData>();
    s->patient.drugCode = "TH";
    s->modelType = pk::kModelOneComp;
    s->levelErrorFactor = 0.15;
    s->levelErrorConstant = 0.1;
    s->levelAgeWeightBase = 1.01;
    s->populationRanges = RangeBlock{0, 0.1, 0.25, 0.5, 0.5};
    setSet(s->pkSets[pk::kPopulation], 0.9, 35.0, 3.0, 0.8);
    fillAlternatingDoses(*s);
    calculator = new PkCalculator(s.get());
    for (int i = 1; i <= pk::kMaxMeasuredLevels; ++i) {
        const double t = 5900.0 + i * 8.0;
        s->levelTimes[i] = t;
        s->levelValues[i] =
            (1.0 + 0.05 * std::sin(i)) * calculator->levelFromDoseHistory(2.6, 40.0, 0.85, 0.9, t);
    }
    s->levelCount = pk::kMaxMeasuredLevels;
    s->levelAgeReferenceTime = s->levelTimes[pk::kMaxMeasuredLevels];
    return s;
}

// Phenytoin capsules 100 mg three times a day for 33 days: 792 hours plus the grid's 8-hour
// tail is 800 hours, which takes the full 48,000-step grid; twelve levels over the last days.
std::unique_ptr<SessionData> phenytoinCase(PkCalculator*& calculator)
{
    auto s = std::make_unique<SessionData>();
    s->patient.drugCode = "PH";
    s->modelType = pk::kModelMichaelisMenten;
    s->phenytoinInputRate = 60.0;
    s->levelErrorFactor = 0.1;
    s->levelErrorConstant = 0.75;
    s->levelAgeWeightBase = 1.005;
    s->populationRanges = RangeBlock{0, 0.1, 0.2, 0.5, 0.5, 0.3};
    setSet(s->pkSets[pk::kPopulation], 1.0, 45.0, 5.7, 1.0, 5.7, 420.0);

    DoseRows doses;
    LevelRows levels;
    doses[0] = phenytoinCapsuleRow(QTime(0, 0), 99.0);
    for (int i = 0; i < pk::kMaxMeasuredLevels; ++i)
        levels[i] = serumLevel(doses[0].date.addDays(22 + i), QTime(7, 30), 8.0 + 0.4 * i);
    DoseEventBuilder builder(s.get(), doses, levels);
    builder.analyse();
    // The last level is taken at the last dose: 792 hours from the first.
    s->levelTimes[pk::kMaxMeasuredLevels] = 792.0;
    s->levelAgeReferenceTime = 792.0;
    calculator = new PkCalculator(s.get());
    return s;
}

// Vancomycin by the two-compartment model: 1000 one-hour infusions of 1000 every 10 h, in
// hospital, and twelve levels over the last days.
std::unique_ptr<SessionData> vancomycinCase(PkCalculator*& calculator)
{
    auto s = std::make_unique<SessionData>();
    s->patient.drugCode = "VM";
    s->modelType = pk::kModelTwoComp;
    s->twoCompCentralVolume = 12.0;
    s->twoCompK21 = 0.46;
    s->levelErrorFactor = 0.1;
    s->levelErrorConstant = 0.5;
    s->levelAgeWeightBase = 1.01;
    s->populationRanges = RangeBlock{0, 0.1, 0.25, 0.5, 0.5};
    setSet(s->pkSets[pk::kPopulation], 1.0, 50.0, 5.0, 1.0);
    for (int i = 0; i < pk::kMaxDoseEvents; ++i)
        addEvent(*s, i * 10.0, 1000.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    calculator = new PkCalculator(s.get());
    for (int i = 1; i <= pk::kMaxMeasuredLevels; ++i) {
        const double t = 9880.0 + i * 9.0;
        s->levelTimes[i] = t;
        s->levelValues[i] =
            (1.0 + 0.05 * std::sin(i)) * calculator->levelFromDoseHistoryTwoComp(4.2, 55.0, 1.0, t);
    }
    s->levelCount = pk::kMaxMeasuredLevels;
    s->levelAgeReferenceTime = s->levelTimes[pk::kMaxMeasuredLevels];
    return s;
}

void bothFits(benchmark::State& state, std::unique_ptr<SessionData> (*makeCase)(PkCalculator*&))
{
    PkCalculator* calculator = nullptr;
    auto s = makeCase(calculator);
    FitDriver driver(s.get(), calculator);
    driver.setPriorRanges(s->populationRanges);
    const SessionData start = *s;
    for (auto _ : state) {
        *s = start;
        driver.runFit(pk::kLeastSquares);
        driver.runFit(pk::kBayesian);
    }
    state.counters["jacobians"] = driver.solver().jacobianCount();
    delete calculator;
}

void BM_OneCompartmentBothFits(benchmark::State& state)
{
    bothFits(state, oneCompartmentCase);
}
BENCHMARK(BM_OneCompartmentBothFits)->Unit(benchmark::kMillisecond);

void BM_VancomycinBothFits(benchmark::State& state)
{
    bothFits(state, vancomycinCase);
}
BENCHMARK(BM_VancomycinBothFits)->Unit(benchmark::kMillisecond);

// Both fits and the curves, as one analysis run, over and over from the same start.
void wholeAnalysis(benchmark::State& state,
                   std::unique_ptr<SessionData> (*makeCase)(PkCalculator*&), double graphEnd)
{
    PkCalculator* calculator = nullptr;
    auto s = makeCase(calculator);
    FitDriver driver(s.get(), calculator);
    driver.setPriorRanges(s->populationRanges);
    driver.setGraphEndTime(graphEnd);
    const SessionData start = *s;
    for (auto _ : state) {
        *s = start;
        driver.fitCurves();
    }
    delete calculator;
}

void BM_OneCompartmentWholeAnalysis(benchmark::State& state)
{
    wholeAnalysis(state, oneCompartmentCase, 6000.0);
}
BENCHMARK(BM_OneCompartmentWholeAnalysis)->Unit(benchmark::kMillisecond);

void phenytoinBayesianFit(benchmark::State& state, LevelPredictor::Road road)
{
    PkCalculator* calculator = nullptr;
    auto s = phenytoinCase(calculator);
    FitDriver driver(s.get(), calculator);
    driver.predictor().setRoad(road);
    driver.setPriorRanges(s->populationRanges);
    driver.fitCurves();
    const SessionData start = *s;
    for (auto _ : state) {
        *s = start;
        driver.runFit(pk::kBayesian);
    }
    state.counters["jacobians"] = driver.solver().jacobianCount();
    state.counters["gridSteps"] = calculator->doseTimeGridForFit(1.0, 1.0);
    delete calculator;
}

void BM_PhenytoinBayesianFitFullGrid(benchmark::State& state)
{
    phenytoinBayesianFit(state, LevelPredictor::Road::SinglePass);
}
BENCHMARK(BM_PhenytoinBayesianFitFullGrid)->Unit(benchmark::kMillisecond);

void BM_PhenytoinBayesianFitFullGridStepByStep(benchmark::State& state)
{
    phenytoinBayesianFit(state, LevelPredictor::Road::StepByStep);
}
BENCHMARK(BM_PhenytoinBayesianFitFullGridStepByStep)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_PhenytoinWholeAnalysis(benchmark::State& state)
{
    wholeAnalysis(state, phenytoinCase, 800.0);
}
BENCHMARK(BM_PhenytoinWholeAnalysis)->Unit(benchmark::kMillisecond);
} // namespace
