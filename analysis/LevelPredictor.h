#pragma once

#include "analysis/FitMatrix.h"
#include "analysis/OneCompartmentSweep.h"
#include "analysis/TwoCompartmentSweep.h"
#include "pkcore/SessionData.h"

#include <vector>

class PkCalculator;

// Levels predicted for the session's dose history by the model of the case (modelType), for
// fit-parameter vectors or for parameter sets.
//
// The single-pass road serves all times of a parameter vector from one pass: phenytoin's level
// comes from integrating a time grid that does not depend on the time asked for, so the grid is
// laid once per vector and every level read from one integration, several vectors stepping side
// by side (exactly the calculator's numbers); the one-compartment level comes from one sweep
// over the dose events (the calculator's numbers to rounding), and so does the two-compartment
// level of a parameter set. The step-by-step road asks the calculator for each time on its own.
class LevelPredictor
{
public:
    enum class Road { SinglePass, StepByStep };

    LevelPredictor(SessionData* session, PkCalculator* calculator);

    void setRoad(Road road) { m_road = road; }
    // False for a model type without a level function: nothing is predicted.
    bool hasModel() const;

    // levels[v * count + i]: the level at times[i] for fit-parameter vector p[v] (from 1:
    // F, V, CL or Km, CF, Vmax).
    void levelsForFitParameters(const fit::Vector* p, int vectorCount, const double* times,
                                int count, double* levels);
    // The levels of one parameter set at count times.
    void levelsForSet(const PkParameterSet& set, const double* times, int count, double* levels);

private:
    struct ModelArguments {
        double f = 0.0;
        double v = 0.0;
        double cl = 0.0;
        double cf = 0.0;
        double km = 0.0;
        double vmax = 0.0;
    };

    static ModelArguments fromFitParameters(const fit::Vector& p);
    static ModelArguments fromSet(const PkParameterSet& set);
    void predict(const ModelArguments* arguments, int vectorCount, const double* times, int count,
                 double* levels);
    double levelAt(const ModelArguments& a, double t);
    void sortQueries(const double* times, int count);
    void phenytoinSinglePass(const ModelArguments* arguments, int vectorCount, const double* times,
                             int count, double* levels);

    SessionData* m_session;
    PkCalculator* m_calculator;
    Road m_road = Road::SinglePass;
    OneCompartmentSweep m_oneCompartment;
    TwoCompartmentSweep m_twoCompartments;

    // Work space of the single pass: the input rates of each vector's grid.
    std::vector<std::vector<double>> m_rates;
    std::vector<double> m_gridTimes;
    std::vector<int> m_queryOrder;
};
