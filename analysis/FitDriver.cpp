#include "analysis/FitDriver.h"

#include "analysis/FitReadiness.h"

#include "pkcore/DrugCodes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace
{
bool allFinite(const fit::Vector& p, int n)
{
    for (int k = 1; k <= n; ++k)
        if (!std::isfinite(p[k]))
            return false;
    return true;
}
} // namespace

FitDriver::FitDriver(SessionData* session, PkCalculator* calculator)
    : m_session(session), m_calculator(calculator), m_predictor(session, calculator)
{
}

bool FitDriver::isPhenytoin() const
{
    return m_session->patient.drugCode == QLatin1String(phenytoinCode);
}

FitOutcome FitDriver::fitCurves()
{
    examineDoseEvents();
    refreshFormDefaultsKeepingPriorF();
    m_fitParameterCount = isPhenytoin() ? kPhenytoinParameters : kParameters;
    FitOutcome outcome{
        FitReadiness(*m_session, *m_calculator, m_predictor).refusal(m_priorSetIndex)};
    if (!outcome.ran()) {
        forgetFits();
        return outcome;
    }
    runFit(pk::kLeastSquares);
    runFit(pk::kBayesian);
    computeFitRanges(m_allIntravenous == 1, m_allInpatient == 1);
    fillLevelTable();
    m_fitCurveTable.clear();
    m_curveStep = m_graphEndTime / FitCurveTable::kPoints;
    buildTimeGrid();
    buildFitCurves();
    return outcome;
}

void FitDriver::forgetFits()
{
    markAbsent(pk::kLeastSquares);
    markAbsent(pk::kBayesian);
    m_levelFitTable.clear();
    m_fitCurveTable.clear();
}

// F is fitted only when some dose is not intravenous, CF only when some dose was given out of
// hospital.
void FitDriver::examineDoseEvents()
{
    m_allInpatient = 1;
    m_allIntravenous = 1;
    const DoseEventTable& events = m_session->doseEvents;
    const int count = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
    for (int i = 1; i <= count; ++i) {
        if (events[pk::eventInOut][i] != pk::kInPatient)
            m_allInpatient = 0;
        if (events[pk::eventRouteCode][i] != pk::kRouteCodeIntravenous)
            m_allIntravenous = 0;
    }
}

// The refresh would put back the F of whichever route was edited last; the analysis has
// already chosen F and its range from the dose rows, so those stay.
void FitDriver::refreshFormDefaultsKeepingPriorF()
{
    if (!m_formDefaults)
        return;
    PkParameterSet& population = m_session->pkSets[pk::kPopulation];
    const double f = population[pk::kF];
    const double fRange = m_session->populationRanges[pk::kFitF];
    m_formDefaults();
    population[pk::kF] = f;
    m_session->populationRanges[pk::kFitF] = fRange;
}

double FitDriver::ageWeightBase() const
{
    const double base = m_session->levelAgeWeightBase;
    if (m_session->patient.drugCode == QLatin1String(userChoiceCode) ||
        !(std::isfinite(base) && base > 0.0))
        return kDefaultAgeWeightBase;
    return base;
}

void FitDriver::runFit(int method)
{
    const int n = m_fitParameterCount;
    const PkParameterSet& prior = m_session->pkSets[m_priorSetIndex];
    fit::Vector start{};
    start[pk::kFitF] = m_allIntravenous == 1 ? heldF() : prior[pk::kF];
    start[pk::kFitVd] = prior[pk::kVd];
    start[pk::kFitCl] = prior[pk::kCl];
    start[pk::kFitCF] = prior[pk::kCF];
    if (isPhenytoin()) {
        start[pk::kFitKm] = prior[pk::kKm];
        start[pk::kFitVmax] = prior[pk::kVmax];
    }
    for (int k = 1; k <= n; ++k)
        m_session->fitParameters[k] = start[k];

    double additive = 0.0;
    if (method == pk::kLeastSquares) {
        if (m_session->levelCount < kLeastSquaresMinLevels || isPhenytoin()) {
            markAbsent(method);
            return;
        }
        m_priorRanges[n + 1] = kLeastSquaresErrorFactor;
    } else {
        m_priorRanges[n + 1] = m_session->levelErrorFactor;
        additive = m_session->levelErrorConstant;
    }

    prepareSolver();
    m_solver.fitParameters() = start;
    m_solver.solveLevenbergMarquardt(m_priorRanges.data(), additive);

    // The prior observations stay behind the measured levels, as the solver appended them
    // (behind the levels it took, whatever count the session holds).
    const int observations = m_solver.observationCount();
    for (int i = observations - m_solver.parameterCount() + 1; i <= observations; ++i) {
        m_session->levelTimes[i] = m_solver.observationTime(i);
        m_session->levelValues[i] = m_solver.observationValue(i);
    }
    for (int k = 1; k <= n; ++k)
        m_session->fitParameters[k] = m_solver.fitParameters()[k];
    storeFittedSet(method, m_allIntravenous == 1, m_allInpatient == 1);
}

