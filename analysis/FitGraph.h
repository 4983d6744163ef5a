#pragma once

#include "analysis/FitTables.h"
#include "pkcore/SessionData.h"

#include <QString>
#include <QVector>

#include <array>
#include <utility>

class FitDriver;
class LevelCurve;

// The x axis shows hours, days or weeks; every time behind it stays in hours.
namespace timeunit
{
constexpr double kHoursPerDay = 24.0;
constexpr double kHoursPerWeek = 24.0 * 7.0;
// "Hours" 1, "Days" 24, any other text a week.
double hoursPerUnit(const QString& unitText);
} // namespace timeunit

// The sampled curves of the fitted graph, times and levels in hours from the time origin. The
// curve of a set without a fit is empty, never a line of zeros that would read as measured.
// The first curve is the prior the fits started from: the population set or the custom one.
struct FittedCurves {
    enum Curve { Population, LeastSquares, Bayesian, CurveCount };
    static constexpr int kPoints = 5000;

    QVector<double> times;
    std::array<QVector<double>, CurveCount> levels;

    bool has(int curve) const { return !levels[curve].isEmpty(); }
};

using CurveFlags = std::array<bool, FittedCurves::CurveCount>;

// Which curves the last analysis has a fit for: the prior set while its values are not
// negative; least squares when it was fitted (never for phenytoin); the Bayesian set when it
// was fitted to some dose.
CurveFlags curvesWithFit(const FitDriver& driver, const SessionData& session);

// kPoints times from 0 in steps of graphEndTime / kPoints, advanced by repeated addition; each
// curve with a fit sampled by its evaluator in one pass. A curve with a point the model gives
// no level for stays empty.
FittedCurves sampleCurves(const std::array<LevelCurve*, FittedCurves::CurveCount>& evaluators,
                          const CurveFlags& withFit, double graphEndTime);

// The graph in the unit of the x axis.
struct FitGraphLayout {
    QVector<double> keys; // curve times in the unit
    QVector<double> upperLimit;
    QVector<double> lowerLimit;
    QVector<double> levelKeys; // measured levels, in level order
    QVector<double> levelValues;
    // The upper therapeutic limit and every value of the drawn curves.
    double largest = 0.0;
    double xLower = 0.0;
    double xUpper = 0.0;
    // The drawn curves, the limits and every measured level, with a fifth of room above.
    double yLower = 0.0;
    double yUpper = 0.0;
};

FitGraphLayout layoutFitGraph(const FittedCurves& curves, const SessionData& session,
                              double hoursPerUnit);

// The curves in hours, their largest level and which set the prior curve is, for the case
// report: its graph and its level table then show the same prior.
void handOverCurves(const FittedCurves& curves, double largest, int priorSet, SessionData& session);

// The x range the view keeps: from 0 (or its dragged lower end) and at least to 1.
std::pair<double, double> heldXRange(double lower, double upper);

// A cell of the level table whose set has no fit or whose model gave no level there; a level
// of 0 is a prediction like any other.
constexpr double kNoPrediction = -1.0;

// The rows of the level table in time order, each measured level with the predictions at its
// own time; rows after the last level are zero.
using LevelTableRows = std::array<LevelFitTable::Row, pk::kTableRows>;
LevelTableRows levelRowsByTime(const LevelFitTable& table, const SessionData& session,
                               const CurveFlags& withFit);
