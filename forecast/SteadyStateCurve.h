#pragma once

#include "forecast/ForecastModel.h"

#include <QVector>

#include <vector>

class PkCalculator;

namespace forecast
{
// One regular regimen. Doses are in the computing unit; for a continuous infusion `dose` is the
// rate per hour.
struct Regimen {
    double dose = 0.0;
    double interval = 0.0;     // h
    double infusionTime = 0.0; // h, intermittent infusion
};

// The level of one set on one regimen at steady state, from the equations of the calculator.
// Every value that cannot be computed, or would be negative, is kNoResult.
class SteadyStateCurve
{
public:
    SteadyStateCurve(const PkCalculator& calculator, const SessionData& session,
                     const RouteModel& route, const SetParameters& set, const Regimen& regimen);

    // The level t hours after the start of a dose; t wraps round the interval. An oral curve is
    // delayed by the lag time.
    double levelAt(double t) const;
    double peak() const;
    double trough() const;
    // postTime counts from the end of the infusion; past the interval there is no post level.
    double postLevel(double postTime) const;
    double average() const;

private:
    double rawLevelAt(double t) const;
    double infusionLevel(double sinceStart) const;
    double twoCompLevel(double sinceStart) const;

    const PkCalculator* m_calculator;
    double m_v1;
    double m_k21;
    RouteModel m_route;
    SetParameters m_set;
    Regimen m_regimen;
};

// A day's doses at their clock times, each repeated every 24 h.
struct DayDose {
    double clockHour = 0.0;
    double dose = 0.0; // computing unit
};

// Uneven dosing: the superposition of one steady-state curve per dose of the day.
class DayCurve
{
public:
    DayCurve(const PkCalculator& calculator, const SessionData& session, const RouteModel& route,
             const SetParameters& set, const QVector<DayDose>& doses, double infusionTime);

    // The level at a clock time (h from midnight; wraps round the day).
    double levelAt(double clockHour) const;
    // The highest and the lowest level over the day.
    double peak() const;
    double trough() const;
    double average() const;

private:
    double extreme(bool highest) const;

    QVector<DayDose> m_doses;
    std::vector<SteadyStateCurve> m_curves;
    RouteModel m_route;
    SetParameters m_set;
};

// The value itself when it is a level or dose that can be shown, otherwise kNoResult.
double shown(double value);
} // namespace forecast

namespace forecast
{
// Points of a level curve for the graph.
struct Curve {
    QVector<double> times; // h from the first dose
    QVector<double> levels;
};

constexpr int kCurvePoints = 400;

template <typename LevelCurve> Curve sampledCurve(const LevelCurve& curve, double span)
{
    Curve c;
    c.times.reserve(kCurvePoints + 1);
    c.levels.reserve(kCurvePoints + 1);
    for (int i = 0; i <= kCurvePoints; ++i) {
        const double t = span * i / kCurvePoints;
        const double level = curve.levelAt(t);
        if (level < 0.0)
            return Curve();
        c.times.append(t);
        c.levels.append(level);
    }
    return c;
}
} // namespace forecast
