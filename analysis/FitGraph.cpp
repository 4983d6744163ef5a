#include "analysis/FitGraph.h"

#include "analysis/FitDriver.h"
#include "analysis/FitReadiness.h"
#include "analysis/LevelCurve.h"

#include <QLatin1String>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace
{
// Room above the largest level of the graph.
constexpr double kHeadroom = 1.2;

bool notNegative(const PkParameterSet& set)
{
    return set[pk::kF] >= 0.0 && set[pk::kVd] >= 0.0 && set[pk::kCl] >= 0.0 && set[pk::kCF] >= 0.0;
}

void widen(double value, double& low, double& high)
{
    if (!std::isfinite(value))
        return;
    low = std::min(low, value);
    high = std::max(high, value);
}
} // namespace

double timeunit::hoursPerUnit(const QString& unitText)
{
    if (unitText == QLatin1String("Hours"))
        return 1.0;
    if (unitText == QLatin1String("Days"))
        return kHoursPerDay;
    return kHoursPerWeek;
}

CurveFlags curvesWithFit(const FitDriver& driver, const SessionData& session)
{
    const auto& sets = session.pkSets;
    CurveFlags flags{};
    flags[FittedCurves::Population] = notNegative(sets[driver.priorSetIndex()]);
    flags[FittedCurves::LeastSquares] = driver.fitPresent(pk::kLeastSquares) &&
                                        session.modelType != pk::kModelMichaelisMenten &&
                                        notNegative(sets[pk::kLeastSquares]);
    flags[FittedCurves::Bayesian] = driver.fitPresent(pk::kBayesian) &&
                                    session.doseEventCount > 0 && notNegative(sets[pk::kBayesian]);
    return flags;
}

FittedCurves sampleCurves(const std::array<LevelCurve*, FittedCurves::CurveCount>& evaluators,
                          const CurveFlags& withFit, double graphEndTime)
{
    FittedCurves curves;
    curves.times.resize(FittedCurves::kPoints);
    const double step = graphEndTime / FittedCurves::kPoints;
    double t = 0.0;
    for (int i = 0; i < FittedCurves::kPoints; ++i) {
        curves.times[i] = t;
        t += step;
    }
    for (int c = 0; c < FittedCurves::CurveCount; ++c) {
        if (!withFit[c] || !evaluators[c])
            continue;
        QVector<double>& levels = curves.levels[c];
        levels.resize(FittedCurves::kPoints);
        evaluators[c]->levels(curves.times.constData(), FittedCurves::kPoints, levels.data());
        // A set the model gives no level for somewhere has no curve, never a line through
        // "no result".
        if (std::any_of(levels.begin(), levels.end(), FitReadiness::predictionFailed))
            levels.clear();
    }
    return curves;
}

FitGraphLayout layoutFitGraph(const FittedCurves& curves, const SessionData& session,
                              double hoursPerUnit)
{
    FitGraphLayout layout;
    const int points = curves.times.size();
    layout.keys.resize(points);
    for (int i = 0; i < points; ++i)
        layout.keys[i] = curves.times[i] / hoursPerUnit;
    layout.upperLimit.fill(session.levelUpperLimit, points);
    layout.lowerLimit.fill(session.levelLowerLimit, points);
    const int levels = std::clamp(session.levelCount, 0, pk::kMaxMeasuredLevels);
    for (int i = 1; i <= levels; ++i) {
        layout.levelKeys.append(session.levelTimes[i] / hoursPerUnit);
        layout.levelValues.append(session.levelValues[i]);
    }

    double low = std::min(session.levelLowerLimit, session.levelUpperLimit);
    double largest = session.levelUpperLimit;
    for (const QVector<double>& curve : curves.levels)
        for (double value : curve)
            widen(value, low, largest);
    layout.largest = largest;
    double high = largest;
    for (double value : layout.levelValues)
        widen(value, low, high);

    layout.xLower = points > 0 ? layout.keys.first() : 0.0;
    layout.xUpper = points > 0 ? layout.keys.last() : 0.0;
    layout.yLower = low;
    layout.yUpper = kHeadroom * high;
    if (!(layout.yUpper > layout.yLower))
        layout.yUpper = layout.yLower + 1.0;
    return layout;
}

void handOverCurves(const FittedCurves& curves, double largest, int priorSet, SessionData& session)
{
    session.graphTimes = curves.times;
    session.graphPrior = curves.levels[FittedCurves::Population];
    session.graphPriorSet = priorSet;
    session.graphLs = curves.levels[FittedCurves::LeastSquares];
    session.graphBayes = curves.levels[FittedCurves::Bayesian];
    session.reportGraphMax = largest;
}

std::pair<double, double> heldXRange(double lower, double upper)
{
    return {std::max(lower, 0.0), std::max(upper, 1.0)};
}

LevelTableRows levelRowsByTime(const LevelFitTable& table, const SessionData& session,
                               const CurveFlags& withFit)
{
    const int levels = std::clamp(session.levelCount, 0, pk::kTableRows);
    std::array<int, pk::kTableRows> order{};
    std::iota(order.begin(), order.begin() + levels, 1);
    std::stable_sort(order.begin(), order.begin() + levels,
                     [&](int a, int b) { return session.levelTimes[a] < session.levelTimes[b]; });
    LevelTableRows rows{};
    const bool fitted[pk::kTableColumns] = {true, true, withFit[FittedCurves::LeastSquares],
                                            withFit[FittedCurves::Bayesian]};
    for (int r = 0; r < levels; ++r) {
        const LevelFitTable::Row& row = table.row(order[r]);
        rows[r][pk::kTableMeasured] = row[pk::kTableMeasured];
        for (int column = pk::kTablePrior; column < pk::kTableColumns; ++column) {
            const double value = row[column];
            const bool made = std::isfinite(value) && value >= 0.0;
            rows[r][column] = fitted[column] && made ? value : kNoPrediction;
        }
    }
    return rows;
}
