#include "phenytoin/LevelCurve.h"

#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace phenytoin
{
namespace
{
// A forecast assumes the regimen is taken as prescribed.
constexpr double kFullCompliance = 1.0;

bool validModel(const CurveRegimen& r)
{
    return r.v > 0.0 && r.km > 0.0 && pknum::allFinite(r.vmax, r.c0);
}
} // namespace

QVector<double> simulateLevels(PkCalculator& calculator, const SessionData& session,
                               const CurveRegimen& r, const QVector<double>& times)
{
    const int steps = calculator.doseTimeGridForLevel(
        r.f, r.salt, kFullCompliance, r.gridDose(), r.inputDuration(), r.route, r.tau, r.doseCount);
    if (steps < 0 || !validModel(r))
        return {};

    QVector<int> order(times.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return times[a] < times[b]; });

    // The calculator's own step in the calculator's order, so both roads agree to the bit.
    const std::vector<PhenytoinGridPoint>& grid = session.phenytoinGrid;
    const double vmaxPerHour = r.vmax / pknum::kHoursPerDay;
    QVector<double> levels(times.size());
    double level = r.c0;
    int i = 1;
    for (int q : order) {
        const double t = times[q];
        for (; i <= steps && grid[i].time < t; ++i)
            level = levelterms::michaelisMentenLevelStep(vmaxPerHour, r.km, r.v, grid[i - 1].rate,
                                                         level, grid[i].time - grid[i - 1].time);
        // A level without a finite value leaves the whole curve out, never a line through it.
        if (std::isfinite(t) && !std::isfinite(level))
            return {};
        levels[q] = std::isfinite(t) ? level : pknum::kNotGiven;
    }
    return levels;
}

double levelByPointRoad(PkCalculator& calculator, const CurveRegimen& r, double t)
{
    return calculator.phenytoinLevelAtTime(r.f, r.v, r.salt, r.km, r.vmax, r.c0, kFullCompliance,
                                           r.gridDose(), r.inputDuration(), r.route, r.tau,
                                           r.doseCount, t);
}

AxisPlan planAxis(GraphMode mode, int shownDoses, double tau, double longestTimeTo90)
{
    AxisPlan plan;
    if (!(tau > 0.0) || !std::isfinite(tau) || shownDoses < 1) {
        plan.refusal =
            QCoreApplication::translate("phenytoin", "No graph without\na dosing interval.");
        return plan;
    }
    double lead = 0.0;
    if (mode == GraphMode::Steady) {
        if (!(longestTimeTo90 >= 0.0) || !std::isfinite(longestTimeTo90)) {
            plan.refusal =
                QCoreApplication::translate("phenytoin", "No steady state:\nno steady graph.");
            return plan;
        }
        lead = std::ceil(longestTimeTo90 * pknum::kHoursPerDay / tau);
    }
    // The grid takes no more doses than it has steps; checked before the count becomes an int.
    const double doses = lead + shownDoses;
    if (!(doses <= pk::kPhenytoinGridSteps)) {
        plan.refusal =
            QCoreApplication::translate("phenytoin", "No graph: more than %1\ndoses to simulate.")
                .arg(pk::kPhenytoinGridSteps);
        return plan;
    }
    // The simulation grid covers at most one step an hour over its whole span.
    if (doses * tau > pk::kPhenytoinGridSteps) {
        plan.refusal = QCoreApplication::translate(
                           "phenytoin", "No graph: the span passes\nthe %1 hours simulated.")
                           .arg(pk::kPhenytoinGridSteps);
        return plan;
    }
    plan.drawable = true;
    plan.start = lead * tau;
    plan.end = plan.start + shownDoses * tau;
    plan.doseCount = static_cast<int>(doses);
    const int points = shownDoses * kPointsPerInterval;
    plan.times.resize(points);
    for (int i = 0; i < points; ++i)
        plan.times[i] = i * tau / kPointsPerInterval + plan.start;
    return plan;
}
} // namespace phenytoin
