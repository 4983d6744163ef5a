#pragma once

#include "analysis/DoseEventBuilder.h"
#include "pkcore/SessionData.h"
#include "tests/support/DoseEvents.h"

#include <cmath>

// A dose event as the analysis tests write it: an absorption constant of 1.2 unless given.
inline void addEvent(SessionData& s, double t, double dose, int route, int inOut,
                     double infusionTime, double salt = 1.0, double ka = 1.2)
{
    addDoseEvent(s, {t, dose, route, infusionTime, salt, ka, double(inOut)});
}

// The same to the last bit; a NaN equals a NaN.
inline bool exactlyEqual(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// A complete row of the serum level table.
inline SerumLevelRow serumLevel(QDate date, QTime time, double value)
{
    SerumLevelRow row;
    row.date = date;
    row.time = time;
    row.level = value;
    row.complete = true;
    return row;
}

// The slots of a parameter set in one call.
inline void setSet(PkParameterSet& set, double f, double v, double cl, double cf, double km = 0.0,
                   double vmax = 0.0)
{
    set[pk::kF] = f;
    set[pk::kVd] = v;
    set[pk::kCl] = cl;
    set[pk::kCF] = cf;
    set[pk::kKm] = km;
    set[pk::kVmax] = vmax;
}

// Phenytoin capsules 100 mg every 8 hours in hospital from 1 May 2020, by default twelve doses
// from 08:00.
inline DoseHistoryRow phenytoinCapsuleRow(QTime start = QTime(8, 0), double doseCount = 12.0)
{
    DoseHistoryRow row;
    row.date = QDate(2020, 5, 1);
    row.time = start;
    row.route = "Oral - Capsules";
    row.inOut = "I";
    row.saltFactor = 0.92;
    row.routeF = 1.0;
    row.ka = 1.0;
    row.dose = 100.0;
    row.interval = 8.0;
    row.numberOfDoses = doseCount;
    row.complete = meetsDoseRowRule(row);
    return row;
}
