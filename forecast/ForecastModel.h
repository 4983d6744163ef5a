#pragma once

#include "pkcore/SessionData.h"

#include <QString>

#include <array>
#include <cmath>

class DrugInfo;

// What the regimen and level forecasts compute from: the chosen route with the drug's constants,
// and the four parameter sets as the route uses them.
namespace forecast
{
constexpr int kSetCount = pk::kReportSetCount;
// The session's parameter set behind each column of the report records.
constexpr std::array<int, kSetCount> kMethodOfColumn = {pk::kPopulation, pk::kCustom, pk::kBayesian,
                                                        pk::kLeastSquares};
// Written wherever a set has no result.
constexpr double kNoResult = -1.0;

inline bool positive(double x)
{
    return std::isfinite(x) && x > 0.0;
}

struct RouteModel {
    char letter = 0;
    bool twoCompartment = false; // vancomycin: Cl and V-beta with the case's V1 and k21
    double salt = 0.0;
    double ka = 0.0; // oral or intramuscular absorption, 1/h; 0 when the product has none
    double lagTime = 0.0;
    // Computing unit per entered dose unit: lithium doses are entered in mg of lithium
    // carbonate and computed in mEq.
    double doseScale = 1.0;

    bool isOralOrIm() const
    {
        return letter == pk::kLetterOral || letter == pk::kLetterIntramuscular;
    }
};

struct SetParameters {
    bool exists = false;
    double f = 0.0;  // of the chosen route
    double v = 0.0;  // Vd, or V-beta for two compartments
    double cl = 0.0; // L/h

    // The F the report records carry: kNoResult for a set the case does not have.
    double reportedF() const { return exists ? f : kNoResult; }
};
using ForecastSets = std::array<SetParameters, kSetCount>;

// A route choice: keeps the item text, its route letter and dosage form in the session, applies
// the product's constants with its F and sets the session's regimenKa.
void chooseRoute(SessionData& session, DrugInfo& drugInfo, const QString& routeItem);

RouteModel routeModelOf(const SessionData& session);

// The population and custom sets always exist, a fitted set while its F is above 0. F per set:
// the population F of the route; the custom F of the route; a fitted set's own F on the routes
// it was fitted on and the population F of the route on any other.
ForecastSets setsOf(const SessionData& session);

// Why a set has no two-compartment curve on a two-compartment route (its clearance and volume
// imply a negative k12 with the case's V1 and k21); empty where it has one.
QString twoCompartmentGap(const SessionData& session, const RouteModel& route,
                          const SetParameters& set);

// The wording the report prints after a dose; an intermittent infusion's contains "infused".
QString routeSentence(char letter, const QString& dosageForm);
} // namespace forecast