void FitDriver::prepareSolver()
{
    m_solver.setParameterCount(m_fitParameterCount);
    m_solver.setLevels(m_session->levelTimes.data(), m_session->levelValues.data(),
                       m_session->levelCount);
    m_solver.setAgeWeighting(ageWeightBase(), m_session->levelAgeReferenceTime);
    m_solver.setLogarithmicPriors(isPhenytoin());
    m_solver.setLevelFunction(
        [this](const fit::Vector* p, int vectors, const double* times, int count, double* levels) {
            if (m_predictor.hasModel())
                m_predictor.levelsForFitParameters(p, vectors, times, count, levels);
            else
                std::fill(levels, levels + vectors * count, 0.0);
        });
}

CovarianceMatrix& FitDriver::covarianceOf(int method)
{
    return method == pk::kLeastSquares ? m_session->lsCovariance : m_session->bayesCovariance;
}

RangeBlock& FitDriver::rangesOf(int method)
{
    return method == pk::kLeastSquares ? m_session->lsRanges : m_session->bayesRanges;
}

// No set, no covariance, no ranges: nothing stale reaches the forecasts, curves or report.
void FitDriver::markAbsent(int method)
{
    PkParameterSet& set = m_session->pkSets[method];
    set.fill(0.0);
    set[pk::kF] = kAbsentF;
    covarianceOf(method) = CovarianceMatrix{};
    rangesOf(method) = RangeBlock{};
    m_lowerBounds[method].fill(0.0);
    m_present[method] = false;
    m_covarianceAvailable[method] = false;
}

double FitDriver::storedValue(const PkParameterSet& set, int parameter) const
{
    switch (parameter) {
    case pk::kFitF:
        return set[pk::kF];
    case pk::kFitVd:
        return set[pk::kVd];
    case pk::kFitCl:
        return isPhenytoin() ? set[pk::kKm] : set[pk::kCl];
    case pk::kFitCF:
        return set[pk::kCF];
    case pk::kFitVmax:
        return set[pk::kVmax];
    default:
        return 0.0;
    }
}

// Only least squares has a set of its own; any other method is the Bayesian fit, so no other
// set (the population or custom prior least of all) is ever overwritten.
void FitDriver::storeFittedSet(int method, bool keepF, bool keepCF)
{
    method = method == pk::kLeastSquares ? pk::kLeastSquares : pk::kBayesian;
    const int n = m_fitParameterCount;
    const fit::Vector& p = m_solver.fitParameters();
    const PkParameterSet& prior = m_session->pkSets[m_priorSetIndex];
    if (!allFinite(p, n) || !std::isfinite(m_solver.sumOfSquares())) {
        markAbsent(method);
        return;
    }

    PkParameterSet& set = m_session->pkSets[method];
    set[pk::kF] = keepF ? heldF() : p[pk::kFitF];
    set[pk::kVd] = p[pk::kFitVd];
    set[pk::kCl] = p[pk::kFitCl];
    set[pk::kCF] = keepCF ? prior[pk::kCF] : p[pk::kFitCF];
    if (isPhenytoin()) {
        set[pk::kKm] = p[pk::kFitKm];
        set[pk::kVmax] = p[pk::kFitVmax];
    }
    if (!std::isfinite(set[pk::kF]) || !std::isfinite(set[pk::kCF]) || !predictsEveryLevel(set)) {
        markAbsent(method);
        return;
    }
    m_present[method] = true;

    // A covariance that could not be formed is stored as not-a-number, never as partial
    // factors, so nothing downstream mistakes it for a certainty.
    const bool available = m_solver.covarianceAvailable();
    m_covarianceAvailable[method] = available;
    const fit::Matrix& c = m_solver.normalMatrix();
    CovarianceMatrix& covariance = covarianceOf(method);
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            covariance[i][j] = available ? fit::at(c, i, j) : notANumber;
    for (int k = 1; k <= n; ++k)
        m_lowerBounds[method][k] =
            available ? storedValue(set, k) - std::sqrt(fit::at(c, k, k)) : notANumber;
}

// With every dose intravenous the levels say nothing about F, which stays at the prior's. A
// prior F that no dose row has set (the custom set's, when every row is intravenous, is 0)
// is the intravenous F; held at 0 it would also make the spread of F 0.
double FitDriver::heldF() const
{
    const double f = m_session->pkSets[m_priorSetIndex][pk::kF];
    return f > 0.0 ? f : kIntravenousF;
}

