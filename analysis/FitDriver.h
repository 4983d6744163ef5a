#pragma once

#include "analysis/FitTables.h"
#include "analysis/LevelPredictor.h"
#include "analysis/LmSolver.h"
#include "pkcore/SessionData.h"

#include <QString>

#include <functional>

class PkCalculator;

// What became of an analysis: run, or refused before any fit with one sentence for the user.
struct FitOutcome {
    QString refusal; // empty when the analysis ran
    bool ran() const { return refusal.isEmpty(); }
};

// The fits of one analysis: a least-squares and a Bayesian parameter set fitted to the measured
// levels from the prior set (population or custom), stored in the session with their
// covariances and one-sigma ranges; the level table of measured against predicted levels; and
// the sampled curves of the population, least-squares and Bayesian sets. It shows nothing; the
// curve-fitting window draws what it leaves.
class FitDriver
{
public:
    // The least-squares fit weighs each level by 1 % of its prediction, with no additive term.
    static constexpr double kLeastSquaresErrorFactor = 0.01;
    // Age-weight base for a drug that has none of its own (the user's choice).
    static constexpr double kDefaultAgeWeightBase = 1.005;
    // lsRanges and bayesRanges hold this where no covariance could be formed.
    static constexpr double kRangeNotAvailable = -1.0;
    // F of a set that does not exist.
    static constexpr double kAbsentF = -1.0;
    // Bioavailability of an intravenous dose.
    static constexpr double kIntravenousF = 1.0;
    static constexpr int kLeastSquaresMinLevels = 2;
    static constexpr int kPhenytoinParameters = 5;
    static constexpr int kParameters = 4;
    static constexpr double kPercent = 100.0;

    FitDriver(SessionData* session, PkCalculator* calculator);

    // Input of each analysis.
    void setPriorSetIndex(int set) { m_priorSetIndex = set; }
    int priorSetIndex() const { return m_priorSetIndex; }
    // The relative prior ranges (from 1) of the prior set's block.
    void setPriorRanges(const RangeBlock& ranges) { m_priorRanges = ranges; }
    const RangeBlock& priorRanges() const { return m_priorRanges; }
    void setGraphEndTime(double hours) { m_graphEndTime = hours; }
    double graphEndTime() const { return m_graphEndTime; }
    // The drug catalogue's refresh of the route constants for the current route and form
    // (DrugInfo::applyFormDefaults with 1), run at the start of every analysis.
    void setFormDefaults(std::function<void()> refresh) { m_formDefaults = std::move(refresh); }

    // The whole analysis but the drawing. An analysis whose model cannot be evaluated (see
    // FitReadiness) is refused before fitting: both fitted sets absent, the level table and
    // curves empty, and the reason in the outcome.
    FitOutcome fitCurves();
    // Both fitted sets absent, the level table and curves empty: what the last fit left no
    // longer belongs to the case's rows.
    void forgetFits();
    // method: pk::kLeastSquares or pk::kBayesian, the set the fit is stored in.
    void runFit(int method);
    // keepF, keepCF: F (every dose intravenous) and CF (every dose in hospital) are held at the
    // prior's, not fitted.
    void storeFittedSet(int method, bool keepF, bool keepCF);
    void computeFitRanges(bool keepF, bool keepCF);
    void fillLevelTable();
    void buildTimeGrid();
    void buildFitCurves();

    int fitParameterCount() const { return m_fitParameterCount; }
    int allIntravenous() const { return m_allIntravenous; }
    int allInpatient() const { return m_allInpatient; }
    double curveStep() const { return m_curveStep; }
    const LevelFitTable& levelFitTable() const { return m_levelFitTable; }
    const FitCurveTable& fitCurveTable() const { return m_fitCurveTable; }
    // Whether the last fit of the method left a set, and whether its covariance could be formed.
    bool fitPresent(int method) const { return m_present[method]; }
    bool covarianceAvailable(int method) const { return m_covarianceAvailable[method]; }

    LevelPredictor& predictor() { return m_predictor; }
    const LmSolver& solver() const { return m_solver; }

private:
    bool isPhenytoin() const;
    void examineDoseEvents();
    void refreshFormDefaultsKeepingPriorF();
    void prepareSolver();
    void markAbsent(int method);
    CovarianceMatrix& covarianceOf(int method);
    RangeBlock& rangesOf(int method);
    double ageWeightBase() const;
    double storedValue(const PkParameterSet& set, int parameter) const;
    double heldF() const;
    void fillRanges(int method, bool keepF, bool keepCF);
    void predictSet(const PkParameterSet& set, const double* times, int count, double* levels);
    bool predictsEveryLevel(const PkParameterSet& set);

    SessionData* m_session;
    PkCalculator* m_calculator;
    LevelPredictor m_predictor;
    LmSolver m_solver;
    std::function<void()> m_formDefaults;

    int m_priorSetIndex = pk::kPopulation;
    RangeBlock m_priorRanges{};
    double m_graphEndTime = 0.0;
    int m_fitParameterCount = kParameters;
    int m_allIntravenous = 1;
    int m_allInpatient = 1;
    double m_curveStep = 0.0;

    // Lower one-sigma bounds of each method's parameters (from 1), kept for the ranges.
    std::array<fit::Vector, pk::kMethodCount> m_lowerBounds{};
    std::array<bool, pk::kMethodCount> m_present{};
    std::array<bool, pk::kMethodCount> m_covarianceAvailable{};

    LevelFitTable m_levelFitTable;
    FitCurveTable m_fitCurveTable;
};
