#pragma once

#include "pkcore/PkNumeric.h"

#include <QDate>
#include <QString>
#include <QTime>

// The rows of the dose-history window as records, so the analysis can run on them without the
// window. A number that is not given is -1.0.

constexpr int kDoseRowCount = 20;
constexpr int kLevelRowCount = 12;
using pknum::kNotGiven;

// One dose row: a run of equal doses at a fixed interval from the row's date and time.
struct DoseHistoryRow {
    QDate date;    // first dose
    QTime time;    // first dose
    QString route; // route and dosage form as shown in the row, e.g. "Oral - Tablets"
    QString inOut; // "I" in-patient or "O" out-patient
    QString treatment;
    double saltFactor = kNotGiven;
    double routeF = kNotGiven;       // bioavailability of the row's route, fraction
    double ka = 0.0;                 // absorption rate constant of the row's route, 1/h
    double dose = kNotGiven;         // per administration, the drug's dose unit
    double infusionTime = kNotGiven; // h
    double interval = kNotGiven;     // h
    double numberOfDoses = kNotGiven;
    bool complete = false;
    // Meets the row rule, but its doses come after the history's first 1000 in time: kept and
    // stored as typed, left out of the analysis (not complete).
    bool pastLimit = false;
    // Read from the case's store, and no number of it emptied or row cleared since: stored
    // again even while today's rule finds it incomplete, with the stored route text when the
    // route list no longer holds it.
    bool fromStore = false;
    QString storedRoute;
};

// One measured serum level.
struct SerumLevelRow {
    QDate date;
    QTime time;
    double level = kNotGiven; // the drug's concentration unit
    bool complete = false;
    // Read from the case's store, its level not emptied since: stored again even without a
    // level.
    bool fromStore = false;
};

// Whether the row holds everything it needs, analysed or left out past the dose limit.
inline bool isWholeRow(const DoseHistoryRow& row)
{
    return row.complete || row.pastLimit;
}
inline bool isWholeRow(const SerumLevelRow& row)
{
    return row.complete;
}

// Whether the row can be analysed: a route, a dose, an interval and a number of doses, and an
// infusion time unless the route is oral or intramuscular. Date, time, in/out, salt factor and
// F play no part.
bool meetsDoseRowRule(const DoseHistoryRow& row);

// Why a number given in the row is one no regimen can have (a dose, infusion time, interval or
// number of doses out of its range); empty when every given number is within it.
QString doseRowRangeRefusal(const DoseHistoryRow& row);
// The same for a measured level.
QString levelRangeRefusal(double level);

// Route classes of a row's route text, taken from the route letter of the text's beginning (a
// form name typed by the user may contain "IV" or "IM" anywhere).
namespace routeclass
{
bool isIntravenous(const QString& routeText); // intermittent or continuous infusion
bool isIntramuscular(const QString& routeText);
bool isOral(const QString& routeText);
// The route code of a dose event: intravenous, intramuscular, or other (oral included).
double eventRouteCode(const QString& routeText);
} // namespace routeclass