// A level the model could not predict counted as a floor in the fit: the set says nothing about
// it and is no fit.
bool FitDriver::predictsEveryLevel(const PkParameterSet& set)
{
    const int count = std::clamp(m_session->levelCount, 0, pk::kMaxMeasuredLevels);
    if (count == 0 || !m_predictor.hasModel())
        return true;
    std::array<double, pk::kMaxMeasuredLevels> levels{};
    m_predictor.levelsForSet(set, &m_session->levelTimes[1], count, levels.data());
    return std::none_of(levels.begin(), levels.begin() + count, FitReadiness::predictionFailed);
}

void FitDriver::computeFitRanges(bool keepF, bool keepCF)
{
    fillRanges(pk::kLeastSquares, keepF, keepCF);
    fillRanges(pk::kBayesian, keepF, keepCF);
}

// One-sigma half-widths in display units: F and CF in percent points, the others in their own.
// A Bayesian F or CF held at the prior keeps the prior's own spread.
void FitDriver::fillRanges(int method, bool keepF, bool keepCF)
{
    RangeBlock& ranges = rangesOf(method);
    ranges.fill(0.0);
    if (!m_present[method])
        return;
    const PkParameterSet& set = m_session->pkSets[method];
    const PkParameterSet& prior = m_session->pkSets[m_priorSetIndex];
    const fit::Vector& bound = m_lowerBounds[method];
    const bool available = m_covarianceAvailable[method];
    auto spread = [&](int parameter, double scale) {
        return available ? scale * (storedValue(set, parameter) - bound[parameter])
                         : kRangeNotAvailable;
    };

    ranges[pk::kFitF] = spread(pk::kFitF, kPercent);
    ranges[pk::kFitVd] = spread(pk::kFitVd, 1.0);
    ranges[pk::kFitCl] = spread(pk::kFitCl, 1.0);
    ranges[pk::kFitCF] = spread(pk::kFitCF, kPercent);
    if (isPhenytoin())
        ranges[pk::kFitVmax] = spread(pk::kFitVmax, 1.0);
    if (method == pk::kBayesian && keepF)
        ranges[pk::kFitF] = kPercent * heldF() * m_priorRanges[pk::kFitF];
    if (method == pk::kBayesian && keepCF)
        ranges[pk::kFitCF] = kPercent * prior[pk::kCF] * m_priorRanges[pk::kFitCF];
}

void FitDriver::predictSet(const PkParameterSet& set, const double* times, int count,
                           double* levels)
{
    if (m_predictor.hasModel() && count > 0)
        m_predictor.levelsForSet(set, times, count, levels);
}

// Every measured level gets the predictions at its own time; a level of 0 (a pre-dose level,
// say) is a measurement like any other. The count of levels ends the list.
void FitDriver::fillLevelTable()
{
    m_levelFitTable.clear();
    const int levels = std::clamp(m_session->levelCount, 0, pk::kTableRows);
    for (int r = 1; r <= levels; ++r)
        m_levelFitTable.row(r)[pk::kTableMeasured] = m_session->levelValues[r];
    if (levels == 0 || !m_predictor.hasModel())
        return;

    const double* times = &m_session->levelTimes[1];
    const std::pair<int, int> columns[] = {{pk::kTablePrior, m_priorSetIndex},
                                           {pk::kTableLeastSquares, pk::kLeastSquares},
                                           {pk::kTableBayesian, pk::kBayesian}};
    std::array<double, pk::kTableRows> predictions{};
    for (const auto& [column, set] : columns) {
        predictions.fill(0.0);
        predictSet(m_session->pkSets[set], times, levels, predictions.data());
        for (int r = 1; r <= levels; ++r)
            m_levelFitTable.row(r)[column] = predictions[r - 1];
    }
}

void FitDriver::buildTimeGrid()
{
    FitCurveTable::Curve& time = m_fitCurveTable.time;
    time[1] = 0.0;
    for (int i = 1; i < FitCurveTable::kPoints; ++i)
        time[i + 1] = time[i] + m_curveStep;
}

// A set with a negative value gets no curve; phenytoin draws no least-squares curve.
void FitDriver::buildFitCurves()
{
    const int methods[] = {pk::kPopulation, pk::kLeastSquares, pk::kBayesian};
    FitCurveTable::Curve* curves[] = {&m_fitCurveTable.population, &m_fitCurveTable.leastSquares,
                                      &m_fitCurveTable.bayesian};
    for (int c = 0; c < 3; ++c) {
        const PkParameterSet& set = m_session->pkSets[methods[c]];
        if (!(set[pk::kF] >= 0.0 && set[pk::kVd] >= 0.0 && set[pk::kCl] >= 0.0 &&
              set[pk::kCF] >= 0.0))
            continue;
        if (m_session->modelType == pk::kModelMichaelisMenten && methods[c] == pk::kLeastSquares)
            continue;
        predictSet(set, &m_fitCurveTable.time[1], FitCurveTable::kPoints, &(*curves[c])[1]);
    }
}
