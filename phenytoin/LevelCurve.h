#pragma once

#include <QString>
#include <QVector>

class PkCalculator;
class SessionData;

// Level curves of a regular phenytoin regimen from the session's simulation grid. One pass
// integrates the grid once and reads every asked time from it; it gives exactly the numbers of
// PkCalculator::phenytoinLevelAtTime asked time by time, at a fraction of the cost.
namespace phenytoin
{
constexpr int kRouteNumberOral = 1;

struct CurveRegimen {
    double f = 0.0; // of the route the dose is given by
    double v = 0.0;
    double salt = 0.0;
    double km = 0.0;
    double vmax = 0.0; // mg/day
    double c0 = 0.0;   // level at time 0
    double dose = 0.0;
    int route = kRouteNumberOral; // routeNumber of the route letter
    double tau = 0.0;             // h
    int doseCount = 0;

    // The input duration the grid gets. An oral dose enters at the patient's dose-piece rate
    // whatever this says; every other dose enters over one grid step (0), since the windows
    // have no input duration and a dose spread over its whole interval hides every peak.
    double inputDuration() const { return 0.0; }
    // The dose the grid takes. It applies F to an oral dose only; any other dose carries its
    // route's F here, so the curve delivers what the steady-state numbers count.
    double gridDose() const { return route == kRouteNumberOral ? dose : dose * f; }
};

// The levels at `times` (any order) from one pass; empty when the grid cannot be laid (the
// calculator would give -1.0 at every time) or a level has no finite value.
QVector<double> simulateLevels(PkCalculator& calculator, const SessionData& session,
                               const CurveRegimen& regimen, const QVector<double>& times);
// The calculator asked for one time, from time 0: the road the single pass replaces.
double levelByPointRoad(PkCalculator& calculator, const CurveRegimen& regimen, double t);

enum class GraphMode { NonSteady, Steady };

// The time axis of a drawing: 50 points per dosing interval over the shown doses, shifted in
// steady mode past the first whole number of intervals that covers the longest time to 90 %.
struct AxisPlan {
    bool drawable = false;
    QString refusal;    // why there is no graph, when not drawable
    double start = 0.0; // h
    double end = 0.0;   // h: the end of the last shown dosing interval
    int doseCount = 0;  // doses each curve simulates
    QVector<double> times;
};

constexpr int kPointsPerInterval = 50;

// longestTimeTo90 (days) counts in steady mode only; pass -1.0 when a set has none.
AxisPlan planAxis(GraphMode mode, int shownDoses, double tau, double longestTimeTo90);
} // namespace phenytoin
