#pragma once

#include "analysis/LevelPredictor.h"
#include "pkcore/SessionData.h"

#include <vector>

class PkCalculator;

// The level of one parameter set over the session's dose history at any time, for the curves
// and the Math Tool of the curve-fitting window. Preparing a set does the costly part once:
// phenytoin's grid is laid and integrated in one pass, and every later level is read from that
// integration (the calculator's numbers inside the grid). The grid stops 8 h after the last dose
// or level, where the calculator's level would stand still; past it the drug is eliminated with
// no further input, by the exact Michaelis-Menten wash-out, so a curve never turns flat while
// the drug is still leaving. One- and two-compartment levels come from one sweep over the dose
// events per batch of times.
class LevelCurve
{
public:
    // The area is summed over pieces of at most this many hours between the curve's kinks,
    // and over no more than kMostAreaPieces pieces.
    static constexpr double kAreaPieceHours = 1.0;
    static constexpr int kMostAreaPieces = 20000;

    LevelCurve(SessionData* session, PkCalculator* calculator);

    void prepare(const PkParameterSet& set);
    // levels[i] at times[i] (h from the time origin), in any order; -1.0 where the set gives no
    // level.
    void levels(const double* times, int count, double* out);
    double levelAt(double t);
    // The area under the curve from t1 to t2 (negative when t2 comes first), in the
    // concentration unit times hours; 0 when t1 equals t2; -1.0 where the set gives no level.
    // Between two kinks (a dose, the end of an infusion, a step of phenytoin's grid) the curve is
    // smooth, and Gauss-Legendre quadrature on short pieces is exact to rounding there; the
    // two-compartment area is summed dose by dose in closed form.
    double area(double t1, double t2);

private:
    void preparePhenytoin();
    double phenytoinLevel(double t) const;
    // The times inside (from, to) where the curve may bend, ascending.
    std::vector<double> kinksBetween(double from, double to) const;

    SessionData* m_session;
    PkCalculator* m_calculator;
    LevelPredictor m_predictor;
    PkParameterSet m_set{};

    // Phenytoin: grid times and the integrated level at each grid point; steps < 0 when the set
    // gives no level.
    int m_steps = -1;
    double m_vmaxPerHour = 0.0;
    std::vector<double> m_gridTimes;
    std::vector<double> m_gridLevels;

    std::vector<double> m_areaTimes;
    std::vector<double> m_areaLevels;
};

// The level Michaelis-Menten elimination leaves `hours` after the level c0, with no input: the
// root of Km ln(c / c0) + (c - c0) = -vmaxPerHour x hours / V.
double michaelisMentenWashout(double c0, double vmaxPerHour, double km, double v, double hours);
