#pragma once

#include "pkcore/PkIndices.h"

#include <QString>

#include <array>
#include <cmath>

class SessionData;

// The parameter sources both phenytoin windows compute, in the order they compute them. The
// report records keep another order (Bayesian before least squares): reportSlot maps one onto
// the other.
namespace phenytoin
{
enum Source { kPopulation, kCustom, kLeastSquares, kBayesian, kSourceCount };

template <typename T> using PerSource = std::array<T, kSourceCount>;

constexpr PerSource<Source> kAllSources = {kPopulation, kCustom, kLeastSquares, kBayesian};

// The session's parameter set of a source (pk::kPopulation ...).
int setIndex(Source source);
// The source's element in the report records and displayedF (pk::kReportPopulation ...).
int reportSlot(Source source);
// Population and custom always exist; a fit while its F is above 0.
bool sourceExists(const SessionData& session, Source source);

// F of a product for every source: the fitted F applies only to the products the fits were
// made with, other products take the population F; custom F comes from the case's per-route
// list, and a product missing from it takes the population F.
PerSource<double> productBioavailability(const SessionData& session, const QString& product);
// The case's custom F of a product; `populationF` (the product's own) when the product is not
// in the route list, as the custom prior of the dose history takes it.
double customBioavailability(const SessionData& session, const QString& product,
                             double populationF);

// The route number the simulation takes for a route letter: oral 1, intermittent infusion 2,
// intramuscular 3, anything else 4.
int routeNumber(char routeLetter);

// A computed figure: not computed, a number, or one of the two reasons there is none.
struct Figure {
    enum State { None, Value, NoResult, NoSteadyState };
    State state = None;
    double value = -1.0;

    static Figure none() { return {}; }
    // A value too large for a number is no result.
    static Figure of(double v) { return std::isfinite(v) ? Figure{Value, v} : noResult(); }
    static Figure noResult() { return {NoResult, -1.0}; }
    static Figure noSteadyState() { return {NoSteadyState, -1.0}; }

    bool isValue() const { return state == Value; }
    // What the report records carry: the number, or -1.0 when there is none.
    double recorded() const { return state == Value ? value : -1.0; }
    // Exact: a recomputation that gives the same figure changes nothing on screen.
    bool operator==(const Figure& other) const
    {
        return state == other.state && (state != Value || value == other.value);
    }
    bool operator!=(const Figure& other) const { return !(*this == other); }
};

// Field text of a figure: empty, the number with `decimals`, or the reason in words.
QString figureText(const Figure& figure, int decimals = 2);

// A level of the therapeutic range at normal binding, shown at the patient's binding; without a
// free fraction above 0 there is none.
QString rangeEndText(const SessionData& session, double normalLevel);
} // namespace phenytoin
