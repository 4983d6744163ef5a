#pragma once

#include "analysis/FitMatrix.h"
#include "analysis/LuInverter.h"
#include "pkcore/PkIndices.h"

#include <algorithm>
#include <array>
#include <functional>

// Damped least squares (Levenberg-Marquardt in Marquardt's scaled form, forward-difference
// derivatives) over two kinds of observation: measured levels, weighted by an assay error model
// and by their age, and one prior pseudo-observation per parameter that pulls it towards its
// start value within its relative prior range.
//
// The solver knows nothing of the session: levels come in as arrays, predictions through a
// level function that is handed a whole parameter vector and every level time at once, so a
// model that integrates over time can serve all levels from one pass.
class LmSolver
{
public:
    static constexpr int kMaxObservations = pk::kMaxMeasuredLevels + fit::kMaxFitParameters;
    static constexpr int kObservationCapacity = kMaxObservations + 1;
    static constexpr int kRangeEntries = 11;
    static constexpr int kJacobianLimit = 1000;
    static constexpr double kStartLambda = 10.0;
    static constexpr double kLambdaFactor = 10.0;
    static constexpr double kStartFactor = 1.1;
    static constexpr double kConvergedRatio = 0.001;
    static constexpr double kDifferenceFraction = 0.00001;
    static constexpr double kSmallestDifference = 1e-10;
    static constexpr double kPredictionFloorFraction = 0.001;
    // A level's error is never taken below 1 % of its prediction, nor a prior's below 1 % of
    // the parameter; a logarithmic prior's spread never below 0.001.
    static constexpr double kSmallestRelativeError = 0.01;
    static constexpr double kSmallestLogSpread = 0.001;
    // Below this fraction of its prior a parameter meets a barrier that keeps growing as it
    // falls further (value and slope continuous where it starts).
    static constexpr double kBarrierFraction = 0.1;
    // F and CF are fractions: every point the solver visits keeps them within (0, 1].
    static constexpr double kLargestFraction = 1.0;

    // Writes the predicted levels at count times (hours from the time origin) for each of
    // vectorCount fit-parameter vectors (from 1): levels[v * count + i] belongs to vector v and
    // time i. The solver asks for the point and its differenced neighbours in one call.
    using LevelFunction = std::function<void(const fit::Vector* p, int vectorCount,
                                             const double* times, int count, double* levels)>;

    // At most fit::kMaxFitParameters; a larger count is cut to it.
    void setParameterCount(int n) { m_parameterCount = std::clamp(n, 0, fit::kMaxFitParameters); }
    int parameterCount() const { return m_parameterCount; }
    // Measured levels, arrays used from index 1; at most kMaxMeasuredLevels are taken.
    void setLevels(const double* times, const double* values, int count);
    void setLevelFunction(LevelFunction function) { m_levelFunction = std::move(function); }
    // Base of the age weighting and the time of the latest measured level.
    void setAgeWeighting(double base, double latestLevelTime);
    // Phenytoin: the priors of parameters 2 onwards are compared on a logarithmic scale.
    void setLogarithmicPriors(bool on) { m_logarithmicPriors = on; }

    // Start values in, fitted values out (from 1).
    fit::Vector& fitParameters() { return m_parameters; }
    const fit::Vector& fitParameters() const { return m_parameters; }

    // Fits fitParameters() in place. ranges: entries 1 to n the relative prior ranges, n + 1
    // the proportional error coefficient w (11 entries read); c the additive error term.
    // Afterwards normalMatrix() holds the covariance of the fitted parameters.
    void solveLevenbergMarquardt(const double* ranges, double c);

    // Residual of observation i (1 to observationCount()) at the current parameters.
    double weightedResidual(int i);
    void computeJacobian();
    // Damps the scaled matrix, inverts a copy and forms the step; false when the inversion
    // failed, in which case no step is formed.
    bool computeStep();

    const fit::Matrix& normalMatrix() const { return m_normal; }
    // False when the final inversion failed or left a value that is not a number.
    bool covarianceAvailable() const { return m_covarianceAvailable; }
    // A parameter whose prior is not a positive finite number stays at its prior, outside the
    // fit; its covariance row and column are 0.
    bool isHeld(int k) const { return m_held[k]; }
    double sumOfSquares() const { return m_sumOfSquares; }
    int jacobianCount() const { return m_jacobianCount; }
    double lambda() const { return m_lambda; }
    const fit::Vector& step() const { return m_step; }

    int observationCount() const { return m_observationCount; }
    double observationTime(int i) const { return m_times[i]; }
    double observationValue(int i) const { return m_values[i]; }

private:
    using Observations = std::array<double, kObservationCapacity>;

    void startRun(const double* ranges, double c);
    void appendPriors();
    // Residuals at vectorCount parameter vectors, from one call of the level function.
    void evaluateResiduals(const fit::Vector* p, int vectorCount, Observations* residuals);
    double levelResidual(int i, double prediction) const;
    double priorResidual(int i, const fit::Vector& p) const;
    double priorValueInUse(double p, double prior) const;
    double sumOfSquaredResiduals(const fit::Vector& p);
    bool isFraction(int k) const { return k == pk::kFitF || k == pk::kFitCF; }
    // The step over the parameters not frozen, from the damped scaled matrix as it stands.
    bool formStep(const std::array<bool, fit::kMatrixDim>& frozen);
    // Takes F and CF held at 1 whose step points beyond it out of the step; true when it froze
    // one more.
    bool freezeAtBound(std::array<bool, fit::kMatrixDim>& frozen) const;
    void rejectTrial();
    void finish();

    // Problem
    int m_parameterCount = 4;
    int m_levelCount = 0;
    int m_observationCount = 0;
    Observations m_times{};
    Observations m_values{};
    LevelFunction m_levelFunction;
    double m_ageWeightBase = 1.0;
    double m_latestLevelTime = 0.0;
    bool m_logarithmicPriors = false;

    // State of a run
    fit::Vector m_parameters{};
    std::array<double, kRangeEntries + 1> m_ranges{};
    std::array<bool, fit::kMatrixDim> m_held{};
    std::array<int, fit::kMatrixDim> m_active{}; // compact index -> parameter
    int m_activeCount = 0;
    double m_additiveError = 0.0;
    double m_largestLevel = 0.0;
    double m_lambda = kStartLambda;
    int m_jacobianCount = 0;
    int m_iterationLimit = kJacobianLimit;
    bool m_jacobianWanted = true;
    double m_sumOfSquares = 0.0;
    fit::Vector m_gradient{};
    fit::Vector m_step{};
    fit::Matrix m_normal{};
    fit::Matrix m_scaled{};
    fit::Matrix m_damped{};
    bool m_covarianceAvailable = false;
    LuInverter m_lu;

    // Work space of the Jacobian: the point and its differenced neighbours, their residuals,
    // and the predicted levels of each.
    static constexpr int kMaxVectors = fit::kMaxFitParameters + 1;
    std::array<fit::Vector, kMaxVectors> m_points{};
    std::array<Observations, kMaxVectors> m_residuals{};
    std::array<double, kMaxVectors * pk::kMaxMeasuredLevels> m_predictions{};
};
