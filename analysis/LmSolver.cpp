#include "analysis/LmSolver.h"

#include <algorithm>
#include <cmath>

using fit::at;

void LmSolver::setLevels(const double* times, const double* values, int count)
{
    m_levelCount = std::clamp(count, 0, pk::kMaxMeasuredLevels);
    for (int i = 1; i <= m_levelCount; ++i) {
        m_times[i] = times[i];
        m_values[i] = values[i];
    }
    m_observationCount = m_levelCount;
}

void LmSolver::setAgeWeighting(double base, double latestLevelTime)
{
    m_ageWeightBase = base;
    m_latestLevelTime = latestLevelTime;
}

void LmSolver::solveLevenbergMarquardt(const double* ranges, double c)
{
    startRun(ranges, c);
    // With every parameter held there is nothing to move.
    if (m_activeCount == 0)
        m_iterationLimit = -1;
    while (m_iterationLimit >= 0) {
        if (m_jacobianWanted)
            computeJacobian();
        bool stepFormed = computeStep();
        std::array<bool, fit::kMatrixDim> frozen{};
        while (stepFormed && freezeAtBound(frozen))
            stepFormed = formStep(frozen);
        if (m_jacobianCount >= m_iterationLimit)
            break;
        if (!stepFormed) {
            rejectTrial();
            continue;
        }

        // The trial point, with F and CF kept at or below 1.
        fit::Vector trial = m_parameters;
        bool converged = true;
        bool feasible = true;
        for (int a = 1; a <= m_activeCount; ++a) {
            const int k = m_active[a];
            double change = m_step[a];
            trial[k] = m_parameters[k] + change;
            if (isFraction(k) && trial[k] > kLargestFraction) {
                trial[k] = kLargestFraction;
                change = kLargestFraction - m_parameters[k];
            }
            if (isFraction(k) && !(trial[k] > 0.0))
                feasible = false;
            // A ratio that is not a number counts as converged.
            if (std::fabs(change / m_parameters[k]) >= kConvergedRatio)
                converged = false;
        }
        if (converged)
            break;
        if (!feasible) {
            rejectTrial();
            continue;
        }
        const double trialSum = sumOfSquaredResiduals(trial);
        // A trial sum that is not a number is no improvement.
        if (!std::isfinite(trialSum) || trialSum > m_sumOfSquares) {
            rejectTrial();
        } else {
            m_parameters = trial;
            m_lambda /= kLambdaFactor;
            m_jacobianWanted = true;
        }
    }
    finish();
}

void LmSolver::startRun(const double* ranges, double c)
{
    m_additiveError = c;
    m_ranges.fill(0.0);
    for (int k = 1; k <= kRangeEntries; ++k)
        m_ranges[k] = ranges[k];
    m_observationCount = m_levelCount;
    appendPriors();
    m_lambda = kStartLambda;
    m_iterationLimit = kJacobianLimit;
    m_jacobianCount = 0;
    m_jacobianWanted = true;
    m_covarianceAvailable = false;
    m_largestLevel = 0.0;
    for (int i = 1; i <= m_levelCount; ++i)
        if (m_values[i] >= m_largestLevel)
            m_largestLevel = m_values[i];
}

// Each parameter's start value becomes its prior observation (time -k names parameter k), and
// the iteration starts 10 % above it. A prior of 0 or below, or not a number, would make the
// objective meaningless: such a parameter stays where it is, outside the fit.
void LmSolver::appendPriors()
{
    m_activeCount = 0;
    m_held.fill(false);
    for (int k = 1; k <= m_parameterCount; ++k) {
        const int i = ++m_observationCount;
        const double prior = m_parameters[k];
        m_times[i] = -k;
        m_values[i] = prior;
        if (!(std::isfinite(prior) && prior > 0.0)) {
            m_held[k] = true;
            continue;
        }
        m_active[++m_activeCount] = k;
        m_parameters[k] = prior * kStartFactor;
        if (isFraction(k))
            m_parameters[k] = std::min(m_parameters[k], kLargestFraction);
    }
}

void LmSolver::rejectTrial()
{
    m_lambda *= kLambdaFactor;
    m_jacobianWanted = false;
}

void LmSolver::finish()
{
    m_iterationLimit = -1;
    computeJacobian();
    fit::Matrix compact = m_normal;
    const bool inverted = m_lu.invertMatrix(compact, m_activeCount);
    m_normal.fill(0.0);
    bool finite = true;
    for (int a = 1; a <= m_activeCount; ++a)
        for (int b = 1; b <= m_activeCount; ++b) {
            const double value = inverted ? at(compact, a, b) : 0.0;
            finite = finite && std::isfinite(value);
            at(m_normal, m_active[a], m_active[b]) = value;
        }
    m_covarianceAvailable = inverted && finite;
}

double LmSolver::weightedResidual(int i)
{
    if (m_times[i] < 0.0)
        return priorResidual(i, m_parameters);
    double prediction = 0.0;
    if (m_levelFunction)
        m_levelFunction(&m_parameters, 1, &m_times[i], 1, &prediction);
    return levelResidual(i, prediction);
}

void LmSolver::evaluateResiduals(const fit::Vector* p, int vectorCount, Observations* residuals)
{
    const int levels = m_levelCount;
    std::fill(m_predictions.begin(), m_predictions.end(), 0.0);
    if (m_levelFunction && levels > 0)
        m_levelFunction(p, vectorCount, &m_times[1], levels, m_predictions.data());
    for (int v = 0; v < vectorCount; ++v) {
        for (int i = 1; i <= levels; ++i)
            residuals[v][i] = levelResidual(i, m_predictions[v * levels + i - 1]);
        for (int i = levels + 1; i <= m_observationCount; ++i)
            residuals[v][i] = priorResidual(i, p[v]);
    }
}

double LmSolver::sumOfSquaredResiduals(const fit::Vector& p)
{
    Observations& residuals = m_residuals[0];
    evaluateResiduals(&p, 1, &residuals);
    double sum = 0.0;
    for (int i = 1; i <= m_observationCount; ++i)
        sum += residuals[i] * residuals[i];
    return sum;
}

// A prediction far below the largest level is lifted to a floor, so a level the model misses
// entirely still has a finite weight; the error grows with the level's age before the latest.
double LmSolver::levelResidual(int i, double prediction) const
{
    const double floor = kPredictionFloorFraction * m_largestLevel;
    double p = prediction;
    if (p < floor)
        p += floor;
    if (p <= floor)
        p = floor;
    const double weight = m_ranges[m_parameterCount + 1];
    const double ageError =
        std::pow(m_ageWeightBase, m_latestLevelTime - m_times[i]) * (weight * p + m_additiveError);
    const double smallestError = kSmallestRelativeError * p;
    const double error = ageError > smallestError ? ageError : smallestError;
    return (m_values[i] - p) / error;
}

double LmSolver::priorResidual(int i, const fit::Vector& p) const
{
    const int k = static_cast<int>(std::lround(-m_times[i]));
    if (m_held[k])
        return 0.0;
    const double prior = m_values[i];
    const double value = priorValueInUse(p[k], prior);
    const double range = m_ranges[k];
    if (m_logarithmicPriors && k >= pk::kFitVd) {
        const double spread = range > kSmallestLogSpread ? range : kSmallestLogSpread;
        return (std::log(prior) - std::log(value)) / spread;
    }
    const double error = range * value > kSmallestRelativeError * value
                             ? range * value
                             : kSmallestRelativeError * value;
    return (prior - value) / error;
}

// Below a tenth of the prior the value is replaced by one that falls exponentially, so the
// prior term keeps growing the further the parameter falls and never turns back towards zero.
// The exponential meets the straight line with the same value and the same slope: a kink there
// would trap a minimum that sits at the threshold between accepted and rejected steps.
double LmSolver::priorValueInUse(double p, double prior) const
{
    const double threshold = kBarrierFraction * prior;
    if (p < threshold)
        return threshold * std::exp(p / threshold - 1.0);
    return p;
}

void LmSolver::computeJacobian()
{
    ++m_jacobianCount;
    const int n = m_activeCount;
    fit::Vector differenceStep{};
    m_points[0] = m_parameters;
    for (int a = 1; a <= n; ++a) {
        const int k = m_active[a];
        double h = std::fabs(m_parameters[k] * kDifferenceFraction);
        if (!(h > kSmallestDifference))
            h = kSmallestDifference;
        differenceStep[a] = h;
        m_points[a] = m_parameters;
        m_points[a][k] += h;
    }
    evaluateResiduals(m_points.data(), n + 1, m_residuals.data());

    m_sumOfSquares = 0.0;
    m_gradient.fill(0.0);
    m_normal.fill(0.0);
    fit::Vector d{};
    for (int i = 1; i <= m_observationCount; ++i) {
        const double r = m_residuals[0][i];
        m_sumOfSquares += r * r;
        for (int a = 1; a <= n; ++a)
            d[a] = (r - m_residuals[a][i]) / differenceStep[a];
        for (int a = 1; a <= n; ++a) {
            m_gradient[a] += r * d[a];
            for (int b = 1; b <= n; ++b)
                at(m_normal, a, b) += d[a] * d[b];
        }
    }

    m_scaled.fill(0.0);
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b <= n; ++b)
            at(m_scaled, a, b) =
                at(m_normal, a, b) / std::sqrt(at(m_normal, b, b) * at(m_normal, a, a));
    for (int a = 1; a <= n; ++a)
        m_gradient[a] /= std::sqrt(at(m_normal, a, a));
}

// The damping compounds: after a rejected trial the already damped matrix is damped again.
bool LmSolver::computeStep()
{
    for (int a = 1; a <= m_activeCount; ++a)
        at(m_scaled, a, a) *= 1.0 + m_lambda;
    return formStep({});
}

bool LmSolver::formStep(const std::array<bool, fit::kMatrixDim>& frozen)
{
    int order[fit::kMatrixDim] = {};
    int n = 0;
    for (int a = 1; a <= m_activeCount; ++a)
        if (!frozen[a])
            order[++n] = a;
    m_damped.fill(0.0);
    for (int r = 1; r <= fit::kMatrixUsed; ++r)
        for (int c = 1; c <= fit::kMatrixUsed; ++c)
            at(m_damped, r, c) =
                r <= n && c <= n ? at(m_scaled, order[r], order[c]) : at(m_scaled, r, c);
    m_step.fill(0.0);
    if (!m_lu.invertMatrix(m_damped, n))
        return false;
    for (int r = 1; r <= n; ++r) {
        double sum = 0.0;
        for (int c = 1; c <= n; ++c)
            sum += at(m_damped, r, c) * m_gradient[order[c]];
        const int a = order[r];
        m_step[a] = sum / std::sqrt(at(m_normal, a, a));
    }
    return true;
}

// A fraction held at 1 whose step points further out would only drag the other parameters'
// step along a direction it cannot take; it sits this step out.
bool LmSolver::freezeAtBound(std::array<bool, fit::kMatrixDim>& frozen) const
{
    bool froze = false;
    for (int a = 1; a <= m_activeCount; ++a) {
        const int k = m_active[a];
        if (!frozen[a] && isFraction(k) && m_parameters[k] >= kLargestFraction && m_step[a] > 0.0) {
            frozen[a] = true;
            froze = true;
        }
    }
    return froze;
}
